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

GUID MediaTypeBuilder::VideoSubtype(const BITMAPINFOHEADER& header, const DWORD* masks) {
  if (header.biCompression == BI_BITFIELDS) {
    // The masks say which layout it is; others are no subtype at all.
    if (header.biBitCount == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F)
      return MEDIASUBTYPE_RGB565;
    if (header.biBitCount == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F)
      return MEDIASUBTYPE_RGB555;
    if (header.biBitCount == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF)
      return MEDIASUBTYPE_RGB32;
    return GUID_NULL;
  }
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
  // What a reader of these frames needs after the header: the palette of a
  // paletted picture, the masks of a bitfield one.
  if (bitmap.biCompression == BI_RGB && bitmap.biBitCount <= 8) {
    DWORD colours = bitmap.biClrUsed ? bitmap.biClrUsed : 1u << bitmap.biBitCount;
    if (colours > (1u << bitmap.biBitCount) || extra < colours * sizeof(RGBQUAD)) return VFW_E_INVALID_FILE_FORMAT;
  }
  DWORD masks[3] = {};
  if (bitmap.biCompression == BI_BITFIELDS) {
    if (extra < sizeof masks) return VFW_E_INVALID_FILE_FORMAT;
    memcpy(masks, header + sizeof bitmap, sizeof masks);
  }
  GUID subtype = VideoSubtype(bitmap, masks);
  if (subtype == GUID_NULL) return VFW_E_INVALID_FILE_FORMAT;
  std::vector<BYTE> block(sizeof(VIDEOINFOHEADER) + extra);
  VIDEOINFOHEADER* info = reinterpret_cast<VIDEOINFOHEADER*>(block.data());
  info->AvgTimePerFrame = timePerFrame;
  info->bmiHeader = bitmap;
  if (timePerFrame > 0 && bitmap.biSizeImage) {
    double rate = double(bitmap.biSizeImage) * 8 * 10000000.0 / double(timePerFrame);
    info->dwBitRate = rate < double(MAXDWORD) ? DWORD(rate) : MAXDWORD;
  }
  if (extra) memcpy(block.data() + sizeof(VIDEOINFOHEADER), header + sizeof bitmap, extra);
  HRESULT hr = type->Set(MEDIATYPE_Video, subtype, FORMAT_VideoInfo, block.data(), ULONG(block.size()));
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
  // PCM frames are read by their block size: it must be what the samples take.
  if (wave.wFormatTag == WAVE_FORMAT_PCM &&
      ((wave.wBitsPerSample != 8 && wave.wBitsPerSample != 16 && wave.wBitsPerSample != 24 &&
        wave.wBitsPerSample != 32) ||
       wave.nBlockAlign != wave.nChannels * wave.wBitsPerSample / 8)) {
    return VFW_E_INVALID_FILE_FORMAT;
  }
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
