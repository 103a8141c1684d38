// Finds an AVI file's chunks without an index: walks the 'movi' list of every
// RIFF form ('AVI ' and the 'AVIX' forms after it), descending into 'rec '
// lists and passing over index chunks, palette changes and junk. A file cut
// off mid-chunk keeps every chunk that is whole. The walk is bounded by a
// count of chunks, so a hostile file of tiny chunks ends it early.
#pragma once

#include <vector>

#include "AviIndex.h"
#include "RiffFile.h"

class AviMovieScan {
 public:
  // Appends to (*indexes)[n] the chunks of stream n, for the streams there
  // are slots for. Only a stream's first chunk is marked a key frame: a walk
  // cannot tell the others.
  static void Rebuild(RiffFile* file, std::vector<AviIndex>* indexes);

 private:
  struct Walk {
    RiffFile* file;
    std::vector<AviIndex>* indexes;
    size_t budget;  // chunk headers left to read
  };

  static void WalkForm(Walk* walk, const RiffChunk& form);
  static void WalkList(Walk* walk, const RiffChunk& list, bool nested);
};
