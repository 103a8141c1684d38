#include "OutputFile.h"

HRESULT OutputFile::Create(const std::wstring& destination) {
  Discard();
  DWORD attributes = GetFileAttributesW(destination.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return HRESULT_FROM_WIN32(ERROR_DIRECTORY);
  for (unsigned serial = 0; serial < 100; ++serial) {
    std::wstring path = destination + L".mvrender-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(serial) + L".tmp";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      destination_ = destination;
      path_ = path;
      return S_OK;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
      return HRESULT_FROM_WIN32(GetLastError());
  }
  return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
}

HRESULT OutputFile::Commit() {
  if (path_.empty()) return E_UNEXPECTED;
  if (!MoveFileExW(path_.c_str(), destination_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return HRESULT_FROM_WIN32(GetLastError());
  path_.clear();
  return S_OK;
}

void OutputFile::Discard() {
  if (!path_.empty()) DeleteFileW(path_.c_str());
  path_.clear();
}
