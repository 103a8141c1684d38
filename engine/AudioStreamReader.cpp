#include "AudioStreamReader.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "AcmDecoder.h"
#include "AudioFormat.h"
#include "ImaAdpcmDecoder.h"
#include "MediaReader.h"
#include "PcmDecoder.h"

namespace {
const DWORD kMaxRate = 1000000;
const DWORD kMinOutRate = 1000;
const WORD kMaxOutChannels = 8;
// Keeps k * rate within 64 bits for every time a read can reach.
const UINT64 kMaxFrames = 1ull << 40;
// Bounds on the source frames decoded at a time: frames, samples and bytes.
const size_t kWindowFrames = 1 << 12;
const size_t kWindowSamples = 1 << 14;
const size_t kWindowBytes = 1 << 16;

// The engine's decoder for the format, else the platform's.
HRESULT NewDecoder(const AudioFormat& format, std::unique_ptr<AudioDecoder>* decoder) {
  auto pcm = std::make_unique<PcmDecoder>();
  HRESULT hr = pcm->Open(format);
  if (hr != S_FALSE) {
    if (hr == S_OK) *decoder = std::move(pcm);
    return hr;
  }
  auto ima = std::make_unique<ImaAdpcmDecoder>();
  hr = ima->Open(format);
  if (hr != S_FALSE) {
    if (hr == S_OK) *decoder = std::move(ima);
    return hr;
  }
  auto acm = std::make_unique<AcmDecoder>();
  hr = acm->Open(format);
  if (hr == S_OK) *decoder = std::move(acm);
  return hr;
}

bool Usable(const WAVEFORMATEX& out) {
  return out.wFormatTag == WAVE_FORMAT_PCM && out.wBitsPerSample == 16 && out.nChannels >= 1 &&
         out.nChannels <= kMaxOutChannels && out.nSamplesPerSec >= kMinOutRate && out.nSamplesPerSec <= kMaxRate;
}

INT64 FloorDiv(INT64 value, INT64 by) {
  INT64 quotient = value / by;
  return value % by < 0 ? quotient - 1 : quotient;
}

INT16 ToInt16(float sample) {
  float scaled = sample * 32768.0f;
  if (scaled >= 32767.0f) return 32767;
  if (scaled <= -32768.0f) return -32768;
  return INT16(scaled < 0 ? scaled - 0.5f : scaled + 0.5f);
}
}  // namespace

HRESULT AudioStreamReader::Open(const BYTE* format, size_t formatSize, AudioBytes* bytes) {
  decoder_.reset();
  frames_ = 0;
  decodedCount_ = 0;
  nextBlock_ = ~0ull;
  if (!format || !bytes) return E_POINTER;
  AudioFormat parsed;
  HRESULT hr = AudioFormat::Parse(format, formatSize, &parsed);
  if (FAILED(hr)) return hr;
  if (parsed.rate > kMaxRate) return VFW_E_INVALID_FILE_FORMAT;
  std::unique_ptr<AudioDecoder> decoder;
  hr = NewDecoder(parsed, &decoder);
  if (FAILED(hr)) return hr;
  decoder_ = std::move(decoder);
  bytes_ = bytes;
  channels_ = parsed.channels;
  rate_ = parsed.rate;
  mask_ = parsed.channelMask;
  UINT64 blocks = bytes->Size() / decoder_->BlockBytes();
  frames_ = std::min(blocks * decoder_->BlockFrames(), kMaxFrames);
  return S_OK;
}

HRESULT AudioStreamReader::Read(REFERENCE_TIME time, const WAVEFORMATEX& out, DWORD frames,
                                std::vector<BYTE>* pcm) {
  if (!pcm || !Usable(out) || UINT64(frames) * out.nChannels > kMaxSamples) return E_INVALIDARG;
  if (!decoder_) return E_UNEXPECTED;
  pcm->assign(size_t(frames) * out.nChannels * sizeof(INT16), 0);
  // The output frame nearest time; a read wholly outside the stream is silence.
  double first = std::round(double(time) * out.nSamplesPerSec / kUnitsPerSecond);
  double end = double(frames_) * out.nSamplesPerSec / rate_;
  if (frames == 0 || first + frames < 0 || first > end) return S_OK;
  mixer_.Configure(channels_, mask_, out.nChannels);
  INT16* samples = reinterpret_cast<INT16*>(pcm->data());
  DWORD chunk = ChunkFrames(out.nSamplesPerSec);
  for (DWORD done = 0; done < frames;) {
    DWORD count = std::min(chunk, frames - done);
    HRESULT hr = Convert(INT64(first) + done, count, out.nSamplesPerSec, out.nChannels,
                         samples + size_t(done) * out.nChannels);
    if (FAILED(hr)) return hr;
    done += count;
  }
  return S_OK;
}

DWORD AudioStreamReader::ChunkFrames(DWORD rate) const {
  size_t blocks = std::max<size_t>(1, kWindowBytes / decoder_->BlockBytes());
  size_t window = std::min({kWindowFrames, kWindowSamples / channels_, blocks * decoder_->BlockFrames()});
  window = std::max<size_t>(window, 2);
  double step = double(rate_) / rate;
  double count = std::floor((window - 2) / step) + 1;
  return count < 1 ? 1 : count > kWindowFrames ? DWORD(kWindowFrames) : DWORD(count);
}

HRESULT AudioStreamReader::Convert(INT64 k, DWORD count, DWORD rate, WORD channels, INT16* out) {
  // Output frame k stands at source frame index + remainder / rate.
  INT64 index = FloorDiv(k * rate_, rate);
  INT64 remainder = k * rate_ - index * rate;
  INT64 last = FloorDiv((k + count - 1) * rate_, rate);
  INT64 low = std::max<INT64>(index, 0);
  INT64 high = std::min<INT64>(last + 1, INT64(frames_) - 1);
  if (low > high) return S_OK;
  HRESULT hr = Fill(UINT64(low), size_t(high - low + 1), channels);
  if (FAILED(hr)) return hr;
  const INT64 wholeStep = rate_ / rate, partStep = rate_ % rate;
  const float toFraction = 1.0f / rate;
  for (DWORD i = 0; i < count; ++i, out += channels) {
    if (index >= 0 && index < INT64(frames_)) {
      const float* a = &mixed_[size_t(index - low) * channels];
      const float* b = index + 1 < INT64(frames_) ? a + channels : a;  // the last frame holds
      float fraction = remainder * toFraction;
      for (WORD c = 0; c < channels; ++c) out[c] = ToInt16(a[c] + (b[c] - a[c]) * fraction);
    }
    index += wholeStep;
    remainder += partStep;
    if (remainder >= rate) {
      remainder -= rate;
      ++index;
    }
  }
  return S_OK;
}

HRESULT AudioStreamReader::Fill(UINT64 first, size_t count, WORD channels) {
  const DWORD blockFrames = decoder_->BlockFrames();
  UINT64 firstBlock = first / blockFrames;
  HRESULT hr = DecodeBlocks(firstBlock, DWORD((first + count - 1) / blockFrames - firstBlock + 1));
  if (FAILED(hr)) return hr;
  mixed_.resize(count * channels);
  mixer_.Mix(&decoded_[size_t(first - firstBlock * blockFrames) * channels_], count, mixed_.data());
  return S_OK;
}

HRESULT AudioStreamReader::DecodeBlocks(UINT64 first, DWORD count) {
  const size_t blockSamples = size_t(decoder_->BlockFrames()) * channels_;
  DWORD kept = 0;
  if (first >= decodedFirst_ && first < decodedFirst_ + decodedCount_) {
    kept = DWORD(std::min<UINT64>(count, decodedFirst_ + decodedCount_ - first));
    size_t from = size_t(first - decodedFirst_) * blockSamples;
    if (from) memmove(decoded_.data(), &decoded_[from], kept * blockSamples * sizeof(float));
  }
  decodedCount_ = 0;  // until the rest is in
  decoded_.resize(count * blockSamples);
  if (kept < count) {
    HRESULT hr = ReadAndDecode(first + kept, count - kept, &decoded_[kept * blockSamples]);
    if (FAILED(hr)) return hr;
  }
  decodedFirst_ = first;
  decodedCount_ = count;
  return S_OK;
}

HRESULT AudioStreamReader::ReadAndDecode(UINT64 first, DWORD count, float* out) {
  const DWORD blockBytes = decoder_->BlockBytes();
  encoded_.resize(size_t(count) * blockBytes);
  HRESULT hr = bytes_->Read(first * blockBytes, encoded_.data(), DWORD(encoded_.size()));
  bool follows = first == nextBlock_;
  nextBlock_ = ~0ull;  // unknown until this decode succeeds
  if (SUCCEEDED(hr)) hr = decoder_->Decode(encoded_.data(), count, follows, out);
  if (SUCCEEDED(hr)) nextBlock_ = first + count;
  return hr;
}
