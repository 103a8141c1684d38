#include "GridPainter.h"

namespace {

constexpr UINT kCaptionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
constexpr UINT kCellFormat = DT_SINGLELINE | DT_VCENTER;
constexpr int kHeaderInset = 2;
constexpr int kCellInset = 1;

}  // namespace

GridPainter::GridPainter(const GridControl& grid, HDC dc, const RECT& client)
    : grid_(grid),
      dc_(dc),
      client_(client),
      light_(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT))),
      dark_(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW))),
      oldPen_(SelectObject(dc, light_)),
      oldFont_(SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT))),
      showSelection_(grid.hasFocus_ || (grid.gridFlags_ & kGridSelectionAlways)) {
  SetBkMode(dc_, TRANSPARENT);
}

GridPainter::~GridPainter() {
  SelectObject(dc_, oldPen_);
  SelectObject(dc_, oldFont_);
  DeleteObject(light_);
  DeleteObject(dark_);
}

void GridPainter::Paint() {
  int headerBottom = grid_.groupBandHeight_ + grid_.headerHeight_;
  if (headerBottom >= 1) PaintHeader(headerBottom);
  int rowsBottom = PaintRows(headerBottom);
  Fill(0, rowsBottom, client_.right, client_.bottom, COLOR_WINDOW);
}

void GridPainter::Fill(int left, int top, int right, int bottom, int colour) {
  if (left >= right || top >= bottom) return;
  RECT area = {left, top, right, bottom};
  FillRect(dc_, &area, GetSysColorBrush(colour));
}

void GridPainter::Line(HPEN pen, int x1, int y1, int x2, int y2) {
  SelectObject(dc_, pen);
  MoveToEx(dc_, x1, y1, nullptr);
  LineTo(dc_, x2, y2);
}

// Dark right and bottom, light left and top.
void GridPainter::DrawRaisedEdge(const RECT& area) {
  SelectObject(dc_, dark_);
  MoveToEx(dc_, area.right - 1, area.top, nullptr);
  LineTo(dc_, area.right - 1, area.bottom - 1);
  LineTo(dc_, area.left, area.bottom - 1);
  SelectObject(dc_, light_);
  LineTo(dc_, area.left, area.top);
  LineTo(dc_, area.right, area.top);
}

void GridPainter::PaintCaption(const RECT& area, const wchar_t* text, int inset) {
  Fill(area.left, area.top, area.right, area.bottom, COLOR_BTNFACE);
  if (text) {
    RECT inner = {area.left + inset, area.top + inset, area.right - inset, area.bottom - inset};
    SetTextColor(dc_, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc_, text, -1, &inner, kCaptionFormat);
  }
  DrawRaisedEdge(area);
}

void GridPainter::PaintHeader(int bottom) {
  const auto& columns = grid_.columns_;
  int x = 0;
  int groupLeft = 0;
  for (size_t c = grid_.firstColumn_; c < columns.size(); ++c) {
    const auto& column = columns[c];
    if (c == static_cast<size_t>(grid_.firstColumn_) || column.group != columns[c - 1].group) groupLeft = x;
    if (column.width > 0) {
      int top = column.group < 0 ? 0 : grid_.groupBandHeight_;
      PaintCaption({x, top, x + column.width, bottom}, column.caption, kHeaderInset);
      x += column.width;
    }
    bool groupEnds = c + 1 == columns.size() || columns[c + 1].group != column.group;
    if (column.group >= 0 && groupEnds) PaintGroup(column.group, groupLeft, x);
  }
  Fill(x, 0, client_.right, bottom, COLOR_BTNFACE);
}

void GridPainter::PaintGroup(int group, int left, int right) {
  if (grid_.groupBandHeight_ <= 0 || left >= right || group >= static_cast<int>(grid_.groups_.size())) return;
  PaintCaption({left, 0, right, grid_.groupBandHeight_}, grid_.groups_[group], 0);
}

// Returns the bottom of the last row drawn.
int GridPainter::PaintRows(int top) {
  int y = top;
  int rows = grid_.GetRowCount();
  for (int i = 0, r = grid_.topRow_; i < grid_.visibleRows_ && r < rows; ++i, ++r) {
    int x = PaintCells(r, y);
    Fill(x, y, client_.right, y + grid_.rowHeight_, COLOR_WINDOW);
    y += grid_.rowHeight_;
  }
  return y;
}

// Returns the right edge of the last cell drawn.
int GridPainter::PaintCells(int row, int top) {
  const auto* record = grid_.rows_[row];
  int x = 0;
  if (!record || record->cells.empty()) return x;
  const auto& columns = grid_.columns_;
  for (int c = grid_.firstColumn_; c < static_cast<int>(columns.size()) && x < client_.right; ++c) {
    int width = columns[c].width;
    if (width <= 0) continue;
    PaintCell({x, top, x + width, top + grid_.rowHeight_}, row, c);
    x += width;
  }
  return x;
}

bool GridPainter::IsHighlighted(int row, int col) const {
  if (!showSelection_ || row != grid_.selectedRow_) return false;
  if (!grid_.IsSelectable(row, true) || !grid_.IsSelectable(col, false)) return false;
  return col == grid_.selectedColumn_ || (grid_.gridFlags_ & kGridWholeRow);
}

void GridPainter::PaintCell(const RECT& cell, int row, int col) {
  uint8_t rowStyle = grid_.rows_[row]->kind & kGridStyleMask;
  uint8_t style = rowStyle ? rowStyle : (grid_.columns_[col].kind & kGridStyleMask);
  bool headerLook = style == kGridStyleHeader;
  int background = headerLook ? COLOR_BTNFACE : COLOR_WINDOW;
  int text = headerLook ? COLOR_BTNTEXT : COLOR_WINDOWTEXT;
  if (IsHighlighted(row, col)) {
    bool focused = grid_.hasFocus_;
    background = focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE;
    text = focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT;
  }
  Fill(cell.left, cell.top, cell.right, cell.bottom, background);
  if (const wchar_t* content = grid_.rows_[row]->cells[col]) {
    int inset = headerLook ? kHeaderInset : kCellInset;
    RECT inner = {cell.left + inset, cell.top + inset, cell.right - inset, cell.bottom - inset};
    SetTextColor(dc_, GetSysColor(text));
    DrawTextW(dc_, content, -1, &inner, kCellFormat);
  }
  DrawBorders(cell, headerLook);
}

// Header-look cells are raised and always bordered; normal cells are sunken
// and bordered as the grid flags say.
void GridPainter::DrawBorders(const RECT& cell, bool headerLook) {
  HPEN rightBottom = headerLook ? dark_ : light_;
  HPEN leftTop = headerLook ? light_ : dark_;
  if (headerLook || (grid_.gridFlags_ & kGridVerticalBorders)) {
    Line(rightBottom, cell.right - 1, cell.top, cell.right - 1, cell.bottom);
    Line(leftTop, cell.left, cell.bottom - 1, cell.left, cell.top - 1);
  }
  if (headerLook || (grid_.gridFlags_ & kGridHorizontalBorders)) {
    Line(rightBottom, cell.left, cell.bottom - 1, cell.right, cell.bottom - 1);
    Line(leftTop, cell.left, cell.top, cell.right, cell.top);
  }
}
