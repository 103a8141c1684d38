// A timeline control on a shown host window, over a timeline of known shape:
//
//   group 0 "Audio": no tracks                    band y 20, gap to 23
//   group 1 "Video": track 1 (top)  y 23..106:    source C 5-8 s (no user name)
//                    track 0        y 107..190:   sources A 10-20 s, B 20-30 s,
//                                                 effect E 0-40 s, transition X 15-25 s
//
// At the first scale (half a second per pixel) a time of s seconds lies at
// x = 2 s + 40. Every test ends by destroying the control and releasing the
// timeline, and fails when any engine object is left alive.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "FrameWindow.h"
#include "TestWindows.h"
#include "TimeLineModel.h"

constexpr REFERENCE_TIME kSecond = 10000000;  // in REFERENCE_TIME units
constexpr int64_t kMicrosecondsPerPixel = 500000;

struct RecordingNotify : TimeLineModelNotify {
  RecordingNotify() : TimeLineModelNotify(kNotifyAll) {}
  void OnItemMouseDown(UINT message, TLItem* item) override { presses.emplace_back(message, item); }
  void OnCursorTimeChanged(int64_t time) override { times.push_back(time); }
  void OnItemChanged(TLItem*) override { ++changes; }

  std::vector<std::pair<UINT, TLItem*>> presses;
  std::vector<int64_t> times;
  int changes = 0;
};

class TimeLineTest : public EngineTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the project above and hands it to the control.
  void BuildProject();
  // Drops the test's own references to the project's nodes.
  void ReleaseProject();
  // The control's item for a timeline object, or null; the track whose row
  // holds an object.
  TLItem* ItemOf(IAMTimelineObj* object);
  IAMTimelineObj* TrackHolding(IAMTimelineObj* object);
  void Press(UINT message, int x, int y);
  // Presses the left button at one point and moves to another, releasing there
  // when asked.
  void DragMouse(int fromX, int fromY, int toX, int toY, bool release = true);
  // The wheel over a client point; by default over no point of the control.
  void Wheel(int delta, int times = 1, POINT at = {-1000, -1000});
  void Scroll(UINT message, int request, int position = 0);
  bool BarShown(DWORD styleBit) const;
  int SelectedCount();
  // A pixel of the control on screen, once pending paints are done.
  COLORREF PixelAt(int x, int y) const;

  FrameWindow* host = nullptr;
  TimeLineModel* control = nullptr;
  RecordingNotify notify;
  ComPtr<IAMTimelineObj> audio, video, track0, track1, sourceA, sourceB, sourceC, effectE, transitionX;
};
