#include "CommandLine.h"

#include <windows.h>
#include <shellapi.h>

#include "Text.h"

wchar_t* LastCommandLinePath(const wchar_t* commandLine) {
  if (!commandLine || !*commandLine) return nullptr;
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
  if (!arguments) return nullptr;
  wchar_t* path = count >= 2 && arguments[count - 1][0] ? CopyText(arguments[count - 1]) : nullptr;
  LocalFree(arguments);
  return path;
}
