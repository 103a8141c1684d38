// Uncompressed frames: 1, 4 and 8-bit through the format's palette, 16-bit
// RGB555 (BI_RGB) or by BI_BITFIELDS masks, 24 and 32-bit; bottom-up, or
// top-down when the height is negative. The fourth byte of 32-bit BI_RGB is
// not alpha.
#pragma once

#include "FrameDecoder.h"

class RgbFrameDecoder final : public FrameDecoder {
 public:
  // format: a BITMAPINFOHEADER followed by its palette or masks, of size
  // bytes; E_INVALIDARG for anything but the layouts above.
  HRESULT Open(const BYTE* format, size_t size);
  bool Temporal() const override { return false; }
  bool Cheap() const override { return true; }
  HRESULT Decode(const BYTE* frame, size_t size, bool key, std::vector<BYTE>* pixels) override;
  void SetPalette(const RGBQUAD* colours, size_t count) override;

 private:
  HRESULT OpenPalette(const BYTE* colours, size_t size, DWORD count);
  void OpenMasks(const DWORD* masks);
  void ConvertRow(const BYTE* row, DWORD* out) const;

  LONG width_ = 0;
  LONG height_ = 0;
  bool topDown_ = false;
  WORD bits_ = 0;
  size_t stride_ = 0;
  std::vector<DWORD> colours_;  // BGRA of each palette index or 16-bit value
};
