// One AVI stream's chunks in stream order, wherever they were listed ('idx1',
// the OpenDML indexes, or a walk of the 'movi' lists): where each chunk's
// data lies, its size, and whether it is a key frame. Nothing is trusted at
// load: an entry is checked against the chunk header before its data when it
// is read, so a damaged entry fails only itself.
#pragma once

#include <windows.h>

#include <vector>

#include "RiffFile.h"

class AviIndex {
 public:
  struct Entry {
    UINT64 offset;  // of the chunk's data, after its 8-byte header
    DWORD size;
    bool key;
  };
  // A palette change ("NNpc"), which holds from entry frame on.
  struct PaletteChange {
    size_t frame;
    UINT64 offset;
    DWORD size;
  };
  // More entries than this (over 38 hours at 60 fps) is a hostile file.
  static constexpr size_t kMaxEntries = 8 * 1024 * 1024;
  // Palette changes past this are dropped: real files have a few.
  static constexpr size_t kMaxPaletteChanges = 4096;

  // The stream number NN of a data chunk "NNdb", "NNdc" or "NNwb"; -1 for any
  // other chunk (palette changes, index chunks, lists, junk).
  static int StreamOf(DWORD chunkId);
  // The stream number NN of a palette change "NNpc"; -1 for any other chunk.
  static int PaletteStreamOf(DWORD chunkId);

  // False when the index is full.
  bool Add(UINT64 offset, DWORD size, bool key);
  // A palette change before the next entry.
  void AddPaletteChange(UINT64 offset, DWORD size);
  const std::vector<PaletteChange>& PaletteChanges() const { return paletteChanges_; }
  size_t Count() const { return entries_.size(); }
  const Entry& At(size_t n) const { return entries_[n]; }
  UINT64 Bytes() const { return bytes_; }
  // The entry frame n shows: n itself, or the last one before it that holds
  // data (an empty entry is a dropped frame). False when none does.
  bool Shown(size_t n, size_t* shown) const;
  // The last key frame at or before n; 0 when none is marked.
  size_t KeyAtOrBefore(size_t n) const;
  // Checks that the chunk header before entry n's data names stream and the
  // entry's size, then reads size bytes from offset into the data.
  HRESULT Read(RiffFile* file, int stream, size_t n, UINT64 offset, void* buffer, DWORD size) const;

 private:
  std::vector<Entry> entries_;
  std::vector<PaletteChange> paletteChanges_;
  UINT64 bytes_ = 0;
};
