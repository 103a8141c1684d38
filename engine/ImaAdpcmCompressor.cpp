#include "ImaAdpcmCompressor.h"

#include <mmreg.h>
#include <vfwmsgs.h>

#include <cstring>

#include "EngineFilters.h"
#include "ImaAdpcm.h"
#include "MediaTypeBuilder.h"

namespace {
const DWORD kLowestRate = 8000, kHighestRate = 48000;
const size_t kPcmFormatBytes = 16;  // PCMWAVEFORMAT, WAVEFORMATEX without cbSize

const WAVEFORMATEX* WaveFormat(const AM_MEDIA_TYPE& type) {
  if (type.formattype != FORMAT_WaveFormatEx || !type.pbFormat || type.cbFormat < kPcmFormatBytes) return nullptr;
  return reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
}

AUDIO_STREAM_CONFIG_CAPS CapsOf(const WAVEFORMATEX& format) {
  AUDIO_STREAM_CONFIG_CAPS caps = {};
  caps.guid = MEDIATYPE_Audio;
  caps.MinimumChannels = caps.MaximumChannels = format.nChannels;
  caps.MinimumBitsPerSample = caps.MaximumBitsPerSample = format.wBitsPerSample;
  caps.MinimumSampleFrequency = caps.MaximumSampleFrequency = format.nSamplesPerSec;
  caps.ChannelsGranularity = caps.BitsPerSampleGranularity = caps.SampleFrequencyGranularity = 1;
  return caps;
}
}  // namespace

ImaAdpcmCompressor::ImaAdpcmCompressor(IUnknown* outer) : CompressorFilter(outer, CLSID_EngineImaAdpcmCompressor) {}

HRESULT ImaAdpcmCompressor::AcceptInput(const AM_MEDIA_TYPE& type) {
  const WAVEFORMATEX* format = WaveFormat(type);
  if (type.majortype != MEDIATYPE_Audio || type.subtype != MEDIASUBTYPE_PCM || !format) return S_FALSE;
  bool usable = format->wFormatTag == WAVE_FORMAT_PCM && format->wBitsPerSample == 16 &&
                (format->nChannels == 1 || format->nChannels == 2) && format->nBlockAlign == 2 * format->nChannels &&
                format->nSamplesPerSec >= kLowestRate && format->nSamplesPerSec <= kHighestRate;
  return usable ? S_OK : S_FALSE;
}

HRESULT ImaAdpcmCompressor::FormatAt(int index, MediaType* type, BYTE* caps) {
  const WAVEFORMATEX* input = WaveFormat(Input().Type());
  if (index > 0 || !input) return VFW_S_NO_MORE_ITEMS;
  struct {
    WAVEFORMATEX wave;
    WORD samplesPerBlock;
  } format = {};
  static_assert(sizeof format == sizeof(WAVEFORMATEX) + sizeof(WORD), "the extra follows cbSize");
  WAVEFORMATEX& wave = format.wave;
  wave.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
  wave.nChannels = input->nChannels;
  wave.nSamplesPerSec = input->nSamplesPerSec;
  wave.nBlockAlign = ImaAdpcm::BlockBytes(wave.nChannels, wave.nSamplesPerSec);
  wave.wBitsPerSample = 4;
  wave.cbSize = sizeof(WORD);
  format.samplesPerBlock = WORD(ImaAdpcm::SamplesPerBlock(wave.nBlockAlign, wave.nChannels));
  wave.nAvgBytesPerSec = DWORD(ULONGLONG(wave.nSamplesPerSec) * wave.nBlockAlign / format.samplesPerBlock);
  HRESULT hr = MediaTypeBuilder::Audio(reinterpret_cast<const BYTE*>(&format), sizeof format, type);
  if (SUCCEEDED(hr) && caps) {
    AUDIO_STREAM_CONFIG_CAPS described = CapsOf(wave);
    memcpy(caps, &described, sizeof described);
  }
  return FAILED(hr) ? hr : S_OK;
}

HRESULT ImaAdpcmCompressor::OnInitStream() {
  InterlockedExchange(&restarted_, 1);
  return CompressorFilter::OnInitStream();
}

void ImaAdpcmCompressor::Reset() {
  const WAVEFORMATEX* format = WaveFormat(Input().Type());
  channels_ = format ? format->nChannels : 0;
  rate_ = format ? format->nSamplesPerSec : 0;
  blockBytes_ = ImaAdpcm::BlockBytes(channels_, rate_);
  blockFrames_ = ImaAdpcm::SamplesPerBlock(blockBytes_, channels_);
  block_.assign(size_t(blockFrames_) * channels_, 0);
  pending_ = 0;
  memset(stepIndices_, 0, sizeof stepIndices_);
  base_ = blockStart_ = 0;
  sinceBase_ = 0;
  discontinuity_ = true;
}

void ImaAdpcmCompressor::ResetIfRestarted() {
  if (InterlockedExchange(&restarted_, 0)) Reset();
}

REFERENCE_TIME ImaAdpcmCompressor::Duration(LONGLONG frames) const { return frames * 10000000 / rate_; }

// The connected input type stays as it is while samples arrive.
HRESULT ImaAdpcmCompressor::Process(IMediaSample* in) {
  ResetIfRestarted();
  if (!channels_) return E_UNEXPECTED;
  AM_MEDIA_TYPE* changed = nullptr;
  if (in->GetMediaType(&changed) == S_OK && changed) {
    bool same = MediaType::Same(*changed, Input().Type());
    MediaType::Delete(changed);
    if (!same) return VFW_E_INVALIDMEDIATYPE;
  }
  HRESULT hr = S_OK;
  if (in->IsDiscontinuity() == S_OK) {
    if (pending_) hr = DeliverBlock();  // the frames before the gap go as they are
    discontinuity_ = true;
  }
  REFERENCE_TIME start = 0, stop = 0;
  if (SUCCEEDED(in->GetTime(&start, &stop))) {
    base_ = start;
    sinceBase_ = 0;
  }
  BYTE* data = nullptr;
  if (hr == S_OK) hr = in->GetPointer(&data);
  if (hr == S_OK) hr = Append(reinterpret_cast<const INT16*>(data), DWORD(in->GetActualDataLength()) / (2 * channels_));
  return hr;
}

HRESULT ImaAdpcmCompressor::Append(const INT16* frames, DWORD count) {
  for (DWORD used = 0; used < count;) {
    if (pending_ == 0) blockStart_ = base_ + Duration(sinceBase_);
    DWORD take = blockFrames_ - pending_ < count - used ? blockFrames_ - pending_ : count - used;
    memcpy(block_.data() + size_t(pending_) * channels_, frames + size_t(used) * channels_,
           size_t(take) * channels_ * sizeof(INT16));
    pending_ += take;
    used += take;
    sinceBase_ += take;
    if (pending_ == blockFrames_) {
      HRESULT hr = DeliverBlock();
      if (hr != S_OK) return hr;
    }
  }
  return S_OK;
}

HRESULT ImaAdpcmCompressor::DeliverBlock() {
  ComPtr<IMediaSample> out;
  HRESULT hr = Output().GetDeliveryBuffer(out.Receive());
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  out->GetPointer(&data);
  if (out->GetSize() < LONG(blockBytes_)) return E_UNEXPECTED;  // the allocator holds blocks
  ImaAdpcm::EncodeBlock(block_.data(), pending_, channels_, stepIndices_, data, blockBytes_);
  REFERENCE_TIME stop = blockStart_ + Duration(pending_);
  out->SetActualDataLength(LONG(blockBytes_));
  out->SetTime(&blockStart_, &stop);
  out->SetSyncPoint(TRUE);
  out->SetDiscontinuity(discontinuity_);
  discontinuity_ = false;
  pending_ = 0;
  return Output().Deliver(out.Get());
}

HRESULT ImaAdpcmCompressor::Drain() {
  ResetIfRestarted();
  return pending_ ? DeliverBlock() : S_OK;
}

void ImaAdpcmCompressor::Discard() {
  InterlockedExchange(&restarted_, 0);
  Reset();
}
