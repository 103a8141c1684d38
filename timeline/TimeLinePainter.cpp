#include "TimeLinePainter.h"

#include <climits>

#include "TimeText.h"

namespace {

constexpr int kTickSpacing = 5;
constexpr int kLabelSpacing = 100;  // tick counter value that earns a labelled tick

void Fill(HDC dc, int left, int top, int right, int bottom, int colour) {
  RECT rect = {left, top, right, bottom};
  FillRect(dc, &rect, GetSysColorBrush(colour));
}

void Etch(HDC dc, int left, int top, int right, int bottom, UINT edges) {
  RECT rect = {left, top, right, bottom};
  DrawEdge(dc, &rect, EDGE_ETCHED, edges);
}

// Keeps a pixel position near the visible range, so that narrowing it to an int
// cannot wrap a far-away position into view.
int Narrow(int64_t x, int right) {
  if (x < -2) return -2;
  if (x > static_cast<int64_t>(right) + 2) return right + 2;
  return static_cast<int>(x);
}

}  // namespace

TimeLinePainter::TimeLinePainter(const TimeLineModel& model, HDC dc)
    : model_(model),
      dc_(dc),
      right_(model.Width()),
      lightPen_(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT))),
      darkPen_(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW))) {}

TimeLinePainter::~TimeLinePainter() {
  DeleteObject(lightPen_);
  DeleteObject(darkPen_);
}

void TimeLinePainter::Paint() {
  Fill(dc_, 0, 0, model_.ClientWidth(), model_.ClientHeight(), COLOR_BTNFACE);
  HGDIOBJ oldFont = SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
  int oldMode = SetBkMode(dc_, TRANSPARENT);
  HGDIOBJ oldPen = GetCurrentObject(dc_, OBJ_PEN);
  int y = model_.RulerHeight() - model_.VerticalPosition();
  for (int g = 0; g < model_.GroupCount(); ++g) y = PaintGroup(*model_.Group(g), y);
  PaintRuler();  // last, so it covers bands scrolled up under it
  SelectObject(dc_, oldPen);
  SetBkMode(dc_, oldMode);
  SelectObject(dc_, oldFont);
}

// Returns the top of the next band.
int TimeLinePainter::PaintGroup(const TLGroupItem& group, int top) {
  int y = top;
  for (int j = group.trackCount - 1; j >= 0; --j) y = PaintTrack(group.tracks[j], y);
  Etch(dc_, 0, top, kTimeLineHeaderBoxWidth, y, BF_RECT);
  Etch(dc_, kTimeLineHeaderBoxWidth, top, kTimeLineHeaderWidth, y, BF_RECT);
  Etch(dc_, kTimeLineHeaderWidth, top, right_, y, BF_LEFT | BF_TOP | BF_BOTTOM);
  return y + kTimeLineGroupGap;
}

// Returns the top of the next track.
int TimeLinePainter::PaintTrack(const TLTrackItem& track, int top) {
  int y = top;
  PaintRow(track.effects, track.effectCount, y, model_.EffectsRowHeight());
  y += model_.EffectsRowHeight() + 1;
  PaintRow(track.sources, track.sourceCount, y, model_.SourcesRowHeight());
  y += model_.SourcesRowHeight() + 1;
  PaintRow(track.transitions, track.transitionCount, y, model_.TransitionsRowHeight());
  return y + model_.TransitionsRowHeight() + 2;
}

void TimeLinePainter::PaintRow(const TLObjectItem* items, int count, int top, int height) {
  for (int i = 0; i < count; ++i) {
    RECT rect = {0, top, 0, top + height};
    DrawItemBox(items[i], &rect);
  }
  Line(lightPen_, kTimeLineHeaderBoxWidth, top, right_, top);
  Line(darkPen_, kTimeLineHeaderBoxWidth, top + height, right_, top + height);
}

void TimeLinePainter::DrawItemBox(const TLObjectItem& item, RECT* rect) {
  int64_t left = model_.XOfTime(item.start);
  int64_t right = model_.XOfTime(item.stop);
  rect->left = Narrow(left, right_);
  rect->right = Narrow(right, right_);
  if (left >= right_ || right <= kTimeLineHeaderWidth) return;
  if (rect->left < kTimeLineHeaderWidth) rect->left = kTimeLineHeaderWidth;
  if (rect->right > right_) rect->right = right_;
  FillRect(dc_, rect, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  if (item.selected) {
    RECT frame = {rect->left, rect->top + 1, rect->right, rect->bottom};
    FrameRect(dc_, &frame, GetSysColorBrush(COLOR_HIGHLIGHT));
  }
  if (item.name && item.name[0]) DrawTextW(dc_, item.name, -1, rect, 0);
}

void TimeLinePainter::PaintRuler() {
  int height = model_.RulerHeight();
  Fill(dc_, 0, 0, kTimeLineHeaderWidth, height, COLOR_BTNFACE);
  Etch(dc_, 0, 0, kTimeLineHeaderWidth, height, BF_RECT);
  Fill(dc_, kTimeLineHeaderWidth, 0, right_, height, COLOR_BTNFACE);
  // Below a tenth of a second per pixel the labels need microseconds.
  const wchar_t* format = static_cast<double>(model_.Scale()) < 100000.0 ? kTimeFormat : kTimeFormatSeconds;
  Label(kTimeLineHeaderWidth + 1, model_.LeftTime(), format);
  PaintTicks(format);
  PaintCursor();
}

// A short tick every 5 pixels, a full labelled one every 105 from x = 140.
void TimeLinePainter::PaintTicks(const wchar_t* format) {
  int height = model_.RulerHeight();
  int shortTop = (height / 3) * 2;
  int64_t time = model_.LeftTime();
  int counter = 0;
  for (int x = kTimeLineHeaderWidth; x < right_; x += kTickSpacing) {
    Line(darkPen_, x, shortTop, x, height);
    if (counter >= kLabelSpacing) {
      Line(darkPen_, x, 0, x, height);
      Label(x + 1, time, format);
      counter = 1;
    } else {
      counter += kTickSpacing;
    }
    time += kTickSpacing * model_.Scale();
  }
}

void TimeLinePainter::PaintCursor() {
  int64_t offset = model_.Pixels(model_.GetCursorTime() - model_.LeftTime());
  int x = Narrow(offset + kTimeLineHeaderWidth, right_);
  Fill(dc_, x - 1, 0, x + 1, model_.RulerHeight(), COLOR_HIGHLIGHTTEXT);
}

void TimeLinePainter::Line(HPEN pen, int x0, int y0, int x1, int y1) {
  SelectObject(dc_, pen);
  MoveToEx(dc_, x0, y0, nullptr);
  LineTo(dc_, x1, y1);
}

void TimeLinePainter::Label(int x, int64_t time, const wchar_t* format) {
  wchar_t text[64];
  FormatTime(format, text, time);
  TextOutW(dc_, x, 0, text, lstrlenW(text));
}
