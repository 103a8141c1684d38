// Pictures encoded through WIC into memory, for tests that need compressed
// frames. Needs COM initialised.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <string>

#include "ComPtr.h"

// rows: top-down 24-bit BGR, width * 3 bytes each. Empty when encoding fails.
inline std::string EncodeBgr(const GUID& container, UINT width, UINT height, std::string rows) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IStream> memory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.ReceiveVoid())) ||
      FAILED(CreateStreamOnHGlobal(nullptr, TRUE, memory.Receive())) ||
      FAILED(factory->CreateStream(stream.Receive())) || FAILED(stream->InitializeFromIStream(memory.Get())) ||
      FAILED(factory->CreateEncoder(container, nullptr, encoder.Receive())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.Receive(), nullptr)) || FAILED(frame->Initialize(nullptr)) ||
      FAILED(frame->SetSize(width, height)) || FAILED(frame->SetPixelFormat(&format)) ||
      format != GUID_WICPixelFormat24bppBGR ||
      FAILED(frame->WritePixels(height, width * 3, UINT(rows.size()), reinterpret_cast<BYTE*>(&rows[0]))) ||
      FAILED(frame->Commit()) || FAILED(encoder->Commit()))
    return "";
  HGLOBAL global = nullptr;
  STATSTG stat = {};
  if (FAILED(GetHGlobalFromStream(memory.Get(), &global)) || FAILED(memory->Stat(&stat, STATFLAG_NONAME))) return "";
  std::string bytes(static_cast<const char*>(GlobalLock(global)), size_t(stat.cbSize.QuadPart));
  GlobalUnlock(global);
  return bytes;
}
