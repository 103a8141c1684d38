// The run's log: UTF-16 text with a byte-order mark, replaced at every start,
// one line per message stamped with the local time ("2010.06.14 21:05:33  text"),
// each line also sent to the debugger output.
#pragma once

#include <windows.h>

class LogFile {
 public:
  explicit LogFile(const wchar_t* path);
  // The file fileName in the folder named by the environment variable variable.
  LogFile(const wchar_t* fileName, const wchar_t* variable);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Creates (or truncates) the file and writes the byte-order mark; false when
  // either failed.
  bool Open(const wchar_t* path);
  // Without a file, the line goes to the debugger output after the text of the
  // error that kept the file from being made.
  void Write(const wchar_t* message);
  HANDLE Handle() const { return file_; }

 private:
  void Close();

  HANDLE file_ = INVALID_HANDLE_VALUE;
  DWORD createError_ = 0;
};
