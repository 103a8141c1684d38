// A stream's OpenDML index, from the 'indx' chunk of its 'strl': either a
// super index (AVI_INDEX_OF_INDEXES) whose entries point at standard index
// chunks ('ix##') anywhere in the file, or one standard index itself
// (AVI_INDEX_OF_CHUNKS). Standard index entries give a chunk's data as
// qwBaseOffset + dwOffset and its size, bit 31 set for a frame that is not a
// key frame; they cover every RIFF form, 'AVIX' ones included.
#pragma once

#include <vector>

#include "AviIndex.h"
#include "RiffFile.h"

class AviOpenDmlIndex {
 public:
  // Appends stream's entries to index. S_FALSE when 'indx' lists nothing
  // (a placeholder a writer never filled); VFW_E_INVALID_FILE_FORMAT when it
  // or a chunk it points at is damaged.
  static HRESULT Load(RiffFile* file, const RiffChunk& indx, int stream, AviIndex* index);

 private:
  // The 24 bytes every index chunk starts with.
  struct Header {
    WORD longsPerEntry;
    BYTE subType;
    BYTE type;
    DWORD entriesInUse;
    DWORD chunkId;
    DWORD tail[3];  // qwBaseOffset and a reserved field in a standard index
  };

  static HRESULT ReadHeader(RiffFile* file, const RiffChunk& chunk, Header* header);
  static HRESULT LoadSuper(RiffFile* file, const RiffChunk& indx, const Header& header, int stream, AviIndex* index);
  static HRESULT LoadChunks(RiffFile* file, const RiffChunk& chunk, const Header& header, int stream, AviIndex* index);
};
