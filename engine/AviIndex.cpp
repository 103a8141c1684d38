#include "AviIndex.h"

#include <vfwmsgs.h>

namespace {
// 16 bytes an entry: id, flags, offset, size. Four million entries is over
// a day of video at 30 frames a second; more is hostile.
const UINT64 kMaxIndexSize = UINT64(16) * 4 * 1024 * 1024;
const DWORD kEntriesPerRead = 4096;

bool IsVideoChunk(DWORD id, int streamNumber) {
  if (streamNumber < 0 || streamNumber > 99) return false;
  WORD number = WORD(BYTE('0' + streamNumber / 10) | BYTE('0' + streamNumber % 10) << 8);
  WORD kind = WORD(id >> 16);
  return WORD(id) == number && (kind == ('d' | 'b' << 8) || kind == ('d' | 'c' << 8));
}
}  // namespace

HRESULT AviIndex::Load(RiffFile* file, const RiffChunk& index, int streamNumber) {
  entries_.clear();
  if (index.size > kMaxIndexSize) return VFW_E_INVALID_FILE_FORMAT;
  std::vector<DWORD> block(kEntriesPerRead * 4);
  UINT64 count = index.size / 16;
  for (UINT64 first = 0; first < count; first += kEntriesPerRead) {
    DWORD entries = DWORD(count - first < kEntriesPerRead ? count - first : kEntriesPerRead);
    HRESULT hr = file->Read(index.data + first * 16, block.data(), entries * 16);
    if (FAILED(hr)) return hr;
    for (DWORD i = 0; i < entries; ++i) {
      const DWORD* entry = &block[i * 4];
      if (IsVideoChunk(entry[0], streamNumber)) entries_.push_back(Entry{entry[0], entry[2], entry[3]});
    }
  }
  return S_OK;
}

HRESULT AviIndex::Locate(RiffFile* file, const RiffChunk& movie, size_t n, RiffChunk* chunk) const {
  if (n >= entries_.size()) return E_INVALIDARG;
  while (n > 0 && entries_[n].size == 0) --n;
  const Entry& entry = entries_[n];
  // The offset counts from the list type, four bytes before the list's data.
  UINT64 header = movie.data - 4 + entry.offset;
  if (entry.size == 0 || header < movie.data) return VFW_E_INVALID_FILE_FORMAT;
  HRESULT hr = file->Next(movie, header, chunk);
  if (hr == S_OK && chunk->id == entry.id && chunk->size == entry.size) return S_OK;
  // Open saw the whole file: past the list or at another chunk, the entry is damaged.
  return FAILED(hr) && hr != VFW_E_FILE_TOO_SHORT ? hr : VFW_E_INVALID_FILE_FORMAT;
}
