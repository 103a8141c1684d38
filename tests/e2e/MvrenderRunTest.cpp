// mvrender.exe run as a user would: its exit code, what it prints, and the
// file it writes, read back through the engine's readers.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "MediaReaders.h"
#include "MorvikDriver.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"

namespace {

struct Outcome {
  DWORD code = 99;
  std::string errors;  // standard error
  std::string output;  // standard output
};

HANDLE Inheritable(const std::wstring& path) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, 0,
                     nullptr);
}

Outcome Mvrender(const TempFolder& folder, const std::wstring& arguments) {
  Outcome run;
  // Files of their own: Wine's console host may hold the last ones a while.
  static int serial = 0;
  std::wstring name = std::to_wstring(++serial);
  std::wstring errors = folder.File((L"stderr" + name).c_str()), output = folder.File((L"stdout" + name).c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = Inheritable(errors);
  startup.hStdOutput = Inheritable(output);
  std::wstring line = L"\"" + SeenFromWine(MVRENDER_EXE_PATH) + L"\" " + arguments;
  PROCESS_INFORMATION process = {};
  if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                     &process)) {
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &run.code);
    else TerminateProcess(process.hProcess, 98);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(startup.hStdError);
  CloseHandle(startup.hStdOutput);
  run.errors = ReadWholeFile(errors);
  run.output = ReadWholeFile(output);
  return run;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// 1 s of 64x48 RGB24 at 25 fps with 44.1 kHz stereo 16-bit sound.
void WriteMedia(const std::wstring& path) {
  AviStream video{Bytes(Bitmap(64, 48, 24))}, audio{Bytes(Pcm16(2, 44100))};
  std::vector<INT16> tone = Sine(44100, 2, 44100, 8000);
  for (int f = 0; f < 25; ++f) {
    video.chunks.push_back(TestFrame(64, 48, 3, f));
    audio.chunks.push_back(AsBytes(std::vector<INT16>(tone.begin() + f * 3528, tone.begin() + (f + 1) * 3528)));
  }
  ASSERT_HRESULT_SUCCEEDED(WriteAvi(path, {video, audio}));
}

// A video group (64x48, 30 fps) and an audio group (44.1 kHz), each with
// media on one track for 0-1 s; video names the upper video track's media.
std::string Project(const std::string& video) {
  return "<timeline framerate=\"30\">\n"
         " <group type=\"video\" width=\"64\" height=\"48\" bitdepth=\"24\" framerate=\"30\">\n"
         "  <track><clip src=\"clip.avi\" start=\"0\" stop=\"1\" mstart=\"0\" mstop=\"1\"/></track>\n"
         "  <track><clip src=\"" + video + "\" start=\"0.5\" stop=\"1\" mstart=\"0\" mstop=\"0.5\"/></track>\n"
         " </group>\n"
         " <group type=\"audio\" samplingrate=\"44100\">\n"
         "  <track><clip src=\"clip.avi\" start=\"0\" stop=\"1\" mstart=\"0\" mstop=\"1\"/></track>\n"
         " </group>\n"
         "</timeline>\n";
}

class MvrenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WriteMedia(folder_.File(L"clip.avi"));
    ASSERT_TRUE(WriteWholeFile(folder_.File(L"good.mvp"), Project("clip.avi")));
    ASSERT_TRUE(WriteWholeFile(folder_.File(L"missing.mvp"), Project("gone.avi")));
  }
  void TearDown() override { CoUninitialize(); }

  // Units of each stream of the file at path: frames, then sample frames.
  std::vector<LONGLONG> Units(const std::wstring& path) {
    std::unique_ptr<MediaReader> reader;
    std::vector<LONGLONG> units;
    if (FAILED(MediaReaders::Open(path.c_str(), &reader))) return units;
    for (const MediaStream& stream : reader->Streams()) {
      double rate = stream.frameRate > 0 ? stream.frameRate
                                         : reinterpret_cast<const WAVEFORMATEX*>(stream.type.Get().pbFormat)->nSamplesPerSec;
      units.push_back(std::llround(double(stream.length) * rate / 1e7));
    }
    return units;
  }
  // Temporary files left beside the output.
  int TempFiles() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(folder_.File(L"*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
  }

  TempFolder folder_;
};

TEST_F(MvrenderTest, RendersEveryGroupOrTheRangeAsked) {
  struct Case {
    const wchar_t* options;
    std::vector<LONGLONG> units;
  } cases[] = {
      {L"", {30, 44100}},
      {L"--from 0.5 --to 0:00:01", {15, 22050}},
      {L"--group 1", {44100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.options);
    std::wstring out = folder_.File(L"out.avi");
    Outcome run = Mvrender(folder_, Quoted(folder_.File(L"good.mvp")) + L" " + Quoted(out) + L" " + c.options);
    EXPECT_EQ(run.code, 0u) << run.errors;
    EXPECT_NE(run.errors.find("100.0%"), std::string::npos) << run.errors;
    EXPECT_EQ(Units(out), c.units);
    EXPECT_EQ(TempFiles(), 0);
  }
}

TEST_F(MvrenderTest, MissingMediaRendersTheRestAndFails) {
  std::wstring out = folder_.File(L"out.avi");
  Outcome run = Mvrender(folder_, Quoted(folder_.File(L"missing.mvp")) + L" " + Quoted(out));
  EXPECT_EQ(run.code, 4u);
  EXPECT_NE(run.errors.find("gone.avi"), std::string::npos) << run.errors;
  EXPECT_EQ(Units(out), (std::vector<LONGLONG>{30, 44100}));
}

// Whatever goes wrong, an earlier output stays as it was and nothing is left behind.
TEST_F(MvrenderTest, FailuresKeepTheEarlierOutput) {
  ASSERT_TRUE(WriteWholeFile(folder_.File(L"no.mvp"), "<timeline><group"));
  std::wstring good = Quoted(folder_.File(L"good.mvp")), out = Quoted(folder_.File(L"out.avi"));
  struct Case {
    std::wstring arguments;
    DWORD code;
    const char* said;
  } cases[] = {
      {L"", 2, "no project"},
      {good + L" " + out + L" --to soon", 2, "--to"},
      {good + L" " + out + L" --group 2", 2, "--group"},
      {good + L" " + out + L" --from 3", 2, "outside"},
      {Quoted(folder_.File(L"no.mvp")) + L" " + out, 3, "no.mvp"},
      {Quoted(folder_.File(L"absent.mvp")) + L" " + out, 3, "absent.mvp"},
      {good + L" " + Quoted(folder_.File(L"nowhere\\out.avi")), 1, "nowhere"},
      {good + L" " + Quoted(folder_.Path()), 1, "cannot write"},
      {L"--help", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.arguments);
    ASSERT_TRUE(WriteWholeFile(folder_.File(L"out.avi"), "earlier"));
    Outcome run = Mvrender(folder_, c.arguments);
    EXPECT_EQ(run.code, c.code);
    EXPECT_NE(run.errors.find(c.said), std::string::npos) << run.errors;
    EXPECT_EQ(ReadWholeFile(folder_.File(L"out.avi")), "earlier");
    EXPECT_EQ(TempFiles(), 0);
  }
  EXPECT_NE(Mvrender(folder_, L"--help").output.find("Usage: mvrender"), std::string::npos);
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

// Morvik's render window, left at "Uncompressed", makes the same file.
TEST_F(MvrenderTest, MakesWhatTheRenderWindowMakes) {
  std::wstring project = folder_.File(L"good.mvp"), rendered = folder_.File(L"window.avi");
  ASSERT_TRUE(CopyProgram(folder_.Path()));
  std::string narrow(rendered.begin(), rendered.end());
  ASSERT_TRUE(WriteWholeFile(folder_.File(L"Morvik.ini"), "[RenderFile]\r\nFileName=" + narrow + "\r\n"));
  {
    MorvikRun run(folder_.Path(), Quoted(project));
    ASSERT_EQ(L"Morvik - [" + project + L"]", run.WaitForTitle(L"Morvik - [" + project + L"]"));
    run.Command(kCommandRender);
    HWND window = run.WaitForWindow(L"TimeLineRender");
    ASSERT_NE(nullptr, window);
    PostMessageW(FindChild(window, L"Button", L"Start"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return FindChild(window, L"Static", L"Done: ") != nullptr; }, 60000))
        << "the render did not end";
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntilGone(window));
    EXPECT_EQ(0, run.Close());
  }
  std::wstring command = folder_.File(L"command.avi");
  ASSERT_EQ(0u, Mvrender(folder_, Quoted(project) + L" " + Quoted(command)).code);
  ExpectSameMedia(rendered, command);
}

}  // namespace
