#include "ImaAdpcmDecoder.h"

#include <mmreg.h>
#include <vfwmsgs.h>

#include "ImaAdpcm.h"

HRESULT ImaAdpcmDecoder::Open(const AudioFormat& format) {
  if (format.tag != WAVE_FORMAT_IMA_ADPCM || format.bits != 4) return S_FALSE;  // 3-bit IMA is another codec's
  DWORD frames = ImaAdpcm::SamplesPerBlock(format.blockAlign, format.channels);
  if (frames == 0) return VFW_E_INVALID_FILE_FORMAT;
  // Fewer declared samples leave the rest of each block as padding.
  if (format.samplesPerBlock && format.samplesPerBlock < frames) frames = format.samplesPerBlock;
  channels_ = format.channels;
  blockAlign_ = format.blockAlign;
  frames_ = frames;
  block_.resize(size_t(frames) * channels_);
  return S_OK;
}

HRESULT ImaAdpcmDecoder::Decode(const BYTE* data, DWORD count, bool, float* out) {
  const float scale = 1.0f / 32768;
  for (DWORD b = 0; b < count; ++b, data += blockAlign_) {
    ImaAdpcm::DecodeBlock(data, blockAlign_, channels_, frames_, block_.data());
    for (INT16 sample : block_) *out++ = sample * scale;
  }
  return S_OK;
}
