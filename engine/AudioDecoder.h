// Turns whole blocks of one encoding into interleaved float samples at full
// scale 1.0, keeping the source's channels. Decoding may start at any block.
#pragma once

#include <windows.h>

class AudioDecoder {
 public:
  virtual ~AudioDecoder() = default;
  // Bytes of one block and the sample frames it holds (1 and 1 frame for PCM).
  virtual DWORD BlockBytes() const = 0;
  virtual DWORD BlockFrames() const = 0;
  // count blocks at data into count * BlockFrames() frames at out. follows:
  // the blocks come right after those of the last call, so a codec that
  // carries state from block to block may keep it.
  virtual HRESULT Decode(const BYTE* data, DWORD count, bool follows, float* out) = 0;
};
