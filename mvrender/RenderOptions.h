// What mvrender was asked to do, read from its command line:
//   mvrender project.mvp out.avi [--from t] [--to t] [--group n] [--help]
// Times are seconds ("12.5") or hours, minutes and seconds ("1:02:03.5").
#pragma once

#include <windows.h>
#include <strmif.h>

#include <string>

class RenderOptions {
 public:
  static constexpr LONGLONG kNone = -1;

  // Reads args (without the program name); false with a message in *error
  // for a command line that asks for nothing sensible.
  bool Parse(int count, const wchar_t* const* args, std::wstring* error);
  static const wchar_t* HelpText();

  bool help = false;
  std::wstring project;
  std::wstring output;
  REFERENCE_TIME from = kNone;  // kNone: the timeline's start
  REFERENCE_TIME to = kNone;    // kNone: the timeline's end
  long group = -1;              // -1: every group

  // A time as the options take it, in 100 ns units; false when it is none.
  static bool ParseTime(const std::wstring& text, REFERENCE_TIME* time);

 private:
  bool TakeOption(const std::wstring& name, const wchar_t* value, std::wstring* error);
};
