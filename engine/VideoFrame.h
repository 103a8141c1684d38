// A picture being composed: top-down 32-bit BGRA, alpha kept, rows stride
// bytes apart. It points into memory someone else owns (a sample, a
// composer's scratch frame).
#pragma once

#include <windows.h>

#include <cstddef>

struct VideoFrame {
  BYTE* pixels = nullptr;
  int width = 0;
  int height = 0;
  ptrdiff_t stride = 0;

  BYTE* Row(int y) const { return pixels + y * stride; }
};
