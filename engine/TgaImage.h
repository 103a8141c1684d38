// The project's own TGA decoder (Windows' WIC has none): true-colour (16, 24,
// 32 bits) and grey (8 bits) images, plain or run-length encoded, in either
// row order. Colour-mapped images are refused.
#pragma once

#include <windows.h>

#include <vector>

class TgaImage {
 public:
  // Checks the 18-byte header against the file's size.
  HRESULT ReadHeader(const BYTE* bytes, size_t size);
  LONG Width() const { return width_; }
  LONG Height() const { return height_; }
  // Top-down 32-bit BGRA pixels.
  HRESULT Decode(const BYTE* bytes, size_t size, std::vector<BYTE>* pixels) const;

 private:
  void Store(const BYTE* source, BYTE* target) const;
  HRESULT Unpack(const BYTE* bytes, size_t size, std::vector<BYTE>* packed) const;

  LONG width_ = 0;
  LONG height_ = 0;
  int bytesPerPixel_ = 0;
  int alphaBits_ = 0;
  bool runLength_ = false;
  bool topDown_ = false;
  size_t dataOffset_ = 0;
};
