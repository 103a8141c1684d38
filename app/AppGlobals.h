// The process-wide objects of a run, made by start-up.
#pragma once

#include "LogFile.h"
#include "SettingsFile.h"

extern SettingsFile* theSettings;  // may be null: every read then gives its default
extern LogFile* theLog;            // null when the settings name no log

// Writes a line when there is a log.
void LogLine(const wchar_t* text);
