// Draws a source's picture into a frame of the group's size as its stretch
// mode places it (RESIZEF_*): stretched to the frame; unscaled and centred
// (CROP); scaled to fit inside, centred, with black bars (PRESERVEASPECTRATIO);
// scaled to cover, centred, cut at the edges (..._NOLETTERBOX). Scaling is
// bilinear; a picture of the frame's own size is copied. Whatever the
// picture leaves uncovered is opaque black. Keeps its tables between calls,
// so drawing allocates nothing once sizes settle.
#pragma once

#include <vector>

#include "VideoFrame.h"

class PictureScaler {
 public:
  void Draw(const VideoFrame& picture, int stretchMode, const VideoFrame& out);

  // Opaque black over the whole frame.
  static void Fill(const VideoFrame& out);

 private:
  // Where a picture lands: its scaled size and top-left corner, which may
  // lie outside the frame.
  struct Placement {
    int left, top, width, height;
  };
  // One output column or row: the source pixels either side of it and the
  // weight (of 256) of the second.
  struct Tap {
    int index;
    int next;
    int weight;
  };

  static Placement Place(const VideoFrame& picture, int stretchMode, const VideoFrame& out);
  static void FillOutside(const Placement& place, const VideoFrame& out);
  static void Copy(const VideoFrame& picture, const Placement& place, const VideoFrame& out);
  void Scale(const VideoFrame& picture, const Placement& place, const VideoFrame& out);
  static Tap TapAt(int position, int size, int sourceSize);

  std::vector<Tap> columns_;
  std::vector<unsigned short> row_;  // two source rows blended, 8 fraction bits
};
