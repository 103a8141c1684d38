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

 private:
  int PaintGroup(const TLGroupItem& group, int top);
  int PaintTrack(const TLTrackItem& track, int top);
  void PaintRow(const TLObjectItem* items, int count, int top, int height);
  void PaintRuler();
  void PaintTicks(const wchar_t* format);
  void PaintCursor();
  void Line(HPEN pen, int x0, int y0, int x1, int y1);
  void Label(int x, int64_t time, const wchar_t* format);

  const TimeLineModel& model_;
  HDC dc_;
  int right_;  // the control's width: the right end of lines, bands and the ruler
  HPEN lightPen_;
  HPEN darkPen_;
};
