// Baseline JPEG frames (JFIF, YCbCr 4:2:0, the standard Huffman tables)
// written straight from 24- or 32-bit BGR rows into the caller's buffer:
// the frames of the Motion JPEG compressor. The platform's WIC encoder is
// not used because Wine's ignores its ImageQuality option (every quality
// gives the same bytes), and it needs a stream and a copy per frame.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

struct JpegPicture {
  const BYTE* top;    // first byte of the top row
  ptrdiff_t stride;   // bytes from a row to the one below it; negative for bottom-up bitmaps
  int width;          // 1..65535
  int height;         // 1..65535
  int bytesPerPixel;  // 3 (blue, green, red) or 4 (blue, green, red, unused)
};

class JpegEncoder {
 public:
  JpegEncoder();

  // quality: 1 (smallest) to 100 (best), the usual JPEG quality scale;
  // values outside are clamped.
  void SetQuality(int quality);
  int Quality() const { return quality_; }

  // Encodes one picture into out, writing at most capacity bytes: S_OK
  // with *written set, or HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)
  // when it does not fit (out then holds no usable frame). E_INVALIDARG
  // for sizes or pixel widths outside the ranges above.
  HRESULT Encode(const JpegPicture& picture, BYTE* out, size_t capacity, size_t* written);

  // The bytes before the entropy-coded data.
  static constexpr size_t kHeaderBytes = 2 + 18 + 134 + 19 + 420 + 14;

 private:
  class BitWriter;

  BYTE* WriteHeaders(const JpegPicture& picture, BYTE* out) const;
  void FillStrip(const JpegPicture& picture, int top);
  // One row of 16x16 units; false when the buffer may not hold the next unit.
  bool EncodeStrip(int* lastDc, BitWriter* writer);
  void EncodeBlock(const float* samples, int rowStride, bool chroma, int* lastDc, BitWriter* writer) const;

  int quality_ = 0;
  BYTE lumaTable_[64];    // quantisers in zigzag order, as written
  BYTE chromaTable_[64];
  float lumaScale_[64];   // multipliers taking the scaled transform to quantised values
  float chromaScale_[64];
  int paddedWidth_ = 0;   // the width rounded up to whole 16-pixel units
  std::vector<float> luma_;     // 16 rows of the strip being encoded
  std::vector<float> blue_;     // its Cb at half resolution: 8 rows of paddedWidth_ / 2
  std::vector<float> red_;      // and its Cr
};
