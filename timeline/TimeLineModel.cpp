#include "TimeLineModel.h"

#include <algorithm>

#include <climits>
#include <vector>

#include <commctrl.h>

#include "ComPtr.h"
#include "Text.h"
#include "TimeText.h"
#include "TimeLinePainter.h"
#include "TimeLineReader.h"
#include "TimeLineText.h"

namespace {

bool IsObjectItem(const TLItem* item) { return item && (item->kind & kItemObjects); }

int ClampToInt(int64_t value) {
  return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

}  // namespace

TimeLineModel::TimeLineModel() { className_ = L"TimeLineModel"; }

TimeLineModel::~TimeLineModel() { ReleaseTables(); }

DWORD TimeLineModel::Create(HWND parent, HINSTANCE instance) {
  classStyle_ = 0;
  exStyle_ = WS_EX_STATICEDGE;
  style_ = WS_CHILD | WS_VISIBLE;
  DWORD error = FrameWindow::Create(parent, instance);
  if (error) return error;
  // The first WM_SIZE came before the handle was bound, so it never reached us.
  RECT client;
  GetClientRect(hwnd_, &client);
  clientWidth_ = client.right;
  clientHeight_ = client.bottom;
  CreateTooltip();
  return 0;
}

void TimeLineModel::CreateTooltip() {
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0,
                             0, 0, hwnd_, nullptr, instance_, nullptr);
  if (!tooltip_) return;
  TOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
}

TimeLineModelNotify* TimeLineModel::SetNotify(TimeLineModelNotify* target) {
  TimeLineModelNotify* previous = notify_;
  notify_ = target;
  return previous;
}

void TimeLineModel::SetTimeline(IAMTimeline* timeline) {
  timeline_ = timeline;
  cursorTime_ = 0;
  Rebuild();
}

void TimeLineModel::Refresh(bool rebuild) {
  if (rebuild) {
    Rebuild();
    UpdateScrollBars(kScrollBarVertical | kScrollBarHorizontal);
  }
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

const TLGroupItem* TimeLineModel::Group(int index) const {
  return index >= 0 && index < groupCount_ ? &groups_[index] : nullptr;
}

int64_t TimeLineModel::XOfTime(int64_t time) const {
  return Pixels(time) - Pixels(leftTime_) + kTimeLineHeaderWidth;
}

// The width of the time area; a client narrower than the header has none.
int TimeLineModel::TimeAreaWidth() const {
  return clientWidth_ > kTimeLineHeaderWidth ? clientWidth_ - kTimeLineHeaderWidth : 0;
}

int64_t TimeLineModel::TimeAtX(int x) const {
  return static_cast<int64_t>(x - kTimeLineHeaderWidth) * scale_ + leftTime_;
}

// Items and tables

int TimeLineModel::Rebuild() {
  ReleaseTables();
  tipTarget_ = nullptr;
  drag_.Forget();
  contentHeight_ = 0;
  int keptPosition = verticalPosition_;  // the content may have shrunk under it
  verticalPosition_ = 0;
  long count = 0;
  if (!timeline_ || FAILED(timeline_->GetGroupCount(&count)) || count <= 0) return 0;
  groups_ = new TLGroupItem[count]();
  projectEnd_ = 0;
  TimeLineReader reader(&projectEnd_);
  for (long g = 0; g < count; ++g) {
    IAMTimelineObj* group = nullptr;
    if (FAILED(timeline_->GetGroup(&group, g)) || !group) break;  // later groups would get wrong indices
    reader.ReadGroup(group, &groups_[g]);
    LayOut(&groups_[g]);
    contentHeight_ += groups_[g].height + kTimeLineGroupGap;
    ++groupCount_;
  }
  maxTime_ = std::max(maxTime_, projectEnd_);
  verticalPosition_ = std::min(keptPosition, contentHeight_);
  return groupCount_;
}

int TimeLineModel::GroupRowHeight(const TLGroupItem& group) const {
  if (!group.effectCount && !group.transitionCount) return 0;
  return effectsRowHeight_ + transitionsRowHeight_ + 3;
}

// Tracks from the highest index down, each followed by its own tracks.
void TimeLineModel::LayOut(TLGroupItem* group) {
  int y = GroupRowHeight(*group);
  ForEachTrackDown(group->tracks, group->trackCount, [&](TLTrackItem& track) {
    track.top = y;
    y += TrackHeight();
  });
  group->height = y;
}

void TimeLineModel::ReleaseTables() {
  if (groups_) {
    ForEachItem(kItemAll, &ReleaseItem, nullptr);
    delete[] groups_;
    groups_ = nullptr;
  }
  groupCount_ = 0;
}

int TimeLineModel::ReleaseItem(TimeLineModel*, TLItem* item, void*) {
  if (item->object) item->object->Release();
  if (item->kind == kItemTrack) {
    auto* track = static_cast<TLTrackItem*>(item);
    delete[] track->sources;
    delete[] track->effects;
    delete[] track->transitions;
    delete[] track->tracks;
    *track = TLTrackItem{};
  } else if (item->kind == kItemGroup) {
    auto* group = static_cast<TLGroupItem*>(item);
    delete[] group->tracks;
    delete[] group->effects;
    delete[] group->transitions;
    *group = TLGroupItem{};
  } else {
    auto* object = static_cast<TLObjectItem*>(item);
    FreeText(object->name);
    *object = TLObjectItem{};
  }
  return 1;
}

int TimeLineModel::ClearSelected(TimeLineModel*, TLItem* item, void*) {
  int wasSet = item->selected ? 1 : 0;
  item->selected = 0;
  return wasSet;
}

int TimeLineModel::ForEachItem(uint32_t mask, TLItemCallback callback, void* argument) {
  int sum = 0;
  auto visitTable = [&](uint32_t kind, TLObjectItem* table, int count) {
    if (!(mask & kind)) return;
    for (int i = 0; i < count; ++i) sum += callback(this, &table[i], argument);
  };
  // A composition's tracks before the composition, whose release frees them.
  auto visitTracks = [&](auto& self, TLTrackItem* tracks, int count) -> void {
    for (int j = 0; j < count; ++j) {
      TLTrackItem& track = tracks[j];
      visitTable(kItemSource, track.sources, track.sourceCount);
      visitTable(kItemEffect, track.effects, track.effectCount);
      visitTable(kItemTransition, track.transitions, track.transitionCount);
      self(self, track.tracks, track.trackCount);
      if (mask & kItemTrack) sum += callback(this, &track, argument);
    }
  };
  for (int g = 0; g < groupCount_; ++g) {
    TLGroupItem& group = groups_[g];
    visitTracks(visitTracks, group.tracks, group.trackCount);
    visitTable(kItemEffect, group.effects, group.effectCount);
    visitTable(kItemTransition, group.transitions, group.transitionCount);
    if (mask & kItemGroup) sum += callback(this, &group, argument);
  }
  return sum;
}

namespace {

bool Holds(const TLItem* item, const TLObjectItem* table, int count) { return item >= table && item < table + count; }

bool TrackHolds(const TLTrackItem& track, const TLItem* item) {
  if (item == &track || Holds(item, track.sources, track.sourceCount) || Holds(item, track.effects, track.effectCount) ||
      Holds(item, track.transitions, track.transitionCount)) {
    return true;
  }
  for (int j = 0; j < track.trackCount; ++j) {
    if (TrackHolds(track.tracks[j], item)) return true;
  }
  return false;
}

}  // namespace

// An object inside a composition reports the group's track that holds the
// composition, so property windows keep it in place; a composition's own
// tracks and the group's own effects and transitions report track -1.
int TimeLineModel::LocateItem(const TLItem* item, int* groupIndex, int* trackIndex) const {
  if (groupIndex) *groupIndex = -1;
  if (trackIndex) *trackIndex = -1;
  if (!item) return -1;
  for (int g = 0; g < groupCount_; ++g) {
    const TLGroupItem& group = groups_[g];
    int found = item == &group || Holds(item, group.effects, group.effectCount) ||
                        Holds(item, group.transitions, group.transitionCount)
                    ? -1
                    : -2;
    for (int j = group.trackCount - 1; j >= 0 && found == -2; --j) {
      if (!TrackHolds(group.tracks[j], item)) continue;
      // A composition's own track has no level in the group.
      found = item->kind == kItemTrack && item != &group.tracks[j] ? -1 : j;
    }
    if (found == -2) continue;
    if (groupIndex) *groupIndex = g;
    if (trackIndex) *trackIndex = found;
    break;
  }
  return 0;
}

// Hit testing

TLItem* TimeLineModel::HitTest(int x, int y) const {
  int64_t time = TimeAtX(x);
  int top = rulerHeight_ - verticalPosition_;
  for (int g = 0; g < groupCount_; ++g) {
    const TLGroupItem& group = groups_[g];
    int bottom = top + group.height;
    if (x < kTimeLineHeaderWidth) {
      if (top <= y && y <= bottom) return const_cast<TLGroupItem*>(&group);
    } else if (top <= y && y <= bottom) {
      if (TLItem* item = HitGroupRow(group, top, y, time)) return item;
      if (const TLTrackItem* track = TrackAt(group, y - top)) return HitTrack(*track, top + track->top, y, time);
    }
    top = bottom + kTimeLineGroupGap;
  }
  return nullptr;
}

const TLTrackItem* TimeLineModel::TrackAt(const TLGroupItem& group, int offset) const {
  const TLTrackItem* found = nullptr;
  ForEachTrackDown(group.tracks, group.trackCount, [&](const TLTrackItem& track) {
    if (!found && track.top <= offset && offset < track.top + TrackHeight()) found = &track;
  });
  return found;
}

int TimeLineModel::GroupTop(int index) const {
  int top = rulerHeight_ - verticalPosition_;
  for (int g = 0; g < index && g < groupCount_; ++g) top += groups_[g].height + kTimeLineGroupGap;
  return top;
}

int TimeLineModel::GroupAtY(int y) const {
  int top = rulerHeight_ - verticalPosition_;
  for (int g = 0; g < groupCount_; ++g) {
    if (y >= top && y < top + groups_[g].height) return g;
    top += groups_[g].height + kTimeLineGroupGap;
  }
  return -1;
}

int TimeLineModel::RowOffset(int32_t kind) const {
  if (kind == kItemEffect) return 0;
  if (kind == kItemSource) return effectsRowHeight_ + 1;
  return effectsRowHeight_ + sourcesRowHeight_ + 2;
}

int TimeLineModel::RowHeight(int32_t kind) const {
  if (kind == kItemEffect) return effectsRowHeight_;
  return kind == kItemSource ? sourcesRowHeight_ : transitionsRowHeight_;
}

// The group's own row: an effect or transition at time, else the group
// itself; null when y is below the row.
TLItem* TimeLineModel::HitGroupRow(const TLGroupItem& group, int top, int y, int64_t time) const {
  int height = GroupRowHeight(group);
  if (!height || y >= top + height) return nullptr;
  bool effects = y <= top + effectsRowHeight_;
  const TLObjectItem* table = effects ? group.effects : group.transitions;
  int count = effects ? group.effectCount : group.transitionCount;
  for (int i = 0; i < count; ++i) {
    if (table[i].start < time && time < table[i].stop) return const_cast<TLObjectItem*>(&table[i]);
  }
  return const_cast<TLGroupItem*>(&group);
}

// The object of the track's row at y that strictly contains time, else the
// track itself; null when y is in none of the track's rows.
TLItem* TimeLineModel::HitTrack(const TLTrackItem& track, int trackTop, int y, int64_t time) const {
  const TLObjectItem* tables[] = {track.effects, track.sources, track.transitions};
  const int counts[] = {track.effectCount, track.sourceCount, track.transitionCount};
  const int heights[] = {effectsRowHeight_, sourcesRowHeight_, transitionsRowHeight_};
  int rowTop = trackTop;
  for (int row = 0; row < 3; ++row) {
    if (rowTop <= y && y <= rowTop + heights[row]) {
      for (int i = 0; i < counts[row]; ++i) {
        const TLObjectItem& item = tables[row][i];
        if (item.start < time && time < item.stop) return const_cast<TLObjectItem*>(&item);
      }
      return const_cast<TLTrackItem*>(&track);
    }
    rowTop += heights[row] + 1;
  }
  return nullptr;
}

// Scrolling

bool TimeLineModel::ScrollBy(int64_t timeDelta, int pixelDelta) {
  int64_t left = leftTime_ + timeDelta;
  if (timeDelta > 0 && left > maxTime_) left = maxTime_;
  else if (left < 0) left = 0;
  int64_t position = static_cast<int64_t>(verticalPosition_) + pixelDelta;
  if (pixelDelta > 0 && position > contentHeight_) position = contentHeight_;
  else if (position < 0) position = 0;
  if (left == leftTime_ && position == verticalPosition_) return false;
  leftTime_ = left;
  verticalPosition_ = static_cast<int>(position);
  if (hwnd_) {
    InvalidateRect(hwnd_, nullptr, TRUE);
    SetScrollPos(hwnd_, SB_HORZ, ClampToInt(Pixels(leftTime_)), TRUE);
    SetScrollPos(hwnd_, SB_VERT, verticalPosition_, TRUE);
  }
  return true;
}

void TimeLineModel::UpdateScrollBars(int which) {
  if (!hwnd_) return;
  if (which & kScrollBarHorizontal) UpdateHorizontalBar();
  if (which & kScrollBarVertical) UpdateVerticalBar();
}

// Rooms never go below 0, so an empty timeline never shows a bar. A view
// scrolled from time 0 (a zoom kept the cursor in place) keeps its bar even
// when the project fits, so it can be scrolled back.
void TimeLineModel::UpdateHorizontalBar() {
  int64_t widthInPixels = Pixels(maxTime_);
  if (TimeAreaWidth() >= widthInPixels && leftTime_ == 0) {
    ShowScrollBar(hwnd_, SB_HORZ, FALSE);
    return;
  }
  int64_t range = std::max<int64_t>(widthInPixels, Pixels(leftTime_) + TimeAreaWidth());
  ShowBar(SB_HORZ, range, TimeAreaWidth(), Pixels(leftTime_));
}

void TimeLineModel::UpdateVerticalBar() {
  int room = clientHeight_ > rulerHeight_ ? clientHeight_ - rulerHeight_ : 0;
  if (room >= contentHeight_) {
    ShowScrollBar(hwnd_, SB_VERT, FALSE);
    verticalPosition_ = 0;
    return;
  }
  ShowBar(SB_VERT, contentHeight_, room, verticalPosition_);
}

void TimeLineModel::ShowBar(int bar, int64_t maximum, int page, int64_t position) {
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMax = ClampToInt(maximum);
  info.nPage = static_cast<UINT>(page);
  info.nPos = ClampToInt(position);
  SetScrollInfo(hwnd_, bar, &info, TRUE);
  ShowScrollBar(hwnd_, bar, TRUE);
}

void TimeLineModel::OnScroll(int bar, WPARAM wParam) {
  bool horizontal = bar == SB_HORZ;
  int64_t unit = horizontal ? scale_ : 1;
  int64_t position = horizontal ? leftTime_ : verticalPosition_;
  int64_t end = horizontal ? maxTime_ : contentHeight_;
  int64_t page = horizontal ? static_cast<int64_t>(TimeAreaWidth()) * scale_ : clientHeight_;
  int64_t delta = 0;
  switch (LOWORD(wParam)) {
    case SB_LINEUP: delta = -unit; break;
    case SB_LINEDOWN: delta = unit; break;
    case SB_PAGEUP: delta = -page; break;
    case SB_PAGEDOWN: delta = page; break;
    case SB_THUMBPOSITION: delta = ThumbPosition(bar, wParam) * unit - position; break;
    case SB_TOP: delta = -(horizontal ? leftTime_ : contentHeight_); break;
    case SB_BOTTOM: delta = end - position; break;
    default: return;  // no live scrolling while the thumb is dragged
  }
  if (horizontal) ScrollBy(delta, 0);
  else ScrollBy(0, static_cast<int>(delta));
}

// The message carries only 16 bits of the thumb position; a wider range needs
// the bar's own 32-bit value, taken when its low word agrees with the message.
int TimeLineModel::ThumbPosition(int bar, WPARAM wParam) const {
  int position = HIWORD(wParam);
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  if (GetScrollInfo(hwnd_, bar, &info) && (info.nTrackPos & 0xFFFF) == position) return info.nTrackPos;
  return position;
}

// Zoom

void TimeLineModel::SetScale(int64_t scale, int64_t leftTime) {
  scale_ = std::max<int64_t>(scale, 1);
  leftTime_ = std::clamp<int64_t>(leftTime, 0, maxTime_);
  UpdateScrollBars(kScrollBarHorizontal);
  if (hwnd_) {
    SetScrollPos(hwnd_, SB_HORZ, ClampToInt(Pixels(leftTime_)), TRUE);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
}

// A few pixels stay free at the right, so the project's end can be seen.
void TimeLineModel::ZoomToFit() {
  constexpr int kMargin = 8;
  int room = TimeAreaWidth() - kMargin;
  if (projectEnd_ <= 0 || room <= 0) return;
  SetScale((projectEnd_ + room - 1) / room, 0);
}

bool TimeLineModel::ZoomAtCursor(bool in) {
  int64_t offset = std::clamp<int64_t>(XOfTime(cursorTime_) - kTimeLineHeaderWidth, 0, TimeAreaWidth());
  return Zoom(in, cursorTime_, offset);
}

bool TimeLineModel::ZoomAtX(bool in, int x) { return Zoom(in, TimeAtX(x), x - kTimeLineHeaderWidth); }

// The anchor time stays offset pixels into the time area; zooming out stops
// once the project is about 360 pixels wide.
bool TimeLineModel::Zoom(bool in, int64_t anchor, int64_t offset) {
  if (in ? scale_ < 2 : scale_ >= std::max<int64_t>(maxTime_ / 360, 1)) return false;
  int64_t scale = in ? scale_ / 2 : scale_ * 2;
  SetScale(scale, anchor - offset * scale);
  return true;
}

bool TimeLineModel::OnKey(WPARAM key) {
  switch (key) {
    case VK_ADD:
    case VK_OEM_PLUS:
      ZoomAtCursor(true);
      return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
      ZoomAtCursor(false);
      return true;
  }
  return false;
}

// Tooltip

namespace {

// The chain of tracks from a group's track down to target; false when absent.
bool TrackPath(const TLTrackItem* tracks, int count, const TLTrackItem* target,
               std::vector<std::pair<int, const TLTrackItem*>>* path) {
  for (int j = 0; j < count; ++j) {
    path->emplace_back(j, &tracks[j]);
    if (&tracks[j] == target || TrackPath(tracks[j].tracks, tracks[j].trackCount, target, path)) return true;
    path->pop_back();
  }
  return false;
}

}  // namespace

std::wstring TimeLineModel::HeaderTip(int x, int y) const {
  int g = x >= 0 && x < kTimeLineHeaderWidth && y > rulerHeight_ ? GroupAtY(y) : -1;
  if (g < 0) return std::wstring();
  const TLGroupItem& group = groups_[g];
  int top = GroupTop(g);
  std::wstring text = L"Group \"" + ObjectName(group.object) + L"\"";
  if (y < top + GroupRowHeight(group)) return text + L": its own effects and transitions";
  std::vector<std::pair<int, const TLTrackItem*>> path;
  TrackPath(group.tracks, group.trackCount, TrackAt(group, y - top), &path);
  for (const auto& step : path) {
    text += L" / track " + std::to_wstring(step.first) + L" \"" + ObjectName(step.second->object) + L"\"";
  }
  return text;
}

// A new target hides the tip, so that it comes back with the new names.
void TimeLineModel::OnMouseMove(LPARAM lParam) {
  int x = static_cast<short>(LOWORD(lParam));
  int y = static_cast<short>(HIWORD(lParam));
  const void* target = nullptr;
  int g = x < kTimeLineHeaderWidth && y > rulerHeight_ ? GroupAtY(y) : -1;
  if (g >= 0) {
    const TLTrackItem* track = TrackAt(groups_[g], y - GroupTop(g));
    target = track ? static_cast<const void*>(track) : &groups_[g];
  }
  if (target != tipTarget_ && tooltip_) SendMessageW(tooltip_, TTM_POP, 0, 0);
  tipTarget_ = target;
  if (tooltip_) SendMessageW(tooltip_, TTM_ACTIVATE, target != nullptr, 0);
}

// Mouse

// Anchored at the mouse over the time area, else at the left edge.
void TimeLineModel::OnWheel(int delta, LPARAM lParam) {
  POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ScreenToClient(hwnd_, &at);
  if (at.x < kTimeLineHeaderWidth || at.x > clientWidth_) at.x = kTimeLineHeaderWidth;
  ZoomAtX(delta <= 0, at.x);
}

void TimeLineModel::OnMousePress(UINT message, LPARAM lParam) {
  SetFocus(hwnd_);
  int x = LOWORD(lParam);
  int y = HIWORD(lParam);
  if (y <= rulerHeight_) {
    if (x >= kTimeLineHeaderWidth) OnRulerPress(x);
    return;
  }
  TLItem* item = HitTest(x, y);
  int changed = ForEachItem(kItemObjects, &ClearSelected, nullptr);
  if (IsObjectItem(item)) {
    item->selected ^= 1;
    ++changed;
  }
  if (changed) InvalidateRect(hwnd_, nullptr, FALSE);
  if (message == WM_LBUTTONDOWN && IsObjectItem(item)) {
    drag_.Start(static_cast<TLObjectItem*>(item), x);
    SetCapture(hwnd_);
  }
  if (notify_ && (notify_->mask & kNotifyItemMouseDown)) notify_->OnItemMouseDown(message, item);
}

// Drag

TLItem* TimeLineModel::ItemOf(IAMTimelineObj* object) {
  struct Search {
    IAMTimelineObj* object;
    TLItem* found;
  } search = {object, nullptr};
  ForEachItem(kItemObjects, [](TimeLineModel*, TLItem* item, void* argument) {
    auto* search = static_cast<Search*>(argument);
    if (item->object == search->object) search->found = item;
    return 0;
  }, &search);
  return search.found;
}

// A move to another track leaves the tables behind the timeline: they are
// read again, and the owner hears of the object's new item.
void TimeLineModel::FinishDrag() {
  ComPtr<IAMTimelineObj> object(drag_.Active() ? drag_.Item()->object : nullptr);
  TLItem* item = drag_.Item();
  TimeLineDrag::Outcome outcome = drag_.Finish();  // before the capture goes, whose notice would cancel it
  if (GetCapture() == hwnd_) ReleaseCapture();
  if (outcome == TimeLineDrag::kRefused) MessageBeep(MB_ICONWARNING);
  if (outcome == TimeLineDrag::kMoved) {
    Refresh(true);
    item = ItemOf(object.Get());
  }
  InvalidateRect(hwnd_, nullptr, FALSE);
  bool written = outcome == TimeLineDrag::kWritten || outcome == TimeLineDrag::kMoved;
  if (written && notify_ && (notify_->mask & kNotifyItemChanged)) notify_->OnItemChanged(item);
}

void TimeLineModel::OnRulerPress(int x) {
  cursorTime_ = TimeAtX(x);
  if (notify_ && (notify_->mask & kNotifyCursorTimeChanged)) notify_->OnCursorTimeChanged(cursorTime_);
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

// Painting

void TimeLineModel::Paint(HDC dc) { TimeLinePainter(*this, dc).Paint(); }

void TimeLineModel::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  if (dc) Paint(dc);
  EndPaint(hwnd_, &ps);
}

LRESULT TimeLineModel::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_SIZE:
      clientWidth_ = LOWORD(lParam);
      clientHeight_ = HIWORD(lParam);
      UpdateScrollBars(kScrollBarVertical | kScrollBarHorizontal);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      OnMousePress(message, lParam);
      return 0;
    case WM_KEYDOWN:
      if (OnKey(wParam)) return 0;
      break;
    case WM_MOUSEMOVE:
      if (drag_.Active() && (wParam & MK_LBUTTON)) {
        if (drag_.Continue(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)))) {
          InvalidateRect(hwnd_, nullptr, FALSE);
        }
      } else {
        OnMouseMove(lParam);
      }
      return 0;
    case WM_LBUTTONUP:
      drag_.Continue(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      FinishDrag();
      return 0;
    case WM_CAPTURECHANGED:
      // Taken away mid-drag: nothing is written.
      if (reinterpret_cast<HWND>(lParam) != hwnd_ && drag_.Cancel()) InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_NOTIFY: {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      if (info->hdr.hwndFrom != tooltip_ || info->hdr.code != TTN_GETDISPINFOW) break;
      POINT at;
      GetCursorPos(&at);
      ScreenToClient(hwnd_, &at);
      std::wstring tip = HeaderTip(at.x, at.y);
      lstrcpynW(tipText_, tip.c_str(), sizeof tipText_ / sizeof tipText_[0]);
      info->lpszText = tipText_;
      return 0;
    }
    case WM_MOUSEWHEEL:
      OnWheel(static_cast<short>(HIWORD(wParam)), lParam);
      return 0;
    case WM_HSCROLL:
      OnScroll(SB_HORZ, wParam);
      return 0;
    case WM_VSCROLL:
      OnScroll(SB_VERT, wParam);
      return 0;
    case WM_DESTROY:
      tooltip_ = nullptr;  // an owned popup, destroyed with the control
      tipTarget_ = nullptr;
      ReleaseTables();  // the window is gone even when the object stays
      break;
  }
  return FrameWindow::WindowProc(hwnd, message, wParam, lParam);
}
