#include "TimeLinePainter.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include "TimeLineText.h"
#include "TimeText.h"

namespace {

constexpr int kTickSpacing = 5;
constexpr int kLabelSpacing = 100;  // tick counter value that earns a labelled tick
constexpr int kIndent = 6;          // header indent per nesting level
constexpr int kMaxIndentLevels = 3;  // deeper tracks line up with the third level
constexpr int kNameHeight = 14;      // the name line at the top of a source box
constexpr int kMinTextWidth = 4;

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
  if (pictureDc_) {
    SelectObject(pictureDc_, pictureOld_);
    DeleteDC(pictureDc_);
  }
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
  PaintDropBox();
  PaintRuler();  // last, so it covers bands scrolled up under it
  SelectObject(dc_, oldPen);
  SetBkMode(dc_, oldMode);
  SelectObject(dc_, oldFont);
}

// Returns the top of the next band.
int TimeLinePainter::PaintGroup(const TLGroupItem& group, int top) {
  int y = top + group.height;
  audio_ = group.audio;
  PaintGroupRow(group, top);
  TimeLineModel::ForEachTrackDown(group.tracks, group.trackCount, [&](const TLTrackItem& track) {
    int trackTop = top + track.top;
    if (trackTop < model_.ClientHeight() && trackTop + model_.TrackHeight() > 0) PaintTrack(track, trackTop);
  });
  Etch(dc_, 0, top, kTimeLineHeaderBoxWidth, y, BF_RECT);
  Etch(dc_, kTimeLineHeaderBoxWidth, top, kTimeLineHeaderWidth, y, BF_RECT);
  Etch(dc_, kTimeLineHeaderWidth, top, right_, y, BF_LEFT | BF_TOP | BF_BOTTOM);
  TimeLineModel::ForEachTrackDown(group.tracks, group.trackCount, [&](const TLTrackItem& track) {
    if (!track.depth) return;
    int left = kTimeLineHeaderBoxWidth + kIndent * std::min(track.depth, kMaxIndentLevels);
    Etch(dc_, left, top + track.top, kTimeLineHeaderWidth, top + track.top + model_.TrackHeight() - 1, BF_RECT);
  });
  return y + kTimeLineGroupGap;
}

// The group's own effects and transitions, above its tracks.
void TimeLinePainter::PaintGroupRow(const TLGroupItem& group, int top) {
  int height = model_.GroupRowHeight(group);
  if (!height) return;
  Fill(dc_, kTimeLineHeaderBoxWidth, top, kTimeLineHeaderWidth, top + height, COLOR_BTNSHADOW);
  PaintRow(group.effects, group.effectCount, top, model_.EffectsRowHeight(), kTimeLineHeaderBoxWidth, false);
  int y = top + model_.EffectsRowHeight() + 1;
  PaintRow(group.transitions, group.transitionCount, y, model_.TransitionsRowHeight(), kTimeLineHeaderBoxWidth, true);
}

// Returns the top of the next track.
int TimeLinePainter::PaintTrack(const TLTrackItem& track, int top) {
  int x = kTimeLineHeaderBoxWidth + kIndent * std::min(track.depth, kMaxIndentLevels);
  int y = top;
  PaintRow(track.effects, track.effectCount, y, model_.EffectsRowHeight(), x, false);
  y += model_.EffectsRowHeight() + 1;
  PaintRow(track.sources, track.sourceCount, y, model_.SourcesRowHeight(), x, true);
  if (track.trackCount) {
    // A composition has no sources; its row names it instead.
    std::wstring name = L"Composition \"" + ObjectName(track.object) + L"\"";
    COLORREF old = SetTextColor(dc_, GetSysColor(COLOR_GRAYTEXT));
    TextOutW(dc_, kTimeLineHeaderWidth + 4, y + 2, name.c_str(), static_cast<int>(name.size()));
    SetTextColor(dc_, old);
  }
  y += model_.SourcesRowHeight() + 1;
  PaintRow(track.transitions, track.transitionCount, y, model_.TransitionsRowHeight(), x, true);
  return y + model_.TransitionsRowHeight() + 2;
}

// Runs of touching boxes too narrow for any text are filled as one, which
// keeps a whole project's paint fast when it is zoomed out.
void TimeLinePainter::PaintRow(const TLObjectItem* items, int count, int top, int height, int x, bool sorted) {
  RECT run = {0, top, 0, top + height};
  for (int i = 0; i < count; ++i) {
    int64_t left = model_.XOfTime(items[i].start);
    if (sorted && left >= right_) break;
    int64_t right = model_.XOfTime(items[i].stop);
    if (right - left < kMinTextWidth && !items[i].selected && left < right_ && right > kTimeLineHeaderWidth) {
      int narrowLeft = std::max(Narrow(left, right_), kTimeLineHeaderWidth);
      int narrowRight = std::min(Narrow(right, right_), right_);
      if (run.right > run.left && narrowLeft <= run.right) {
        run.right = std::max<LONG>(run.right, narrowRight);
        continue;
      }
      if (run.right > run.left) FillRect(dc_, &run, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
      run.left = narrowLeft;
      run.right = narrowRight;
      continue;
    }
    RECT rect = {0, top, 0, top + height};
    DrawItemBox(items[i], &rect);
  }
  if (run.right > run.left) FillRect(dc_, &run, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  Line(lightPen_, x, top, right_, top);
  Line(darkPen_, x, top + height, right_, top + height);
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
  if (rect->right - rect->left < kMinTextWidth) return;  // no letter fits: save the text layout
  if (item.kind == kItemSource) PaintMedia(item, *rect);
  // Clipped plain text: no layout pass, and an '&' in a name stays an '&'.
  if (item.name && item.name[0]) {
    ExtTextOutW(dc_, rect->left, rect->top, ETO_CLIPPED, rect, item.name, lstrlenW(item.name), nullptr);
  }
}

void TimeLinePainter::PaintMedia(const TLObjectItem& item, const RECT& box) {
  if (box.right - box.left < 8 || box.bottom - box.top <= kNameHeight) return;
  const TLMediaEntry* media = model_.Media().For(const_cast<TLObjectItem*>(&item), audio_);
  if (!media) return;
  if (media->picture) PaintPicture(*media, box);
  if (!media->peaks.empty()) PaintPeaks(*media, item, box);
}

// At the box's left end, when the whole picture fits in the box.
void TimeLinePainter::PaintPicture(const TLMediaEntry& media, const RECT& box) {
  int height = std::min<int>(media.pictureHeight, box.bottom - box.top - kNameHeight);
  if (box.right - box.left < media.pictureWidth + 4 || height <= 0) return;
  if (!pictureDc_) {
    pictureDc_ = CreateCompatibleDC(dc_);
    pictureOld_ = SelectObject(pictureDc_, media.picture);
  } else {
    SelectObject(pictureDc_, media.picture);
  }
  BitBlt(dc_, box.left + 2, box.top + kNameHeight, media.pictureWidth, height, pictureDc_, 0, 0, SRCCOPY);
}

// One vertical stroke a pixel, the loudness across the clip's media range.
void TimeLinePainter::PaintPeaks(const TLMediaEntry& media, const TLObjectItem& item, const RECT& box) {
  int64_t left = model_.XOfTime(item.start);
  int64_t width = model_.XOfTime(item.stop) - left;
  if (width <= 0) return;
  int middle = (box.top + kNameHeight + box.bottom) / 2;
  int reach = (box.bottom - box.top - kNameHeight) / 2 - 1;
  std::vector<POINT> points;
  std::vector<DWORD> counts;
  for (int x = box.left; x < box.right; ++x) {
    size_t bucket = static_cast<size_t>((x - left) * TimeLineMedia::kPeakCount / width);
    if (bucket >= media.peaks.size()) break;
    int half = media.peaks[bucket] * reach / 255;
    points.push_back({x, middle - half});
    points.push_back({x, middle + half + 1});
    counts.push_back(2);
  }
  if (counts.empty()) return;
  SelectObject(dc_, darkPen_);
  PolyPolyline(dc_, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
}

// Where a dragged object would land on another track: hatched and framed in
// the selection colour.
void TimeLinePainter::PaintDropBox() {
  RECT box;
  if (!model_.Drag().DropBox(&box)) return;
  HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, GetSysColor(COLOR_HIGHLIGHT));
  FillRect(dc_, &box, hatch);
  DeleteObject(hatch);
  for (int i = 0; i < 2; ++i) {
    FrameRect(dc_, &box, GetSysColorBrush(COLOR_HIGHLIGHT));
    InflateRect(&box, -1, -1);
  }
}

void TimeLinePainter::PaintRuler() {
  int height = model_.RulerHeight();
  Fill(dc_, 0, 0, kTimeLineHeaderWidth, height, COLOR_BTNFACE);
  Etch(dc_, 0, 0, kTimeLineHeaderWidth, height, BF_RECT);
  Fill(dc_, kTimeLineHeaderWidth, 0, right_, height, COLOR_BTNFACE);
  int decimals = LabelDecimals(model_.Scale());
  Label(kTimeLineHeaderWidth + 1, model_.LeftTime(), decimals);
  PaintTicks(decimals);
  PaintCursor();
}

// A short tick every 5 pixels, a full labelled one every 105 from x = 140.
void TimeLinePainter::PaintTicks(int decimals) {
  int height = model_.RulerHeight();
  int shortTop = (height / 3) * 2;
  int64_t time = model_.LeftTime();
  int counter = 0;
  for (int x = kTimeLineHeaderWidth; x < right_; x += kTickSpacing) {
    Line(darkPen_, x, shortTop, x, height);
    if (counter >= kLabelSpacing) {
      Line(darkPen_, x, 0, x, height);
      Label(x + 1, time, decimals);
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

void TimeLinePainter::Label(int x, int64_t time, int decimals) {
  wchar_t text[64];
  LabelText(time, decimals, text, 64);
  TextOutW(dc_, x, 0, text, lstrlenW(text));
}

// Digits finer than a pixel say nothing.
int TimeLinePainter::LabelDecimals(int64_t scale) {
  if (scale >= 100000) return 0;
  int decimals = 6;
  for (int64_t step = 10; step <= scale; step *= 10) --decimals;
  return decimals;
}

void TimeLinePainter::LabelText(int64_t time, int decimals, wchar_t* text, size_t size) {
  FormatTime(kTimeFormat, text, size, time);  // "hh:mm:ss,ffffff"
  wchar_t* comma = wcschr(text, L',');
  if (comma) comma[decimals ? decimals + 1 : 0] = 0;
}
