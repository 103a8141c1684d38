// Draws a grid's header and cells in the system colours, with a raised look
// for the header and header-look cells and a sunken one for normal cells.
#pragma once

#include <windows.h>

#include "GridControl.h"

class GridPainter {
 public:
  // The pens are made from the system colours anew for every paint.
  GridPainter(const GridControl& grid, HDC dc, const RECT& client);
  ~GridPainter();
  GridPainter(const GridPainter&) = delete;
  GridPainter& operator=(const GridPainter&) = delete;

  void Paint();

 private:
  void PaintHeader(int bottom);
  void PaintCaption(const RECT& area, const wchar_t* text, int inset);
  void PaintGroup(int group, int left, int right);
  int PaintRows(int top);
  int PaintCells(int row, int top);
  void PaintCell(const RECT& cell, int row, int col);
  bool IsHighlighted(int row, int col) const;
  void DrawRaisedEdge(const RECT& area);
  void DrawBorders(const RECT& cell, bool headerLook);
  void Line(HPEN pen, int x1, int y1, int x2, int y2);
  void Fill(int left, int top, int right, int bottom, int colour);

  const GridControl& grid_;
  HDC dc_;
  RECT client_;
  HPEN light_;
  HPEN dark_;
  HGDIOBJ oldPen_;
  HGDIOBJ oldFont_;
  bool showSelection_;
};
