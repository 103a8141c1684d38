// Text to standard output or standard error: UTF-16 to a console, UTF-8 to
// a file or pipe. Whole lines are written at once, so lines from several
// threads do not interleave.
#pragma once

#include <windows.h>

#include <string>

class ConsoleText {
 public:
  static void Out(const std::wstring& text) { Write(STD_OUTPUT_HANDLE, text); }
  static void Error(const std::wstring& text) { Write(STD_ERROR_HANDLE, text); }
  // Whether standard error is a terminal, where a progress line can be redrawn in place.
  static bool ErrorIsTerminal();

 private:
  static void Write(DWORD which, const std::wstring& text);
};
