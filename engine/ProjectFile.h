// Whole-file reads and safe replacement of project files. Errors come back
// as HRESULT_FROM_WIN32 of the file error.
#pragma once

#include <windows.h>

#include <string>

// Files larger than this are no project (VFW_E_INVALID_FILE_FORMAT).
constexpr DWORD kLargestProjectFile = 256u << 20;

HRESULT ReadProjectFile(const wchar_t* path, std::string* bytes);

// Writes the bytes to a temporary file beside path, then moves it over path;
// on any failure the temporary file is removed and path is left as it was.
// A read-only path is refused (ERROR_ACCESS_DENIED) before anything is written.
HRESULT ReplaceProjectFile(const wchar_t* path, const std::string& bytes);
