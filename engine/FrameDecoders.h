// Chooses the decoder for a video stream's format: uncompressed RGB
// directly, Motion JPEG through WIC, anything else through the platform's
// video decompressors.
#pragma once

#include <memory>

#include "FrameDecoder.h"

class FrameDecoders {
 public:
  // format: a BITMAPINFOHEADER and what follows it (palette, masks, codec
  // data); handler: the stream header's codec code. VFW_E_UNSUPPORTED_VIDEO
  // when nothing here decodes it.
  static HRESULT Create(const BYTE* format, size_t size, DWORD handler, std::unique_ptr<FrameDecoder>* decoder);
};
