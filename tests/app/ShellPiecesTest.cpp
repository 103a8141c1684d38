#include <gtest/gtest.h>

#include "CommandLine.h"
#include "ErrorLogSink.h"
#include "RenderSkipList.h"
#include "TempFolder.h"
#include "Text.h"

namespace {

std::wstring Line(long severity, const wchar_t* text, const VARIANT* extra) {
  wchar_t* line = ErrorLogSink::FormatLine(severity, text, extra);
  std::wstring result(line ? line : L"(null)");
  FreeText(line);
  return result;
}

TEST(ErrorLogSink, LinesForEachKindOfExtraInformation) {
  EXPECT_EQ(L"ERROR: severity=2; File not found", Line(2, L"File not found", nullptr));
  VARIANT extra;
  extra.vt = VT_I4;
  extra.lVal = 7;
  EXPECT_EQ(L"ERROR: severity=2; File not found; ExtraInfo: 7", Line(2, L"File not found", &extra));
  extra.vt = VT_R8;
  extra.dblVal = 7;
  EXPECT_EQ(L"ERROR: severity=2; x; ExtraInfo: 7.0", Line(2, L"x", &extra));
  extra.dblVal = 2.5;
  EXPECT_EQ(L"ERROR: severity=2; x; ExtraInfo: 2.5", Line(2, L"x", &extra));
  extra.vt = VT_BSTR;
  extra.bstrVal = SysAllocString(std::wstring(400, L'z').c_str());
  EXPECT_EQ(L"ERROR: severity=1; x; ExtraInfo: " + std::wstring(255, L'z'), Line(1, L"x", &extra));
  SysFreeString(extra.bstrVal);
  extra.vt = VT_DISPATCH;
  EXPECT_EQ(L"ERROR: severity=1; ; ExtraInfo: ", Line(1, nullptr, &extra));

  ErrorLogSink sink;  // without a log it still answers the result it was given
  EXPECT_EQ(E_FAIL, sink.LogError(2, nullptr, 0, E_FAIL, nullptr));
}

TEST(RenderSkipList, MatchesUpperCasedPartsOfTheFirst255Lines) {
  TempFolder folder;
  std::wstring path = folder.File(L"skip.ini");
  std::wstring section = L"[RenderSkipFilters]\r\n";
  for (int i = 0; i < 300; ++i) section += L"f" + std::to_wstring(i) + L";\r\n";
  section += L"[Other]\r\nabc=1\r\n";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  std::string narrow(section.begin(), section.end());
  DWORD written;
  WriteFile(file, narrow.data(), static_cast<DWORD>(narrow.size()), &written, nullptr);
  CloseHandle(file);

  RenderSkipList list;
  wchar_t name[] = L"@device:sw:{x}\\abc";
  EXPECT_FALSE(list.Matches(name));  // nothing loaded
  SettingsFile settings(CopyText(path.c_str()));  // takes the copy
  list.Load(&settings);
  EXPECT_EQ(255, list.Count());
  wchar_t hit[] = L"my f254; filter";
  EXPECT_TRUE(list.Matches(hit));
  EXPECT_STREQ(L"MY F254; FILTER", hit);
  wchar_t miss[] = L"f255;";  // line 256 is past the limit
  EXPECT_FALSE(list.Matches(miss));
}

TEST(CommandLine, LastArgumentWithoutQuotesAndWithSpaces) {
  auto last = [](const wchar_t* line) {
    wchar_t* path = LastCommandLinePath(line);
    std::wstring result = path ? path : L"(none)";
    FreeText(path);
    return result;
  };
  EXPECT_EQ(L"(none)", last(L"Morvik.exe"));
  EXPECT_EQ(L"(none)", last(L"\"C:\\Program Files\\Morvik.exe\"  "));
  EXPECT_EQ(L"C:\\p\\a.mvp", last(L"Morvik.exe \"C:\\p\\a.mvp\""));
  EXPECT_EQ(L"C:\\My Projects\\a b.mvp", last(L"Morvik.exe -x \"C:\\My Projects\\a b.mvp\""));
}

}  // namespace
