#include "RiffFile.h"

#include <vfwmsgs.h>

namespace {
const DWORD kRiff = RiffId('R', 'I', 'F', 'F');
const DWORD kList = RiffId('L', 'I', 'S', 'T');
// Stops a hostile file of tiny chunks from making a walk take minutes.
const int kMaxChunksWalked = 100000;
}  // namespace

RiffFile::~RiffFile() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

HRESULT RiffFile::Open(const wchar_t* path) {
  file_ = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file_, &size)) return HRESULT_FROM_WIN32(GetLastError());
  size_ = UINT64(size.QuadPart);
  return S_OK;
}

HRESULT RiffFile::Read(UINT64 offset, void* buffer, DWORD size) {
  if (offset > size_ || size > size_ - offset) return VFW_E_FILE_TOO_SHORT;
  LARGE_INTEGER position;
  position.QuadPart = LONGLONG(offset);
  DWORD got = 0;
  if (!SetFilePointerEx(file_, position, nullptr, FILE_BEGIN) || !ReadFile(file_, buffer, size, &got, nullptr))
    return HRESULT_FROM_WIN32(GetLastError());
  return got == size ? S_OK : VFW_E_FILE_TOO_SHORT;
}

HRESULT RiffFile::OpenForm(DWORD formType, RiffChunk* form) {
  DWORD header[3];
  if (size_ < sizeof header) return VFW_E_INVALID_FILE_FORMAT;
  HRESULT hr = Read(0, header, sizeof header);
  if (FAILED(hr)) return hr;
  if (truncated_ && (header[1] == 0 || 8 + UINT64(header[1]) > size_))
    header[1] = DWORD(size_ - 8 < 0xFFFFFFFEu ? size_ - 8 : 0xFFFFFFFEu);
  if (header[0] != kRiff || header[2] != formType || header[1] < 4) return VFW_E_INVALID_FILE_FORMAT;
  form->id = kRiff;
  form->listType = formType;
  form->data = 12;
  form->size = header[1] - 4;
  form->next = 8 + UINT64(header[1]) + (header[1] & 1);
  return form->data + form->size <= size_ ? S_OK : VFW_E_FILE_TOO_SHORT;
}

HRESULT RiffFile::Next(const RiffChunk& parent, UINT64 offset, RiffChunk* chunk) {
  UINT64 end = parent.data + parent.size;
  if (offset >= end) return S_FALSE;
  DWORD header[2];
  if (end - offset < sizeof header) return truncated_ ? S_FALSE : VFW_E_FILE_TOO_SHORT;
  HRESULT hr = Read(offset, header, sizeof header);
  if (FAILED(hr)) return hr;
  chunk->id = header[0];
  chunk->listType = 0;
  chunk->data = offset + 8;
  chunk->size = header[1];
  chunk->next = chunk->data + chunk->size + (chunk->size & 1);
  if (chunk->size > end - chunk->data) {
    if (!truncated_) return VFW_E_FILE_TOO_SHORT;
    chunk->size = end - chunk->data;
    chunk->next = end;
  }
  if (chunk->id == kList || chunk->id == kRiff) {
    if (chunk->size < 4) return VFW_E_INVALID_FILE_FORMAT;
    hr = Read(chunk->data, &chunk->listType, 4);
    if (FAILED(hr)) return hr;
    chunk->data += 4;
    chunk->size -= 4;
  }
  return S_OK;
}

HRESULT RiffFile::Find(const RiffChunk& parent, DWORD id, DWORD listType, RiffChunk* found) {
  UINT64 offset = parent.data;
  for (int walked = 0; walked < kMaxChunksWalked; ++walked) {
    HRESULT hr = Next(parent, offset, found);
    if (hr != S_OK) return hr;
    if (found->id == id && (!listType || found->listType == listType)) return S_OK;
    offset = found->next;
  }
  return VFW_E_INVALID_FILE_FORMAT;
}

HRESULT RiffFile::ReadContent(const RiffChunk& chunk, DWORD maxSize, std::vector<BYTE>* bytes) {
  if (chunk.size > maxSize) return VFW_E_INVALID_FILE_FORMAT;
  bytes->resize(size_t(chunk.size));
  if (bytes->empty()) return S_OK;
  return Read(chunk.data, bytes->data(), DWORD(chunk.size));
}
