// The timeline control: a time ruler over one band per group, each track of a
// group showing rows of effect, source and transition boxes. It draws from a
// snapshot of the timeline (the item tables), rebuilt when its owner asks.
#pragma once

#include <windows.h>

#include <cstdint>

#include "EditingServices.h"
#include "FrameWindow.h"
#include "TimeLineDrag.h"
#include "TimeLineItems.h"
#include "TimeLineMedia.h"
#include "TimeLineModelNotify.h"

#include <string>

// Left of the time area: two header boxes of 20 pixels.
constexpr int kTimeLineHeaderWidth = 40;
constexpr int kTimeLineHeaderBoxWidth = 20;
constexpr int kTimeLineGroupGap = 3;

// UpdateScrollBars arguments.
constexpr int kScrollBarVertical = 1;
constexpr int kScrollBarHorizontal = 2;

class TimeLineModel final : public FrameWindow {
 public:
  TimeLineModel();
  // Releases the item tables and their references.
  ~TimeLineModel() override;

  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  // Returns the previous target. The control never owns it.
  TimeLineModelNotify* SetNotify(TimeLineModelNotify* target);
  // Stores the timeline (no reference taken), resets the cursor and rebuilds;
  // neither the scroll bars nor the picture are updated.
  void SetTimeline(IAMTimeline* timeline);
  // With rebuild, re-reads the timeline and updates both scroll bars; always
  // repaints.
  void Refresh(bool rebuild);
  int64_t GetCursorTime() const { return cursorTime_; }
  // Where item lies: its group index and track index (-1 for a group's own
  // item and objects, and for a composition's tracks; an object inside a
  // composition gives the group's track holding it; both -1 when it is not
  // in the tables). Either output may be null.
  // Returns -1 for a null item, else 0.
  int LocateItem(const TLItem* item, int* groupIndex, int* trackIndex) const;
  // The item at a client point, or null.
  TLItem* HitTest(int x, int y) const;
  // Calls callback for each item whose kind is in mask: per group, tracks from
  // index 0 with their sources, effects, transitions and then the track; then
  // the group. Returns the sum of the results.
  int ForEachItem(uint32_t mask, TLItemCallback callback, void* argument);
  // Moves the left time (microseconds) and the vertical position (pixels)
  // within their limits; true when anything moved.
  bool ScrollBy(int64_t timeDelta, int pixelDelta);
  // kScrollBarVertical and/or kScrollBarHorizontal.
  void UpdateScrollBars(int which);
  // Shows the whole project (up to the largest stop time) in the time area,
  // from time 0; an empty project keeps the scale.
  void ZoomToFit();
  // Halves (in) or doubles the scale keeping the time cursor where it is on
  // screen (as far as time 0 allows), within the wheel's limits; true when
  // the scale changed.
  bool ZoomAtCursor(bool in);
  // The same, keeping the time at a client x where it is.
  bool ZoomAtX(bool in, int x);
  // The header column's tooltip at a client point: the group and the track
  // (with the compositions it lies in); empty outside the header column.
  std::wstring HeaderTip(int x, int y) const;
  HWND Tooltip() const { return tooltip_; }
  TimeLineMedia& Media() const { return media_; }
  // Re-reads the timeline into fresh item tables; returns the group count.
  int Rebuild();
  void Paint(HDC dc);

  // ForEachItem callbacks: ReleaseItem drops an item's reference and tables
  // (returns 1); ClearSelected clears its mark (returns 1 if it was set).
  static int ReleaseItem(TimeLineModel* control, TLItem* item, void* argument);
  static int ClearSelected(TimeLineModel* control, TLItem* item, void* argument);

  // Geometry: x of a time and time at an x, in the current scale and scroll.
  int64_t XOfTime(int64_t time) const;
  int64_t TimeAtX(int x) const;
  // Pixels of a time span; a scale below 1 never happens, but must not divide by 0.
  int64_t Pixels(int64_t time) const { return time / (scale_ > 0 ? scale_ : 1); }

  int64_t Scale() const { return scale_; }
  int64_t LeftTime() const { return leftTime_; }
  int64_t MaxTime() const { return maxTime_; }
  int VerticalPosition() const { return verticalPosition_; }
  int ContentHeight() const { return contentHeight_; }
  int RulerHeight() const { return rulerHeight_; }
  int EffectsRowHeight() const { return effectsRowHeight_; }
  int SourcesRowHeight() const { return sourcesRowHeight_; }
  int TransitionsRowHeight() const { return transitionsRowHeight_; }
  int TrackHeight() const { return effectsRowHeight_ + sourcesRowHeight_ + transitionsRowHeight_ + 4; }
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  int TimeAreaWidth() const;
  int GroupCount() const { return groupCount_; }
  const TLGroupItem* Group(int index) const;
  // The height of the row of a group's own effects and transitions: 0 when
  // it has none.
  int GroupRowHeight(const TLGroupItem& group) const;
  // The track (at any depth) whose block holds a y offset from its band's top.
  const TLTrackItem* TrackAt(const TLGroupItem& group, int offset) const;
  // The top of a group's band in client coordinates, and the group whose band
  // holds a client y (-1 for none).
  int GroupTop(int index) const;
  int GroupAtY(int y) const;
  // A track's row of an object kind: its offset from the track's top, its height.
  int RowOffset(int32_t kind) const;
  int RowHeight(int32_t kind) const;
  const TimeLineDrag& Drag() const { return drag_; }
  // The largest stop time read by the last rebuild.
  int64_t ProjectEnd() const { return projectEnd_; }

  // Calls f on each track, from the highest index down, each followed by the
  // tracks of its composition: the order of the picture from top to bottom.
  template <class Track, class F>
  static void ForEachTrackDown(Track* tracks, int count, F f) {
    for (int j = count - 1; j >= 0; --j) {
      f(tracks[j]);
      ForEachTrackDown(static_cast<Track*>(tracks[j].tracks), tracks[j].trackCount, f);
    }
  }

 private:
  void ReleaseTables();
  TLItem* HitTrack(const TLTrackItem& track, int trackTop, int y, int64_t time) const;
  TLItem* HitGroupRow(const TLGroupItem& group, int top, int y, int64_t time) const;
  void LayOut(TLGroupItem* group);
  void OnMousePress(UINT message, LPARAM lParam);
  void OnRulerPress(int x);
  void OnWheel(int delta, LPARAM lParam);
  bool Zoom(bool in, int64_t anchor, int64_t offset);
  void OnScroll(int bar, WPARAM wParam);
  int ThumbPosition(int bar, WPARAM wParam) const;
  void UpdateHorizontalBar();
  void UpdateVerticalBar();
  void ShowBar(int bar, int64_t maximum, int page, int64_t position);
  void OnPaint();
  bool OnKey(WPARAM key);
  void FinishDrag();
  TLItem* ItemOf(IAMTimelineObj* object);

  void CreateTooltip();
  void OnMouseMove(LPARAM lParam);
  void SetScale(int64_t scale, int64_t leftTime);

  IAMTimeline* timeline_ = nullptr;
  int64_t scale_ = 500000;  // microseconds per pixel
  int64_t leftTime_ = 0;
  int64_t maxTime_ = 0;  // only grows
  int64_t projectEnd_ = 0;
  int64_t cursorTime_ = 0;
  int rulerHeight_ = 20;
  int effectsRowHeight_ = 15;
  int sourcesRowHeight_ = 50;
  int transitionsRowHeight_ = 15;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  int contentHeight_ = 0;
  int verticalPosition_ = 0;
  int groupCount_ = 0;
  TLGroupItem* groups_ = nullptr;
  TimeLineModelNotify* notify_ = nullptr;
  HWND tooltip_ = nullptr;  // destroyed with the control, its owner
  const void* tipTarget_ = nullptr;
  TimeLineDrag drag_{*this};
  wchar_t tipText_[400] = {};  // the track or group the tooltip last named
  mutable TimeLineMedia media_{35};  // pictures fill the sources row below the name
};
