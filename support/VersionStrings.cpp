#include "VersionStrings.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Text.h"

bool ReadVersionStrings(const wchar_t* path, const wchar_t* const* names, wchar_t** results) {
  DWORD ignored = 0;
  DWORD size = path ? GetFileVersionInfoSizeW(path, &ignored) : 0;
  if (size == 0) return false;
  std::vector<unsigned char> record(size);
  if (!GetFileVersionInfoW(path, 0, size, record.data())) return false;
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* table = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&table), &length) ||
      !table || length < sizeof(Translation))
    return false;
  wchar_t block[40];
  swprintf(block, 40, L"\\StringFileInfo\\%04X%04X\\", table->language, table->codePage);
  for (int i = 0; names && names[i]; ++i) {
    std::wstring query = block;
    query += names[i];
    wchar_t* value = nullptr;
    UINT chars = 0;
    if (VerQueryValueW(record.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars) && value)
      results[i] = CopyText(value);
  }
  return true;
}
