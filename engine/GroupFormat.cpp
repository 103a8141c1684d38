#include "GroupFormat.h"

#include <dshow.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr LONG kMaxFrameSide = 16384;
constexpr DWORD kMinRate = 1000;
constexpr DWORD kMaxRate = 384000;
constexpr WORD kMaxChannels = 8;

int VideoBits(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_RGB555 || subtype == MEDIASUBTYPE_RGB565) return 16;
  if (subtype == MEDIASUBTYPE_RGB24) return 24;
  if (subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_ARGB32) return 32;
  return 0;
}

bool ReadVideo(const AM_MEDIA_TYPE& type, GroupFormat* format) {
  if (type.formattype != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat) return false;
  const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  int bits = VideoBits(type.subtype);
  LONG height = std::labs(bitmap.biHeight);
  if (!bits || bitmap.biBitCount != bits || bitmap.biWidth <= 0 || bitmap.biWidth > kMaxFrameSide || height == 0 ||
      height > kMaxFrameSide)
    return false;
  format->video = true;
  format->width = bitmap.biWidth;
  format->height = height;
  format->bits = bits;
  format->rgb565 = type.subtype == MEDIASUBTYPE_RGB565;
  format->topDown = bitmap.biHeight < 0;
  format->stride = (bitmap.biWidth * bits + 31) / 32 * 4;
  return true;
}

bool ReadAudio(const AM_MEDIA_TYPE& type, GroupFormat* format) {
  if (type.formattype != FORMAT_WaveFormatEx || type.cbFormat < sizeof(PCMWAVEFORMAT) || !type.pbFormat) return false;
  const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
  WORD bits = wave.wBitsPerSample;
  if (wave.wFormatTag != WAVE_FORMAT_PCM || (bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
      wave.nChannels < 1 || wave.nChannels > kMaxChannels || wave.nSamplesPerSec < kMinRate ||
      wave.nSamplesPerSec > kMaxRate)
    return false;
  format->video = false;
  format->channels = wave.nChannels;
  format->rate = wave.nSamplesPerSec;
  format->sampleBits = bits;
  return true;
}

}  // namespace

bool GroupFormat::Read(const AM_MEDIA_TYPE& type, GroupFormat* format) {
  *format = GroupFormat();
  if (type.majortype == MEDIATYPE_Video) return ReadVideo(type, format);
  if (type.majortype == MEDIATYPE_Audio) return ReadAudio(type, format);
  return false;
}

DWORD GroupFormat::UnitBytes() const {
  return video ? DWORD(stride) * DWORD(height) : DWORD(channels) * DWORD(sampleBits / 8);
}

HRESULT GroupFormat::PinType(const AM_MEDIA_TYPE& groupType, double fps, MediaType* type) const {
  HRESULT hr = type->CopyFrom(groupType);
  if (FAILED(hr)) return hr;
  AM_MEDIA_TYPE& pin = type->Edit();
  pin.bFixedSizeSamples = TRUE;
  pin.bTemporalCompression = FALSE;
  if (video) {
    VIDEOINFOHEADER* info = reinterpret_cast<VIDEOINFOHEADER*>(pin.pbFormat);
    info->bmiHeader.biSizeImage = UnitBytes();
    info->AvgTimePerFrame = std::llround(1e7 / fps);
    pin.lSampleSize = long(UnitBytes());
  } else {
    WAVEFORMATEX* wave = reinterpret_cast<WAVEFORMATEX*>(pin.pbFormat);
    wave->nBlockAlign = WORD(UnitBytes());
    wave->nAvgBytesPerSec = rate * UnitBytes();
    pin.lSampleSize = long(UnitBytes());
  }
  return S_OK;
}
