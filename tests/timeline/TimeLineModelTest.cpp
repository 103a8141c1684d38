#include <gtest/gtest.h>

#include <string>

#include "EngineObjects.h"
#include "TimeLineTesting.h"

namespace {

int RecordKind(TimeLineModel*, TLItem* item, void* argument) {
  static_cast<std::vector<int>*>(argument)->push_back(item->kind);
  return 1;
}

std::wstring NameOf(const TLItem* item) {
  const wchar_t* name = static_cast<const TLObjectItem*>(item)->name;
  return name ? name : L"(null)";
}

}  // namespace

TEST_F(TimeLineTest, SnapshotHoldsTheTimelineInWalkOrder) {
  BuildProject();
  ASSERT_EQ(2, control->GroupCount());
  EXPECT_EQ(174, control->ContentHeight());
  EXPECT_EQ(40000000, control->MaxTime());
  EXPECT_EQ(L"A", NameOf(ItemOf(sourceA.Get())));
  EXPECT_EQ(L"clip3.avi", NameOf(ItemOf(sourceC.Get())));  // no user name: the media name
  EXPECT_EQ(L"(null)", NameOf(ItemOf(effectE.Get())));
  // Objects before their track, tracks before their group: releasing relies on it.
  std::vector<int> kinds;
  EXPECT_EQ(9, control->ForEachItem(kItemAll, &RecordKind, &kinds));
  EXPECT_EQ((std::vector<int>{kItemGroup, kItemSource, kItemSource, kItemEffect, kItemTransition, kItemTrack,
                              kItemSource, kItemTrack, kItemGroup}),
            kinds);
}

// Rows have inclusive bounds, times strict ones: at 10 s (A's start) and
// 20 s (A's stop, B's start) the press lands on the track.
TEST_F(TimeLineTest, HitTestAndLocateFollowTheBandLayout) {
  BuildProject();
  struct Case {
    int x, y;
    IAMTimelineObj* expected;  // null: no item
    int group, track;
  } cases[] = {
      {10, 20, audio.Get(), 0, -1},  // the trackless group only on its top line, then the gap
      {10, 22, nullptr, -1, -1},      {10, 23, video.Get(), 1, -1},        {10, 191, video.Get(), 1, -1},
      {10, 192, nullptr, -1, -1},     {53, 50, sourceC.Get(), 1, 1},        {75, 39, track1.Get(), 1, 1},
      {45, 122, effectE.Get(), 1, 0}, {61, 123, sourceA.Get(), 1, 0},       {75, 189, transitionX.Get(), 1, 0},
      {75, 106, nullptr, -1, -1},     {60, 130, track0.Get(), 1, 0},        {80, 130, track0.Get(), 1, 0},
      {81, 130, sourceB.Get(), 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    TLItem* hit = control->HitTest(c.x, c.y);
    EXPECT_EQ(c.expected, hit ? hit->object : nullptr);
    int group = 7, track = 7;
    EXPECT_EQ(hit ? 0 : -1, control->LocateItem(hit, &group, &track));
    EXPECT_EQ(std::make_pair(c.group, c.track), std::make_pair(group, track));
  }
  control->ScrollBy(0, 23);  // group 1 now starts right under the ruler
  EXPECT_EQ(ItemOf(sourceC.Get()), control->HitTest(53, 27));
  TLObjectItem stranger = {};
  int track = 7;
  control->LocateItem(&stranger, nullptr, &track);
  EXPECT_EQ(-1, track);
}

TEST_F(TimeLineTest, ScrollingStaysWithinTheTimeline) {
  BuildProject();
  const int64_t max = control->MaxTime();
  EXPECT_TRUE(control->ScrollBy(100000000, 1000));
  EXPECT_EQ(max, control->LeftTime());
  EXPECT_EQ(174, control->VerticalPosition());
  EXPECT_FALSE(control->ScrollBy(1, 1));
  EXPECT_TRUE(control->ScrollBy(-100000000, -5000));
  EXPECT_EQ(0, control->LeftTime());
  EXPECT_EQ(0, control->VerticalPosition());

  Scroll(WM_HSCROLL, SB_LINERIGHT);
  EXPECT_EQ(kMicrosecondsPerPixel, control->LeftTime());
  Scroll(WM_HSCROLL, SB_PAGERIGHT);
  EXPECT_EQ(max, control->LeftTime());
  Scroll(WM_HSCROLL, SB_THUMBPOSITION, 10);
  EXPECT_EQ(10 * kMicrosecondsPerPixel, control->LeftTime());
  Scroll(WM_HSCROLL, SB_THUMBTRACK, 30);
  EXPECT_EQ(10 * kMicrosecondsPerPixel, control->LeftTime());
  Scroll(WM_VSCROLL, SB_BOTTOM);
  EXPECT_EQ(174, control->VerticalPosition());
  Scroll(WM_VSCROLL, SB_TOP);
  EXPECT_EQ(0, control->VerticalPosition());

  // A rebuild over less content keeps the position within it.
  Scroll(WM_VSCROLL, SB_BOTTOM);
  video->RemoveAll();
  control->Rebuild();
  EXPECT_EQ(3, control->ContentHeight());
  EXPECT_EQ(3, control->VerticalPosition());
}

TEST_F(TimeLineTest, ScrollBarsShowOnlyWhenTheContentDoesNotFit) {
  BuildProject();
  EXPECT_GT(control->ClientWidth(), 500);  // known from creation, before any resize
  EXPECT_FALSE(BarShown(WS_HSCROLL));
  EXPECT_FALSE(BarShown(WS_VSCROLL));
  control->ScrollBy(10000000, 0);
  control->Refresh(true);
  EXPECT_TRUE(BarShown(WS_HSCROLL));  // a view scrolled from 0 keeps its bar to come back
  Scroll(WM_HSCROLL, SB_LEFT);
  control->Refresh(true);
  EXPECT_FALSE(BarShown(WS_HSCROLL));

  control->SetSize(600, 120);
  ASSERT_TRUE(BarShown(WS_VSCROLL));
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE;
  GetScrollInfo(control->Handle(), SB_VERT, &info);
  EXPECT_EQ(174, info.nMax);
  EXPECT_EQ(static_cast<UINT>(control->ClientHeight() - 20), info.nPage);

  Wheel(-120, 3);  // 62500 us a pixel: 640 pixels wide
  ASSERT_TRUE(BarShown(WS_HSCROLL));
  GetScrollInfo(control->Handle(), SB_HORZ, &info);
  EXPECT_EQ(640, info.nMax);
  EXPECT_EQ(static_cast<UINT>(control->ClientWidth() - 40), info.nPage);
}

// The message holds 16 bits of the thumb position; a longer bar must not jump.
TEST_F(TimeLineTest, ThumbPositionBeyondSixteenBits) {
  BuildProject();
  Wheel(-120, 18);
  ASSERT_EQ(1, control->Scale());  // 40 million pixels wide
  control->ScrollBy(70000, 0);
  Scroll(WM_HSCROLL, SB_THUMBPOSITION, 70000 & 0xFFFF);
  EXPECT_EQ(70000, control->LeftTime());
}

// An empty timeline shows only the ruler and cannot be zoomed out; 40 s at
// half a second a pixel is already under 360 pixels.
TEST_F(TimeLineTest, WheelZoomLimits) {
  control->SetTimeline(timeline.Get());
  control->Refresh(true);
  EXPECT_FALSE(BarShown(WS_HSCROLL) || BarShown(WS_VSCROLL));
  Wheel(120);
  EXPECT_EQ(kMicrosecondsPerPixel, control->Scale());
  Press(WM_LBUTTONDOWN, 100, 100);
  ASSERT_EQ(1u, notify.presses.size());
  EXPECT_EQ(nullptr, notify.presses[0].second);
  BuildProject();
  const std::pair<int, int64_t> steps[] = {{120, kMicrosecondsPerPixel}, {-120 * 17, 3}, {-120, 1}, {-120, 1}};
  for (auto [delta, scale] : steps) {
    Wheel(delta > 0 ? 120 : -120, delta > 0 ? 1 : -delta / 120);
    EXPECT_EQ(scale, control->Scale());
  }
}

TEST_F(TimeLineTest, PressesSelectNotifyAndSetTheCursor) {
  BuildProject();
  Press(WM_LBUTTONDOWN, 100, 5);  // the ruler, 60 pixels into the time area
  Press(WM_LBUTTONDOWN, 20, 5);   // the ruler's header does nothing
  EXPECT_EQ(std::vector<int64_t>{30000000}, notify.times);
  EXPECT_EQ(30000000, control->GetCursorTime());

  Press(WM_LBUTTONDOWN, 61, 130);
  Press(WM_LBUTTONDOWN, 61, 130);  // pressed again, A stays selected
  EXPECT_TRUE(ItemOf(sourceA.Get())->selected);
  Press(WM_RBUTTONDOWN, 81, 130);
  EXPECT_FALSE(ItemOf(sourceA.Get())->selected);
  EXPECT_EQ(std::make_pair(static_cast<UINT>(WM_RBUTTONDOWN), ItemOf(sourceB.Get())), notify.presses.back());
  Press(WM_LBUTTONDOWN, 75, 106);  // between tracks: null, selection cleared
  EXPECT_EQ(nullptr, notify.presses.back().second);
  EXPECT_EQ(0, SelectedCount());

  Press(WM_LBUTTONDOWN, 61, 130);
  control->Refresh(true);  // keeps the cursor, drops the selection
  EXPECT_EQ(30000000, control->GetCursorTime());
  EXPECT_EQ(0, SelectedCount());

  notify.mask = 0;
  Press(WM_LBUTTONDOWN, 61, 130);
  Press(WM_LBUTTONDOWN, 200, 5);
  EXPECT_EQ(5u, notify.presses.size());
  EXPECT_EQ(1u, notify.times.size());
}

// Closing the parent destroys the control's window before the object goes.
TEST_F(TimeLineTest, DestroyedWindowReleasesTheTimelineObjects) {
  long before = EngineObjectCount();  // the timeline and the node of its own labels
  BuildProject();
  control->Refresh(true);
  DestroyWindow(control->Handle());
  ReleaseProject();
  timeline.Reset();
  EXPECT_EQ(before - 2, EngineObjectCount());
  control->Destroy(false);
  control = nullptr;
}
