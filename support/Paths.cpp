#include "Paths.h"

#include <shlwapi.h>

#include <cstring>

#include "Text.h"

namespace {

// Thin overloads over the W and A forms of the platform calls, so the
// helpers below are written once.
HANDLE OpenForRead(const wchar_t* p) {
  return CreateFileW(p, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
HANDLE OpenForRead(const char* p) {
  return CreateFileA(p, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
DWORD ModuleFileName(HMODULE m, wchar_t* b, DWORD n) { return GetModuleFileNameW(m, b, n); }
DWORD ModuleFileName(HMODULE m, char* b, DWORD n) { return GetModuleFileNameA(m, b, n); }
DWORD Expand(const wchar_t* s, wchar_t* d, DWORD n) { return ExpandEnvironmentStringsW(s, d, n); }
DWORD Expand(const char* s, char* d, DWORD n) { return ExpandEnvironmentStringsA(s, d, n); }
DWORD FullPath(const wchar_t* s, DWORD n, wchar_t* d) { return GetFullPathNameW(s, n, d, nullptr); }
DWORD FullPath(const char* s, DWORD n, char* d) { return GetFullPathNameA(s, n, d, nullptr); }
BOOL Combine(wchar_t* d, const wchar_t* a, const wchar_t* b) { return PathCombineW(d, a, b) != nullptr; }
BOOL Combine(char* d, const char* a, const char* b) { return PathCombineA(d, a, b) != nullptr; }

template <class C>
bool Exists(const C* path) {
  if (!path) return false;
  HANDLE file = OpenForRead(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

template <class C>
C* ModuleDir(HMODULE module, C* buffer) {
  C* target = buffer ? buffer : new C[MAX_PATH]();
  DWORD n = ModuleFileName(module, target, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    if (buffer)
      buffer[0] = 0;
    else
      delete[] target;
    return nullptr;
  }
  while (n > 0 && target[n - 1] != '\\' && target[n - 1] != '/') --n;
  target[n] = 0;
  return target;
}

template <class C>
bool Absolute(const C* path) {
  return path && path[0] && path[1] && (path[1] == ':' || (path[0] == '\\' && path[1] == '\\'));
}

template <class C>
C* Resolve(const C* path, int flags, C* buffer) {
  C* result = buffer ? buffer : new C[MAX_PATH]();
  CopyTextCut(path, result, MAX_PATH);
  C work[MAX_PATH];
  if (flags & kResolveExpand) {
    DWORD n = Expand(result, work, MAX_PATH);
    if (n > 0 && n <= MAX_PATH) CopyTextCut(work, result, MAX_PATH);
  }
  if (Absolute(result)) return result;
  bool done;
  if (flags & kResolveProgramDir) {
    C dir[MAX_PATH];
    done = ModuleDir<C>(nullptr, dir) && TextLength(dir) + TextLength(result) < MAX_PATH &&
           Combine(work, dir, result);
  } else {
    DWORD n = FullPath(result, MAX_PATH, work);
    done = n > 0 && n < MAX_PATH;
  }
  if (done) CopyTextCut(work, result, MAX_PATH);
  return result;
}

// The first n characters of text in buffer, or in a new heap string.
char* CopyPrefix(const char* text, size_t n, char* buffer) {
  char* result = buffer ? buffer : AllocText<char>(n + 1);
  memmove(result, text, n);
  result[n] = 0;
  return result;
}

}  // namespace

bool FileExists(const wchar_t* path) { return Exists(path); }
bool FileExists(const char* path) { return Exists(path); }
wchar_t* ModuleDirectory(HMODULE module, wchar_t* buffer) { return ModuleDir(module, buffer); }
char* ModuleDirectory(HMODULE module, char* buffer) { return ModuleDir(module, buffer); }
bool IsAbsolutePath(const wchar_t* path) { return Absolute(path); }
bool IsAbsolutePath(const char* path) { return Absolute(path); }
wchar_t* ResolvePath(const wchar_t* path, int flags, wchar_t* buffer) { return Resolve(path, flags, buffer); }
char* ResolvePath(const char* path, int flags, char* buffer) { return Resolve(path, flags, buffer); }

uint32_t FileDosTime(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!path || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0xFFFFFFFF;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0xFFFFFFFF;
  FILETIME local;
  WORD date, time;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
    return 0xFFFFFFFF;
  return (uint32_t(date) << 16) | time;
}

char* DirectoryOf(const char* path, char* buffer) {
  size_t n = TextLength(path);
  while (n > 1 && path[n - 1] != '\\') --n;
  if (n <= 1) {
    if (buffer) buffer[0] = 0;
    return buffer;
  }
  return CopyPrefix(path, n, buffer);
}

char* FirstToken(const char* commandLine, char* buffer) {
  const char* start = commandLine ? commandLine : "";
  while (*start == ' ') ++start;
  char end = ' ';
  if (*start == '"') {
    ++start;
    end = '"';
  }
  size_t n = 0;
  while (start[n] && start[n] != end) ++n;
  if (n < 2) {
    if (buffer) buffer[0] = 0;
    return buffer;
  }
  return CopyPrefix(start, n, buffer);
}
