// The render window on an engine timeline: what it writes, against what the
// render engine composes; the compressors chosen and configured in its grid;
// stopping, closing and the messages.
#include <windows.h>
#include <commctrl.h>
#include <evcode.h>

#include <cmath>

#include "Button.h"
#include "DialogAnswerer.h"
#include "EditBox.h"
#include "EngineRegistration.h"
#include "FilterList.h"
#include "GraphTesting.h"
#include "GridCombo.h"
#include "GridControl.h"
#include "Paths.h"
#include "RenderTesting.h"
#include "RiffBytes.h"
#include "StaticText.h"
#include "TempFolder.h"
#include "TestMedia.h"
#include "Text.h"
#include "TimeLineRender.h"

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;
constexpr LONG kWidth = 32, kHeight = 24;
constexpr double kFps = 10;

std::wstring TextOf(const Window* control) {
  wchar_t* text = control->GetText();
  std::wstring copy = text ? text : L"";
  FreeText(text);
  return copy;
}

bool StartsWith(const std::wstring& text, const std::wstring& start) { return text.compare(0, start.size(), start) == 0; }

// The render window with the builder a test chooses.
class TestRender final : public TimeLineRender {
 public:
  bool workingBuilder = false;

 protected:
  HRESULT CreateCaptureBuilder(ICaptureGraphBuilder2** builder) override {
    if (!workingBuilder) return TimeLineRender::CreateCaptureBuilder(builder);
    *builder = new WorkingBuilder();
    return S_OK;
  }
};

class TimeLineRenderTest : public EngineTest {
 protected:
  static void SetUpTestSuite() {
    CoInitialize(nullptr);
    // The compressors are listed in their categories as the program lists them.
    RegisterEngineClasses();
    LoadFilterLists(nullptr, nullptr);
    RevokeEngineClasses();
  }
  static void TearDownTestSuite() {
    FreeFilterLists();
    CoUninitialize();
  }
  void SetUp() override {
    EngineTest::SetUp();
    window = new TestRender();
    ASSERT_EQ(0u, window->Create(nullptr, TestInstance()));
    window->FileField()->SetText(Destination().c_str());
  }
  void TearDown() override {
    if (window) window->Destroy(true);
    PumpMessages();
    video.Reset();
    EngineTest::TearDown();
  }
  std::wstring Destination() const { return folder.File(L"out.avi"); }

  // A video group of a clip of 8 moving frames (0.8 s), and an audio group
  // of a 1 s tone, over seconds of timeline; the clips stretch to fill it.
  void BuildProject(double seconds = 1.0, bool audio = true) {
    AM_MEDIA_TYPE type = MakeVideoType(kWidth, kHeight, 24);
    video = AddGroup(L"Pictures", &type);
    ClearMediaType(&type);
    video.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetOutputFPS(kFps);
    std::vector<AviStream> streams(1);
    BITMAPINFOHEADER bitmap = Bitmap(kWidth, kHeight, 24);
    streams[0].format = Bytes(bitmap);
    for (int f = 0; f < 20; ++f) streams[0].chunks.push_back(TestFrame(kWidth, kHeight, 3, f));
    ASSERT_EQ(S_OK, WriteAvi(folder.File(L"clip.avi"), streams));
    Clip(AddTrack(video.Get(), L"v").Get(), REFERENCE_TIME(seconds * kSecond), folder.File(L"clip.avi"), kSecond * 8 / 10);
    if (!audio) return;
    type = MakeAudioType(8000);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Sound", &type);
    ClearMediaType(&type);
    std::vector<int> samples(8000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = int(8000 * std::sin(i * 0.05));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"tone.wav"), PcmWav(16, 1, 8000, samples)));
    Clip(AddTrack(group.Get(), L"a").Get(), kSecond, folder.File(L"tone.wav"), kSecond);
  }
  void Clip(IAMTimelineObj* track, REFERENCE_TIME stop, const std::wstring& path, REFERENCE_TIME mediaStop) {
    ComPtr<IAMTimelineObj> source = AddSource(track, 0, stop, path.c_str());
    source.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaTimes(0, mediaStop);
  }

  // What the render engine delivers for each group.
  std::vector<std::vector<Sample>> Composed() {
    ComPtr<IGraphBuilder> graph;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     graph.ReceiveVoid()));
    ComPtr<IRenderEngine> engine;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine,
                                     engine.ReceiveVoid()));
    engine->SetTimelineObject(timeline.Get());
    engine->SetFilterGraph(graph.Get());
    engine->ConnectFrontEnd();
    long groups = 0;
    timeline->GetGroupCount(&groups);
    std::vector<ComPtr<IBaseFilter>> sinks(groups);
    for (long g = 0; g < groups; ++g) {
      CreateComObject<CollectingSink>(nullptr, IID_IBaseFilter, sinks[g].ReceiveVoid());
      ComPtr<IPin> pin;
      engine->GetGroupOutputPin(g, pin.Receive());
      graph->AddFilter(sinks[g].Get(), nullptr);
      EXPECT_EQ(S_OK, graph->ConnectDirect(pin.Get(), PinOf(sinks[g].Get(), PINDIR_INPUT).Get(), nullptr));
    }
    EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    std::vector<std::vector<Sample>> composed;
    for (auto& sink : sinks) composed.push_back(static_cast<CollectingSink*>(sink.Get())->samples);
    engine->ScrapIt();
    return composed;
  }

  void Click(Button* button) {
    SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button->Handle()));
  }
  bool Idle() { return TextOf(window->StartButton()) == L"Start"; }
  // Start, then wait for the end.
  std::wstring Render() {
    Click(window->StartButton());
    EXPECT_EQ(L"Stop", TextOf(window->StartButton()));
    EXPECT_TRUE(PumpUntil([&] { return Idle(); }));
    return TextOf(window->ProgressLabel());
  }
  // Picks a compressor in a row's cell as the user does, through its list.
  void Choose(int row, const wchar_t* name) {
    GridControl* grid = window->Grid();
    grid->SelectCell(3, row);
    ASSERT_EQ(0, grid->BeginEdit());
    auto* list = static_cast<GridCombo*>(grid->GetEditor());
    list->SetCurSel(list->FindString(name, -1, true));
    SendMessageW(list->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(nullptr, grid->GetEditor());
    EXPECT_EQ(name, std::wstring(grid->GetCellText(3, row)));
  }
  // Types into a cell's editor and commits.
  void Edit(int col, int row, const wchar_t* text) {
    GridControl* grid = window->Grid();
    grid->SelectCell(col, row);
    ASSERT_EQ(0, grid->BeginEdit());
    grid->GetEditor()->SetText(text);
    SendMessageW(grid->GetEditor()->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  }
  LONGLONG Written() {
    ComPtr<IBaseFilter> writer;
    if (!window->Graph() || FAILED(window->Graph()->FindFilterByName(L"AVI writer", writer.Receive()))) return 0;
    LONGLONG position = 0;
    writer.As<IMediaSeeking>(IID_IMediaSeeking)->GetCurrentPosition(&position);
    return position;
  }

  TempFolder folder;
  TestRender* window = nullptr;
  ComPtr<IAMTimelineObj> video;
};

TEST_F(TimeLineRenderTest, UncompressedGroupsRenderAsTheEngineComposesThemThroughEitherOutputPath) {
  BuildProject();
  std::vector<std::vector<Sample>> composed = Composed();
  ASSERT_EQ(2u, composed.size());
  ASSERT_EQ(10u, composed[0].size());
  size_t audioBytes = 0;
  for (const Sample& block : composed[1]) audioBytes += block.bytes.size();
  for (bool platform : {false, true}) {
    SCOPED_TRACE(platform ? "the platform's builder" : "the engine's writer in its place");
    WorkingBuilder::files.clear();
    ASSERT_TRUE(WriteWholeFile(Destination(), "an earlier render"));
    window->workingBuilder = platform;
    window->Open(timeline.Get());
    EXPECT_EQ(L"Video 32x24", std::wstring(window->Grid()->GetCellText(0, 0)));
    EXPECT_EQ(L"Sound", std::wstring(window->Grid()->GetCellText(1, 1)));
    EXPECT_EQ(L"Uncompressed audio", std::wstring(window->Grid()->GetCellText(3, 1)));
    std::wstring label = Render();
    EXPECT_TRUE(StartsWith(label, L"Done: " + std::to_wstring(ReadWholeFile(Destination()).size()) + L" bytes in "))
        << label;
    EXPECT_EQ(platform ? std::vector<std::wstring>{window->PartialPath()} : std::vector<std::wstring>{},
              WorkingBuilder::files);
    RenderedFile file(Destination());
    ASSERT_EQ(S_OK, file.opened);
    int v = file.StreamOf(MEDIATYPE_Video), a = file.StreamOf(MEDIATYPE_Audio);
    ASSERT_GE(v, 0);
    ASSERT_GE(a, 0);
    EXPECT_EQ(10, file.Frames(v));
    EXPECT_EQ(LONGLONG(audioBytes / 4), file.reader->Streams()[a].length * 8000 / kSecond);  // 16-bit stereo
    for (int f : {0, 5, 9}) {
      SCOPED_TRACE(f);
      EXPECT_EQ(AsRead(composed[0][f].bytes, kWidth, kHeight, 3), file.Frame(v, f));
    }
    EXPECT_FALSE(FileExists(window->PartialPath().c_str()));
  }
}

TEST_F(TimeLineRenderTest, ChosenCompressorsConfiguredInTheirWindowsWriteWhatTheReadersRead) {
  BuildProject();
  window->Open(timeline.Get());
  Choose(0, L"Morvik Motion JPEG");
  Choose(1, L"Morvik IMA ADPCM");
  auto configure = [&](int row) {
    window->Grid()->SelectCell(3, row);
    Click(window->ConfigButton());
  };
  int quality = 90;
  WindowAnswerer qualityWindow(L"WndVidCmp", [&](HWND hwnd) {
    HWND slider = FindWindowExW(hwnd, nullptr, L"msctls_trackbar32", nullptr);
    SendMessageW(slider, TBM_SETPOS, TRUE, quality);
    PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
  });
  WindowAnswerer formatWindow(L"WndStmCfg", [](HWND hwnd) { PostMessageW(hwnd, WM_COMMAND, IDOK, 0); });
  configure(0);
  configure(1);
  EXPECT_EQ(1, qualityWindow.Answered());
  EXPECT_EQ(1, formatWindow.Answered());
  EXPECT_TRUE(StartsWith(Render(), L"Done: "));
  int64_t better = ReadWholeFile(Destination()).size();
  {
    RenderedFile file(Destination());
    ASSERT_EQ(S_OK, file.opened);
    int v = file.StreamOf(MEDIATYPE_Video), a = file.StreamOf(MEDIATYPE_Audio);
    ASSERT_TRUE(v >= 0 && a >= 0);
    EXPECT_EQ(MEDIASUBTYPE_MJPG, file.reader->Streams()[v].type.Get().subtype);
    EXPECT_EQ(WAVE_FORMAT_IMA_ADPCM,
              reinterpret_cast<const WAVEFORMATEX*>(file.reader->Streams()[a].type.Get().pbFormat)->wFormatTag);
    EXPECT_EQ(10, file.Frames(v));
    EXPECT_EQ(size_t(kWidth * kHeight * 4), file.Frame(v, 9).size());
  }
  quality = 20;
  configure(0);
  EXPECT_TRUE(StartsWith(Render(), L"Done: "));
  EXPECT_LT(int64_t(ReadWholeFile(Destination()).size()), better);

  // Back to uncompressed: the compressor goes, and the next render writes RGB.
  Choose(0, L"Uncompressed video");
  EXPECT_EQ(nullptr, window->Entry(0)->compressor.Get());
  EXPECT_TRUE(StartsWith(Render(), L"Done: "));
  RenderedFile file(Destination());
  EXPECT_EQ(MEDIASUBTYPE_RGB24, file.reader->Streams()[file.StreamOf(MEDIATYPE_Video)].type.Get().subtype);
}

TEST_F(TimeLineRenderTest, StopAsksFirstAndKeepsAValidFileOfWhatWasWrittenBesideTheDestination) {
  BuildProject(3600.0, false);
  ASSERT_TRUE(WriteWholeFile(Destination(), "an earlier render"));
  window->Open(timeline.Get());
  DialogAnswerer answers({{IDCANCEL, L""}, {IDOK, L""}});
  Click(window->StartButton());
  ASSERT_TRUE(PumpUntil([&] { return Written() > 0; }));
  Click(window->StartButton());
  EXPECT_EQ(2, window->GetRenderState());
  Click(window->StartButton());
  ASSERT_TRUE(answers.AllAnswered());
  EXPECT_EQ(L"Render is in progress now. Do you want to interrupt?\nResult file can be corrupted.",
            answers.Boxes()[0].text);
  EXPECT_TRUE(Idle());
  std::wstring label = TextOf(window->ProgressLabel());
  EXPECT_TRUE(StartsWith(label, L"Interrupted at ")) << label;
  EXPECT_NE(std::wstring::npos, label.find(L"; kept as out.partial.avi")) << label;
  EXPECT_EQ("an earlier render", ReadWholeFile(Destination()));
  RenderedFile file(window->PartialPath());
  ASSERT_EQ(S_OK, file.opened);
  int v = file.StreamOf(MEDIATYPE_Video);
  ASSERT_GE(v, 0);
  EXPECT_GT(file.Frames(v), 0);
  EXPECT_EQ(size_t(kWidth * kHeight * 4), file.Frame(v, 0).size());
}

TEST_F(TimeLineRenderTest, ClosingAsksOnlyWhileRendering) {
  BuildProject(3600.0, false);
  window->Open(timeline.Get());
  {
    DialogAnswerer answers({{IDCANCEL, L""}, {IDOK, L""}});
    Click(window->StartButton());
    ASSERT_TRUE(PumpUntil([&] { return Written() > 0; }));
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(1u, answers.Boxes().size());
    EXPECT_EQ(2, window->GetRenderState());
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(answers.AllAnswered());
    EXPECT_FALSE(IsWindow(window->Handle()));
  }
  window->Destroy(true);
  window = new TestRender();
  ASSERT_EQ(0u, window->Create(nullptr, TestInstance()));
  window->Open(timeline.Get());
  DialogAnswerer none({});
  SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  PumpMessages();
  EXPECT_TRUE(none.Boxes().empty());
  EXPECT_FALSE(IsWindow(window->Handle()));
}

TEST_F(TimeLineRenderTest, ConfiguringAnUncompressedRowReportsTheInvalidArgument) {
  BuildProject();
  window->Open(timeline.Get());
  window->Grid()->SelectCell(3, 0);
  DialogAnswerer answers({{IDOK, L""}});
  Click(window->ConfigButton());
  ASSERT_TRUE(answers.AllAnswered());
  EXPECT_TRUE(StartsWith(answers.Boxes()[0].text, L"Uncompressed video\nCan't show compressor configuration\n80070057. "))
      << answers.Boxes()[0].text;
}

TEST_F(TimeLineRenderTest, TheFrameRateCellTakesOnlyDigitsAndADecimalPoint) {
  BuildProject();
  window->Open(timeline.Get());
  Edit(2, 0, L"2x");
  EXPECT_EQ(L"10", std::wstring(window->Grid()->GetCellText(2, 0)));
  Edit(2, 0, L"29.97");
  double fps = 0;
  video.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->GetOutputFPS(&fps);
  EXPECT_DOUBLE_EQ(29.97, fps);
  // The next render takes the new rate.
  EXPECT_TRUE(StartsWith(Render(), L"Done: "));
  RenderedFile file(Destination());
  EXPECT_NEAR(29.97, file.reader->Streams()[file.StreamOf(MEDIATYPE_Video)].frameRate, 0.01);
}

TEST_F(TimeLineRenderTest, AnEmptyTimelineSaysNothingWasWrittenAndLeavesNoFile) {
  AM_MEDIA_TYPE type = MakeVideoType(kWidth, kHeight, 24);
  AddTrack(AddGroup(L"Empty", &type).Get(), L"t");
  ClearMediaType(&type);
  window->Open(timeline.Get());
  EXPECT_EQ(L"Nothing was written: the timeline is empty", Render());
  EXPECT_FALSE(FileExists(Destination().c_str()));
  EXPECT_FALSE(FileExists(window->PartialPath().c_str()));
}

TEST_F(TimeLineRenderTest, AFailedStartIsReportedWithItsReasonAndLeavesTheWindowIdle) {
  AM_MEDIA_TYPE type = MakeVideoType(kWidth, kHeight, 16);  // RGB555, which Motion JPEG does not take
  ComPtr<IAMTimelineObj> group = AddGroup(L"Thin", &type);
  ClearMediaType(&type);
  AddSource(AddTrack(group.Get(), L"t").Get(), 0, kSecond, L"missing.avi");
  struct Case {
    const wchar_t* compressor;
    std::wstring file;
    const wchar_t* message;
  } cases[] = {
      {L"Uncompressed video", folder.File(L"missing\\out.avi"), L"Render error\n80070003: "},
      {L"Morvik Motion JPEG", Destination(), L"Render error\n80040217: "},
  };
  window->Open(timeline.Get());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.compressor);
    Choose(0, c.compressor);
    window->FileField()->SetText(c.file.c_str());
    DialogAnswerer answers({{IDOK, L""}});
    Click(window->StartButton());
    ASSERT_TRUE(answers.AllAnswered());
    EXPECT_TRUE(StartsWith(answers.Boxes()[0].text, c.message)) << answers.Boxes()[0].text;
    EXPECT_TRUE(Idle());
    EXPECT_EQ(-1, window->GetRenderState());
  }
}

}  // namespace
