// An AVI file's 'idx1' index, which lists the chunks of the first RIFF form
// only. Its offsets point at chunk headers and count either from the 'movi'
// list's type (the common form) or from the start of the file; which one a
// file uses is found from its first data entry.
#pragma once

#include <vector>

#include "AviIndex.h"
#include "RiffFile.h"

class AviLegacyIndex {
 public:
  // Fills (*indexes)[n] with the entries of stream n, for the streams there
  // are slots for. S_FALSE when the index lists no data chunk or its offsets
  // fit neither form: the caller must find the chunks another way.
  static HRESULT Load(RiffFile* file, const RiffChunk& index, const RiffChunk& movie, std::vector<AviIndex>* indexes);

 private:
  // The offset the entries count from; S_FALSE when none fits.
  static HRESULT FindBase(RiffFile* file, const RiffChunk& index, const RiffChunk& movie, UINT64* base);
  static bool NamesChunk(RiffFile* file, UINT64 header, const DWORD* entry);
};
