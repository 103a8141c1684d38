// An AVI audio stream's chunks, in index order, as one contiguous run of
// bytes: a read is split over the chunks it spans, found by binary search of
// their running offsets.
#pragma once

#include <vector>

#include "AudioBytes.h"
#include "AviIndex.h"
#include "RiffFile.h"

class AviAudioBytes final : public AudioBytes {
 public:
  // stream: the NN of the chunks; file and index must outlive this.
  AviAudioBytes(RiffFile* file, const AviIndex* index, int stream);

  UINT64 Size() const override { return starts_.back(); }
  // VFW_E_FILE_TOO_SHORT past Size(); VFW_E_INVALID_FILE_FORMAT where an index
  // entry does not name its chunk.
  HRESULT Read(UINT64 offset, void* buffer, DWORD size) override;

 private:
  RiffFile* file_;         // not owned
  const AviIndex* index_;  // not owned
  int stream_;
  std::vector<UINT64> starts_;  // where each chunk starts in the run; then the run's size
};
