// Compressed frames through the platform's video decompressors (msvfw32):
// the first one that takes the stream's format and gives 32-bit RGB, else
// 24-bit. Frames are temporal: the decompressor draws each frame over the
// previous picture, which is kept between calls. Wine's MS Video 1 swaps
// red and blue in 24-bit output; that is measured once and undone.
#pragma once

#include <windows.h>
#include <vfw.h>

#include "FrameDecoder.h"

class VfwFrameDecoder final : public FrameDecoder {
 public:
  VfwFrameDecoder() = default;
  ~VfwFrameDecoder() override;
  VfwFrameDecoder(const VfwFrameDecoder&) = delete;
  VfwFrameDecoder& operator=(const VfwFrameDecoder&) = delete;

  // format: the stream's BITMAPINFOHEADER and any palette after it; handler:
  // the stream header's codec code, tried first. VFW_E_UNSUPPORTED_VIDEO when
  // no decompressor takes the format.
  HRESULT Open(const BYTE* format, size_t size, DWORD handler);
  bool Temporal() const override { return true; }
  HRESULT Decode(const BYTE* frame, size_t size, bool key, std::vector<BYTE>* pixels) override;
  void SetPalette(const RGBQUAD* colours, size_t count) override;

 private:
  static HIC Locate(BITMAPINFOHEADER* input, const BITMAPINFOHEADER& output, DWORD handler);
  static bool SwapsRedAndBlue(DWORD handler);
  void SetOutput(WORD bits);
  void ToBgra(std::vector<BYTE>* pixels) const;

  HIC codec_ = nullptr;
  std::vector<BYTE> input_;  // BITMAPINFOHEADER and palette
  BITMAPINFOHEADER output_ = {};
  std::vector<BYTE> picture_;  // the decompressor's bottom-up output
  bool swapped_ = false;
};
