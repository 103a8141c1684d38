#include "WavReader.h"

#include <mmreg.h>
#include <vfwmsgs.h>

#include "MediaTypeBuilder.h"

namespace {
bool FixedFrames(WORD tag) {
  return tag == WAVE_FORMAT_PCM || tag == WAVE_FORMAT_IEEE_FLOAT || tag == WAVE_FORMAT_EXTENSIBLE;
}

REFERENCE_TIME Ratio(UINT64 count, DWORD perSecond) {
  return REFERENCE_TIME(double(count) * double(kUnitsPerSecond) / double(perSecond) + 0.5);
}
}  // namespace

HRESULT WavReader::Open(const wchar_t* path) {
  HRESULT hr = file_.Open(path);
  if (FAILED(hr)) return hr;
  RiffChunk form, formatChunk, data;
  hr = file_.OpenForm(RiffId('W', 'A', 'V', 'E'), &form);
  if (FAILED(hr)) return hr;
  hr = file_.Find(form, RiffId('f', 'm', 't', ' '), 0, &formatChunk);
  if (hr == S_OK) hr = file_.Find(form, RiffId('d', 'a', 't', 'a'), 0, &data);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_INVALID_FILE_FORMAT;
  std::vector<BYTE> format;
  hr = file_.ReadContent(formatChunk, 64 * 1024, &format);
  if (FAILED(hr)) return hr;
  MediaStream stream;
  hr = MediaTypeBuilder::Audio(format.data(), format.size(), &stream.type);
  if (FAILED(hr)) return hr;
  const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(stream.type.Get().pbFormat);
  hr = Length(form, data, wave, &stream.length);
  if (FAILED(hr)) return hr;
  streams_.push_back(std::move(stream));
  return S_OK;
}

HRESULT WavReader::Length(const RiffChunk& form, const RiffChunk& data, const WAVEFORMATEX& wave,
                          REFERENCE_TIME* length) {
  if (FixedFrames(wave.wFormatTag)) {
    *length = Ratio(data.size / wave.nBlockAlign, wave.nSamplesPerSec);
    return S_OK;
  }
  RiffChunk fact;
  DWORD samples = 0;
  HRESULT hr = file_.Find(form, RiffId('f', 'a', 'c', 't'), 0, &fact);
  if (FAILED(hr)) return hr;
  if (hr == S_OK && fact.size >= sizeof samples) {
    hr = file_.Read(fact.data, &samples, sizeof samples);
    if (FAILED(hr)) return hr;
    *length = Ratio(samples, wave.nSamplesPerSec);
    return S_OK;
  }
  if (wave.nAvgBytesPerSec == 0) return VFW_E_INVALID_FILE_FORMAT;
  *length = Ratio(data.size, wave.nAvgBytesPerSec);
  return S_OK;
}

HRESULT WavReader::ReadFrame(int, REFERENCE_TIME, std::vector<BYTE>*) { return VFW_E_INVALIDMEDIATYPE; }

HRESULT WavReader::ReadAudio(int, REFERENCE_TIME, const WAVEFORMATEX&, DWORD, std::vector<BYTE>*) {
  return E_NOTIMPL;
}
