#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "LogFile.h"
#include "SystemMessage.h"
#include "TempFolder.h"

namespace {

// The file's text after the byte-order mark, narrowed (tests write ASCII only).
std::string LogText(const std::wstring& path, bool* hasMark) {
  std::string bytes = ReadWholeFile(path);
  *hasMark = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  std::string text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i + 1] ? '?' : bytes[i];
  return text;
}

// Collects what the process sends to the debugger output: the debug-print
// exceptions carry the text, and a vectored handler sees them first.
class DebugOutput {
 public:
  DebugOutput() {
    lines_ = &captured_;
    handler_ = AddVectoredExceptionHandler(1, &DebugOutput::Catch);
  }
  ~DebugOutput() {
    RemoveVectoredExceptionHandler(handler_);
    lines_ = nullptr;
  }
  const std::vector<std::wstring>& Lines() const { return captured_; }

 private:
  static LONG CALLBACK Catch(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (lines_ && record->NumberParameters >= 2) {
      if (record->ExceptionCode == 0x4001000A) {  // wide text
        lines_->push_back(reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]));
        return EXCEPTION_CONTINUE_EXECUTION;
      }
      if (record->ExceptionCode == DBG_PRINTEXCEPTION_C) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        lines_->push_back(std::wstring(text, text + strlen(text)));
        return EXCEPTION_CONTINUE_EXECUTION;
      }
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }

  static inline std::vector<std::wstring>* lines_ = nullptr;
  std::vector<std::wstring> captured_;
  void* handler_;
};

const char kStamp[] = "\\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}:\\d{2}  ";

}  // namespace

TEST(LogFile, StampedLinesAfterByteOrderMark) {
  TempFolder folder;
  std::wstring path = folder.File(L"morvik.log");
  {
    LogFile log(path.c_str());
    EXPECT_NE(INVALID_HANDLE_VALUE, log.Handle());
    log.Write(L"Starting...");
    log.Write(L"");
    log.Write(L"ends in a break\r\n");
    DebugOutput output;
    log.Write(L"Exit code: 0");
    ASSERT_EQ(1u, output.Lines().size());
    EXPECT_NE(std::wstring::npos, output.Lines()[0].find(L"  Exit code: 0\r\n"));
  }
  bool mark = false;
  std::string text = LogText(path, &mark);
  EXPECT_TRUE(mark);
  std::string s = kStamp;
  std::regex expected(s + "Starting\\.\\.\\.\r\n" + s + "\r\n" + s + "ends in a break\r\n\r\n" + s + "Exit code: 0\r\n");
  EXPECT_TRUE(std::regex_match(text, expected)) << text;

  // The stamp is the local time of the write.
  SYSTEMTIME now;
  GetLocalTime(&now);
  char year[8];
  snprintf(year, sizeof year, "%04u.", now.wYear);
  EXPECT_EQ(0u, text.find(year));
}

// The file of a former run is replaced; a long message is written whole.
TEST(LogFile, ReplacedAtNextStartAndLongMessageWhole) {
  TempFolder folder;
  std::wstring path = folder.File(L"morvik.log");
  std::wstring message = std::wstring(6000, L'x') + L"END";
  LogFile(path.c_str()).Write(L"first run");
  LogFile(path.c_str()).Write(message.c_str());
  bool mark = false;
  std::string text = LogText(path, &mark);
  EXPECT_TRUE(mark);
  EXPECT_EQ(21u + 6003u + 2u, text.size());
  EXPECT_NE(std::string::npos, text.find("xEND\r\n"));
}

TEST(LogFile, FolderFromEnvironmentVariable) {
  TempFolder folder;
  SetEnvironmentVariableW(L"MORVIK_TEST_LOGDIR", folder.Path().c_str());
  {
    LogFile log(L"env.log", L"MORVIK_TEST_LOGDIR");
    log.Write(L"hello");
  }
  SetEnvironmentVariableW(L"MORVIK_TEST_LOGDIR", nullptr);
  bool mark = false;
  EXPECT_NE(std::string::npos, LogText(folder.File(L"env.log"), &mark).find("hello"));
  EXPECT_TRUE(mark);

  LogFile missing(L"env.log", L"MORVIK_TEST_NO_SUCH_VARIABLE");
  EXPECT_EQ(INVALID_HANDLE_VALUE, missing.Handle());
}

TEST(LogFile, UncreatableFileKeepsWorking) {
  TempFolder folder;
  std::wstring path = folder.File(L"no such folder\\morvik.log");
  LogFile log(path.c_str());
  EXPECT_EQ(INVALID_HANDLE_VALUE, log.Handle());
  std::wstring expectedError = SystemMessage(ERROR_PATH_NOT_FOUND).Text();
  std::vector<std::wstring> lines;
  {
    DebugOutput output;
    SetLastError(0);  // the creation error is reported, not whatever came last
    log.Write(L"goes to the debugger only");
    lines = output.Lines();
  }
  std::wstring all;
  for (const std::wstring& line : lines) all += line;
  EXPECT_EQ(0u, all.find(expectedError)) << all.c_str();
  EXPECT_NE(std::wstring::npos, all.find(L"  goes to the debugger only\r\n"));
  EXPECT_FALSE(log.Open(path.c_str()));
  EXPECT_TRUE(log.Open(folder.File(L"now.log").c_str()));
  log.Write(L"now in a file");
}
