#include "FrameOps.h"

#include <cstring>

bool FramesOverlap(const VideoFrame& a, const VideoFrame& b) {
  const BYTE* aEnd = a.pixels + a.stride * (a.height - 1) + a.width * 4;
  const BYTE* bEnd = b.pixels + b.stride * (b.height - 1) + b.width * 4;
  return a.pixels < bEnd && b.pixels < aEnd;
}

void CopyFrame(const VideoFrame& from, const VideoFrame& to) {
  if (from.pixels == to.pixels) return;
  for (int y = 0; y < to.height; ++y) memcpy(to.Row(y), from.Row(y), to.width * 4);
}

void BlendFrames(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, int weight) {
  const unsigned wb = static_cast<unsigned>(weight);
  const unsigned wa = 256 - wb;
  const int bytes = out.width * 4;
  for (int y = 0; y < out.height; ++y) {
    const BYTE* ra = a.Row(y);
    const BYTE* rb = b.Row(y);
    BYTE* ro = out.Row(y);
    for (int i = 0; i < bytes; ++i) ro[i] = static_cast<BYTE>((ra[i] * wa + rb[i] * wb + 128) >> 8);
  }
}

DWORD MixPixels(DWORD p, int wp, DWORD q, int wq, DWORD r, int wr) {
  DWORD result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    DWORD channel = ((p >> shift) & 0xFF) * wp + ((q >> shift) & 0xFF) * wq + ((r >> shift) & 0xFF) * wr;
    result |= ((channel + 128) >> 8) << shift;
  }
  return result;
}

void CopyShifted(const VideoFrame& from, const VideoFrame& to, int dx, int dy, int left, int top, int right,
                 int bottom) {
  if (left >= right || top >= bottom) return;
  const size_t bytes = static_cast<size_t>(right - left) * 4;
  // Downward moves within one frame go bottom-up so no source row is overwritten first.
  const bool bottomUp = dy > 0;
  for (int i = 0; i < bottom - top; ++i) {
    int y = bottomUp ? bottom - 1 - i : top + i;
    memmove(to.Row(y) + left * 4, from.Row(y - dy) + (left - dx) * 4, bytes);
  }
}
