#include "TimeLineTesting.h"

namespace {

FrameWindow* Host() {
  static FrameWindow* host = nullptr;
  if (!host) {
    host = new FrameWindow();
    host->SetPosition(0, 0);
    host->SetSize(700, 420);
    host->Create(nullptr, TestInstance());
    host->SetText(L"Timeline");
    ShowWindow(host->Handle(), SW_SHOW);
  }
  SetWindowPos(host->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  PumpMessages();
  return host;
}

}  // namespace

void TimeLineTest::SetUp() {
  EngineTest::SetUp();
  host = Host();
  control = new TimeLineModel();
  control->SetPosition(0, 0);
  control->SetSize(600, 300);
  ASSERT_EQ(0u, control->Create(host->Handle(), TestInstance()));
  control->SetNotify(&notify);
}

void TimeLineTest::TearDown() {
  if (control) control->Destroy(true);
  PumpMessages();
  ReleaseProject();
  EngineTest::TearDown();
}

void TimeLineTest::ReleaseProject() {
  for (ComPtr<IAMTimelineObj>* node :
       {&audio, &video, &track0, &track1, &sourceA, &sourceB, &sourceC, &effectE, &transitionX}) {
    node->Reset();
  }
}

void TimeLineTest::BuildProject() {
  AM_MEDIA_TYPE audioType = MakeAudioType(44100);
  AM_MEDIA_TYPE videoType = MakeVideoType(320, 240, 24);
  audio = AddGroup(L"Audio", &audioType);
  video = AddGroup(L"Video", &videoType);
  ClearMediaType(&audioType);
  ClearMediaType(&videoType);
  track0 = AddTrack(video.Get(), L"T0");
  track1 = AddTrack(video.Get(), L"T1");
  sourceA = AddSource(track0.Get(), 10 * kSecond, 20 * kSecond);
  SetName(sourceA.Get(), L"A");
  sourceB = AddSource(track0.Get(), 20 * kSecond, 30 * kSecond);
  SetName(sourceB.Get(), L"B");
  effectE = AddEffect(track0.Get(), 0, 40 * kSecond);
  transitionX = AddTransition(track0.Get(), 15 * kSecond, 25 * kSecond);
  sourceC = AddSource(track1.Get(), 5 * kSecond, 8 * kSecond, L"clip3.avi");
  control->SetTimeline(timeline.Get());
  control->Refresh(false);
}

namespace {

int Match(TimeLineModel*, TLItem* item, void* argument) {
  auto* search = static_cast<std::pair<IAMTimelineObj*, TLItem*>*>(argument);
  if (item->object == search->first) search->second = item;
  return 0;
}

int CountSelected(TimeLineModel*, TLItem* item, void*) { return item->selected ? 1 : 0; }

}  // namespace

TLItem* TimeLineTest::ItemOf(IAMTimelineObj* object) {
  std::pair<IAMTimelineObj*, TLItem*> search(object, nullptr);
  control->ForEachItem(kItemAll, &Match, &search);
  return search.second;
}

IAMTimelineObj* TimeLineTest::TrackHolding(IAMTimelineObj* object) {
  std::pair<IAMTimelineObj*, IAMTimelineObj*> search(object, nullptr);
  control->ForEachItem(kItemTrack, [](TimeLineModel*, TLItem* item, void* argument) {
    auto* search = static_cast<std::pair<IAMTimelineObj*, IAMTimelineObj*>*>(argument);
    auto* track = static_cast<TLTrackItem*>(item);
    for (auto [table, count] : {std::pair{track->sources, track->sourceCount}, {track->effects, track->effectCount},
                                {track->transitions, track->transitionCount}}) {
      for (int i = 0; i < count; ++i) {
        if (table[i].object == search->first) search->second = track->object;
      }
    }
    return 0;
  }, &search);
  return search.second;
}

void TimeLineTest::DragMouse(int fromX, int fromY, int toX, int toY, bool release) {
  Press(WM_LBUTTONDOWN, fromX, fromY);
  SendMessageW(control->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(toX, toY));
  if (release) SendMessageW(control->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(toX, toY));
}

void TimeLineTest::Press(UINT message, int x, int y) {
  SendMessageW(control->Handle(), message, message == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON, MAKELPARAM(x, y));
}

void TimeLineTest::Wheel(int delta, int times, POINT at) {
  ClientToScreen(control->Handle(), &at);  // the message carries screen coordinates
  for (int i = 0; i < times; ++i) {
    SendMessageW(control->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
                 MAKELPARAM(at.x, at.y));
  }
}

void TimeLineTest::Scroll(UINT message, int request, int position) {
  SendMessageW(control->Handle(), message, MAKEWPARAM(request, position), 0);
}

bool TimeLineTest::BarShown(DWORD styleBit) const {
  return (GetWindowLongW(control->Handle(), GWL_STYLE) & styleBit) != 0;
}

int TimeLineTest::SelectedCount() { return control->ForEachItem(kItemAll, &CountSelected, nullptr); }

COLORREF TimeLineTest::PixelAt(int x, int y) const {
  UpdateWindow(control->Handle());
  HDC dc = GetDC(control->Handle());
  COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(control->Handle(), dc);
  return colour;
}
