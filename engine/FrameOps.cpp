#include "FrameOps.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdlib>
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

// Sixteen channels at a time in 16-bit lanes: 255 * 256 + 128 still fits.
void BlendFrames(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, int weight) {
  const unsigned wb = static_cast<unsigned>(weight);
  const unsigned wa = 256 - wb;
  const __m128i weightA = _mm_set1_epi16(short(wa)), weightB = _mm_set1_epi16(short(wb));
  const __m128i half = _mm_set1_epi16(128), zero = _mm_setzero_si128();
  const int bytes = out.width * 4;
  for (int y = 0; y < out.height; ++y) {
    const BYTE* ra = a.Row(y);
    const BYTE* rb = b.Row(y);
    BYTE* ro = out.Row(y);
    int i = 0;
    for (; i + 16 <= bytes; i += 16) {
      __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ra + i));
      __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rb + i));
      __m128i low = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pa, zero), weightA),
                                  _mm_mullo_epi16(_mm_unpacklo_epi8(pb, zero), weightB));
      __m128i high = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pa, zero), weightA),
                                   _mm_mullo_epi16(_mm_unpackhi_epi8(pb, zero), weightB));
      low = _mm_srli_epi16(_mm_add_epi16(low, half), 8);
      high = _mm_srli_epi16(_mm_add_epi16(high, half), 8);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(ro + i), _mm_packus_epi16(low, high));
    }
    for (; i < bytes; ++i) ro[i] = static_cast<BYTE>((ra[i] * wa + rb[i] * wb + 128) >> 8);
  }
}

void AddToColours(const VideoFrame& frame, int offset) {
  const int amount = std::min(std::abs(offset), 255);
  const __m128i add = _mm_set1_epi32(amount * 0x010101);  // alpha lanes 0
  const int bytes = frame.width * 4;
  for (int y = 0; y < frame.height; ++y) {
    BYTE* row = frame.Row(y);
    int i = 0;
    for (; i + 16 <= bytes; i += 16) {
      __m128i* at = reinterpret_cast<__m128i*>(row + i);
      __m128i pixels = _mm_loadu_si128(at);
      _mm_storeu_si128(at, offset > 0 ? _mm_adds_epu8(pixels, add) : _mm_subs_epu8(pixels, add));
    }
    for (; i < bytes; ++i) {
      if (i % 4 != 3) row[i] = static_cast<BYTE>(std::clamp(row[i] + offset, 0, 255));
    }
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
