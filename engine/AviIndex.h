// One stream's entries of an AVI 'idx1' index, in file order: one per video
// frame. Offsets point at a chunk header and count from the 'movi' list's
// type, as common writers put them; an entry is checked against the list and
// the chunk it names when it is used, so a damaged one fails only its frame.
#pragma once

#include <windows.h>

#include <vector>

#include "RiffFile.h"

class AviIndex {
 public:
  // The entries of chunks "NNdb" and "NNdc", NN being streamNumber.
  HRESULT Load(RiffFile* file, const RiffChunk& index, int streamNumber);
  size_t Count() const { return entries_.size(); }
  // The chunk of entry n; an empty entry (a dropped frame) stands for the
  // last one before it that has data.
  HRESULT Locate(RiffFile* file, const RiffChunk& movie, size_t n, RiffChunk* chunk) const;

 private:
  struct Entry {
    DWORD id;
    DWORD offset;
    DWORD size;
  };

  std::vector<Entry> entries_;
};
