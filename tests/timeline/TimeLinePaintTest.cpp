#include <gtest/gtest.h>

#include <cstdlib>

#include "TimeLineTesting.h"

namespace {

COLORREF Face() { return GetSysColor(COLOR_BTNFACE); }
COLORREF Box() { return GetSysColor(COLOR_BTNHIGHLIGHT); }

}  // namespace

TEST_F(TimeLineTest, ObjectBoxesLieAtTheirTimes) {
  BuildProject();
  // C, 5 to 8 s: x 50 to 56 in track 1's sources row; E ends at 40 s, x 120.
  EXPECT_EQ(Face(), PixelAt(49, 80));
  EXPECT_EQ(Box(), PixelAt(50, 80));
  EXPECT_EQ(Box(), PixelAt(55, 80));
  EXPECT_EQ(Face(), PixelAt(56, 80));
  EXPECT_EQ(Face(), PixelAt(120, 118));

  control->ScrollBy(12000000, 0);
  EXPECT_EQ(Box(), PixelAt(42, 118));   // E starts before the left time: from x 40,
  EXPECT_EQ(Face(), PixelAt(30, 118));  // leaving the header column alone
  EXPECT_EQ(Box(), PixelAt(95, 118));
  EXPECT_EQ(Face(), PixelAt(96, 118));
  EXPECT_EQ(Face(), PixelAt(45, 80));  // C lies wholly left of the time area

  Wheel(-120, 4);  // E now reaches past the right edge
  EXPECT_EQ(Box(), PixelAt(control->ClientWidth() - 1, 118));
}

TEST_F(TimeLineTest, SelectionFrameAndCursorMarker) {
  BuildProject();
  Press(WM_LBUTTONDOWN, 61, 130);  // A: x 60 to 80, row 123 to 173
  Press(WM_LBUTTONDOWN, 200, 5);
  const COLORREF frame = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(frame, PixelAt(60, 150));
  EXPECT_EQ(frame, PixelAt(79, 150));
  EXPECT_EQ(frame, PixelAt(75, 124));  // one pixel below the row's top line
  EXPECT_EQ(frame, PixelAt(75, 172));
  EXPECT_EQ(Box(), PixelAt(61, 150));
  EXPECT_EQ(Box(), PixelAt(80, 150));  // B is not selected

  const COLORREF marker = GetSysColor(COLOR_HIGHLIGHTTEXT);
  EXPECT_EQ(Face(), PixelAt(198, 16));
  EXPECT_EQ(marker, PixelAt(199, 16));
  EXPECT_EQ(marker, PixelAt(200, 16));
  EXPECT_EQ(Face(), PixelAt(201, 16));
}

// With no track drawn before it, the ruler still ticks in the dark pen.
TEST_F(TimeLineTest, RulerTicksAndFirstLabel) {
  control->SetTimeline(timeline.Get());
  const COLORREF tick = GetSysColor(COLOR_BTNSHADOW);
  EXPECT_EQ(tick, PixelAt(135, 15));
  EXPECT_EQ(Face(), PixelAt(135, 11));
  EXPECT_EQ(Face(), PixelAt(135, 2));
  EXPECT_EQ(tick, PixelAt(140, 2));
  EXPECT_EQ(Face(), PixelAt(240, 2));
  EXPECT_EQ(tick, PixelAt(245, 2));
  bool labelled = false;
  for (int x = 142; x < 200 && !labelled; ++x) {
    for (int y = 1; y < 12 && !labelled; ++y) labelled = PixelAt(x, y) != Face();
  }
  EXPECT_TRUE(labelled);
}

// A fuller project filling the host, a source dragged to another track. Set
// MORVIK_SHOW_MS to keep it up, mid-drag, for a screenshot.
TEST_F(TimeLineTest, LooksRightOnScreen) {
  RECT client;
  GetClientRect(host->Handle(), &client);
  control->SetSize(client.right, client.bottom);
  BuildProject();
  ComPtr<IAMTimelineObj> music = AddTrack(audio.Get(), L"Music");
  ComPtr<IAMTimelineObj> song = AddSource(music.Get(), 0, 25 * kSecond, L"song.wav");
  ComPtr<IAMTimelineObj> voice = AddSource(music.Get(), 28 * kSecond, 36 * kSecond, L"voice.wav");
  ComPtr<IAMTimelineObj> late = AddSource(track1.Get(), 12 * kSecond, 34 * kSecond, L"sunset.jpg");
  SetName(transitionX.Get(), L"Wipe");
  SetName(effectE.Get(), L"Fade");
  control->Refresh(true);
  Wheel(-120);  // a quarter second a pixel
  // Group 1 now starts at y 107, its track 0 at 191: B (20 to 30 s) at x 120
  // to 160, dragged 25 s later onto track 1, whose sources row is y 123..173.
  Press(WM_LBUTTONDOWN, 128, 5);
  DragMouse(140, 230, 240, 150, false);
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), PixelAt(220, 150));  // the drop box's frame
  if (const char* show = std::getenv("MORVIK_SHOW_MS")) ShowFor(std::atoi(show));
  SendMessageW(control->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(240, 150));
  EXPECT_EQ(track1.Get(), TrackHolding(sourceB.Get()));
}
