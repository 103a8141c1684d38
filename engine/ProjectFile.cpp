#include "ProjectFile.h"

#include <dshow.h>

#include <algorithm>

namespace {

HRESULT LastError() {
  DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// Closes the handle on every path.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    bool closed = !IsValid() || CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

HRESULT WriteAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) return LastError();
    if (written == 0) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    done += written;
  }
  return FlushFileBuffers(file) ? S_OK : LastError();
}

HRESULT WriteTemporary(const std::wstring& temporary, const std::string& bytes) {
  FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  if (!file.IsValid()) return LastError();
  HRESULT hr = WriteAll(file.Get(), bytes);
  if (!file.Close() && SUCCEEDED(hr)) hr = LastError();
  return hr;
}

// A new, uniquely named file in the target's folder, so that the final move
// stays on one volume and no file of the user's is ever taken for it.
HRESULT TemporaryBeside(const wchar_t* path, std::wstring* temporary) {
  std::wstring folder(path);
  size_t slash = folder.find_last_of(L"\\/");
  folder = slash == std::wstring::npos ? std::wstring(L".") : folder.substr(0, slash + 1);
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  }
  wchar_t name[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), L"mvp", 0, name)) return LastError();
  *temporary = name;
  return S_OK;
}

// A target that cannot be replaced is refused before anything is written:
// not every platform's rename honours the read-only attribute.
HRESULT CheckReplaceable(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return S_OK;
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
    return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  }
  return S_OK;
}

}  // namespace

HRESULT ReadProjectFile(const wchar_t* path, std::string* bytes) {
  bytes->clear();
  if (!path || !path[0]) return E_INVALIDARG;
  FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.IsValid()) return LastError();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) return LastError();
  if (size.QuadPart > kLargestProjectFile) return VFW_E_INVALID_FILE_FORMAT;
  bytes->resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes->size()) {
    DWORD got = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1u << 20));
    if (!ReadFile(file.Get(), &(*bytes)[done], chunk, &got, nullptr)) return LastError();
    if (got == 0) break;  // the file shrank while being read
    done += got;
  }
  bytes->resize(done);
  return S_OK;
}

HRESULT ReplaceProjectFile(const wchar_t* path, const std::string& bytes) {
  if (!path || !path[0]) return E_INVALIDARG;
  HRESULT hr = CheckReplaceable(path);
  if (FAILED(hr)) return hr;
  std::wstring temporary;
  hr = TemporaryBeside(path, &temporary);
  if (FAILED(hr)) return hr;
  hr = WriteTemporary(temporary, bytes);
  if (SUCCEEDED(hr) && !MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    hr = LastError();
  }
  if (FAILED(hr)) DeleteFileW(temporary.c_str());
  return hr;
}
