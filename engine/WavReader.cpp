#include "WavReader.h"

#include <mmreg.h>
#include <vfwmsgs.h>

#include <algorithm>
#include <cmath>

#include "MediaTypeBuilder.h"

namespace {
const DWORD kMaxFormatChunk = 64 * 1024;

REFERENCE_TIME Ratio(UINT64 count, DWORD perSecond) {
  return REFERENCE_TIME(double(count) * double(kUnitsPerSecond) / double(perSecond) + 0.5);
}

// Formats whose every frame has its own bytes, so no 'fact' is needed.
bool FixedFrames(const GUID& subtype) {
  return subtype == MediaTypeBuilder::FourccSubtype(WAVE_FORMAT_PCM) ||
         subtype == MediaTypeBuilder::FourccSubtype(WAVE_FORMAT_IEEE_FLOAT);
}
}  // namespace

HRESULT WavReader::Open(const wchar_t* path) {
  HRESULT hr = file_.Open(path);
  if (FAILED(hr)) return hr;
  file_.AcceptTruncated();
  RiffChunk form, formatChunk, data;
  hr = FindChunks(&form, &formatChunk, &data);
  if (FAILED(hr)) return hr;
  std::vector<BYTE> format;
  hr = file_.ReadContent(formatChunk, kMaxFormatChunk, &format);
  if (FAILED(hr)) return hr;
  MediaStream stream;
  hr = MediaTypeBuilder::Audio(format.data(), format.size(), &stream.type);
  if (FAILED(hr)) return hr;
  bytes_.Reset(&file_, data);
  audioError_ = audio_.Open(format.data(), format.size(), &bytes_);
  if (FAILED(audioError_) && audioError_ != VFW_E_UNSUPPORTED_AUDIO) return audioError_;
  rate_ = reinterpret_cast<const WAVEFORMATEX*>(stream.type.Get().pbFormat)->nSamplesPerSec;
  hr = Length(form, stream, &stream.length);
  if (FAILED(hr)) return hr;
  streams_.push_back(std::move(stream));
  return S_OK;
}

HRESULT WavReader::FindChunks(RiffChunk* form, RiffChunk* format, RiffChunk* data) {
  HRESULT hr = file_.OpenForm(RiffId('W', 'A', 'V', 'E'), form);
  if (FAILED(hr)) return hr;
  hr = file_.Find(*form, RiffId('f', 'm', 't', ' '), 0, format);
  if (hr == S_OK) hr = file_.Find(*form, RiffId('d', 'a', 't', 'a'), 0, data);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_INVALID_FILE_FORMAT;
  // A size of 0 is a writer that could not come back to fill it in.
  if (data->size == 0) {
    data->size = form->data + form->size - data->data;
    data->next = form->data + form->size;
  }
  return S_OK;
}

DWORD WavReader::FactSamples(const RiffChunk& form) {
  RiffChunk fact;
  DWORD samples = 0;
  if (file_.Find(form, RiffId('f', 'a', 'c', 't'), 0, &fact) != S_OK || fact.size < sizeof samples) return 0;
  return SUCCEEDED(file_.Read(fact.data, &samples, sizeof samples)) ? samples : 0;
}

HRESULT WavReader::Length(const RiffChunk& form, const MediaStream& stream, REFERENCE_TIME* length) {
  const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(stream.type.Get().pbFormat);
  DWORD fact = FixedFrames(stream.type.Get().subtype) ? 0 : FactSamples(form);
  if (SUCCEEDED(audioError_)) {
    frames_ = audio_.Frames();
    if (fact > 0 && fact <= frames_) frames_ = fact;  // the rest of the last block is padding
  } else if (fact > 0) {
    frames_ = fact;
  } else {
    if (wave.nAvgBytesPerSec == 0) return VFW_E_INVALID_FILE_FORMAT;
    *length = Ratio(bytes_.Size(), wave.nAvgBytesPerSec);
    return S_OK;
  }
  *length = Ratio(frames_, wave.nSamplesPerSec);
  return S_OK;
}

HRESULT WavReader::ReadFrame(int, REFERENCE_TIME, std::vector<BYTE>*) { return VFW_E_INVALIDMEDIATYPE; }

HRESULT WavReader::ReadAudio(int stream, REFERENCE_TIME time, const WAVEFORMATEX& format, DWORD frames,
                             std::vector<BYTE>* pcm) {
  if (stream != 0 || streams_.empty()) return E_INVALIDARG;
  if (FAILED(audioError_)) return audioError_;
  HRESULT hr = audio_.Read(time, format, frames, pcm);
  if (FAILED(hr)) return hr;
  SilencePastLength(time, format, pcm);
  return S_OK;
}

void WavReader::SilencePastLength(REFERENCE_TIME time, const WAVEFORMATEX& format, std::vector<BYTE>* pcm) const {
  if (frames_ >= audio_.Frames()) return;
  // The first output frame at or past the length, counted as AudioStreamReader counts them.
  double first = std::round(double(time) * format.nSamplesPerSec / kUnitsPerSecond);
  double end = std::ceil(double(frames_) * format.nSamplesPerSec / rate_) - first;
  size_t frameBytes = size_t(format.nChannels) * sizeof(INT16);
  double from = std::max(0.0, end) * double(frameBytes);
  if (from < double(pcm->size())) std::fill(pcm->begin() + size_t(from), pcm->end(), BYTE(0));
}
