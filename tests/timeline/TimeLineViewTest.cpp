// The preview window on the virtual display, playing still pictures (red
// 0-1 s, green 1-2 s, blue 2-3 s) and a tone through the video renderer and
// ALSA's null device.
#include <windows.h>
#include <commctrl.h>
#include <dshow.h>

#include <functional>

#include "DialogAnswerer.h"
#include "DirectShowHelpers.h"
#include "EffectIds.h"
#include "EngineTestSupport.h"
#include "FilterList.h"
#include "RenderSkipList.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestWindows.h"
#include "Text.h"
#include "TimeLineView.h"

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;
constexpr int64_t kMicroseconds = 1000000;  // a second of interface time
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

void WriteStill(const std::wstring& path, COLORREF c) {
  std::string rows;
  for (int i = 0; i < 8 * 8; ++i) rows += {char(GetBValue(c)), char(GetGValue(c)), char(GetRValue(c))};
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  BITMAPFILEHEADER header = {0x4D42, DWORD(offset + rows.size()), 0, 0, offset};
  WriteWholeFile(path, Bytes(header) + Bytes(Bitmap(8, 8, 24)) + rows);
}

bool Near(COLORREF a, COLORREF b) {
  return abs(GetRValue(a) - GetRValue(b)) < 24 && abs(GetGValue(a) - GetGValue(b)) < 24 &&
         abs(GetBValue(a) - GetBValue(b)) < 24;
}

// Answers the preview's close notices as the main window does.
struct Owner final : FrameWindow {
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != kPreviewNotice || wParam) return FrameWindow::WindowProc(hwnd, message, wParam, lParam);
    if (onNotice) onNotice(reinterpret_cast<HWND>(lParam));
    return 0;
  }
  std::function<void(HWND)> onNotice;
};

class PreviewTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ComPtr<IBaseFilter> sound;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     sound.ReceiveVoid()))
        << "no audio output: run with MORVIK_NULL_AUDIO=1 (ALSA's null device)";
    for (auto [name, color] : {std::pair{L"red.bmp", kRed}, {L"green.bmp", kGreen}, {L"blue.bmp", kBlue}})
      WriteStill(media.File(name), color);
    std::vector<int> tone;
    for (int i = 0; i < 44100 * 3; ++i) tone.insert(tone.end(), 2, (i % 100 - 50) * 100);
    WriteWholeFile(media.File(L"tone.wav"), PcmWav(16, 2, 44100, tone));
    static Owner* shared = new Owner();
    owner = shared;
    if (!owner->Handle()) owner->Create(nullptr, TestInstance());
    owner->onNotice = nullptr;
    preview = new TimeLineView();
    ASSERT_EQ(0u, preview->Create(owner->Handle(), TestInstance()));
  }
  void TearDown() override {
    if (preview) preview->Destroy(true);
    PumpMessages();
    nodes.clear();
    EngineTest::TearDown();
  }

  ComPtr<IAMTimelineObj> Keep(ComPtr<IAMTimelineObj> node) { return nodes.emplace_back(node); }
  ComPtr<IAMTimelineObj> Clip(IAMTimelineObj* track, double start, double stop, const wchar_t* file) {
    return Keep(AddSource(track, REFERENCE_TIME(start * kSecond), REFERENCE_TIME(stop * kSecond),
                          media.File(file).c_str()));
  }
  ComPtr<IAMTimelineObj> Group(AM_MEDIA_TYPE type) {
    ComPtr<IAMTimelineObj> group = Keep(AddGroup(L"G", &type));
    ClearMediaType(&type);
    return group;
  }
  // A video group of red, green and blue; its track.
  ComPtr<IAMTimelineObj> Colours(LONG width = 160) {
    ComPtr<IAMTimelineObj> track = Keep(AddTrack(Group(MakeVideoType(width, width * 3 / 4, 24)).Get(), L"T"));
    for (auto [at, file] : {std::pair{0, L"red.bmp"}, {1, L"green.bmp"}, {2, L"blue.bmp"}})
      Clip(track.Get(), at, at + 1, file);
    return track;
  }
  void Tone() { Clip(Keep(AddTrack(Group(MakeAudioType(44100)).Get(), L"A")).Get(), 0, 3, L"tone.wav"); }

  OAFilterState State() {
    OAFilterState state = -1;
    if (preview->Control()) preview->Control()->GetState(2000, &state);
    return state;
  }
  // Pumps messages until done() or ten seconds have passed.
  bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) {
      PumpMessages();
      Sleep(20);
    }
    return done();
  }
  // The middle of the video window as it shows now.
  COLORREF Pixel() {
    RECT client;
    GetClientRect(preview->Handle(), &client);
    POINT middle = {client.right / 2, (client.bottom - kPreviewStripHeight) / 2};
    HWND video = ChildWindowFromPointEx(preview->Handle(), middle, CWP_SKIPINVISIBLE);
    MapWindowPoints(preview->Handle(), video, &middle, 1);
    HDC dc = GetDC(video);
    COLORREF color = video == preview->Handle() ? CLR_INVALID : GetPixel(dc, middle.x, middle.y);
    ReleaseDC(video, dc);
    return color;
  }
  ::testing::AssertionResult Shows(COLORREF color) {
    if (WaitFor([&] { return Near(Pixel(), color); })) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the video shows 0x" << std::hex << Pixel() << " (BGR)";
  }
  ComPtr<IBaseFilter> Named(const wchar_t* name) {
    ComPtr<IBaseFilter> filter;
    preview->Graph()->FindFilterByName(name, filter.Receive());
    return filter;
  }
  static bool Connected(IBaseFilter* filter) {
    ComPtr<IPin> pin, peer;
    return filter && SUCCEEDED(FindPin(filter, PINDIR_INPUT, pin.Receive())) &&
           SUCCEEDED(pin->ConnectedTo(peer.Receive()));
  }

  TempFolder media;
  Owner* owner = nullptr;
  TimeLineView* preview = nullptr;
  std::vector<ComPtr<IAMTimelineObj>> nodes;
};

TEST_F(PreviewTest, PlaysToTheEndAndSeeksKeepingTheState) {
  Colours();
  Tone();
  EXPECT_EQ(-1, preview->SeekTo(0));  // no graph yet
  ASSERT_EQ(S_WARN_OUTPUTRESET, preview->Start(timeline.Get()));
  EXPECT_TRUE(Connected(Named(L"Morvik_group_video_renderer_0").Get()));
  EXPECT_TRUE(Connected(Named(L"Morvik_group_audio_renderer_1").Get()));
  long volume = 0;
  preview->Audio()->get_Volume(&volume);
  EXPECT_EQ(volume, SendMessageW(preview->VolumeSlider(), TBM_GETPOS, 0, 0));  // the slider shows it

  ASSERT_EQ(0, preview->SeekTo(3 * kMicroseconds / 2));
  EXPECT_EQ(State_Stopped, State());
  EXPECT_TRUE(Shows(kGreen));
  wchar_t caption[32];
  GetWindowTextW(preview->Handle(), caption, 32);
  EXPECT_STREQ(L"Preview 00:00:01,500000", caption);
  SendMessageW(preview->PlayButton(), BM_CLICK, 0, 0);
  EXPECT_EQ(State_Running, State());
  EXPECT_FALSE(preview->ShowsPlayIcon());
  preview->TogglePlay();
  preview->SeekTo(kMicroseconds / 2);
  EXPECT_EQ(State_Paused, State());
  EXPECT_TRUE(Shows(kRed));
  preview->TogglePlay();
  // The timer follows the play position.
  EXPECT_TRUE(WaitFor([&] { return GetWindowTextW(preview->Handle(), caption, 32) && caption[17] != L'5'; }));
  preview->SeekTo(2 * kMicroseconds);
  EXPECT_EQ(State_Running, State());
  EXPECT_TRUE(Shows(kBlue));
  ASSERT_TRUE(WaitFor([&] { return State() == State_Stopped; }));  // the end
  EXPECT_TRUE(preview->ShowsPlayIcon());
}

TEST_F(PreviewTest, EditsKeepTheRenderersAndChangeTheFrameAtTheCursor) {
  Colours();
  ComPtr<IAMTimelineObj> upper = Keep(AddTrack(nodes[0].Get(), L"U"));
  ComPtr<IAMTimelineObj> green = Clip(upper.Get(), 2, 3, L"green.bmp");
  preview->Start(timeline.Get());
  ComPtr<IBaseFilter> renderer = Named(L"Morvik_group_video_renderer_0");
  preview->SeekTo(kMicroseconds / 2);
  ASSERT_TRUE(Shows(kRed));
  green->SetStartStop(0, kSecond);  // moved under the cursor
  EXPECT_EQ(S_OK, preview->Reconnect());
  preview->SeekTo(kMicroseconds / 2);
  EXPECT_TRUE(Shows(kGreen));
  Keep(AddEffect(upper.Get(), 0, kSecond))->SetSubObjectGUID(CLSID_EngineGrayscale);
  EXPECT_EQ(S_OK, preview->Reconnect());
  preview->SeekTo(kMicroseconds / 2);
  EXPECT_TRUE(WaitFor([&] {
    COLORREF c = Pixel();
    return GetGValue(c) < 200 && Near(c, RGB(GetGValue(c), GetGValue(c), GetGValue(c)));  // gray
  }));
  EXPECT_EQ(renderer.Get(), Named(L"Morvik_group_video_renderer_0").Get());
  EXPECT_TRUE(Connected(renderer.Get()));
}

TEST_F(PreviewTest, ChoosingTheCheckedAudioDeviceDoesNothingAnotherReconnects) {
  audioRenderers.Clear();
  ASSERT_GE(EnumerateCategory(CLSID_AudioRendererCategory, audioRenderers), 1);
  Colours();
  Tone();
  preview->Start(timeline.Get());
  ComPtr<IBaseFilter> standard = Named(L"Morvik_group_audio_renderer_1");
  preview->TogglePlay();
  preview->OnMenuChoice(kPreviewDeviceFirst);
  EXPECT_EQ(0, preview->AudioDevice());
  EXPECT_EQ(State_Stopped, State());
  EXPECT_TRUE(preview->ShowsPlayIcon());
  ComPtr<IBaseFilter> chosen = Named(L"Morvik_group_audio_renderer_1");
  EXPECT_NE(standard.Get(), chosen.Get());
  EXPECT_TRUE(Connected(chosen.Get()));
  EXPECT_TRUE(Connected(preview->VideoRenderer()));
  HMENU menu = preview->BuildPopupMenu();
  EXPECT_EQ(MF_CHECKED, GetMenuState(menu, kPreviewDeviceFirst, MF_BYCOMMAND) & MF_CHECKED);
  DestroyMenu(menu);

  preview->TogglePlay();
  preview->OnMenuChoice(kPreviewDeviceFirst);
  EXPECT_EQ(State_Running, State());
  EXPECT_EQ(chosen.Get(), Named(L"Morvik_group_audio_renderer_1").Get());
  audioRenderers.Clear();
}

TEST_F(PreviewTest, AnAudioOnlyTimelineShowsNoVideoAndScalesTo400By300) {
  Tone();
  ASSERT_EQ(S_WARN_OUTPUTRESET, preview->Start(timeline.Get()));
  EXPECT_FALSE(Connected(preview->VideoRenderer()));
  auto client = [&] {
    RECT r;
    GetClientRect(preview->Handle(), &r);
    return std::pair{r.right, r.bottom};
  };
  preview->ResizeToVideo(200, 100);
  preview->OnMenuChoice(kPreviewScaleToVideo);
  EXPECT_EQ(std::pair(400L, 300L + kPreviewStripHeight), client());
  // A size the graph reports is taken, strip included.
  ComPtr<IGraphBuilder>(preview->Graph()).As<IMediaEventSink>(IID_IMediaEventSink)
      ->Notify(EC_VIDEO_SIZE_CHANGED, MAKELPARAM(320, 200), 0);
  EXPECT_TRUE(WaitFor([&] { return client() == std::pair(320L, 200L + kPreviewStripHeight); }));
}

TEST_F(PreviewTest, TheGraphAsksTheSkipListForEveryFilterProposed) {
  Colours();
  preview->Start(timeline.Get());
  ComPtr<IAMGraphBuilderCallback> callback;
  ComPtr<IGraphBuilder>(preview->Graph()).As<IObjectWithSite>(IID_IObjectWithSite)
      ->GetSite(IID_IAMGraphBuilderCallback, callback.ReceiveVoid());
  ASSERT_TRUE(callback);
  ComPtr<IMoniker> moniker;  // its display name "!Some Filter"
  ASSERT_EQ(S_OK, CreateItemMoniker(L"!", L"Some Filter", moniker.Receive()));
  for (auto [section, answer] : {std::pair{"nothing like it", S_OK}, {"other\r\nme filt", E_FAIL}}) {
    TempFolder folder;
    WriteWholeFile(folder.File(L"skip.ini"), std::string("[RenderSkipFilters]\r\n") + section + "\r\n");
    SettingsFile settings(CopyText(folder.File(L"skip.ini").c_str()));
    renderSkipFilters.Load(&settings);
    EXPECT_EQ(answer, callback->SelectedFilter(moniker.Get())) << section;
  }
  EXPECT_EQ(S_OK, callback->SelectedFilter(nullptr));
  renderSkipFilters.Load(nullptr);
}

TEST_F(PreviewTest, AGroupThatCannotBeShownIsReportedOnce) {
  Colours();
  Colours(320);
  DialogAnswerer answerer({{IDOK, L""}, {IDOK, L""}});
  preview->Start(timeline.Get());
  ASSERT_EQ(1u, answerer.Boxes().size());
  EXPECT_EQ(L"Morvik", answerer.Boxes()[0].caption);
  EXPECT_EQ(0u, answerer.Boxes()[0].text.find(L"Video group 1 is not shown")) << answerer.Boxes()[0].text;
  EXPECT_TRUE(Connected(preview->VideoRenderer()));
  preview->Start(timeline.Get());  // the same groups again: nothing more said
  EXPECT_EQ(1u, answerer.Boxes().size());
}

// Closing the preview while it tells a problem must not pull the graph and the
// window away under the box: the close waits for the box, then happens.
TEST_F(PreviewTest, ACloseAskedForUnderAProblemBoxWaitsForTheBox) {
  Colours();
  Colours(320);
  HWND hwnd = preview->Handle();
  owner->onNotice = [&](HWND from) {
    if (!preview || from != preview->Handle()) return;
    preview->Destroy(true);
    preview = nullptr;
  };
  DialogAnswerer answerer({{IDOK, L"", [&](HWND) { SendMessageW(hwnd, WM_CLOSE, 0, 0); }}});
  preview->Start(timeline.Get());
  ASSERT_EQ(1u, answerer.Boxes().size());
  ASSERT_NE(nullptr, preview);
  EXPECT_TRUE(preview->Graph());
  EXPECT_TRUE(WaitFor([&] { return preview == nullptr; }));
}

}  // namespace
