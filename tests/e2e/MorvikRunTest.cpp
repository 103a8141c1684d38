// Morvik.exe started from outside for what a user's session does not show:
// start-up without settings, projects that are no projects or hold problems,
// and the render window making the same file as mvrender.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "MediaReaders.h"
#include "MorvikDriver.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"

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
    run.Command(kAbout);
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
  run.Command(kSaveAs);
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

// Runs mvrender.exe to its end; its exit code.
DWORD RunMvrender(const std::wstring& arguments) {
  std::string unix = MVRENDER_EXE_PATH;
  std::wstring line = L"\"Z:";
  for (char c : unix) line += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  line += L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  DWORD code = 99;
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    return code;
  if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// Every frame and every sample of two AVIs, read back through the engine's readers.
void ExpectSameMedia(const std::wstring& a, const std::wstring& b) {
  std::unique_ptr<MediaReader> first, second;
  ASSERT_HRESULT_SUCCEEDED(MediaReaders::Open(a.c_str(), &first));
  ASSERT_HRESULT_SUCCEEDED(MediaReaders::Open(b.c_str(), &second));
  ASSERT_EQ(first->Streams().size(), second->Streams().size());
  for (int s = 0; s < int(first->Streams().size()); ++s) {
    const MediaStream& stream = first->Streams()[s];
    ASSERT_EQ(stream.length, second->Streams()[s].length) << "stream " << s;
    std::vector<BYTE> x, y;
    if (stream.frameRate > 0) {
      for (LONGLONG f = 0; f < std::llround(stream.length * stream.frameRate / 1e7); ++f) {
        REFERENCE_TIME time = REFERENCE_TIME((f + 0.5) * 1e7 / stream.frameRate);
        ASSERT_HRESULT_SUCCEEDED(first->ReadFrame(s, time, &x));
        ASSERT_HRESULT_SUCCEEDED(second->ReadFrame(s, time, &y));
        ASSERT_EQ(x, y) << "frame " << f;
      }
    } else {
      WAVEFORMATEX format = *reinterpret_cast<const WAVEFORMATEX*>(stream.type.Get().pbFormat);
      DWORD frames = DWORD(stream.length * format.nSamplesPerSec / 10000000);
      ASSERT_HRESULT_SUCCEEDED(first->ReadAudio(s, 0, format, frames, &x));
      ASSERT_HRESULT_SUCCEEDED(second->ReadAudio(s, 0, format, frames, &y));
      EXPECT_EQ(x, y) << "samples of stream " << s;
    }
  }
}

// The render window and mvrender make the same file of the same project left
// at "Uncompressed": a cut, a moving picture and a tone.
TEST_F(MorvikRunTest, RendersUncompressedTheSameAsMvrender) {
  AviStream video{Bytes(Bitmap(64, 48, 24))}, audio{Bytes(Pcm16(2, 44100))};
  std::vector<INT16> tone = Sine(44100, 2, 44100, 8000);
  for (int f = 0; f < 25; ++f) {
    video.chunks.push_back(TestFrame(64, 48, 3, f));
    audio.chunks.push_back(AsBytes(std::vector<INT16>(tone.begin() + f * 3528, tone.begin() + (f + 1) * 3528)));
  }
  ASSERT_HRESULT_SUCCEEDED(WriteAvi(folder.File(L"clip.avi"), {video, audio}));
  WriteBitmap(folder.File(L"still.bmp"), 32, 32, RGB(200, 30, 90));
  std::wstring project = folder.File(L"both.mvp"), rendered = folder.File(L"window.avi");
  ASSERT_TRUE(WriteWholeFile(project,
      "<timeline><group type=\"video\" width=\"64\" height=\"48\" bitdepth=\"24\" framerate=\"30\"><track>"
      "<clip src=\"clip.avi\" start=\"0\" stop=\"1\" mstart=\"0\" mstop=\"1\"/>"
      "<clip src=\"still.bmp\" start=\"1\" stop=\"1.5\" stretchmode=\"PreserveAspectRatio\"/></track></group>"
      "<group type=\"audio\" samplingrate=\"44100\"><track>"
      "<clip src=\"clip.avi\" start=\"0.25\" stop=\"1.25\" mstart=\"0\" mstop=\"1\"/></track></group></timeline>"));
  std::string narrow(rendered.begin(), rendered.end());
  WriteSettings(("[RenderFile]\r\nFileName=" + narrow + "\r\n").c_str());
  {
    MorvikRun run(folder.Path(), L"\"" + project + L"\"");
    ASSERT_EQ(L"Morvik - [" + project + L"]", run.WaitForTitle(L"Morvik - [" + project + L"]"));
    run.Command(kRenderToFile);
    HWND window = run.WaitForWindow(L"TimeLineRender");
    ASSERT_NE(nullptr, window);
    PostMessageW(FindChild(window, L"Button", L"Start"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return FindChild(window, L"Static", L"Done: ") != nullptr; }, 60000))
        << "the render did not end";
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntilGone(window));
    EXPECT_EQ(0, run.Close());
  }
  std::wstring command = folder.File(L"command.avi");
  ASSERT_EQ(0u, RunMvrender(L"\"" + project + L"\" \"" + command + L"\""));
  ExpectSameMedia(rendered, command);
}

}  // namespace
