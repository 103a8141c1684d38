#include "FrameDecoders.h"

#include <vfwmsgs.h>

#include <cstring>
#include <new>

#include "MjpegFrameDecoder.h"
#include "RgbFrameDecoder.h"
#include "VfwFrameDecoder.h"

HRESULT FrameDecoders::Create(const BYTE* format, size_t size, DWORD handler, std::unique_ptr<FrameDecoder>* decoder) {
  BITMAPINFOHEADER header;
  if (size < sizeof header) return E_INVALIDARG;
  memcpy(&header, format, sizeof header);
  HRESULT hr = S_OK;
  if (header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS) {
    std::unique_ptr<RgbFrameDecoder> rgb(new (std::nothrow) RgbFrameDecoder());
    if (!rgb) return E_OUTOFMEMORY;
    hr = rgb->Open(format, size);
    if (FAILED(hr)) return VFW_E_UNSUPPORTED_VIDEO;
    *decoder = std::move(rgb);
  } else if (MjpegFrameDecoder::Handles(header.biCompression)) {
    LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    decoder->reset(new (std::nothrow) MjpegFrameDecoder(header.biWidth, height));
  } else {
    std::unique_ptr<VfwFrameDecoder> vfw(new (std::nothrow) VfwFrameDecoder());
    if (!vfw) return E_OUTOFMEMORY;
    hr = vfw->Open(format, size, handler);
    if (FAILED(hr)) return hr;
    *decoder = std::move(vfw);
  }
  return *decoder ? S_OK : E_OUTOFMEMORY;
}
