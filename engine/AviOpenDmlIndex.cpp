#include "AviOpenDmlIndex.h"

#include <mmsystem.h>
#include <aviriff.h>
#include <vfwmsgs.h>

namespace {
const DWORD kHeaderSize = 24;
const DWORD kLongsPerRead = 16384;
// A super index in a header list is 16 KB in common writers.
const UINT64 kMaxSuperEntries = 65536;
const DWORD kNotKeyFrame = 0x80000000;  // AVISTDINDEX_DELTAFRAME
}  // namespace

HRESULT AviOpenDmlIndex::ReadHeader(RiffFile* file, const RiffChunk& chunk, Header* header) {
  if (chunk.size < kHeaderSize) return VFW_E_INVALID_FILE_FORMAT;
  HRESULT hr = file->Read(chunk.data, header, kHeaderSize);
  if (FAILED(hr)) return hr;
  UINT64 room = header->longsPerEntry ? (chunk.size - kHeaderSize) / (4 * header->longsPerEntry) : 0;
  return header->entriesInUse <= room ? S_OK : VFW_E_INVALID_FILE_FORMAT;
}

HRESULT AviOpenDmlIndex::Load(RiffFile* file, const RiffChunk& indx, int stream, AviIndex* index) {
  Header header;
  HRESULT hr = ReadHeader(file, indx, &header);
  if (FAILED(hr)) return hr;
  if (header.entriesInUse == 0) return S_FALSE;
  if (header.type == AVI_INDEX_OF_INDEXES) return LoadSuper(file, indx, header, stream, index);
  if (header.type == AVI_INDEX_OF_CHUNKS) return LoadChunks(file, indx, header, stream, index);
  return VFW_E_INVALID_FILE_FORMAT;
}

HRESULT AviOpenDmlIndex::LoadSuper(RiffFile* file, const RiffChunk& indx, const Header& header, int stream,
                                   AviIndex* index) {
  if (header.longsPerEntry != 4 || header.entriesInUse > kMaxSuperEntries) return VFW_E_INVALID_FILE_FORMAT;
  std::vector<AVISUPERINDEX::_avisuperindex_entry> entries(header.entriesInUse);
  HRESULT hr = file->Read(indx.data + kHeaderSize, entries.data(), DWORD(entries.size() * sizeof entries[0]));
  if (FAILED(hr)) return hr;
  RiffChunk whole;
  whole.size = file->Size();
  for (const auto& entry : entries) {
    RiffChunk chunk;
    hr = file->Next(whole, entry.qwOffset, &chunk);
    if (hr != S_OK) return VFW_E_INVALID_FILE_FORMAT;
    Header standard;
    hr = ReadHeader(file, chunk, &standard);
    if (FAILED(hr)) return hr;
    if (standard.type != AVI_INDEX_OF_CHUNKS) return VFW_E_INVALID_FILE_FORMAT;
    hr = LoadChunks(file, chunk, standard, stream, index);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT AviOpenDmlIndex::LoadChunks(RiffFile* file, const RiffChunk& chunk, const Header& header, int stream,
                                    AviIndex* index) {
  // Two longs an entry (three in a field index: the second field's offset follows).
  if (header.longsPerEntry < 2 || header.longsPerEntry > 3 || AviIndex::StreamOf(header.chunkId) != stream)
    return VFW_E_INVALID_FILE_FORMAT;
  UINT64 base = UINT64(header.tail[0]) | UINT64(header.tail[1]) << 32;
  DWORD perRead = kLongsPerRead / header.longsPerEntry;
  std::vector<DWORD> block(size_t(perRead) * header.longsPerEntry);
  for (DWORD first = 0; first < header.entriesInUse; first += perRead) {
    DWORD entries = header.entriesInUse - first < perRead ? header.entriesInUse - first : perRead;
    UINT64 at = chunk.data + kHeaderSize + UINT64(first) * header.longsPerEntry * 4;
    HRESULT hr = file->Read(at, block.data(), entries * header.longsPerEntry * 4);
    if (FAILED(hr)) return hr;
    for (DWORD i = 0; i < entries; ++i) {
      const DWORD* entry = &block[size_t(i) * header.longsPerEntry];
      if (!index->Add(base + entry[0], entry[1] & ~kNotKeyFrame, !(entry[1] & kNotKeyFrame)))
        return VFW_E_INVALID_FILE_FORMAT;
    }
  }
  return S_OK;
}
