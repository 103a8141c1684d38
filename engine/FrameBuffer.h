// A top-down BGRA frame in memory of its own, kept between uses so that a
// frame of the same size needs no new allocation.
#pragma once

#include <vector>

#include "VideoFrame.h"

class FrameBuffer {
 public:
  // The buffer as a width x height frame; its contents are unspecified.
  VideoFrame Frame(int width, int height) {
    bytes_.resize(size_t(width) * size_t(height) * 4);
    VideoFrame frame;
    frame.pixels = bytes_.data();
    frame.width = width;
    frame.height = height;
    frame.stride = ptrdiff_t(width) * 4;
    return frame;
  }

 private:
  std::vector<BYTE> bytes_;
};
