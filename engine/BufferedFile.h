// A file written front to back through a buffer of its own (small pieces
// gathered into large writes, large pieces written from where they are, no
// allocation per write), with positioned writes that patch what was
// written earlier (in the buffer while it is still there). The first failure
// sticks: later writes do nothing and answer it, so a caller checks once and
// can still cut the file back to what reached the disk.
#pragma once

#include <windows.h>

#include <memory>

class BufferedFile {
 public:
  BufferedFile() = default;
  ~BufferedFile();
  BufferedFile(const BufferedFile&) = delete;
  BufferedFile& operator=(const BufferedFile&) = delete;

  // Creates path, or empties it when it exists; bufferSize > 0.
  HRESULT Create(const wchar_t* path, size_t bufferSize);
  HRESULT Append(const void* data, size_t size);
  // Over bytes already appended: offset + size <= Size().
  HRESULT WriteAt(UINT64 offset, const void* data, size_t size);
  HRESULT Flush();
  // Cuts the file to size (<= Size(), or SizeOnDisk() after a failure) and
  // clears a failure: what is past the last whole piece goes and its room
  // is reused.
  HRESULT Truncate(UINT64 size);
  // Flushes and closes; the file's first failure, if any.
  HRESULT Close();

  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  // Everything appended, buffered or not.
  UINT64 Size() const { return written_ + used_; }
  // What reached the file, which after a failure may be less than Size().
  UINT64 SizeOnDisk();
  HRESULT Error() const { return error_; }
  // Writes past limit bytes fail as on a full disk (ERROR_DISK_FULL), as
  // they would on a volume that size; 0 for no limit.
  void LimitSize(UINT64 limit) { limit_ = limit; }

 private:
  HRESULT WriteThrough(const void* data, size_t size);
  HRESULT Fail(HRESULT hr);

  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::unique_ptr<BYTE[]> buffer_;
  size_t capacity_ = 0;
  size_t used_ = 0;
  UINT64 written_ = 0;  // bytes handed to the file: the buffer's offset
  UINT64 limit_ = 0;
  HRESULT error_ = S_OK;
};
