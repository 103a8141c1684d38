#include "ConsoleText.h"

bool ConsoleText::ErrorIsTerminal() { return GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_CHAR; }

void ConsoleText::Write(DWORD which, const std::wstring& text) {
  HANDLE handle = GetStdHandle(which);
  if (!handle || handle == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD written = 0, mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, text.data(), DWORD(text.size()), &written, nullptr);
    return;
  }
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &utf8[0], bytes, nullptr, nullptr);
  WriteFile(handle, utf8.data(), DWORD(utf8.size()), &written, nullptr);
}
