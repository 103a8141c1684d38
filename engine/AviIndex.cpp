#include "AviIndex.h"

#include <vfwmsgs.h>

namespace {
// NN of a chunk id "NNxx", -1 when those are not two digits.
int Number(DWORD chunkId) {
  char tens = char(chunkId), units = char(chunkId >> 8);
  if (tens < '0' || tens > '9' || units < '0' || units > '9') return -1;
  return (tens - '0') * 10 + (units - '0');
}

WORD Kind(char a, char b) { return WORD(BYTE(a) | BYTE(b) << 8); }
}  // namespace

int AviIndex::StreamOf(DWORD chunkId) {
  WORD kind = WORD(chunkId >> 16);
  if (kind != Kind('d', 'b') && kind != Kind('d', 'c') && kind != Kind('w', 'b')) return -1;
  return Number(chunkId);
}

int AviIndex::PaletteStreamOf(DWORD chunkId) {
  return WORD(chunkId >> 16) == Kind('p', 'c') ? Number(chunkId) : -1;
}

void AviIndex::AddPaletteChange(UINT64 offset, DWORD size) {
  if (paletteChanges_.size() < kMaxPaletteChanges) paletteChanges_.push_back(PaletteChange{entries_.size(), offset, size});
}

bool AviIndex::Add(UINT64 offset, DWORD size, bool key) {
  if (entries_.size() >= kMaxEntries) return false;
  entries_.push_back(Entry{offset, size, key});
  bytes_ += size;
  return true;
}

bool AviIndex::Shown(size_t n, size_t* shown) const {
  if (n >= entries_.size()) return false;
  for (size_t i = n + 1; i-- > 0;) {
    if (entries_[i].size) {
      *shown = i;
      return true;
    }
  }
  return false;
}

size_t AviIndex::KeyAtOrBefore(size_t n) const {
  if (n >= entries_.size()) return 0;
  for (size_t i = n + 1; i-- > 0;) {
    if (entries_[i].key) return i;
  }
  return 0;
}

HRESULT AviIndex::Read(RiffFile* file, int stream, size_t n, UINT64 offset, void* buffer, DWORD size) const {
  if (n >= entries_.size()) return E_INVALIDARG;
  const Entry& entry = entries_[n];
  if (offset > entry.size || size > entry.size - offset) return E_INVALIDARG;
  if (entry.offset < 8) return VFW_E_INVALID_FILE_FORMAT;
  DWORD header[2];
  HRESULT hr = file->Read(entry.offset - 8, header, sizeof header);
  if (hr == VFW_E_FILE_TOO_SHORT) return VFW_E_INVALID_FILE_FORMAT;
  if (FAILED(hr)) return hr;
  if (StreamOf(header[0]) != stream || header[1] != entry.size) return VFW_E_INVALID_FILE_FORMAT;
  hr = file->Read(entry.offset + offset, buffer, size);
  // The entry named a chunk the file does not hold whole.
  return hr == VFW_E_FILE_TOO_SHORT ? VFW_E_INVALID_FILE_FORMAT : hr;
}
