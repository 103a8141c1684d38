#include "PictureWriter.h"

#include <cstring>

BYTE* PictureWriter::Row(BYTE* sample, int y) const {
  int row = format_.topDown ? y : format_.height - 1 - y;
  return sample + ptrdiff_t(row) * format_.stride;
}

VideoFrame PictureWriter::InPlace(BYTE* sample) const {
  VideoFrame frame;
  if (format_.bits != 32) return frame;
  frame.pixels = Row(sample, 0);
  frame.width = format_.width;
  frame.height = format_.height;
  frame.stride = format_.topDown ? format_.stride : -ptrdiff_t(format_.stride);
  return frame;
}

void PictureWriter::WriteStored(const BYTE* stored, bool storedTopDown, BYTE* sample) const {
  size_t row = size_t(format_.stride);
  if (storedTopDown == format_.topDown) {
    memcpy(sample, stored, row * size_t(format_.height));
    return;
  }
  for (int y = 0; y < format_.height; ++y) memcpy(sample + row * size_t(format_.height - 1 - y), stored + row * y, row);
}

void PictureWriter::Write(const VideoFrame& picture, BYTE* sample) const {
  int width = format_.width;
  for (int y = 0; y < format_.height; ++y) {
    const BYTE* from = picture.Row(y);
    BYTE* to = Row(sample, y);
    if (format_.bits == 32) {
      memcpy(to, from, size_t(width) * 4);
    } else if (format_.bits == 24) {
      for (int x = 0; x < width; ++x, from += 4, to += 3) to[0] = from[0], to[1] = from[1], to[2] = from[2];
    } else if (format_.rgb565) {
      WORD* pixel = reinterpret_cast<WORD*>(to);
      for (int x = 0; x < width; ++x, from += 4) pixel[x] = WORD((from[2] >> 3) << 11 | (from[1] >> 2) << 5 | from[0] >> 3);
    } else {
      WORD* pixel = reinterpret_cast<WORD*>(to);
      for (int x = 0; x < width; ++x, from += 4) pixel[x] = WORD((from[2] >> 3) << 10 | (from[1] >> 3) << 5 | from[0] >> 3);
    }
  }
}
