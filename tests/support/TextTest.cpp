#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "JoinedString.h"
#include "Text.h"

TEST(Text, ConcatenatesIntoNewOrSameBuffer) {
  wchar_t* joined = Concat(nullptr, L"Morvik", L".ini", nullptr);
  EXPECT_STREQ(L"Morvik.ini", joined);
  FreeText(joined);
  EXPECT_EQ(nullptr, Concat(nullptr, static_cast<const wchar_t*>(nullptr), L"x", nullptr));

  // Appending in place: the buffer is the first string itself.
  wchar_t path[32] = L"C:\\dir";
  EXPECT_EQ(path, Concat(path, path, L"\\", L"file.txt", nullptr));
  EXPECT_STREQ(L"C:\\dir\\file.txt", path);

  // The list stops at the first null, even when more arguments follow.
  JoinedStringA narrow("a", "b", nullptr, "c");
  EXPECT_STREQ("ab", narrow.Get());
  JoinedString none(static_cast<const wchar_t*>(nullptr), L"x", nullptr);
  EXPECT_EQ(nullptr, none.Get());
}

TEST(Text, FindsAndUpperCases) {
  const wchar_t* text = L"CLSID:{ABC}\\Quality";
  EXPECT_EQ(text + 6, FindText(text, L"{ABC}"));
  EXPECT_EQ(text, FindText(text, L""));
  EXPECT_EQ(nullptr, FindText(text, L"quality"));
  EXPECT_EQ(nullptr, FindText(L"ab", L"abc"));

  wchar_t mixed[] = L"abz-AZ \x00e9x";
  UpperText(mixed);
  EXPECT_STREQ(L"ABZ-AZ \x00e9X", mixed);  // only a to z change
  char narrow[] = "render skip";
  EXPECT_STREQ("RENDER SKIP", UpperText(narrow));
}

TEST(SplitText, SettingsSectionGivesItsLinesOnly) {
  // Two lines, then the empty rest a section read leaves; garbage after it must
  // never be reached.
  wchar_t section[64];
  wmemset(section, L'#', 64);
  memcpy(section, L"Smart Tee\0Color=1\0\0", 19 * sizeof(wchar_t));
  wchar_t* parts[255];
  int count = 255;
  EXPECT_EQ(0, SplitText(section, &count, L'\0', parts, true, 10200));
  ASSERT_EQ(2, count);
  EXPECT_STREQ(L"Smart Tee", parts[0]);
  EXPECT_STREQ(L"Color=1", parts[1]);

  // An empty section: nothing.
  wchar_t none[8] = {0, 0, L'#', L'#'};
  count = 255;
  SplitText(none, &count, L'\0', parts, true, 0);
  EXPECT_EQ(0, count);
}

TEST(SplitText, CommandLinePiecesSkipEmpty) {
  wchar_t line[] = L"  \"Morvik.exe\"   \"C:\\my\\proj.mvp\" ";
  wchar_t* parts[15];
  int count = 15;
  SplitText(line, &count, L' ', parts, true, 0);
  ASSERT_EQ(2, count);
  EXPECT_STREQ(L"\"Morvik.exe\"", parts[0]);
  EXPECT_STREQ(L"\"C:\\my\\proj.mvp\"", parts[1]);

  // Without skipEmpty, empty pieces and the empty rest are parts too.
  wchar_t csv[] = L"a,,b,";
  wchar_t* all[8];
  count = 8;
  SplitText(csv, &count, L',', all, false, 0);
  ASSERT_EQ(4, count);
  EXPECT_STREQ(L"", all[1]);
  EXPECT_STREQ(L"", all[3]);
}

TEST(SplitText, CountAndMaxLengthBoundTheScan) {
  // The part limit is never exceeded: the last part keeps the unsplit rest.
  wchar_t text[] = L"a,b,c,d";
  wchar_t* parts[2] = {nullptr, nullptr};
  int count = 2;
  SplitText(text, &count, L',', parts, false, 0);
  ASSERT_EQ(2, count);
  EXPECT_STREQ(L"a", parts[0]);
  EXPECT_STREQ(L"b,c,d", parts[1]);

  // maxLength: separators past the bound are left alone.
  wchar_t bounded[] = L"ab,cd,ef";
  wchar_t* pieces[8];
  count = 8;
  SplitText(bounded, &count, L',', pieces, false, 4);
  ASSERT_EQ(2, count);
  EXPECT_STREQ(L"ab", pieces[0]);
  EXPECT_STREQ(L"cd,ef", pieces[1]);

  // Without a count the number of parts is unlimited.
  char narrow[] = "1;2;3";
  char* out[3];
  SplitText(narrow, nullptr, ';', out, false, 0);
  EXPECT_STREQ("3", out[2]);

  count = 0;
  SplitText(narrow, &count, ';', out, false, 0);
  EXPECT_EQ(0, count);
}

TEST(Text, JoinStringsStopsAtCountOrNull) {
  const wchar_t* parts[] = {L"one", L"two", L"three", nullptr};
  wchar_t* all = JoinStrings(nullptr, parts, 0, L", ");
  EXPECT_STREQ(L"one, two, three", all);
  FreeText(all);
  wchar_t buffer[32];
  EXPECT_STREQ(L"one+two", JoinStrings(buffer, parts, 2, L"+"));
  // Nothing to join: no text, and the caller's buffer is left empty.
  const wchar_t* empty[] = {L"", L"", nullptr};
  EXPECT_EQ(nullptr, JoinStrings(buffer, empty, 0, L"-"));
  EXPECT_STREQ(L"", buffer);
}
