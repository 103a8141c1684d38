#include "AviAudioBytes.h"

#include <vfwmsgs.h>

#include <algorithm>

AviAudioBytes::AviAudioBytes(RiffFile* file, const AviIndex* index, int stream)
    : file_(file), index_(index), stream_(stream) {
  starts_.reserve(index->Count() + 1);
  UINT64 start = 0;
  for (size_t n = 0; n < index->Count(); ++n) {
    starts_.push_back(start);
    start += index->At(n).size;
  }
  starts_.push_back(start);
}

HRESULT AviAudioBytes::Read(UINT64 offset, void* buffer, DWORD size) {
  if (offset > Size() || size > Size() - offset) return VFW_E_FILE_TOO_SHORT;
  BYTE* out = static_cast<BYTE*>(buffer);
  // The last chunk starting at or before offset; empty chunks share a start
  // with the next, so upper_bound passes them.
  size_t n = size_t(std::upper_bound(starts_.begin(), starts_.end() - 1, offset) - starts_.begin()) - 1;
  while (size > 0) {
    UINT64 within = offset - starts_[n];
    UINT64 left = index_->At(n).size - within;
    DWORD part = left < size ? DWORD(left) : size;
    HRESULT hr = index_->Read(file_, stream_, n, within, out, part);
    if (FAILED(hr)) return hr;
    out += part;
    offset += part;
    size -= part;
    ++n;
  }
  return S_OK;
}
