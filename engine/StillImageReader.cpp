#include "StillImageReader.h"

#include <wincodec.h>
#include <vfwmsgs.h>

#include <string>

#include "ComPtr.h"
#include "MediaTypeBuilder.h"
#include "TgaImage.h"

namespace {
const UINT kMaxDimension = 16384;
const DWORD kMaxTgaFile = 256 * 1024 * 1024;

// Formats every platform decodes; others differ (Wine's WIC decodes TGA,
// Windows' does not), so they are refused here.
bool KnownContainer(const GUID& container) {
  return container == GUID_ContainerFormatBmp || container == GUID_ContainerFormatPng ||
         container == GUID_ContainerFormatJpeg || container == GUID_ContainerFormatGif ||
         container == GUID_ContainerFormatTiff;
}

HRESULT OpenFrame(const std::wstring& path, ComPtr<IWICImagingFactory>* factory,
                  ComPtr<IWICBitmapFrameDecode>* frame) {
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory->ReceiveVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapDecoder> decoder;
  hr = (*factory)->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                             decoder.Receive());
  if (FAILED(hr)) return VFW_E_INVALID_FILE_FORMAT;
  GUID container;
  if (FAILED(decoder->GetContainerFormat(&container)) || !KnownContainer(container)) return VFW_E_INVALID_FILE_FORMAT;
  hr = decoder->GetFrame(0, frame->Receive());
  return FAILED(hr) ? VFW_E_INVALID_FILE_FORMAT : S_OK;
}
}  // namespace

bool StillImageReader::IsTga(const wchar_t* path) {
  size_t length = wcslen(path);
  return length >= 4 && _wcsicmp(path + length - 4, L".tga") == 0;
}

HRESULT StillImageReader::Open(const wchar_t* path) {
  path_ = path;
  tga_ = IsTga(path);
  LONG width = 0, height = 0;
  HRESULT hr = tga_ ? OpenTga(&width, &height) : OpenWic(&width, &height);
  if (FAILED(hr)) return hr;
  MediaStream stream;
  hr = MediaTypeBuilder::Picture(width, height, kUnitsPerSecond / kStillFrameRate, &stream.type);
  if (FAILED(hr)) return hr;
  stream.length = kStillLength;
  stream.frameRate = kStillFrameRate;
  streams_.push_back(std::move(stream));
  return S_OK;
}

HRESULT StillImageReader::ReadWholeFile(const wchar_t* path, std::vector<BYTE>* bytes) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
  LARGE_INTEGER size;
  HRESULT hr = S_OK;
  if (!GetFileSizeEx(file, &size)) {
    hr = HRESULT_FROM_WIN32(GetLastError());
  } else if (size.QuadPart > kMaxTgaFile) {
    hr = VFW_E_INVALID_FILE_FORMAT;
  } else {
    bytes->resize(size_t(size.QuadPart));
    DWORD got = 0;
    if (!bytes->empty() && (!ReadFile(file, bytes->data(), DWORD(bytes->size()), &got, nullptr) || got != bytes->size()))
      hr = VFW_E_FILE_TOO_SHORT;
  }
  CloseHandle(file);
  return hr;
}

HRESULT StillImageReader::OpenTga(LONG* width, LONG* height) {
  std::vector<BYTE> bytes;
  HRESULT hr = ReadWholeFile(path_.c_str(), &bytes);
  if (FAILED(hr)) return hr;
  TgaImage image;
  hr = image.ReadHeader(bytes.data(), bytes.size());
  if (FAILED(hr)) return hr;
  *width = image.Width();
  *height = image.Height();
  return S_OK;
}

HRESULT StillImageReader::OpenWic(LONG* width, LONG* height) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapFrameDecode> frame;
  HRESULT hr = OpenFrame(path_, &factory, &frame);
  if (FAILED(hr)) return hr;
  UINT w = 0, h = 0;
  if (FAILED(frame->GetSize(&w, &h)) || w == 0 || h == 0 || w > kMaxDimension || h > kMaxDimension)
    return VFW_E_INVALID_FILE_FORMAT;
  *width = LONG(w);
  *height = LONG(h);
  return S_OK;
}

HRESULT StillImageReader::ReadFrame(int stream, REFERENCE_TIME, std::vector<BYTE>* pixels) {
  if (stream != 0 || streams_.empty() || !pixels) return E_INVALIDARG;
  if (cache_.Get(0, pixels)) return S_OK;
  HRESULT hr = tga_ ? DecodeTga(pixels) : DecodeWic(pixels);
  if (SUCCEEDED(hr)) cache_.Put(0, *pixels);
  return hr;
}

HRESULT StillImageReader::DecodeTga(std::vector<BYTE>* pixels) {
  std::vector<BYTE> bytes;
  HRESULT hr = ReadWholeFile(path_.c_str(), &bytes);
  if (FAILED(hr)) return hr;
  TgaImage image;
  hr = image.ReadHeader(bytes.data(), bytes.size());
  if (SUCCEEDED(hr)) hr = image.Decode(bytes.data(), bytes.size(), pixels);
  return hr;
}

// Every format converts to 32bppBGRA (GIF fails to 24bppBGR).
HRESULT StillImageReader::DecodeWic(std::vector<BYTE>* pixels) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapFrameDecode> frame;
  HRESULT hr = OpenFrame(path_, &factory, &frame);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapSource> converted;
  hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), converted.Receive());
  if (FAILED(hr)) return hr;
  UINT width = 0, height = 0;
  hr = converted->GetSize(&width, &height);
  if (FAILED(hr)) return hr;
  if (width > kMaxDimension || height > kMaxDimension) return VFW_E_INVALID_FILE_FORMAT;
  pixels->resize(size_t(width) * height * 4);
  return converted->CopyPixels(nullptr, width * 4, UINT(pixels->size()), pixels->data());
}

HRESULT StillImageReader::ReadAudio(int, REFERENCE_TIME, const WAVEFORMATEX&, DWORD, std::vector<BYTE>*) {
  return VFW_E_INVALIDMEDIATYPE;
}
