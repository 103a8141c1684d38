#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SettingsFile.h"
#include "TempFolder.h"
#include "Text.h"

namespace {

const char kSettings[] =
    "[Log]\r\n"
    "FileName=%TEMP%\\morvik.log\r\n"
    "[RenderFile]\r\n"
    "ConnectCompressorOnConfig=\r\n"
    "Quality= 7x\r\n"
    "Flag=no\r\n"
    "Rate=29.97\r\n"
    "Empty=\r\n"
    "[renderskipfilters]\r\n"
    "Smart Tee\r\n"
    "Color=1\r\n"
    "[Other]\r\n"
    "FileName=other.avi\r\n";

SettingsFile* Bind(const std::wstring& path) { return new SettingsFile(CopyText(path.c_str())); }

// Settings bound to a file holding kSettings.
struct SettingsFileTest : ::testing::Test {
  void SetUp() override { ASSERT_TRUE(WriteWholeFile(path, kSettings)); }
  TempFolder folder;
  std::wstring path = folder.File(L"Morvik.ini");
  SettingsFile settings{CopyText(path.c_str())};
};

}  // namespace

TEST(SettingsFile, MissingFileIsCreatedEmptyAndDefaultsApply) {
  TempFolder folder;
  std::wstring path = folder.File(L"Morvik.ini");
  SettingsFile settings(CopyText(path.c_str()));
  EXPECT_TRUE(settings.IsBound());
  EXPECT_TRUE(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ("", ReadWholeFile(path));
  EXPECT_DOUBLE_EQ(2.5, settings.ReadDouble(L"RenderFile", L"Rate", 2.5));
  wchar_t* section = settings.ReadSection(L"RenderSkipFilters");
  EXPECT_EQ(0, section[0]);
  EXPECT_EQ(0, section[1]);
  FreeText(section);
}

// Reading never rewrites the file.
TEST_F(SettingsFileTest, TypedReads) {
  EXPECT_EQ(1, settings.ReadInt(L"RenderFile", L"ConnectCompressorOnConfig", 1));  // empty: default
  EXPECT_EQ(7, settings.ReadInt(L"RenderFile", L"Quality", 1));
  EXPECT_EQ(0, settings.ReadInt(L"RenderFile", L"Flag", 1));  // not a number: 0, not the default
  EXPECT_DOUBLE_EQ(29.97, settings.ReadDouble(L"renderfile", L"RATE", 0.0));
  EXPECT_DOUBLE_EQ(0.0, settings.ReadDouble(L"RenderFile", L"Flag", 5.0));
  EXPECT_DOUBLE_EQ(5.0, settings.ReadDouble(L"RenderFile", L"Empty", 5.0));
  // A key in two sections is read from the one asked for.
  wchar_t buffer[SettingsFile::kSectionChars];
  EXPECT_STREQ(L"other.avi", settings.ReadString(L"Other", L"FileName", nullptr, buffer));
  EXPECT_STREQ(L"%TEMP%\\morvik.log", settings.ReadString(L"LOG", L"filename", nullptr, buffer));
  // A whole section as a multi-string: its lines, then an empty one.
  ASSERT_EQ(buffer, settings.ReadSection(L"RenderSkipFilters", buffer));
  EXPECT_STREQ(L"Smart Tee", buffer);
  EXPECT_STREQ(L"Color=1", buffer + 10);
  EXPECT_EQ(0, buffer[18]);
  delete Bind(path);
  EXPECT_EQ(kSettings, ReadWholeFile(path));
}

TEST_F(SettingsFileTest, ReadStringOwnershipRules) {
  const wchar_t* fallback = L"fallback";
  wchar_t buffer[SettingsFile::kStringChars];

  // Present but empty: the caller's own default pointer, or a copy in the buffer.
  EXPECT_EQ(fallback, settings.ReadString(L"RenderFile", L"Empty", fallback));
  EXPECT_EQ(buffer, settings.ReadString(L"RenderFile", L"Empty", fallback, buffer));
  EXPECT_STREQ(L"fallback", buffer);
  wmemcpy(buffer, L"junk", 5);
  settings.ReadString(L"RenderFile", L"Empty", nullptr, buffer);
  EXPECT_STREQ(L"", buffer);
  EXPECT_EQ(nullptr, settings.ReadString(L"RenderFile", L"Empty", nullptr));
  // A default longer than the buffer is cut to it, still terminated.
  std::wstring longDefault(SettingsFile::kStringChars + 100, L'd');
  std::vector<wchar_t> guarded(SettingsFile::kStringChars + 8, L'#');
  settings.ReadString(L"RenderFile", L"Empty", longDefault.c_str(), guarded.data());
  EXPECT_EQ(size_t(SettingsFile::kStringChars - 1), wcslen(guarded.data()));
  EXPECT_EQ(L'#', guarded[SettingsFile::kStringChars]);

  // Missing with a default and no buffer, or found: a heap copy the caller frees.
  for (const wchar_t* section : {L"RenderFile", L"Other"}) {
    const wchar_t* copy = settings.ReadString(section, L"FileName", fallback);
    EXPECT_NE(fallback, copy);
    EXPECT_STREQ(section[0] == L'O' ? L"other.avi" : L"fallback", copy);
    FreeText(const_cast<wchar_t*>(copy));
  }
}

TEST_F(SettingsFileTest, WritesRoundTrip) {
  EXPECT_TRUE(settings.WriteInt(L"RenderFile", L"ConnectCompressorOnConfig", -12));
  EXPECT_TRUE(settings.WriteString(L"RenderFile", L"FileName", L"C:\\out\\film.avi"));
  EXPECT_EQ(-12, settings.ReadInt(L"RenderFile", L"ConnectCompressorOnConfig", 1));
  wchar_t buffer[SettingsFile::kStringChars];
  EXPECT_STREQ(L"C:\\out\\film.avi", settings.ReadString(L"RenderFile", L"FileName", nullptr, buffer));

  // A change made behind the object's back is seen by the next read.
  ASSERT_TRUE(WriteWholeFile(path, "[RenderFile]\r\nConnectCompressorOnConfig=0\r\n"));
  EXPECT_EQ(0, settings.ReadInt(L"RenderFile", L"ConnectCompressorOnConfig", 1));
}

TEST(SettingsFile, UnboundAnswersDefaultsAndFailsWrites) {
  TempFolder folder;
  SettingsFile* unbound[] = {new SettingsFile(nullptr), new SettingsFile(CopyText(L"")),
                             Bind(folder.File(L"no such folder\\Morvik.ini"))};
  for (SettingsFile* settings : unbound) {
    EXPECT_FALSE(settings->IsBound());
    const wchar_t* fallback = L"d";
    wchar_t buffer[SettingsFile::kStringChars] = L"untouched";
    EXPECT_EQ(fallback, settings->ReadString(L"Log", L"FileName", fallback, buffer));
    EXPECT_STREQ(L"untouched", buffer);
    EXPECT_EQ(nullptr, settings->ReadString(L"Log", L"FileName", nullptr));
    EXPECT_EQ(4, settings->ReadInt(L"s", L"k", 4));
    EXPECT_DOUBLE_EQ(0.5, settings->ReadDouble(L"s", L"k", 0.5));
    EXPECT_EQ(nullptr, settings->ReadSection(L"s", buffer));
    EXPECT_FALSE(settings->WriteString(L"s", L"k", L"v"));
    EXPECT_FALSE(settings->WriteInt(L"s", L"k", 1));
    delete settings;
  }
}

TEST(SettingsFile, NarrowForm) {
  TempFolder folder;
  std::string path = folder.FileA("Morvik.ini");
  SettingsFileA settings(CopyText(path.c_str()));
  ASSERT_TRUE(settings.IsBound());
  EXPECT_TRUE(settings.WriteInt("RenderFile", "ConnectCompressorOnConfig", 3));
  EXPECT_EQ(3, settings.ReadInt("RenderFile", "ConnectCompressorOnConfig", 1));
  char buffer[SettingsFileA::kSectionChars];
  char* section = settings.ReadSection("RenderFile", buffer);
  EXPECT_STREQ("ConnectCompressorOnConfig=3", section);
  EXPECT_EQ(nullptr, settings.ReadString("RenderFile", "Missing", nullptr));
}
