// Motion JPEG frames ('MJPG' and the other codes writers use for it) through
// the WIC JPEG decoder, from memory. Cameras often leave the Huffman tables
// out of every frame; the standard ones (ITU T.81 Annex K.3) are then put in.
// Decode needs COM initialised on the calling thread; the WIC factory is
// created at the first frame and kept.
#pragma once

#include <wincodec.h>

#include "ComPtr.h"
#include "FrameDecoder.h"

class MjpegFrameDecoder final : public FrameDecoder {
 public:
  // Whether a BITMAPINFOHEADER compression code names Motion JPEG.
  static bool Handles(DWORD compression);
  // A copy of the JPEG frame with the standard Huffman tables before its
  // first scan; false (and completed untouched) when the frame has tables of
  // its own or is not a JPEG stream.
  static bool AddStandardTables(const BYTE* frame, size_t size, std::vector<BYTE>* completed);

  MjpegFrameDecoder(LONG width, LONG height) : width_(width), height_(height) {}
  bool Temporal() const override { return false; }
  HRESULT Decode(const BYTE* frame, size_t size, bool key, std::vector<BYTE>* pixels) override;

 private:
  HRESULT OpenPicture(const BYTE* jpeg, size_t size, ComPtr<IWICBitmapFrameDecode>* picture);
  HRESULT DecodeJpeg(const BYTE* jpeg, size_t size, std::vector<BYTE>* pixels);
  HRESULT CopyWidened(IWICBitmapSource* picture, std::vector<BYTE>* pixels);

  LONG width_;
  LONG height_;
  ComPtr<IWICImagingFactory> factory_;
  std::vector<BYTE> completed_;
  std::vector<BYTE> rows_;
};
