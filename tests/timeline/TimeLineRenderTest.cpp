// The render window on an engine timeline: what it writes against what the
// render engine composes, the compressors chosen and configured in its grid,
// stopping, closing and its messages.
#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <memory>

#include "Button.h"
#include "DialogAnswerer.h"
#include "EditBox.h"
#include "EngineRegistration.h"
#include "FilterList.h"
#include "GraphTesting.h"
#include "GridCombo.h"
#include "GridControl.h"
#include "MediaReaders.h"
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

std::wstring TextOf(const Window* control) {
  wchar_t* text = control->GetText();
  std::wstring copy = text ? text : L"";
  FreeText(text);
  return copy;
}

std::wstring TextOf(const GridControl* grid, int col, int row) {
  const wchar_t* text = grid->GetCellText(col, row);
  return text ? text : L"";
}

bool StartsWith(const std::wstring& text, const std::wstring& start) { return text.rfind(start, 0) == 0; }

// A rendered file through the engine's readers; frame f of a video stream
// as top-down BGRA.
struct Rendered {
  explicit Rendered(const std::wstring& path) { opened = MediaReaders::Open(path.c_str(), &reader); }
  const MediaStream& Stream(const GUID& majorType) const {
    for (const MediaStream& s : reader->Streams())
      if (s.type.Get().majortype == majorType) return s;
    return reader->Streams().at(99);
  }
  int Index(const GUID& majorType) const { return int(&Stream(majorType) - reader->Streams().data()); }
  LONGLONG Frames() const { return std::llround(Stream(MEDIATYPE_Video).length * Stream(MEDIATYPE_Video).frameRate / 1e7); }
  std::vector<BYTE> Frame(LONGLONG f) const {
    std::vector<BYTE> pixels;
    reader->ReadFrame(Index(MEDIATYPE_Video), REFERENCE_TIME((f + 0.5) * 1e7 / Stream(MEDIATYPE_Video).frameRate), &pixels);
    return pixels;
  }
  HRESULT opened;
  std::unique_ptr<MediaReader> reader;
};

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
    // The compressors are listed in their categories as the program lists them.
    CoInitialize(nullptr);
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
    NewWindow();
  }
  void TearDown() override {
    window->Destroy(true);
    video.Reset();
    EngineTest::TearDown();
  }
  void NewWindow() {
    window = new TestRender();
    ASSERT_EQ(0u, window->Create(nullptr, TestInstance()));
    window->FileField()->SetText(Destination().c_str());
  }
  std::wstring Destination() const { return folder.File(L"out.avi"); }

  // A 32 x 24 RGB24 group at 10 fps of a clip of 8 moving frames, and with
  // audio a group of a 1 s tone, the clips stretched over seconds.
  void BuildProject(double seconds = 1.0, bool audio = true) {
    AM_MEDIA_TYPE type = MakeVideoType(kWidth, kHeight, 24);
    video = AddGroup(L"Pictures", &type);
    ClearMediaType(&type);
    video.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetOutputFPS(10);
    std::vector<AviStream> streams = {{Bytes(Bitmap(kWidth, kHeight, 24))}};
    for (int f = 0; f < 8; ++f) streams[0].chunks.push_back(TestFrame(kWidth, kHeight, 3, f));
    ASSERT_EQ(S_OK, WriteAvi(folder.File(L"clip.avi"), streams));  // 25 fps
    Clip(video.Get(), REFERENCE_TIME(seconds * kSecond), L"clip.avi", kSecond * 8 / 25);
    if (!audio) return;
    type = MakeAudioType(8000);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Sound", &type);
    ClearMediaType(&type);
    std::vector<int> samples(8000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = int(8000 * std::sin(i * 0.05));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"tone.wav"), PcmWav(16, 1, 8000, samples)));
    Clip(group.Get(), kSecond, L"tone.wav", kSecond);
  }
  void Clip(IAMTimelineObj* group, REFERENCE_TIME stop, const wchar_t* name, REFERENCE_TIME mediaStop) {
    ComPtr<IAMTimelineObj> source = AddSource(AddTrack(group, L"t").Get(), 0, stop, folder.File(name).c_str());
    source.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaTimes(0, mediaStop);
  }

  // What the render engine delivers for each group.
  std::vector<std::vector<Sample>> Composed() {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IRenderEngine> engine;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
    CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine, engine.ReceiveVoid());
    engine->SetTimelineObject(timeline.Get());
    engine->SetFilterGraph(graph.Get());
    engine->ConnectFrontEnd();
    std::vector<ComPtr<IBaseFilter>> sinks(2);
    for (long g = 0; g < 2; ++g) {
      CreateComObject<CollectingSink>(nullptr, IID_IBaseFilter, sinks[g].ReceiveVoid());
      ComPtr<IPin> pin;
      engine->GetGroupOutputPin(g, pin.Receive());
      graph->AddFilter(sinks[g].Get(), nullptr);
      EXPECT_EQ(S_OK, graph->ConnectDirect(pin.Get(), PinOf(sinks[g].Get(), PINDIR_INPUT).Get(), nullptr));
    }
    EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    engine->ScrapIt();
    return {static_cast<CollectingSink*>(sinks[0].Get())->samples, static_cast<CollectingSink*>(sinks[1].Get())->samples};
  }

  void Click(Button* button) {
    SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), LPARAM(button->Handle()));
  }
  bool Idle() { return TextOf(window->StartButton()) == L"Start"; }
  // Start, then the label at the end.
  std::wstring Render() {
    Click(window->StartButton());
    EXPECT_TRUE(PumpUntil([&] { return Idle(); }));
    return TextOf(window->ProgressLabel());
  }
  // Edits a cell as the user does: the compressor through its list, the rate as text.
  void Edit(int col, int row, const wchar_t* text) {
    GridControl* grid = window->Grid();
    grid->SelectCell(col, row);
    ASSERT_EQ(0, grid->BeginEdit());
    if (col == 3) {
      auto* list = static_cast<GridCombo*>(grid->GetEditor());
      list->SetCurSel(list->FindString(text, -1, true));
    } else {
      grid->GetEditor()->SetText(text);
    }
    SendMessageW(grid->GetEditor()->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(nullptr, grid->GetEditor());
  }
  LONGLONG Written() {
    ComPtr<IBaseFilter> writer;
    LONGLONG position = 0;
    if (window->Graph() && SUCCEEDED(window->Graph()->FindFilterByName(L"AVI writer", writer.Receive())))
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
  ASSERT_EQ(10u, composed[0].size());
  size_t audioBytes = 0;
  for (const Sample& block : composed[1]) audioBytes += block.bytes.size();
  for (bool platform : {false, true}) {
    SCOPED_TRACE(platform ? "the platform's builder" : "the engine's writer in its place");
    WorkingBuilder::files.clear();
    ASSERT_TRUE(WriteWholeFile(Destination(), "an earlier render"));
    window->workingBuilder = platform;
    window->Open(timeline.Get());
    EXPECT_EQ(L"Video 32x24|Sound|Uncompressed audio", TextOf(window->Grid(), 0, 0) + L"|" +
                                                           TextOf(window->Grid(), 1, 1) + L"|" + TextOf(window->Grid(), 3, 1));
    std::wstring label = Render();
    EXPECT_TRUE(StartsWith(label, L"Done: " + std::to_wstring(ReadWholeFile(Destination()).size()) + L" bytes in ")) << label;
    EXPECT_EQ(platform ? std::vector<std::wstring>{window->PartialPath()} : std::vector<std::wstring>{}, WorkingBuilder::files);
    EXPECT_FALSE(FileExists(window->PartialPath().c_str()));
    Rendered file(Destination());
    ASSERT_EQ(S_OK, file.opened);
    EXPECT_EQ(10, file.Frames());
    EXPECT_EQ(LONGLONG(audioBytes / 4), file.Stream(MEDIATYPE_Audio).length * 8000 / kSecond);  // 16-bit stereo
    for (int f : {0, 5, 9}) EXPECT_EQ(AsRead(composed[0][f].bytes, kWidth, kHeight, 3), file.Frame(f)) << f;
  }
}

TEST_F(TimeLineRenderTest, CompressorsChosenAndConfiguredInTheGridWriteWhatTheReadersRead) {
  BuildProject();
  window->Open(timeline.Get());
  auto configure = [&](int row) {
    window->Grid()->SelectCell(3, row);
    Click(window->ConfigButton());
  };
  {  // "Uncompressed" has no configuration.
    DialogAnswerer answers({{IDOK, L""}});
    configure(0);
    EXPECT_TRUE(StartsWith(answers.Boxes().at(0).text, L"Uncompressed video\nCan't show compressor configuration\n80070057. "));
  }
  Edit(3, 0, L"Morvik Motion JPEG");
  Edit(3, 1, L"Morvik IMA ADPCM");
  auto quality = [](int value) {
    return [value](HWND hwnd) {
      EXPECT_FALSE(IsWindowEnabled(FindWindowExW(hwnd, nullptr, L"Edit", L"1")));  // key frames: quality only
      SendMessageW(FindWindowExW(hwnd, nullptr, TRACKBAR_CLASSW, nullptr), TBM_SETPOS, TRUE, value);
    };
  };
  {
    DialogAnswerer answers({{IDOK, L"", quality(90)}}, L"WndVidCmp");
    configure(0);
    EXPECT_TRUE(answers.AllAnswered());
  }
  {
    DialogAnswerer answers({{IDOK, L"", [](HWND hwnd) {
                               HWND list = FindWindowExW(hwnd, nullptr, WC_LISTVIEWW, nullptr);
                               EXPECT_EQ(1, ListView_GetItemCount(list));  // the one format, marked as present
                               EXPECT_EQ(0, ListView_GetSelectionMark(list));
                             }}},
                           L"WndStmCfg");
    configure(1);
    EXPECT_TRUE(answers.AllAnswered());
  }
  EXPECT_TRUE(StartsWith(Render(), L"Done: "));
  size_t better = ReadWholeFile(Destination()).size();
  {
    Rendered file(Destination());
    ASSERT_EQ(S_OK, file.opened);
    EXPECT_EQ(MEDIASUBTYPE_MJPG, file.Stream(MEDIATYPE_Video).type.Get().subtype);
    EXPECT_EQ(WAVE_FORMAT_IMA_ADPCM, reinterpret_cast<const WAVEFORMATEX*>(file.Stream(MEDIATYPE_Audio).type.Get().pbFormat)->wFormatTag);
    EXPECT_EQ(10, file.Frames());
    EXPECT_EQ(size_t(kWidth * kHeight * 4), file.Frame(9).size());
  }
  {
    DialogAnswerer answers({{IDOK, L"", quality(20)}}, L"WndVidCmp");
    configure(0);
  }
  EXPECT_TRUE(StartsWith(Render(), L"Done: "));
  EXPECT_LT(ReadWholeFile(Destination()).size(), better);
  // Back to uncompressed: the compressor goes, and the next render writes RGB.
  Edit(3, 0, L"Uncompressed video");
  EXPECT_EQ(nullptr, window->Entry(0)->compressor.Get());
  EXPECT_TRUE(StartsWith(Render(), L"Done: "));
  EXPECT_EQ(MEDIASUBTYPE_RGB24, Rendered(Destination()).Stream(MEDIATYPE_Video).type.Get().subtype);
}

TEST_F(TimeLineRenderTest, StopAndCloseAskWhileRenderingAndAStopKeepsAValidFileBesideTheDestination) {
  BuildProject(3600.0, false);
  ASSERT_TRUE(WriteWholeFile(Destination(), "an earlier render"));
  window->Open(timeline.Get());
  DialogAnswerer answers({{IDCANCEL, L""}, {IDCANCEL, L""}, {IDOK, L""}});
  Click(window->StartButton());
  ASSERT_TRUE(PumpUntil([&] { return Written() > 0; }));
  Click(window->StartButton());
  SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(2, window->GetRenderState());
  Click(window->StartButton());
  ASSERT_TRUE(answers.AllAnswered());
  EXPECT_EQ(L"Render is in progress now. Do you want to interrupt?\nResult file can be corrupted.", answers.Boxes()[1].text);
  EXPECT_TRUE(Idle());
  std::wstring label = TextOf(window->ProgressLabel());
  EXPECT_TRUE(StartsWith(label, L"Interrupted at ") && label.find(L"; kept as out.partial.avi") != label.npos) << label;
  EXPECT_EQ("an earlier render", ReadWholeFile(Destination()));
  Rendered file(window->PartialPath());
  ASSERT_EQ(S_OK, file.opened);
  EXPECT_GT(file.Frames(), 0);
  EXPECT_EQ(size_t(kWidth * kHeight * 4), file.Frame(0).size());

  DialogAnswerer none({});  // idle: closes without a question
  SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window->Handle()));
  EXPECT_TRUE(none.Boxes().empty());
}

TEST_F(TimeLineRenderTest, TheFrameRateCellTakesOnlyDigitsAndAPointAndTheNextRenderUsesIt) {
  BuildProject();
  window->Open(timeline.Get());
  Edit(2, 0, L"2x");
  EXPECT_EQ(L"10", TextOf(window->Grid(), 2, 0));
  Edit(2, 0, L"29.97");
  double fps = 0;
  video.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->GetOutputFPS(&fps);
  EXPECT_DOUBLE_EQ(29.97, fps);
  EXPECT_TRUE(StartsWith(Render(), L"Done: "));
  EXPECT_NEAR(29.97, Rendered(Destination()).Stream(MEDIATYPE_Video).frameRate, 0.01);
}

TEST_F(TimeLineRenderTest, AStartThatFailsOrWritesNothingSaysWhy) {
  AM_MEDIA_TYPE type = MakeVideoType(kWidth, kHeight, 16);  // RGB555, which Motion JPEG does not take
  AddTrack(AddGroup(L"Empty", &type).Get(), L"t");
  ClearMediaType(&type);
  window->Open(timeline.Get());
  EXPECT_EQ(L"Nothing was written: the timeline is empty", Render());
  EXPECT_FALSE(FileExists(Destination().c_str()) || FileExists(window->PartialPath().c_str()));
  struct Case {
    const wchar_t* compressor;
    std::wstring file;
    const wchar_t* message;
  } cases[] = {
      {L"Uncompressed video", folder.File(L"missing\\out.avi"), L"Render error\n80070003: "},
      {L"Morvik Motion JPEG", Destination(), L"Render error\n80040217: "},
  };
  for (const Case& c : cases) {
    Edit(3, 0, c.compressor);
    window->FileField()->SetText(c.file.c_str());
    DialogAnswerer answers({{IDOK, L""}});
    Click(window->StartButton());
    EXPECT_TRUE(StartsWith(answers.Boxes().at(0).text, c.message)) << answers.Boxes()[0].text;
    EXPECT_TRUE(Idle() && window->GetRenderState() == -1);
  }
}

}  // namespace
