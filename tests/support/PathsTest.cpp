#include <gtest/gtest.h>

#include <string>

#include "Paths.h"
#include "TempFolder.h"
#include "Text.h"

namespace {

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.rfind(L'\\') + 1);
}

}  // namespace

TEST(Paths, ModuleDirectoryEndsWithBackslash) {
  wchar_t* folder = ModuleDirectory(nullptr);
  ASSERT_NE(nullptr, folder);
  EXPECT_EQ(ProgramFolder(), folder);
  FreeText(folder);
  char narrow[MAX_PATH];
  ASSERT_NE(nullptr, ModuleDirectory(nullptr, narrow));
  EXPECT_EQ('\\', narrow[strlen(narrow) - 1]);
}

TEST(ResolvePath, EnvironmentReferenceIsExpandedOnly) {
  SetEnvironmentVariableW(L"MORVIK_TEST_LOGS", L"C:\\logs");
  wchar_t buffer[MAX_PATH] = L"%MORVIK_TEST_LOGS%\\run.log";
  // Resolved in place.
  EXPECT_EQ(buffer, ResolvePath(buffer, kResolveExpand | kResolveProgramDir, buffer));
  EXPECT_STREQ(L"C:\\logs\\run.log", buffer);
  // Without flag 1 the reference stays and the text counts as relative: beside the program.
  wchar_t* kept = ResolvePath(L"%MORVIK_TEST_LOGS%\\run.log", kResolveProgramDir);
  EXPECT_EQ(ProgramFolder() + L"%MORVIK_TEST_LOGS%\\run.log", kept);
  FreeText(kept);
  SetEnvironmentVariableW(L"MORVIK_TEST_LOGS", nullptr);
}

TEST(ResolvePath, NetworkAndDrivePathsUnchanged) {
  wchar_t buffer[MAX_PATH];
  EXPECT_STREQ(L"\\\\server\\share\\..\\x.avi", ResolvePath(L"\\\\server\\share\\..\\x.avi", 3, buffer));
  EXPECT_STREQ(L"Z:\\tmp\\a.avi", ResolvePath(L"Z:\\tmp\\a.avi", 3, buffer));
}

TEST(ResolvePath, RelativeToCurrentFolderWithoutFlag2) {
  TempFolder folder;
  wchar_t saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(folder.Path().c_str());
  wchar_t buffer[MAX_PATH];
  ResolvePath(L"out.avi", 0, buffer);
  SetCurrentDirectoryW(saved);
  EXPECT_EQ(folder.File(L"out.avi"), buffer);
}

TEST(ResolvePath, OverlongTextStaysTerminatedInItsBuffer) {
  std::wstring longName(400, L'n');
  wchar_t buffer[MAX_PATH + 8];
  wmemset(buffer, L'#', MAX_PATH + 8);
  ResolvePath(longName.c_str(), kResolveExpand | kResolveProgramDir, buffer);
  EXPECT_LT(wcslen(buffer), size_t(MAX_PATH));
  EXPECT_EQ(L'#', buffer[MAX_PATH]);
  EXPECT_EQ(0u, std::wstring(buffer).find(L"nnn"));  // too long to combine: kept as it was
}

TEST(Files, ExistenceAndDosTime) {
  TempFolder folder;
  std::wstring file = folder.File(L"clip.avi");
  EXPECT_FALSE(FileExists(file.c_str()));
  ASSERT_TRUE(WriteWholeFile(file, "RIFF"));
  EXPECT_TRUE(FileExists(file.c_str()));
  EXPECT_TRUE(FileExists(folder.FileA("clip.avi").c_str()));

  // Last write at a known local time comes back in DOS form.
  SYSTEMTIME when = {2010, 6, 1, 14, 21, 5, 34, 0};
  FILETIME local, utc;
  SystemTimeToFileTime(&when, &local);
  LocalFileTimeToFileTime(&local, &utc);
  HANDLE handle = CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, handle);
  SetFileTime(handle, nullptr, nullptr, &utc);
  CloseHandle(handle);
  uint32_t dos = FileDosTime(folder.FileA("clip.avi").c_str());
  EXPECT_EQ(((2010 - 1980) << 9) | (6 << 5) | 14, int(dos >> 16));
  EXPECT_EQ((21 << 11) | (5 << 5) | (34 / 2), int(dos & 0xFFFF));

  EXPECT_EQ(0xFFFFFFFFu, FileDosTime(folder.FileA("missing.avi").c_str()));
  std::string narrowFolder(folder.Path().begin(), folder.Path().end());
  EXPECT_EQ(0xFFFFFFFFu, FileDosTime(narrowFolder.c_str()));
}

TEST(Paths, DirectoryOfAndFirstToken) {
  char buffer[MAX_PATH];
  EXPECT_STREQ("C:\\media\\", DirectoryOf("C:\\media\\clip.avi", buffer));
  EXPECT_STREQ("", DirectoryOf("\\clip.avi", buffer));
  EXPECT_EQ(nullptr, DirectoryOf("clip.avi"));

  EXPECT_STREQ("C:\\Program Files\\Morvik.exe", FirstToken("  \"C:\\Program Files\\Morvik.exe\" a.mvp", buffer));
  EXPECT_STREQ("Morvik.exe", FirstToken("Morvik.exe a.mvp", buffer));
  EXPECT_STREQ("", FirstToken("  x y", buffer));
  char* owned = FirstToken("tool");
  EXPECT_STREQ("tool", owned);
  FreeText(owned);
}
