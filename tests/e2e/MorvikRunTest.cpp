// Morvik.exe started from outside for what a user's session does not show:
// start-up without settings, and projects that are no projects or hold problems.
#include <gtest/gtest.h>

#include <string>

#include "MorvikDriver.h"
#include "TempFolder.h"

namespace {

class MorvikRunTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CopyProgram(folder.Path())) << "no built program at " << MORVIK_EXE_PATH; }
  void WriteSettings(const char* text) { WriteWholeFile(folder.File(L"Morvik.ini"), text); }

  TempFolder folder;
};

TEST_F(MorvikRunTest, WithoutSettingsMakesThemEmptyAndKeepsNoLog) {
  {
    MorvikRun run(folder.Path(), L"");
    ASSERT_TRUE(run.Started());
    ASSERT_EQ(L"Morvik", run.WaitForTitle(L"Morvik"));
    // The About box reads the program's own version record.
    run.Command(kCommandAbout);
    std::wstring about = run.AnswerDialog(IDOK);
    EXPECT_EQ(0u, about.find(L"Morvik\n\n0.1.0 (64 bit)\n\n")) << about;
    EXPECT_EQ(0, run.Close());
  }
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.File(L"Morvik.ini").c_str()));
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(folder.File(L"*.log").c_str(), &found);
  EXPECT_EQ(INVALID_HANDLE_VALUE, search);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(MorvikRunTest, RecoversFromABadProject) {
  std::wstring bad = folder.File(L"bad.mvp");
  WriteWholeFile(bad, "\x01\x02garbage");
  MorvikRun run(folder.Path(), L"\"" + bad + L"\"");
  EXPECT_EQ(bad + L"\n\nInvalid file format", run.AnswerDialog(IDOK));
  ASSERT_EQ(L"Morvik", run.WaitForTitle(L"Morvik"));
  run.Command(kCommandSaveAs);
  run.AnswerDialog(IDOK, folder.File(L"fresh"));
  ASSERT_TRUE(WaitForFile(folder.File(L"fresh.MVP")));
  EXPECT_EQ(0, run.Close());
  EXPECT_NE(std::wstring::npos, ReadText(folder.File(L"fresh.MVP")).find(L"Audio group"));
}

TEST_F(MorvikRunTest, LoadProblemsReachTheLog) {
  WriteSettings("[Log]\r\nFileName=problems.log\r\n");
  std::wstring project = folder.File(L"odd.mvp");
  WriteWholeFile(project,
                 "<timeline><bogus/><group type=\"audio\" samplingrate=\"44100\" name=\"Kept\">"
                 "<track><clip src=\"a.wav\" start=\"-5\" stop=\"1\"/></track></group></timeline>");
  {
    MorvikRun run(folder.Path(), L"\"" + project + L"\"");
    EXPECT_EQ(L"Morvik - [" + project + L"]", run.WaitForTitle(L"Morvik - [" + project + L"]"));
    EXPECT_EQ(0, run.Close());
  }
  std::wstring log = ReadText(folder.File(L"problems.log"));
  EXPECT_NE(std::wstring::npos, log.find(L"ERROR: severity=")) << log;
  EXPECT_NE(std::wstring::npos, log.find(L"bogus")) << log;
}

}  // namespace
