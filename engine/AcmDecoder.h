// Any other format through the platform's audio codecs (ACM), converted to
// 16-bit PCM of the source's channels and rate. A block is the format's
// block, and holds the frames the codec says it makes of one.
#pragma once

#include <windows.h>
#include <mmsystem.h>  // left out by WIN32_LEAN_AND_MEAN, needed by msacm.h
#include <mmreg.h>
#include <msacm.h>

#include <vector>

#include "AudioDecoder.h"
#include "AudioFormat.h"

class AcmDecoder final : public AudioDecoder {
 public:
  AcmDecoder() = default;
  ~AcmDecoder() override;
  AcmDecoder(const AcmDecoder&) = delete;
  AcmDecoder& operator=(const AcmDecoder&) = delete;

  // VFW_E_UNSUPPORTED_AUDIO when no installed codec decodes the format.
  HRESULT Open(const AudioFormat& format);
  DWORD BlockBytes() const override { return blockAlign_; }
  DWORD BlockFrames() const override { return frames_; }
  // Frames the codec does not deliver are silence.
  HRESULT Decode(const BYTE* data, DWORD count, bool follows, float* out) override;

 private:
  HACMSTREAM stream_ = nullptr;
  WORD channels_ = 0;
  DWORD blockAlign_ = 0;
  DWORD frames_ = 0;
  std::vector<INT16> pcm_;
};
