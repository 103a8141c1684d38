// Uncompressed samples: integer PCM of 8 (unsigned), 16, 24 or 32 bits and
// IEEE float of 32 or 64 bits. A block is one frame.
#pragma once

#include "AudioDecoder.h"
#include "AudioFormat.h"

class PcmDecoder final : public AudioDecoder {
 public:
  // S_FALSE for a format this decoder does not take; VFW_E_INVALID_FILE_FORMAT
  // for one of its tags whose block size is not what its samples take.
  HRESULT Open(const AudioFormat& format);
  DWORD BlockBytes() const override { return blockAlign_; }
  DWORD BlockFrames() const override { return 1; }
  HRESULT Decode(const BYTE* data, DWORD count, bool follows, float* out) override;

 private:
  bool float_ = false;
  WORD bytes_ = 0;  // per sample
  DWORD blockAlign_ = 0;
};
