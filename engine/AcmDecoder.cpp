#include "AcmDecoder.h"

#include <vfwmsgs.h>

#include <algorithm>

namespace {
// A block that decodes to more is no codec this reader can window over.
const DWORD kMaxBlockSamples = 1 << 20;
}  // namespace

AcmDecoder::~AcmDecoder() {
  if (stream_) acmStreamClose(stream_, 0);
}

HRESULT AcmDecoder::Open(const AudioFormat& format) {
  if (format.tag == 0) return VFW_E_UNSUPPORTED_AUDIO;
  WAVEFORMATEX pcm = {WAVE_FORMAT_PCM, format.channels, format.rate, 0, WORD(format.channels * 2), 16, 0};
  pcm.nAvgBytesPerSec = format.rate * pcm.nBlockAlign;
  std::vector<BYTE> source = format.wave;  // the codec takes a writable pointer
  if (acmStreamOpen(&stream_, nullptr, reinterpret_cast<WAVEFORMATEX*>(source.data()), &pcm, nullptr, 0, 0,
                    ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR) {
    stream_ = nullptr;
    return VFW_E_UNSUPPORTED_AUDIO;
  }
  DWORD bytes = 0;
  if (acmStreamSize(stream_, format.blockAlign, &bytes, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR)
    return VFW_E_UNSUPPORTED_AUDIO;
  channels_ = format.channels;
  blockAlign_ = format.blockAlign;
  frames_ = bytes / pcm.nBlockAlign;
  if (frames_ == 0 || frames_ > kMaxBlockSamples / channels_) return VFW_E_UNSUPPORTED_AUDIO;
  return S_OK;
}

HRESULT AcmDecoder::Decode(const BYTE* data, DWORD count, bool follows, float* out) {
  size_t samples = size_t(count) * frames_ * channels_;
  pcm_.resize(samples);
  ACMSTREAMHEADER header = {};
  header.cbStruct = sizeof header;
  header.pbSrc = const_cast<BYTE*>(data);
  header.cbSrcLength = count * blockAlign_;
  header.pbDst = reinterpret_cast<BYTE*>(pcm_.data());
  header.cbDstLength = DWORD(samples * sizeof(INT16));
  if (acmStreamPrepareHeader(stream_, &header, 0) != MMSYSERR_NOERROR) return E_FAIL;
  // Blocks from elsewhere in the stream start the codec afresh.
  DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (follows ? 0 : ACM_STREAMCONVERTF_START);
  MMRESULT converted = acmStreamConvert(stream_, &header, flags);
  acmStreamUnprepareHeader(stream_, &header, 0);
  if (converted != MMSYSERR_NOERROR) return E_FAIL;
  size_t produced = std::min<size_t>(header.cbDstLengthUsed / sizeof(INT16), samples);
  const float scale = 1.0f / 32768;
  for (size_t i = 0; i < produced; ++i) out[i] = pcm_[i] * scale;
  std::fill(out + produced, out + samples, 0.0f);
  return S_OK;
}
