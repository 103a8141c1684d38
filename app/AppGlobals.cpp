#include "AppGlobals.h"

SettingsFile* theSettings = nullptr;
LogFile* theLog = nullptr;

void LogLine(const wchar_t* text) {
  if (theLog) theLog->Write(text);
}
