#include "MediaTypeBuilder.h"

#include <mmreg.h>
#include <dshow.h>
#include <ks.h>
#include <ksmedia.h>
#include <vfwmsgs.h>

#include <cstring>
#include <vector>

namespace {
// Format blocks above this are hostile, not real.
const size_t kMaxFormatSize = 64 * 1024;
const LONG kMaxDimension = 16384;
}  // namespace

GUID MediaTypeBuilder::FourccSubtype(DWORD code) {
  GUID subtype = {code, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  return subtype;
}

GUID MediaTypeBuilder::VideoSubtype(const BITMAPINFOHEADER& header) {
  if (header.biCompression == BI_BITFIELDS && header.biBitCount == 16) return MEDIASUBTYPE_RGB565;
  if (header.biCompression != BI_RGB) return FourccSubtype(header.biCompression);
  switch (header.biBitCount) {
    case 1: return MEDIASUBTYPE_RGB1;
    case 4: return MEDIASUBTYPE_RGB4;
    case 8: return MEDIASUBTYPE_RGB8;
    case 16: return MEDIASUBTYPE_RGB555;
    case 24: return MEDIASUBTYPE_RGB24;
    default: return MEDIASUBTYPE_RGB32;
  }
}

HRESULT MediaTypeBuilder::Video(const BYTE* header, size_t size, REFERENCE_TIME timePerFrame, MediaType* type) {
  BITMAPINFOHEADER bitmap;
  if (size < sizeof bitmap || size > kMaxFormatSize) return VFW_E_INVALID_FILE_FORMAT;
  memcpy(&bitmap, header, sizeof bitmap);
  LONG height = bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight;
  if (bitmap.biWidth <= 0 || bitmap.biWidth > kMaxDimension || height <= 0 || height > kMaxDimension)
    return VFW_E_INVALID_FILE_FORMAT;
  bool rgb = bitmap.biCompression == BI_RGB || bitmap.biCompression == BI_BITFIELDS;
  if (rgb && bitmap.biBitCount != 1 && bitmap.biBitCount != 4 && bitmap.biBitCount != 8 && bitmap.biBitCount != 16 &&
      bitmap.biBitCount != 24 && bitmap.biBitCount != 32)
    return VFW_E_INVALID_FILE_FORMAT;
  if (rgb) bitmap.biSizeImage = DWORD((bitmap.biWidth * bitmap.biBitCount + 31) / 32 * 4) * DWORD(height);

  size_t extra = size - sizeof bitmap;
  std::vector<BYTE> block(sizeof(VIDEOINFOHEADER) + extra);
  VIDEOINFOHEADER* info = reinterpret_cast<VIDEOINFOHEADER*>(block.data());
  info->AvgTimePerFrame = timePerFrame;
  info->bmiHeader = bitmap;
  if (timePerFrame > 0 && bitmap.biSizeImage)
    info->dwBitRate = DWORD(double(bitmap.biSizeImage) * 8 * 10000000.0 / double(timePerFrame));
  if (extra) memcpy(block.data() + sizeof(VIDEOINFOHEADER), header + sizeof bitmap, extra);
  HRESULT hr = type->Set(MEDIATYPE_Video, VideoSubtype(bitmap), FORMAT_VideoInfo, block.data(), ULONG(block.size()));
  if (FAILED(hr)) return hr;
  AM_MEDIA_TYPE& t = type->Edit();
  t.bFixedSizeSamples = rgb;
  t.bTemporalCompression = !rgb;
  t.lSampleSize = rgb ? bitmap.biSizeImage : 0;
  return S_OK;
}

HRESULT MediaTypeBuilder::Audio(const BYTE* format, size_t size, MediaType* type) {
  WAVEFORMATEX wave = {};
  if (size < 14 || size > kMaxFormatSize) return VFW_E_INVALID_FILE_FORMAT;
  memcpy(&wave, format, size < sizeof wave ? size : sizeof wave);
  if (size < sizeof wave) wave.cbSize = 0;  // older forms have no cbSize
  if (wave.nChannels == 0 || wave.nSamplesPerSec == 0 || wave.nBlockAlign == 0) return VFW_E_INVALID_FILE_FORMAT;
  size_t extra = size >= sizeof wave ? size - sizeof wave : 0;
  if (wave.cbSize < extra) extra = wave.cbSize;
  wave.cbSize = WORD(extra);

  GUID subtype = FourccSubtype(wave.wFormatTag);
  if (wave.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
    if (extra < sizeof(WAVEFORMATEXTENSIBLE) - sizeof wave) return VFW_E_INVALID_FILE_FORMAT;
    memcpy(&subtype, format + offsetof(WAVEFORMATEXTENSIBLE, SubFormat), sizeof subtype);
  }
  std::vector<BYTE> block(sizeof wave + extra);
  memcpy(block.data(), &wave, sizeof wave);
  if (extra) memcpy(block.data() + sizeof wave, format + sizeof wave, extra);
  HRESULT hr = type->Set(MEDIATYPE_Audio, subtype, FORMAT_WaveFormatEx, block.data(), ULONG(block.size()));
  if (FAILED(hr)) return hr;
  type->Edit().bFixedSizeSamples = TRUE;
  type->Edit().lSampleSize = wave.nBlockAlign;
  return S_OK;
}

HRESULT MediaTypeBuilder::Picture(LONG width, LONG height, REFERENCE_TIME timePerFrame, MediaType* type) {
  BITMAPINFOHEADER bitmap = {};
  bitmap.biSize = sizeof bitmap;
  bitmap.biWidth = width;
  bitmap.biHeight = height;
  bitmap.biPlanes = 1;
  bitmap.biBitCount = 32;
  bitmap.biCompression = BI_RGB;
  return Video(reinterpret_cast<const BYTE*>(&bitmap), sizeof bitmap, timePerFrame, type);
}
