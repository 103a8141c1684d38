#include "SettingsFile.h"

#include <windows.h>

#include "Numbers.h"
#include "Text.h"

namespace {

HANDLE OpenFile(const wchar_t* p, DWORD access, DWORD how) {
  return CreateFileW(p, access, FILE_SHARE_READ, nullptr, how, FILE_ATTRIBUTE_NORMAL, nullptr);
}
HANDLE OpenFile(const char* p, DWORD access, DWORD how) {
  return CreateFileA(p, access, FILE_SHARE_READ, nullptr, how, FILE_ATTRIBUTE_NORMAL, nullptr);
}
DWORD GetProfile(const wchar_t* s, const wchar_t* k, const wchar_t* d, wchar_t* out, DWORD n, const wchar_t* f) {
  return GetPrivateProfileStringW(s, k, d, out, n, f);
}
DWORD GetProfile(const char* s, const char* k, const char* d, char* out, DWORD n, const char* f) {
  return GetPrivateProfileStringA(s, k, d, out, n, f);
}
BOOL PutProfile(const wchar_t* s, const wchar_t* k, const wchar_t* v, const wchar_t* f) {
  return WritePrivateProfileStringW(s, k, v, f);
}
BOOL PutProfile(const char* s, const char* k, const char* v, const char* f) {
  return WritePrivateProfileStringA(s, k, v, f);
}
DWORD GetSection(const wchar_t* s, wchar_t* out, DWORD n, const wchar_t* f) {
  return GetPrivateProfileSectionW(s, out, n, f);
}
DWORD GetSection(const char* s, char* out, DWORD n, const char* f) { return GetPrivateProfileSectionA(s, out, n, f); }

template <class C>
bool EnsureFile(const C* path) {
  HANDLE file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) file = OpenFile(path, GENERIC_WRITE, CREATE_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

template <class C>
BasicSettingsFile<C>::BasicSettingsFile(C* path) {
  if (path && path[0] && EnsureFile(path))
    path_ = path;
  else
    FreeText(path);
}

template <class C>
BasicSettingsFile<C>::~BasicSettingsFile() {
  FreeText(path_);
}

template <class C>
const C* BasicSettingsFile<C>::ReadString(const C* section, const C* key, const C* defaultValue, C* buffer) const {
  if (!path_) return defaultValue;
  C* target = buffer ? buffer : AllocText<C>(kStringChars);
  DWORD n = GetProfile(section, key, defaultValue, target, kStringChars - 1, path_);
  if (n == 0) {
    if (!buffer) {
      FreeText(target);
      return defaultValue;
    }
    // The buffer holds kStringChars: a longer default is cut, not overrun.
    return CopyTextCut(defaultValue, buffer, kStringChars);
  }
  target[n] = 0;
  if (buffer) return buffer;
  C* value = CopyText(target);
  FreeText(target);
  return value;
}

template <class C>
bool BasicSettingsFile<C>::WriteString(const C* section, const C* key, const C* value) const {
  return path_ && PutProfile(section, key, value, path_) > 0;
}

template <class C>
bool BasicSettingsFile<C>::ReadNumberText(const C* section, const C* key, C* text) const {
  return path_ && GetProfile(section, key, nullptr, text, kNumberChars, path_) > 0;
}

template <class C>
int32_t BasicSettingsFile<C>::ReadInt(const C* section, const C* key, int32_t defaultValue) const {
  C text[kNumberChars];
  return ReadNumberText(section, key, text) ? TextToInt(text) : defaultValue;
}

template <class C>
bool BasicSettingsFile<C>::WriteInt(const C* section, const C* key, int32_t value) const {
  C text[kNumberTextSize];
  return WriteString(section, key, IntToText(value, text, 10));
}

template <class C>
double BasicSettingsFile<C>::ReadDouble(const C* section, const C* key, double defaultValue) const {
  C text[kNumberChars];
  return ReadNumberText(section, key, text) ? TextToDouble(text) : defaultValue;
}

template <class C>
C* BasicSettingsFile<C>::ReadSection(const C* section, C* buffer) const {
  if (!path_) return nullptr;
  C* target = buffer ? buffer : AllocText<C>(kSectionChars);
  if (GetSection(section, target, kSectionChars, path_) == 0) {
    target[0] = 0;
    target[1] = 0;
  }
  return target;
}

template class BasicSettingsFile<wchar_t>;
template class BasicSettingsFile<char>;
