// IMA ADPCM blocks (ImaAdpcm) of any channel count. Samples per block come
// from the format's extra WORD when the block holds that many, else from the
// block size.
#pragma once

#include <vector>

#include "AudioDecoder.h"
#include "AudioFormat.h"

class ImaAdpcmDecoder final : public AudioDecoder {
 public:
  // S_FALSE for another tag or a sample size other than 4 bits;
  // VFW_E_INVALID_FILE_FORMAT for a block too small for its headers.
  HRESULT Open(const AudioFormat& format);
  DWORD BlockBytes() const override { return blockAlign_; }
  DWORD BlockFrames() const override { return frames_; }
  HRESULT Decode(const BYTE* data, DWORD count, bool follows, float* out) override;

 private:
  WORD channels_ = 0;
  DWORD blockAlign_ = 0;
  DWORD frames_ = 0;
  std::vector<INT16> block_;  // one decoded block
};
