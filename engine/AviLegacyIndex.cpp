#include "AviLegacyIndex.h"

#include <vfwmsgs.h>

namespace {
// 16 bytes an entry: id, flags, offset, size.
const DWORD kEntrySize = 16;
const DWORD kEntriesPerRead = 4096;
const DWORD kKeyFrame = 0x10;  // AVIIF_KEYFRAME
}  // namespace

bool AviLegacyIndex::NamesChunk(RiffFile* file, UINT64 header, const DWORD* entry) {
  DWORD found[2];
  return SUCCEEDED(file->Read(header, found, sizeof found)) && found[0] == entry[0] && found[1] == entry[3];
}

HRESULT AviLegacyIndex::FindBase(RiffFile* file, const RiffChunk& index, const RiffChunk& movie, UINT64* base) {
  DWORD entry[4];
  UINT64 count = index.size / kEntrySize;
  // Leading lists ('rec ') and junk say nothing; a data chunk comes early in any real file.
  for (UINT64 i = 0; i < count && i < 64; ++i) {
    HRESULT hr = file->Read(index.data + i * kEntrySize, entry, sizeof entry);
    if (FAILED(hr)) return hr;
    if (AviIndex::StreamOf(entry[0]) < 0) continue;
    const UINT64 bases[] = {movie.data - 4, 0};
    for (UINT64 candidate : bases) {
      if (NamesChunk(file, candidate + entry[2], entry)) {
        *base = candidate;
        return S_OK;
      }
    }
    return S_FALSE;
  }
  return S_FALSE;
}

HRESULT AviLegacyIndex::Load(RiffFile* file, const RiffChunk& index, const RiffChunk& movie,
                             std::vector<AviIndex>* indexes) {
  UINT64 base = 0;
  HRESULT hr = FindBase(file, index, movie, &base);
  if (hr != S_OK) return hr;
  std::vector<DWORD> block(kEntriesPerRead * 4);
  UINT64 count = index.size / kEntrySize;
  for (UINT64 first = 0; first < count; first += kEntriesPerRead) {
    DWORD entries = DWORD(count - first < kEntriesPerRead ? count - first : kEntriesPerRead);
    hr = file->Read(index.data + first * kEntrySize, block.data(), entries * kEntrySize);
    if (FAILED(hr)) return hr;
    for (DWORD i = 0; i < entries; ++i) {
      const DWORD* entry = &block[i * 4];
      int stream = AviIndex::StreamOf(entry[0]);
      int palette = AviIndex::PaletteStreamOf(entry[0]);
      if (palette >= 0 && size_t(palette) < indexes->size())
        (*indexes)[palette].AddPaletteChange(base + entry[2] + 8, entry[3]);
      if (stream < 0 || size_t(stream) >= indexes->size()) continue;
      if (!(*indexes)[stream].Add(base + entry[2] + 8, entry[3], (entry[1] & kKeyFrame) != 0))
        return VFW_E_INVALID_FILE_FORMAT;
    }
  }
  return S_OK;
}
