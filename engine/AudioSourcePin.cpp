#include "AudioSourcePin.h"

#include <dshow.h>
#include <vfwmsgs.h>

#include <cstring>

namespace {
const WORD kMaxChannels = 8;

LONGLONG Gcd(LONGLONG a, LONGLONG b) { return b == 0 ? a : Gcd(b, a % b); }

// Frame n's time, exact before rounding (n * 10^7 overflows 64 bits).
REFERENCE_TIME FrameTime(LONGLONG frame, DWORD rate) {
  return REFERENCE_TIME(((__int128)frame * kUnitsPerSecond + rate / 2) / rate);
}

// The frame shown at time: the last one starting at or before it.
LONGLONG FrameAt(REFERENCE_TIME time, DWORD rate) { return LONGLONG((__int128)time * rate / kUnitsPerSecond); }

// The first frame starting at or after time.
LONGLONG FrameFrom(REFERENCE_TIME time, DWORD rate) {
  LONGLONG frame = FrameAt(time, rate);
  return FrameTime(frame, rate) < time ? frame + 1 : frame;
}
}  // namespace

AudioSourcePin::AudioSourcePin(FilterBase* filter, const std::wstring& name, const std::wstring& path, int stream,
                               const MediaStream& info)
    : MediaSourcePin(filter, name, path, stream, info.length) {
  const WAVEFORMATEX* wave = reinterpret_cast<const WAVEFORMATEX*>(info.type.Get().pbFormat);
  format_.wFormatTag = WAVE_FORMAT_PCM;
  format_.nChannels = wave->nChannels < kMaxChannels ? wave->nChannels : kMaxChannels;
  format_.nSamplesPerSec = wave->nSamplesPerSec;
  format_.wBitsPerSample = 16;
  format_.nBlockAlign = WORD(format_.nChannels * 2);
  format_.nAvgBytesPerSec = format_.nSamplesPerSec * format_.nBlockAlign;
  DWORD rate = format_.nSamplesPerSec;
  frames_ = FrameAt(info.length + kUnitsPerSecond / rate / 2, rate);
  unit_ = DWORD(rate / Gcd(rate, kUnitsPerSecond));
  DWORD units = (rate / 10 + unit_ / 2) / unit_;
  block_ = unit_ * (units ? units : 1);
}

HRESULT AudioSourcePin::Accepts(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Audio || type.subtype != MEDIASUBTYPE_PCM ||
      type.formattype != FORMAT_WaveFormatEx || type.cbFormat < sizeof(WAVEFORMAT) + sizeof(WORD) || !type.pbFormat)
    return S_FALSE;
  const WAVEFORMATEX* wave = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
  bool same = wave->wFormatTag == WAVE_FORMAT_PCM && wave->nChannels == format_.nChannels &&
              wave->nSamplesPerSec == format_.nSamplesPerSec && wave->wBitsPerSample == 16 &&
              wave->nBlockAlign == format_.nBlockAlign;
  return same ? S_OK : S_FALSE;
}

HRESULT AudioSourcePin::TypeAt(int index, MediaType* type) {
  if (index > 0) return VFW_S_NO_MORE_ITEMS;
  HRESULT hr = type->Set(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, &format_, sizeof format_);
  if (FAILED(hr)) return hr;
  type->Edit().bFixedSizeSamples = TRUE;
  type->Edit().lSampleSize = format_.nBlockAlign;
  return S_OK;
}

HRESULT AudioSourcePin::BufferSize(ALLOCATOR_PROPERTIES* request) {
  long bytes = long(block_) * format_.nBlockAlign;
  if (request->cBuffers < 4) request->cBuffers = 4;
  if (request->cbBuffer < bytes) request->cbBuffer = bytes;
  return S_OK;
}

void AudioSourcePin::OnSeek(REFERENCE_TIME start) {
  next_ = FrameAt(start, format_.nSamplesPerSec) / unit_ * unit_;
}

HRESULT AudioSourcePin::FillSample(IMediaSample* sample) {
  DWORD rate = format_.nSamplesPerSec;
  LONGLONG end = FrameFrom(StopPosition(), rate);
  if (end > frames_) end = frames_;
  if (next_ >= end) return S_FALSE;
  LONGLONG blockEnd = (next_ / block_ + 1) * block_;
  DWORD count = DWORD((blockEnd < end ? blockEnd : end) - next_);
  HRESULT hr = Reader()->ReadAudio(Stream(), FrameTime(next_, rate), format_, count, &pcm_);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  size_t bytes = size_t(count) * format_.nBlockAlign;
  if (pcm_.size() != bytes || size_t(sample->GetSize()) < bytes || FAILED(sample->GetPointer(&data)))
    return E_UNEXPECTED;
  memcpy(data, pcm_.data(), bytes);
  sample->SetActualDataLength(long(bytes));
  sample->SetSyncPoint(TRUE);
  REFERENCE_TIME start = FrameTime(next_, rate);
  next_ += count;
  return SetTimes(sample, start, FrameTime(next_, rate));
}
