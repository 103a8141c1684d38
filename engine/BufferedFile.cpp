#include "BufferedFile.h"

#include <cstring>
#include <new>

namespace {
HRESULT LastError() {
  DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

bool MoveTo(HANDLE file, UINT64 offset) {
  LARGE_INTEGER position;
  position.QuadPart = LONGLONG(offset);
  return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != FALSE;
}
}  // namespace

BufferedFile::~BufferedFile() { Close(); }

HRESULT BufferedFile::Create(const wchar_t* path, size_t bufferSize) {
  if (IsOpen() || bufferSize == 0) return E_UNEXPECTED;
  buffer_.reset(new (std::nothrow) BYTE[bufferSize]);
  if (!buffer_) return E_OUTOFMEMORY;
  file_ = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    buffer_.reset();
    return LastError();
  }
  capacity_ = bufferSize;
  used_ = 0;
  written_ = 0;
  error_ = S_OK;
  return S_OK;
}

HRESULT BufferedFile::Fail(HRESULT hr) {
  if (SUCCEEDED(error_)) error_ = hr;
  return error_;
}

HRESULT BufferedFile::WriteThrough(const void* data, size_t size) {
  const BYTE* bytes = static_cast<const BYTE*>(data);
  size_t allowed = size;
  if (limit_ && written_ + size > limit_) allowed = written_ < limit_ ? size_t(limit_ - written_) : 0;
  while (allowed > 0) {
    DWORD piece = allowed < (1u << 30) ? DWORD(allowed) : (1u << 30);
    DWORD got = 0;
    BOOL ok = WriteFile(file_, bytes, piece, &got, nullptr);
    written_ += got;
    if (!ok || got != piece) return Fail(ok ? HRESULT_FROM_WIN32(ERROR_DISK_FULL) : LastError());
    bytes += piece;
    allowed -= piece;
    size -= piece;
  }
  return size ? Fail(HRESULT_FROM_WIN32(ERROR_DISK_FULL)) : S_OK;
}

HRESULT BufferedFile::Flush() {
  if (FAILED(error_)) return error_;
  if (!IsOpen()) return E_UNEXPECTED;
  size_t used = used_;
  used_ = 0;
  return used ? WriteThrough(buffer_.get(), used) : S_OK;
}

HRESULT BufferedFile::Append(const void* data, size_t size) {
  if (FAILED(error_)) return error_;
  if (!IsOpen()) return E_UNEXPECTED;
  // A large piece goes to the file from where it is: copying it first would
  // cost as much as writing it.
  if (size >= capacity_ / 8) {
    HRESULT hr = Flush();
    return SUCCEEDED(hr) ? WriteThrough(data, size) : hr;
  }
  const BYTE* bytes = static_cast<const BYTE*>(data);
  while (size > 0) {
    size_t piece = capacity_ - used_ < size ? capacity_ - used_ : size;
    memcpy(buffer_.get() + used_, bytes, piece);
    used_ += piece;
    bytes += piece;
    size -= piece;
    if (used_ == capacity_) {
      HRESULT hr = Flush();
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

HRESULT BufferedFile::WriteAt(UINT64 offset, const void* data, size_t size) {
  if (FAILED(error_)) return error_;
  if (!IsOpen() || offset > Size() || size > Size() - offset) return E_INVALIDARG;
  const BYTE* bytes = static_cast<const BYTE*>(data);
  if (offset + size > written_) {
    UINT64 start = offset > written_ ? offset : written_;
    memcpy(buffer_.get() + (start - written_), bytes + (start - offset), size_t(offset + size - start));
  }
  if (offset >= written_) return S_OK;
  DWORD onDisk = DWORD(written_ - offset < size ? written_ - offset : size);
  DWORD got = 0;
  if (!MoveTo(file_, offset) || !WriteFile(file_, bytes, onDisk, &got, nullptr) || got != onDisk)
    Fail(LastError());
  if (!MoveTo(file_, written_)) Fail(LastError());
  return error_;
}

HRESULT BufferedFile::Truncate(UINT64 size) {
  // After a failure the file may hold more than was counted as written.
  if (!IsOpen() || (size > Size() && SUCCEEDED(error_))) return E_INVALIDARG;
  if (size >= written_ && SUCCEEDED(error_)) {
    used_ = size_t(size - written_);
    return S_OK;
  }
  used_ = 0;
  if (!MoveTo(file_, size) || !SetEndOfFile(file_)) return Fail(LastError());
  written_ = size;
  error_ = S_OK;
  return S_OK;
}

UINT64 BufferedFile::SizeOnDisk() {
  LARGE_INTEGER size;
  if (IsOpen() && GetFileSizeEx(file_, &size)) return UINT64(size.QuadPart);
  return written_;
}

HRESULT BufferedFile::Close() {
  if (!IsOpen()) return error_;
  Flush();
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  buffer_.reset();
  return error_;
}
