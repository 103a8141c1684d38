// Path resolution and file helpers.
#pragma once

#include <windows.h>

#include <cstdint>

enum ResolveFlags {
  kResolveExpand = 1,     // expand environment-variable references
  kResolveProgramDir = 2  // relative paths are relative to the executable's folder
};

// True when the file opens for reading; a file locked against reading counts as missing.
bool FileExists(const wchar_t* path);
bool FileExists(const char* path);

// The folder of the module's file (null: the executable), ending with a backslash.
// Without a buffer, a new heap buffer of MAX_PATH characters. Null on failure,
// including a module path too long to be held whole.
wchar_t* ModuleDirectory(HMODULE module, wchar_t* buffer = nullptr);
char* ModuleDirectory(HMODULE module, char* buffer);

// "X:..." or "\\...".
bool IsAbsolutePath(const wchar_t* path);
bool IsAbsolutePath(const char* path);

// Resolves path with ResolveFlags into buffer (MAX_PATH characters; a new heap
// buffer when null; path and buffer may be the same). Absolute paths are kept;
// relative ones are joined to the executable's folder (flag 2) or made full
// against the current folder. When an expansion or a combination would not fit
// in MAX_PATH, that step is skipped and the text stays as it was; a path longer
// than the buffer is cut to fit.
wchar_t* ResolvePath(const wchar_t* path, int flags, wchar_t* buffer = nullptr);
char* ResolvePath(const char* path, int flags, char* buffer);

// The last-write time in local time as an MS-DOS date (high word) and time (low
// word); 0xFFFFFFFF when missing, a folder, or not convertible.
uint32_t FileDosTime(const char* path);

// The path up to and including its last backslash; empty (null without a
// buffer) when there is none after the first character.
char* DirectoryOf(const char* path, char* buffer = nullptr);

// The first token of a command line: leading spaces skipped; a quoted token ends
// at the next quote (quotes dropped), else at the next space. Tokens shorter than
// two characters give an empty result (null without a buffer).
char* FirstToken(const char* commandLine, char* buffer = nullptr);
