// The content of one chunk of a RIFF file as AudioBytes.
#pragma once

#include "AudioBytes.h"
#include "RiffFile.h"

class RiffChunkBytes final : public AudioBytes {
 public:
  // file: not owned, outlives these bytes.
  void Reset(RiffFile* file, const RiffChunk& chunk) {
    file_ = file;
    chunk_ = chunk;
  }
  UINT64 Size() const override { return chunk_.size; }
  HRESULT Read(UINT64 offset, void* buffer, DWORD size) override;

 private:
  RiffFile* file_ = nullptr;
  RiffChunk chunk_;
};
