// The preview window on the virtual display, playing timelines of still
// pictures (red 0-1 s, green 1-2 s, blue 2-3 s) and a stereo tone through the
// video renderer and ALSA's null device.
#include <windows.h>
#include <commctrl.h>
#include <dshow.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

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
constexpr int64_t kMicroseconds = 1000000;  // a second in interface time
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// A 64 x 48 picture of one colour.
void WriteStill(const std::wstring& path, COLORREF color) {
  BITMAPINFOHEADER info = Bitmap(64, 48, 24);
  std::string pixel = {char(GetBValue(color)), char(GetGValue(color)), char(GetRValue(color))};
  std::string rows;
  for (int i = 0; i < 64 * 48; ++i) rows += pixel;
  BITMAPFILEHEADER header = {};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = DWORD(header.bfOffBits + rows.size());
  WriteFileBytes(path, Bytes(header) + Bytes(info) + rows);
}

void WriteTone(const std::wstring& path, int seconds) {
  std::vector<int> samples;
  for (int i = 0; i < 44100 * seconds; ++i) {
    int value = int(8000 * std::sin(i * 2 * 3.14159265 * 440 / 44100));
    samples.push_back(value);
    samples.push_back(-value);
  }
  WriteFileBytes(path, PcmWav(16, 2, 44100, samples));
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) < 24 && std::abs(GetGValue(a) - GetGValue(b)) < 24 &&
         std::abs(GetBValue(a) - GetBValue(b)) < 24;
}

// Answers what the preview tells its owner, as the main window does.
class Owner final : public FrameWindow {
 public:
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kPreviewNotice && wParam == 0) {
      notices.push_back(reinterpret_cast<HWND>(lParam));
      if (onNotice) onNotice(reinterpret_cast<HWND>(lParam));
      return 0;
    }
    return FrameWindow::WindowProc(hwnd, message, wParam, lParam);
  }
  std::vector<HWND> notices;
  std::function<void(HWND)> onNotice;
};

Owner* SharedOwner() {
  static Owner* owner = nullptr;
  if (!owner) {
    owner = new Owner();
    owner->SetSize(200, 100);
    owner->Create(nullptr, TestInstance());
    ShowWindow(owner->Handle(), SW_SHOW);
  }
  owner->notices.clear();
  owner->onNotice = nullptr;
  return owner;
}

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
    WriteTone(media.File(L"tone.wav"), 3);
    owner = SharedOwner();
    preview = new TimeLineView();
    ASSERT_EQ(0u, preview->Create(owner->Handle(), TestInstance()));
    SetWindowPos(preview->Handle(), HWND_TOP, 250, 0, 0, 0, SWP_NOSIZE);
  }
  void TearDown() override {
    if (preview) preview->Destroy(true);
    PumpMessages();
    nodes.clear();
    EngineTest::TearDown();
  }

  ComPtr<IAMTimelineObj> Keep(ComPtr<IAMTimelineObj> node) {
    nodes.push_back(node);
    return node;
  }
  ComPtr<IAMTimelineObj> Clip(IAMTimelineObj* track, double start, double stop, const wchar_t* file) {
    return Keep(AddSource(track, REFERENCE_TIME(start * kSecond), REFERENCE_TIME(stop * kSecond),
                          media.File(file).c_str()));
  }
  ComPtr<IAMTimelineObj> VideoGroup(LONG width = 160, LONG height = 120) {
    AM_MEDIA_TYPE type = MakeVideoType(width, height, 24);
    ComPtr<IAMTimelineObj> group = Keep(AddGroup(L"Video", &type));
    ClearMediaType(&type);
    return group;
  }
  // Red, green and blue stills one second each on one track.
  ComPtr<IAMTimelineObj> ColourTrack(IAMTimelineObj* group) {
    ComPtr<IAMTimelineObj> track = Keep(AddTrack(group, L"T0"));
    Clip(track.Get(), 0, 1, L"red.bmp");
    Clip(track.Get(), 1, 2, L"green.bmp");
    Clip(track.Get(), 2, 3, L"blue.bmp");
    return track;
  }
  void AudioGroup() {
    AM_MEDIA_TYPE type = MakeAudioType(44100);
    ComPtr<IAMTimelineObj> group = Keep(AddGroup(L"Audio", &type));
    ClearMediaType(&type);
    Clip(Keep(AddTrack(group.Get(), L"A0")).Get(), 0, 3, L"tone.wav");
  }

  OAFilterState State() {
    OAFilterState state = -1;
    if (preview->Control()) preview->Control()->GetState(2000, &state);
    return state;
  }
  // Pumps messages until done() or about ten seconds have passed.
  bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 500; ++i) {
      PumpMessages();
      if (done()) return true;
      Sleep(20);
    }
    return false;
  }
  // The middle of the video window, as it shows now.
  COLORREF VideoPixel() {
    RECT client;
    GetClientRect(preview->Handle(), &client);
    POINT middle = {client.right / 2, (client.bottom - kPreviewStripHeight) / 2};
    HWND video = ChildWindowFromPointEx(preview->Handle(), middle, CWP_SKIPINVISIBLE);
    if (!video || video == preview->Handle()) return CLR_INVALID;
    MapWindowPoints(preview->Handle(), video, &middle, 1);
    HDC dc = GetDC(video);
    COLORREF color = GetPixel(dc, middle.x, middle.y);
    ReleaseDC(video, dc);
    return color;
  }
  ::testing::AssertionResult Shows(COLORREF color) {
    if (WaitFor([&] { return Near(VideoPixel(), color); })) return ::testing::AssertionSuccess();
    wchar_t seen[16];
    wsprintfW(seen, L"%06lx", static_cast<unsigned long>(VideoPixel()));
    return ::testing::AssertionFailure() << "the video shows " << std::string(seen, seen + 6) << " (0xBBGGRR)";
  }
  LONGLONG Position() {
    LONGLONG position = -1;
    ComPtr<IMediaSeeking> seeking = ComPtr<IGraphBuilder>(preview->Graph()).As<IMediaSeeking>(IID_IMediaSeeking);
    if (seeking) seeking->GetCurrentPosition(&position);
    return position;
  }
  std::wstring Caption() {
    wchar_t text[64] = {};
    GetWindowTextW(preview->Handle(), text, 64);
    return text;
  }
  ComPtr<IBaseFilter> Named(const wchar_t* name) {
    ComPtr<IBaseFilter> filter;
    if (preview->Graph()) preview->Graph()->FindFilterByName(name, filter.Receive());
    return filter;
  }
  static bool Connected(IBaseFilter* filter) {
    ComPtr<IPin> pin, peer;
    return filter && SUCCEEDED(FindPin(filter, PINDIR_INPUT, pin.Receive())) &&
           SUCCEEDED(pin->ConnectedTo(peer.Receive()));
  }
  SIZE ClientSize() {
    RECT client;
    GetClientRect(preview->Handle(), &client);
    return {client.right, client.bottom};
  }

  TempFolder media;
  Owner* owner = nullptr;
  TimeLineView* preview = nullptr;
  std::vector<ComPtr<IAMTimelineObj>> nodes;
};

TEST_F(PreviewTest, PlaysToTheEndShowingThePositionAndStopsWithThePlayIcon) {
  ColourTrack(VideoGroup().Get());
  AudioGroup();
  ASSERT_EQ(S_WARN_OUTPUTRESET, preview->Start(timeline.Get()));
  EXPECT_TRUE(Connected(Named(L"Morvik_group_video_renderer_0").Get()));
  EXPECT_TRUE(Connected(Named(L"Morvik_group_audio_renderer_1").Get()));
  // The volume the slider shows is the one the graph plays at.
  long volume = 0;
  ASSERT_TRUE(preview->Audio());
  preview->Audio()->get_Volume(&volume);
  EXPECT_EQ(-2500, volume);
  EXPECT_EQ(-2500, SendMessageW(preview->VolumeSlider(), TBM_GETPOS, 0, 0));
  EXPECT_EQ(-10000, SendMessageW(preview->VolumeSlider(), TBM_GETRANGEMIN, 0, 0));
  EXPECT_EQ(State_Stopped, State());

  SendMessageW(preview->PlayButton(), BM_CLICK, 0, 0);
  EXPECT_EQ(State_Running, State());
  EXPECT_FALSE(preview->ShowsPlayIcon());
  ASSERT_TRUE(WaitFor([&] { return Caption().find(L"Preview 00:00:01,") == 0; })) << Caption();
  ASSERT_TRUE(WaitFor([&] { return State() == State_Stopped; }));
  EXPECT_TRUE(preview->ShowsPlayIcon());
  EXPECT_TRUE(Shows(kBlue));  // the last frame stays
}

TEST_F(PreviewTest, SeeksKeepingTheStateAndShowTheFrameThere) {
  ColourTrack(VideoGroup().Get());
  AudioGroup();
  EXPECT_EQ(-1, preview->SeekTo(0));  // no graph yet
  preview->Start(timeline.Get());
  ASSERT_EQ(0, preview->SeekTo(3 * kMicroseconds / 2));
  EXPECT_EQ(State_Stopped, State());
  EXPECT_TRUE(Shows(kGreen));
  preview->SeekTo(5 * kMicroseconds / 2);
  EXPECT_EQ(State_Stopped, State());
  EXPECT_TRUE(Shows(kBlue));

  preview->SeekTo(0);
  ASSERT_EQ(0, preview->TogglePlay());
  preview->SeekTo(2 * kMicroseconds);
  EXPECT_EQ(State_Running, State());
  EXPECT_GE(Position(), 2 * kSecond);
  EXPECT_TRUE(Shows(kBlue));
  preview->TogglePlay();
  EXPECT_EQ(State_Paused, State());
  preview->SeekTo(kMicroseconds / 2);
  EXPECT_EQ(State_Paused, State());
  EXPECT_TRUE(Shows(kRed));
}

TEST_F(PreviewTest, EditsKeepTheRenderersAndChangeTheFrameAtTheCursor) {
  ComPtr<IAMTimelineObj> group = VideoGroup();
  ComPtr<IAMTimelineObj> lower = ColourTrack(group.Get());
  ComPtr<IAMTimelineObj> upper = Keep(AddTrack(group.Get(), L"T1"));
  ComPtr<IAMTimelineObj> green = Clip(upper.Get(), 2, 3, L"green.bmp");
  preview->Start(timeline.Get());
  ComPtr<IBaseFilter> renderer = Named(L"Morvik_group_video_renderer_0");
  preview->SeekTo(kMicroseconds / 2);
  ASSERT_TRUE(Shows(kRed));

  ASSERT_EQ(S_OK, green->SetStartStop(0, kSecond));  // moved under the cursor
  EXPECT_EQ(S_OK, preview->Reconnect());
  preview->SeekTo(kMicroseconds / 2);
  EXPECT_TRUE(Shows(kGreen));
  ComPtr<IAMTimelineObj> gray = Keep(AddEffect(upper.Get(), 0, kSecond));
  gray->SetSubObjectGUID(CLSID_EngineGrayscale);
  EXPECT_EQ(S_OK, preview->Reconnect());
  preview->SeekTo(kMicroseconds / 2);
  EXPECT_TRUE(WaitFor([&] {
    COLORREF c = VideoPixel();
    return GetGValue(c) > 60 && GetGValue(c) < 200 && Near(c, RGB(GetGValue(c), GetGValue(c), GetGValue(c)));
  })) << std::hex << VideoPixel();
  EXPECT_EQ(renderer.Get(), Named(L"Morvik_group_video_renderer_0").Get());
  EXPECT_TRUE(Connected(renderer.Get()));
}

TEST_F(PreviewTest, ClosingWhilePlayingDestroysTheGraphBeforeTheOwnerDeletesTheWindow) {
  ColourTrack(VideoGroup().Get());
  AudioGroup();
  preview->Start(timeline.Get());
  preview->TogglePlay();
  HWND hwnd = preview->Handle();
  bool graphGone = false;
  owner->onNotice = [&](HWND from) {
    if (!preview || from != preview->Handle()) return;  // the second notice finds no preview
    graphGone = !preview->Graph() && !preview->Control();
    preview->Destroy(true);
    preview = nullptr;
  };
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return owner->notices.size() == 2; }));
  EXPECT_TRUE(graphGone);
  EXPECT_EQ(hwnd, owner->notices[0]);
  EXPECT_EQ(hwnd, owner->notices[1]);  // from WM_DESTROY, after the window went
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(PreviewTest, ChoosingTheCheckedAudioDeviceDoesNothingAnotherReconnects) {
  audioRenderers.Clear();
  EnumerateCategory(CLSID_AudioRendererCategory, audioRenderers);
  ASSERT_GE(audioRenderers.Count(), 1);
  ColourTrack(VideoGroup().Get());
  AudioGroup();
  preview->Start(timeline.Get());
  EXPECT_EQ(-1, preview->AudioDevice());
  ComPtr<IBaseFilter> standard = Named(L"Morvik_group_audio_renderer_1");
  preview->TogglePlay();
  preview->OnMenuChoice(kPreviewDeviceFirst);
  EXPECT_EQ(0, preview->AudioDevice());
  EXPECT_EQ(State_Stopped, State());
  EXPECT_TRUE(preview->ShowsPlayIcon());
  ComPtr<IBaseFilter> device = Named(L"Morvik_group_audio_renderer_1");
  ASSERT_TRUE(Connected(device.Get()));
  EXPECT_NE(standard.Get(), device.Get());
  EXPECT_TRUE(Connected(Named(L"Morvik_group_video_renderer_0").Get()));

  HMENU menu = preview->BuildPopupMenu();
  MENUITEMINFOW item = {};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STATE | MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoW(menu, kPreviewDeviceFirst, FALSE, &item));
  EXPECT_TRUE(item.fState & MFS_CHECKED);
  EXPECT_TRUE(item.fType & MFT_RADIOCHECK);
  DestroyMenu(menu);

  preview->TogglePlay();
  preview->OnMenuChoice(kPreviewDeviceFirst);
  EXPECT_EQ(State_Running, State());
  EXPECT_EQ(device.Get(), Named(L"Morvik_group_audio_renderer_1").Get());
  audioRenderers.Clear();
}

TEST_F(PreviewTest, AnAudioOnlyTimelineLeavesTheVideoEmptyAndScalesTo400By300) {
  AudioGroup();
  ASSERT_EQ(S_WARN_OUTPUTRESET, preview->Start(timeline.Get()));
  EXPECT_FALSE(Connected(preview->VideoRenderer()));
  preview->ResizeToVideo(200, 100);
  preview->OnMenuChoice(kPreviewScaleToVideo);
  EXPECT_EQ(400, ClientSize().cx);
  EXPECT_EQ(300 + kPreviewStripHeight, ClientSize().cy);

  // A size change the graph reports resizes to it, strip included.
  ComPtr<IMediaEventSink> sink = ComPtr<IGraphBuilder>(preview->Graph()).As<IMediaEventSink>(IID_IMediaEventSink);
  sink->Notify(EC_VIDEO_SIZE_CHANGED, MAKELPARAM(320, 200), 0);
  EXPECT_TRUE(WaitFor([&] { return ClientSize().cx == 320 && ClientSize().cy == 200 + kPreviewStripHeight; }));
}

TEST_F(PreviewTest, TheGraphAsksTheSkipListForEveryFilterProposed) {
  ColourTrack(VideoGroup(320, 240).Get());
  preview->Start(timeline.Get());
  ComPtr<IObjectWithSite> site = ComPtr<IGraphBuilder>(preview->Graph()).As<IObjectWithSite>(IID_IObjectWithSite);
  ASSERT_TRUE(site);
  ComPtr<IAMGraphBuilderCallback> callback;
  ASSERT_EQ(S_OK, site->GetSite(IID_IAMGraphBuilderCallback, callback.ReceiveVoid()));

  ComPtr<ICreateDevEnum> devices;
  ComPtr<IEnumMoniker> monikers;
  CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum, devices.ReceiveVoid());
  ASSERT_EQ(S_OK, devices->CreateClassEnumerator(CLSID_AudioRendererCategory, monikers.Receive(), 0));
  ComPtr<IMoniker> moniker;
  ASSERT_EQ(S_OK, monikers->Next(1, moniker.Receive(), nullptr));
  wchar_t* name = nullptr;
  moniker->GetDisplayName(nullptr, nullptr, &name);
  std::wstring tail = std::wstring(name).substr(std::wstring(name).size() - 6);
  CoTaskMemFree(name);

  TempFolder folder;
  WriteFileBytes(folder.File(L"other.ini"), "[RenderSkipFilters]\r\nnothing like it\r\n");
  SettingsFile unrelated(CopyText(folder.File(L"other.ini").c_str()));
  renderSkipFilters.Load(&unrelated);
  EXPECT_EQ(S_OK, callback->SelectedFilter(moniker.Get()));
  WriteFileBytes(folder.File(L"skip.ini"), "[RenderSkipFilters]\r\nnothing like it\r\n" +
                                               std::string(tail.begin(), tail.end()) + "\r\n");
  SettingsFile naming(CopyText(folder.File(L"skip.ini").c_str()));
  renderSkipFilters.Load(&naming);
  EXPECT_EQ(E_FAIL, callback->SelectedFilter(moniker.Get()));
  EXPECT_EQ(S_OK, callback->SelectedFilter(nullptr));
  renderSkipFilters.Load(nullptr);
}

TEST_F(PreviewTest, AGroupThatCannotBeShownIsReportedOnce) {
  ColourTrack(VideoGroup().Get());
  ColourTrack(VideoGroup(320, 240).Get());
  DialogAnswerer answerer({{IDOK, L""}, {IDOK, L""}});
  preview->Start(timeline.Get());
  ASSERT_EQ(1u, answerer.Boxes().size());
  EXPECT_EQ(L"Morvik", answerer.Boxes()[0].caption);
  EXPECT_EQ(0u, answerer.Boxes()[0].text.find(L"Video group 1 is not shown")) << answerer.Boxes()[0].text;
  EXPECT_TRUE(Connected(preview->VideoRenderer()));
  // Rebuilt with the same groups, the preview says nothing more.
  preview->Start(timeline.Get());
  EXPECT_EQ(1u, answerer.Boxes().size());
}

}  // namespace
