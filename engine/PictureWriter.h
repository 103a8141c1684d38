// Puts composed frames (top-down BGRA) into samples of a group's video
// format: RGB32 and ARGB32 as they are, RGB24 without alpha, RGB 555 and
// 565 packed; rows bottom-up or top-down as the format says.
#pragma once

#include "GroupFormat.h"
#include "VideoFrame.h"

class PictureWriter {
 public:
  // format: a video format; must outlive the writer.
  explicit PictureWriter(const GroupFormat& format) : format_(format) {}

  // For 32-bit formats, the sample's bytes seen as a top-down frame to
  // compose in place; pixels null for the others.
  VideoFrame InPlace(BYTE* sample) const;
  // Converts picture (the format's size) into sample.
  void Write(const VideoFrame& picture, BYTE* sample) const;
  // Copies a frame already in the format (its rows top-down or not) into sample.
  void WriteStored(const BYTE* stored, bool storedTopDown, BYTE* sample) const;

 private:
  // The sample row showing picture row y.
  BYTE* Row(BYTE* sample, int y) const;

  const GroupFormat& format_;
};
