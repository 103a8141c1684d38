// Draws the timeline control in system colours, straight into the paint DC:
// background, group bands with their rows and object boxes, then the ruler
// with its ticks, time labels and the cursor marker.
#pragma once

#include <windows.h>

#include "TimeLineModel.h"

class TimeLinePainter {
 public:
  // Creates the light and dark pens for one paint.
  TimeLinePainter(const TimeLineModel& model, HDC dc);
  ~TimeLinePainter();
  TimeLinePainter(const TimeLinePainter&) = delete;
  TimeLinePainter& operator=(const TimeLinePainter&) = delete;

  void Paint();
  // rect comes with the row's top and bottom; its left and right are set here.
  void DrawItemBox(const TLObjectItem& item, RECT* rect);

  // Ruler labels: decimals of a second worth showing when one pixel is scale
  // microseconds (0 from a tenth of a second a pixel, 6 at one microsecond),
  // and the label text of a time with them.
  static int LabelDecimals(int64_t scale);
  static void LabelText(int64_t time, int decimals, wchar_t* text, size_t size);

 private:
  int PaintGroup(const TLGroupItem& group, int top);
  void PaintGroupRow(const TLGroupItem& group, int top);
  int PaintTrack(const TLTrackItem& track, int top);
  // Rows start at x; sorted tables (time order) are searched for the visible span.
  void PaintRow(const TLObjectItem* items, int count, int top, int height, int x, bool sorted);
  void PaintMedia(const TLObjectItem& item, const RECT& box);
  void PaintPicture(const TLMediaEntry& media, const RECT& box);
  void PaintPeaks(const TLMediaEntry& media, const TLObjectItem& item, const RECT& box);
  void PaintDropBox();
  void PaintRuler();
  void PaintTicks(int decimals);
  void PaintCursor();
  void Line(HPEN pen, int x0, int y0, int x1, int y1);
  void Label(int x, int64_t time, int decimals);

  const TimeLineModel& model_;
  HDC dc_;
  int right_;  // the control's width: the right end of lines, bands and the ruler
  HPEN lightPen_;
  HPEN darkPen_;
  bool audio_ = false;         // the group being painted is an audio group
  HDC pictureDc_ = nullptr;    // made on the first picture drawn
  HGDIOBJ pictureOld_ = nullptr;
};
