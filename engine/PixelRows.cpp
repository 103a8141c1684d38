#include "PixelRows.h"

#include <tmmintrin.h>

#include <cstring>

namespace {
const DWORD kOpaque = 0xFF000000;
}  // namespace

bool PixelRows::HasSsse3() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has;
}

void PixelRows::Bgr24ToBgra(const BYTE* from, BYTE* out, int width) {
  int x = HasSsse3() ? Bgr24ToBgraShuffled(from, out, width) : 0;
  from += x * 3;
  out += x * 4;
  for (; x + 4 <= width; x += 4, from += 12, out += 16) {
    DWORD in[3];
    memcpy(in, from, 12);
    DWORD pixels[4] = {in[0] | kOpaque, in[0] >> 24 | in[1] << 8 | kOpaque, in[1] >> 16 | in[2] << 16 | kOpaque,
                       in[2] >> 8 | kOpaque};
    memcpy(out, pixels, 16);
  }
  for (; x < width; ++x, from += 3, out += 4) out[0] = from[0], out[1] = from[1], out[2] = from[2], out[3] = 255;
}

void PixelRows::BgraToBgr24(const BYTE* from, BYTE* out, int width) {
  int x = HasSsse3() ? BgraToBgr24Shuffled(from, out, width) : 0;
  from += x * 4;
  out += x * 3;
  for (; x + 4 <= width; x += 4, from += 16, out += 12) {
    DWORD p[4];
    memcpy(p, from, 16);
    DWORD words[3] = {(p[0] & 0xFFFFFF) | p[1] << 24, (p[1] >> 8 & 0xFFFF) | p[2] << 16, (p[2] >> 16 & 0xFF) | p[3] << 8};
    memcpy(out, words, 12);
  }
  for (; x < width; ++x, from += 4, out += 3) out[0] = from[0], out[1] = from[1], out[2] = from[2];
}

// 48 bytes in, four shuffles of 12 bytes each out; nothing read past the 48.
__attribute__((target("ssse3"))) int PixelRows::Bgr24ToBgraShuffled(const BYTE* from, BYTE* out, int width) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i alpha = _mm_set1_epi32(int(kOpaque));
  int x = 0;
  for (; x + 16 <= width; x += 16, from += 48, out += 64) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16));
    __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 32));
    __m128i* to = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(to, _mm_or_si128(_mm_shuffle_epi8(a, spread), alpha));
    _mm_storeu_si128(to + 1, _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread), alpha));
    _mm_storeu_si128(to + 2, _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread), alpha));
    _mm_storeu_si128(to + 3, _mm_or_si128(_mm_shuffle_epi8(_mm_srli_si128(c, 4), spread), alpha));
  }
  return x;
}

// Four shuffles of 16 bytes to 12, packed into three whole stores.
__attribute__((target("ssse3"))) int PixelRows::BgraToBgr24Shuffled(const BYTE* from, BYTE* out, int width) {
  const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int x = 0;
  for (; x + 16 <= width; x += 16, from += 64, out += 48) {
    const __m128i* in = reinterpret_cast<const __m128i*>(from);
    __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(in), pack);
    __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), pack);
    __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), pack);
    __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), pack);
    __m128i* to = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(to, _mm_or_si128(a, _mm_slli_si128(b, 12)));
    _mm_storeu_si128(to + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
    _mm_storeu_si128(to + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
  }
  return x;
}
