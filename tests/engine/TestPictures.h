// Test pictures for the video compressor: frames in a DIB's layout, their
// media types, and how far a JPEG decoded by the platform is from them.
#pragma once

#include <dshow.h>

#include <vector>

#include "MediaType.h"

// width x |height| pixels of 3 or 4 bytes in a DIB's layout (bottom-up when
// height > 0, rows padded to 4 bytes), whose colours change smoothly across
// and, differently, down, so a frame turned upside down or mirrored decodes
// far from it.
std::vector<BYTE> TestFrame(LONG width, LONG height, int bytesPerPixel);
// FORMAT_VideoInfo of subtype RGB24, RGB32 or ARGB32.
MediaType RgbType(const GUID& subtype, LONG width, LONG height, REFERENCE_TIME timePerFrame);

struct Difference {
  double mean = 1e9;   // per channel, over the picture
  int largest = 256;   // both stay at these when the JPEG does not decode to the frame's size
};
// How far jpeg, decoded by WIC, is from frame (laid out as TestFrame's).
Difference CompareJpeg(const std::vector<BYTE>& jpeg, const std::vector<BYTE>& frame, LONG width, LONG height,
                       int bytesPerPixel);
