#include "LogFile.h"

#include <cstdio>
#include <string>

#include "SystemMessage.h"
#include "Text.h"

LogFile::LogFile(const wchar_t* path) { Open(path); }

LogFile::LogFile(const wchar_t* fileName, const wchar_t* variable) {
  wchar_t folder[MAX_PATH];
  DWORD n = variable ? GetEnvironmentVariableW(variable, folder, MAX_PATH) : 0;
  if (n == 0 || n >= MAX_PATH) {
    // No such variable (or too long to be a folder): there is no file to open.
    createError_ = n ? ERROR_FILENAME_EXCED_RANGE : ERROR_ENVVAR_NOT_FOUND;
    return;
  }
  std::wstring path(folder);
  path += L'\\';
  if (fileName) path += fileName;
  Open(path.c_str());
}

LogFile::~LogFile() { Close(); }

void LogFile::Close() {
  if (file_ == INVALID_HANDLE_VALUE) return;
  FlushFileBuffers(file_);
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

bool LogFile::Open(const wchar_t* path) {
  Close();
  file_ = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    createError_ = GetLastError();
    return false;
  }
  static const unsigned char kByteOrderMark[2] = {0xFF, 0xFE};
  DWORD written = 0;
  return WriteFile(file_, kByteOrderMark, 2, &written, nullptr) && written == 2;
}

void LogFile::Write(const wchar_t* message) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t stamp[32];
  swprintf(stamp, 32, L"%04u.%02u.%02u %02u:%02u:%02u  ", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
           now.wSecond);
  // Long messages are written whole rather than cut.
  std::wstring line(stamp);
  if (message) line += message;
  line += L"\r\n";
  if (file_ != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file_, line.data(), DWORD(line.size() * sizeof(wchar_t)), &written, nullptr);
  } else {
    SystemMessage error(createError_);
    const wchar_t* text = error.Text();
    if (text) OutputDebugStringW(text);
  }
  OutputDebugStringW(line.c_str());
}
