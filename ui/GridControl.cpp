#include "GridControl.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "GridEdit.h"
#include "GridPainter.h"
#include "Text.h"

namespace {

constexpr wchar_t kGridClass[] = L"QuenGridStr";
constexpr int kVerticalBar = 1;
constexpr int kHorizontalBar = 2;
constexpr int kBothBars = kVerticalBar | kHorizontalBar;

DWORD RegisterGridClass(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Window::SharedWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = kGridClass;
  if (RegisterClassExW(&wc)) return 0;
  DWORD error = GetLastError();
  return error == ERROR_CLASS_ALREADY_EXISTS ? 0 : (error ? error : ERROR_INVALID_PARAMETER);
}

// hwnd is inside (or is) outer.
bool Within(HWND outer, HWND hwnd) { return outer && hwnd && (hwnd == outer || IsChild(outer, hwnd)); }

}  // namespace

GridControl::GridControl() { SetDefaults(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0); }

GridControl::GridControl(HWND parent, HINSTANCE instance) : GridControl() { Create(parent, instance); }

GridControl::~GridControl() {
  Window* editor = editor_;
  editor_ = nullptr;
  if (editor) editor->Destroy(true);
  updateLock_ = 1;  // for good: nothing is drawn any more
  DeleteRows(0, GetRowCount());
  for (wchar_t* caption : groups_) FreeText(caption);
  for (GridColumn& column : columns_) FreeText(column.caption);
}

DWORD GridControl::Create(HWND parent, HINSTANCE instance) {
  DWORD error = RegisterGridClass(instance);
  if (error) return error;
  error = CreateWindowOfClass(kGridClass, instance, parent, 0, false);
  if (error) return error;
  RecalcLayout();
  return 0;
}

// ---- Columns ----

void GridControl::SumWidths() {
  totalWidth_ = 0;
  for (const GridColumn& column : columns_) totalWidth_ += column.width;
}

void GridControl::ComputeProportions() {
  if (totalWidth_ <= 0) {
    proportions_.clear();
    return;
  }
  proportions_.resize(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    proportions_[i] = static_cast<double>(columns_[i].width) / totalWidth_;
  }
}

void GridControl::ResizeCells(GridRow* row, size_t count) {
  for (size_t i = count; i < row->cells.size(); ++i) FreeText(row->cells[i]);
  row->cells.resize(count, nullptr);
}

int GridControl::SetColumnCount(int count) {
  if (count < 0 || structureGuard_) return -1;
  if (count == GetColumnCount()) return count;
  for (size_t i = count; i < columns_.size(); ++i) FreeText(columns_[i].caption);
  GridColumn added;
  added.width = defaultColumnWidth_;
  columns_.resize(count, added);
  for (GridRow* row : rows_) ResizeCells(row, count);
  SumWidths();
  if (!proportions_.empty()) ComputeProportions();
  Refresh(kHorizontalBar);
  return count;
}

int GridControl::SetColumnWidth(int col, int width) {
  if (col < 0 || col >= GetColumnCount() || width < 0) return -1;
  width = std::min(width, kMaxColumnWidth);  // keeps every sum of widths within an int
  totalWidth_ += width - columns_[col].width;
  columns_[col].width = width;
  if (!proportions_.empty()) ComputeProportions();
  Refresh(kHorizontalBar);
  return 0;
}

int GridControl::GetColumnWidth(int col) const {
  return col < 0 || col >= GetColumnCount() ? -1 : columns_[col].width;
}

int GridControl::SetColumnCaption(int col, const wchar_t* text) {
  if (col < 0 || col >= GetColumnCount()) return -1;
  FreeText(columns_[col].caption);
  columns_[col].caption = CopyText(text);
  Repaint();
  return 0;
}

int GridControl::SetColumnKind(int col, uint8_t kind) {
  if (col < 0 || col >= GetColumnCount()) return -1;
  columns_[col].kind = kind;
  Repaint();
  return 0;
}

int GridControl::GetColumnKind(int col) const {
  return col < 0 || col >= GetColumnCount() ? -1 : columns_[col].kind;
}

int GridControl::AddColumnGroup(const wchar_t* caption) {
  groups_.push_back(CopyText(caption));
  return static_cast<int>(groups_.size());
}

int GridControl::SetColumnGroup(int col, int group) {
  if (col < 0 || col >= GetColumnCount() || group < -1 || group >= static_cast<int>(groups_.size())) return -1;
  columns_[col].group = group;
  Refresh(0);
  return 0;
}

void GridControl::SetGroupBandHeight(int height) {
  height = std::max(0, height);
  contentHeight_ += height - groupBandHeight_;
  groupBandHeight_ = height;
  Refresh(kVerticalBar);
}

void GridControl::SetProportionalWidths(bool on, bool apply) {
  if (on) ComputeProportions();
  else proportions_.clear();
  if (!apply) return;
  FitColumnWidths(clientWidth_);
  Refresh(kBothBars);
}

void GridControl::FitColumnWidths(int width) {
  if (proportions_.size() != columns_.size() || columns_.empty()) return;
  width = std::max(0, width);
  for (size_t i = 0; i < columns_.size(); ++i) {
    columns_[i].width = static_cast<int>(std::lround(width * proportions_[i]));
  }
  SumWidths();
  if (totalWidth_ > width) ShaveExcess(totalWidth_ - width);
  else if (totalWidth_ < width) columns_.back().width += width - totalWidth_;
  totalWidth_ = width;
}

// Rounding can overshoot by up to half a pixel a column: the last column wide
// enough takes it all; failing one, columns give what they have from the right.
void GridControl::ShaveExcess(int excess) {
  for (size_t i = columns_.size(); i-- > 0;) {
    if (columns_[i].width < excess) continue;
    columns_[i].width -= excess;
    return;
  }
  for (size_t i = columns_.size(); i-- > 0 && excess > 0;) {
    int taken = std::min(excess, columns_[i].width);
    columns_[i].width -= taken;
    excess -= taken;
  }
}

// ---- Rows and cells ----

namespace {
constexpr int kMaxRows = 1 << 20;
}

bool GridControl::CellExists(int col, int row) const {
  return col >= 0 && row >= 0 && col < GetColumnCount() && row < GetRowCount() && rows_[row];
}

int GridControl::InsertRows(int at, int count, uint8_t kind) {
  if (count <= 0) return count == 0 ? 0 : -1;
  if (structureGuard_ || count > kMaxRows - GetRowCount()) return -1;
  size_t position = at < 0 ? rows_.size() : std::min(static_cast<size_t>(at), rows_.size());
  std::vector<GridRow*> added(count, nullptr);
  try {
    for (GridRow*& row : added) {
      row = new GridRow();
      row->kind = kind;
      row->cells.assign(columns_.size(), nullptr);
    }
    rows_.insert(rows_.begin() + position, added.begin(), added.end());
  } catch (const std::bad_alloc&) {
    for (GridRow* row : added) delete row;
    return -1;
  }
  contentHeight_ += count * rowHeight_;
  Refresh(kVerticalBar);
  if (selectedColumn_ == -1 && selectedRow_ == -1) SelectCell(0, 0);
  return count;
}

void GridControl::FreeRow(GridRow* row) {
  for (wchar_t* text : row->cells) FreeText(text);
  delete row;
}

int GridControl::DeleteRows(int first, int count) {
  if (structureGuard_) return -1;  // an observer may not reshape the rows being deleted
  if (first < 0 || first > GetRowCount() || count <= 0) return 0;
  count = std::min(count, GetRowCount() - first);
  ++structureGuard_;
  for (int i = first; i < first + count; ++i) {
    contentHeight_ -= rowHeight_;
    Notify(kGridNotifyRowDeleted, i);
    if (rows_[i] == editRow_) editRow_ = nullptr;
    FreeRow(rows_[i]);
    rows_[i] = nullptr;  // an observer reading back sees a missing row, not freed memory
  }
  --structureGuard_;
  rows_.erase(rows_.begin() + first, rows_.begin() + first + count);
  // Keep the selection on a row that exists.
  if (selectedRow_ >= GetRowCount()) selectedRow_ = GetRowCount() - 1;
  if (selectedRow_ < 0) selectedColumn_ = selectedRow_ = -1;
  Refresh(kVerticalBar);
  return count;
}

void GridControl::DeleteAllRows() {
  if (structureGuard_) return;
  BeginUpdate();
  DeleteRows(0, GetRowCount());
  selectedColumn_ = selectedRow_ = -1;
  contentHeight_ = groupBandHeight_ + headerHeight_;
  EndUpdate();
}

int GridControl::SetCellText(int col, int row, const wchar_t* text, bool copy) {
  if (!CellExists(col, row)) return -1;
  wchar_t*& cell = rows_[row]->cells[col];
  if (text != cell) {  // a cell set to its own text keeps it
    wchar_t* replacement = copy ? CopyText(text) : const_cast<wchar_t*>(text);
    FreeText(cell);
    cell = replacement;
  }
  Repaint();
  return 0;
}

wchar_t* GridControl::GetCellText(int col, int row) const {
  return CellExists(col, row) ? rows_[row]->cells[col] : nullptr;
}

wchar_t* GridControl::GetCellText(int col, int row, wchar_t* buffer, size_t size) const {
  if (!CellExists(col, row) || !buffer || size == 0) return nullptr;
  return CopyTextCut(rows_[row]->cells[col], buffer, size);
}

int GridControl::SetRowData(int row, intptr_t value) {
  if (row < 0 || row >= GetRowCount() || !rows_[row]) return -1;
  rows_[row]->data = value;
  return 0;
}

intptr_t GridControl::GetRowData(int row) const {
  return row < 0 || row >= GetRowCount() || !rows_[row] ? 0 : rows_[row]->data;
}

// ---- Selection ----

bool GridControl::IsSelectable(int index, bool vertical) const {
  uint8_t kind = vertical ? (rows_[index] ? rows_[index]->kind : kGridUnselectable) : columns_[index].kind;
  return !(kind & kGridUnselectable);
}

// The selectable index nearest from, searched first in one direction and then
// in the other; -1 when there is none.
int GridControl::NearestSelectable(int from, bool forwardFirst, bool vertical) const {
  int count = vertical ? GetRowCount() : GetColumnCount();
  int step = forwardFirst ? 1 : -1;
  for (int pass = 0; pass < 2; ++pass, step = -step) {
    for (int i = from; i >= 0 && i < count; i += step) {
      if (IsSelectable(i, vertical)) return i;
    }
  }
  return -1;
}

int GridControl::SelectCell(int col, int row) { return SetSelection(col, row, true); }

// True when the validated target differs from the present selection.
bool GridControl::PickSelection(int col, int row) {
  int newCol = NearestSelectable(col, true, false);
  int newRow = NearestSelectable(row, true, true);
  bool changed = false;
  if (newCol >= 0 && newCol != selectedColumn_) {
    selectedColumn_ = newCol;
    changed = true;
  }
  if (newRow >= 0 && newRow != selectedRow_) {
    selectedRow_ = newRow;
    changed = true;
  }
  return changed;
}

int GridControl::SetSelection(int col, int row, bool validate) {
  if (validate) {
    if (col < 0 || row < 0 || col >= GetColumnCount() || row >= GetRowCount()) return -1;
    if (!PickSelection(col, row)) return 0;
  } else {
    if (col == -1 && row == -1) return 0;
    selectedColumn_ = col;
    selectedRow_ = row;
  }
  if (Locked()) return 0;
  if (hwnd_) {
    ScrollRowIntoView();
    ScrollColumnIntoView();
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  Notify(kGridNotifySelection);
  return 0;
}

void GridControl::ScrollRowIntoView() {
  if (!(GetWindowLongW(hwnd_, GWL_STYLE) & WS_VSCROLL) || selectedRow_ < 0 || selectedRow_ >= GetRowCount()) {
    return;
  }
  // The last visible row may be cut off: scroll it fully in, never past it.
  if (selectedRow_ > 0 && selectedRow_ >= topRow_ + visibleRows_ - 1) {
    topRow_ = std::min(selectedRow_, selectedRow_ - visibleRows_ + 2);
  }
  if (selectedRow_ < topRow_) topRow_ = selectedRow_;
  topRow_ = std::max(0, std::min(topRow_, GetRowCount() - visibleRows_ + 1));
  SetScrollPos(hwnd_, SB_VERT, selectedRow_, TRUE);
}

void GridControl::ScrollColumnIntoView() {
  int selected = selectedColumn_;
  if (!(GetWindowLongW(hwnd_, GWL_STYLE) & WS_HSCROLL) || selected < 0 || selected >= GetColumnCount()) return;
  if (firstColumn_ > selected) firstColumn_ = selected;
  int s = 0;
  for (int c = firstColumn_; c <= selected; ++c) s += columns_[c].width;
  if (s > clientWidth_) {
    while (firstColumn_ < selected && s > clientWidth_) s -= columns_[firstColumn_++].width;
  } else if (firstColumn_ > 0) {
    // Fill the view: first the columns to the right, then those to the left.
    for (int c = selected + 1; c < GetColumnCount() && s < clientWidth_; ++c) s += columns_[c].width;
    for (int c = firstColumn_ - 1; c >= 0; --c) {
      s += columns_[c].width;
      if (s >= clientWidth_) break;
      firstColumn_ = c;
    }
  }
  SetScrollPos(hwnd_, SB_HORZ, selected, TRUE);
}

int GridControl::MoveSelection(int delta, bool vertical) {
  if (selectedColumn_ < 0 || selectedRow_ < 0) return -1;
  if (editor_) TakeFocus();  // stores the edit first: an observer may change the rows
  if (selectedColumn_ < 0 || selectedRow_ < 0) return -1;
  int k = vertical ? selectedRow_ : selectedColumn_;
  int n = vertical ? GetRowCount() : GetColumnCount();
  if (delta == 0 || (delta > 0 && k >= n - 1) || (delta < 0 && k < 1)) return -1;
  int64_t target = std::clamp<int64_t>(static_cast<int64_t>(k) + delta, 0, n - 1);
  int t = NearestSelectable(static_cast<int>(target), delta > 0, vertical);
  if (t < 0 || t == k) return -1;
  SetSelection(vertical ? selectedColumn_ : t, vertical ? t : selectedRow_, false);
  return 0;
}

// ---- Geometry ----

int GridControl::ColumnX(int col) const {
  if (col < firstColumn_ || col >= GetColumnCount()) return -1;
  int x = 0;
  for (int c = firstColumn_; c < col; ++c) x += columns_[c].width;
  return x;
}

int GridControl::RowY(int row) const {
  if (row < topRow_ || row >= GetRowCount()) return -1;
  return (row - topRow_) * rowHeight_ + headerHeight_ + groupBandHeight_;
}

int GridControl::ColumnAt(int x) const {
  int s = 0;
  for (int c = firstColumn_; c < GetColumnCount(); ++c) {
    int width = columns_[c].width;
    if (s < x && x < s + width) return c;
    s += width;
  }
  return -1;
}

int GridControl::RowAt(int y) const {
  int top = headerHeight_ + groupBandHeight_;
  if (y < top) return -1;
  int r = (y - top) / rowHeight_;
  if (r >= visibleRows_ || r + topRow_ >= GetRowCount()) return -1;
  return r + topRow_;
}

// ---- Layout and repainting ----

void GridControl::RecalcLayout() {
  if (!hwnd_) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  RecalcLayout(client.right, client.bottom);
}

void GridControl::RecalcLayout(int width, int height) {
  clientWidth_ = width;
  if (clientWidth_ >= totalWidth_) firstColumn_ = 0;
  int below = height - headerHeight_ - groupBandHeight_;
  visibleRows_ = (below > 0 ? below / rowHeight_ : 0) + 1;
  int rows = GetRowCount();
  if (visibleRows_ > rows) {
    visibleRows_ = rows;
    topRow_ = 0;
  } else if (topRow_ + visibleRows_ > rows) {
    topRow_ = rows - visibleRows_;
  }
}

void GridControl::UpdateScrollBars(int which) {
  if (!hwnd_) return;
  if (which & kVerticalBar) UpdateVerticalBar();
  if (which & kHorizontalBar) UpdateHorizontalBar();
}

// The scroll bars show the selection: their position is its row or column.
void GridControl::UpdateVerticalBar() {
  RECT client;
  GetClientRect(hwnd_, &client);
  if (client.bottom >= contentHeight_ || GetRowCount() <= 1) {
    ShowScrollBar(hwnd_, SB_VERT, FALSE);
    return;
  }
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMax = visibleRows_ + GetRowCount() - 2;
  info.nPage = visibleRows_;
  info.nPos = selectedRow_;
  SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
  ShowScrollBar(hwnd_, SB_VERT, TRUE);
}

void GridControl::UpdateHorizontalBar() {
  if (clientWidth_ >= totalWidth_ || GetColumnCount() <= 1 || !proportions_.empty()) {
    ShowScrollBar(hwnd_, SB_HORZ, FALSE);
    return;
  }
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMax = GetColumnCount() - 1;
  info.nPage = 1;
  info.nPos = selectedColumn_;
  SetScrollInfo(hwnd_, SB_HORZ, &info, TRUE);
  ShowScrollBar(hwnd_, SB_HORZ, TRUE);
}

void GridControl::Repaint() {
  if (!Locked() && hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

// Layout, the given scroll bars and a full repaint, unless locked.
void GridControl::Refresh(int scrollBars) {
  if (Locked()) return;
  RecalcLayout();
  UpdateScrollBars(scrollBars);
  Repaint();
}

int GridControl::EndUpdate() {
  if (updateLock_ > 0 && --updateLock_ == 0) Refresh(kBothBars);
  return static_cast<int>(updateLock_);
}

void GridControl::SetGridFlags(uint32_t flags) {
  gridFlags_ = flags;
  if (Locked()) return;
  UpdateScrollBars(kBothBars);
  Repaint();
}

GridObserver* GridControl::SetObserver(GridObserver* observer) {
  GridObserver* previous = observer_;
  observer_ = observer;
  return previous;
}

void GridControl::Notify(uint32_t bit, int row) {
  if (!observer_ || !(observer_->mask & bit)) return;
  if (bit == kGridNotifySelection) observer_->OnSelectionChanged(this);
  else if (bit == kGridNotifyRowDeleted) observer_->OnRowDeleted(this, row);
}

// ---- In-place editing ----

int GridControl::BeginEdit() {
  if (selectedColumn_ < 0) return -1;
  if (editFlags_ & kGridReadOnly) return 0;
  if (!CellExists(selectedColumn_, selectedRow_)) return -1;
  ++updateLock_;
  CloseEditor(false, true);
  commitEdit_ = true;
  if (observer_ && (observer_->mask & kGridNotifyBeginEdit) && observer_->OnBeginEdit(this, &editor_) < 0) {
    commitEdit_ = false;  // refused; an editor the observer stored still shows
  }
  // The observer may have changed the rows: only an existing cell is edited.
  bool cellLeft = CellExists(selectedColumn_, selectedRow_);
  if (cellLeft && commitEdit_ && !editor_) editor_ = MakeDefaultEditor();
  if (cellLeft && observer_ && (observer_->mask & kGridNotifyEditorMade)) observer_->OnBeginEdit(this, &editor_);
  --updateLock_;
  if (paintSkipped_ && !Locked()) {
    paintSkipped_ = false;
    Repaint();
  }
  if (!editor_) return cellLeft ? 0 : -1;
  if (!CellExists(selectedColumn_, selectedRow_)) return CloseEditor(false, false);
  editRow_ = rows_[selectedRow_];
  editColumn_ = selectedColumn_;
  if (!editor_->Handle()) return CloseEditor(false, false);  // no window could ever close it
  ShowWindow(editor_->Handle(), SW_SHOW);
  SetFocus(editor_->Handle());
  return 0;
}

GridEdit* GridControl::MakeDefaultEditor() {
  GridEdit* edit = new GridEdit();
  edit->ModifyStyle(WS_VISIBLE, false, kStyleRemove);
  if (edit->Create(hwnd_, instance_) != 0) {
    edit->Destroy(false);
    return nullptr;
  }
  edit->SetPosition(ColumnX(selectedColumn_), RowY(selectedRow_));
  edit->SetSize(columns_[selectedColumn_].width, rowHeight_);
  const wchar_t* text = GetCellText(selectedColumn_, selectedRow_);
  edit->SetText(text ? text : L"");
  return edit;
}

int GridControl::EndEdit(bool commit) { return CloseEditor(commit, true); }

// The field is cleared first, so that focus changes while the editor goes
// (an observer's message box, the destruction itself) find no editor to close.
int GridControl::CloseEditor(bool commit, bool refocus, bool notify) {
  Window* editor = editor_;
  if (!editor) return 0;
  editor_ = nullptr;
  editRow_ = nullptr;
  editColumn_ = -1;
  if (refocus && Within(editor->Handle(), GetFocus())) SetFocus(hwnd_);
  if (notify && observer_ && (observer_->mask & kGridNotifyEndEdit)) observer_->OnEndEdit(this, editor, commit);
  editor->Destroy(true);
  return 0;
}

// Into the cell that was edited, even when the selection or the rows moved
// meanwhile; dropped when that row is gone.
void GridControl::StoreEditorText() {
  auto at = std::find(rows_.begin(), rows_.end(), editRow_);
  int row = editRow_ && at != rows_.end() ? static_cast<int>(at - rows_.begin()) : -1;
  wchar_t* text = editor_->GetText();
  if (SetCellText(editColumn_, row, text, false) != 0) FreeText(text);
}

bool GridControl::IsEditorWindow(HWND hwnd) const { return editor_ && Within(editor_->Handle(), hwnd); }

void GridControl::PlaceEditor() {
  if (!editor_ || !CellExists(selectedColumn_, selectedRow_)) return;
  editor_->SetPosition(ColumnX(selectedColumn_), RowY(selectedRow_));
  editor_->SetSize(columns_[selectedColumn_].width, rowHeight_);
}

void GridControl::TakeFocus() {
  if (GetFocus() != hwnd_) SetFocus(hwnd_);
}

// ---- Messages ----

LRESULT GridControl::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint(hwnd);
      return 0;
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_SETFOCUS:
      hasFocus_ = true;
      Repaint();
      return 0;
    case WM_KILLFOCUS:
      OnKillFocus(reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_KEYDOWN:
      if (OnKeyDown(wParam, lParam)) return 0;
      break;
    case WM_GETDLGCODE:
      if (WantsKey(reinterpret_cast<const MSG*>(lParam))) return DLGC_WANTALLKEYS;
      break;
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEWHEEL:
      OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
      if (OnScroll(message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam), HIWORD(wParam))) return 0;
      break;
    case WM_DESTROY:
      CloseEditor(false, false, false);  // while the editor window still exists; nobody is told
      break;
  }
  return Window::WindowProc(hwnd, message, wParam, lParam);
}

void GridControl::OnPaint(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  paintSkipped_ = Locked();
  if (!Locked()) {
    RECT client;
    GetClientRect(hwnd, &client);
    GridPainter(*this, dc, client).Paint();
  }
  EndPaint(hwnd, &paint);
}

void GridControl::OnSize(int width, int height) {
  if (!proportions_.empty()) FitColumnWidths(width);
  RecalcLayout(width, height);
  UpdateScrollBars(kBothBars);
  SetSelection(selectedColumn_, selectedRow_, false);
  PlaceEditor();
  Repaint();  // the class does not redraw on size by itself
}

void GridControl::OnKillFocus(HWND to) {
  if (editor_ && !IsEditorWindow(to)) {
    bool commit = commitEdit_;
    if (commit) StoreEditorText();
    CloseEditor(commit, false);
  }
  if (to != hwnd_) hasFocus_ = false;
  Repaint();
}

bool GridControl::OnKeyDown(WPARAM key, LPARAM lParam) {
  int r = std::max(1, static_cast<int>(LOWORD(lParam)));
  switch (key) {
    case VK_RETURN:
      if (editor_) TakeFocus();  // closes and stores
      else if (editFlags_ & kGridReadOnly) return false;
      else BeginEdit();
      return true;
    case VK_ESCAPE:
      if (!editor_) return false;
      commitEdit_ = false;
      TakeFocus();
      return true;
    case VK_PRIOR: MoveSelection(-r * visibleRows_, true); return true;
    case VK_NEXT: MoveSelection(r * visibleRows_, true); return true;
    case VK_HOME: MoveSelection(-GetColumnCount(), false); return true;
    case VK_END: MoveSelection(GetColumnCount(), false); return true;
    case VK_LEFT: MoveSelection(-r, false); return true;
    case VK_RIGHT: MoveSelection(r, false); return true;
    case VK_UP: MoveSelection(-r, true); return true;
    case VK_DOWN: MoveSelection(r, true); return true;
    case VK_INSERT:
    case VK_DELETE:
      return !editor_ && ObserverTakesKeys() && observer_->OnKey(this, key);
  }
  return false;
}

bool GridControl::ObserverTakesKeys() const { return observer_ && (observer_->mask & kGridNotifyKey); }

// Keys taken from dialog navigation; Tab and the rest are left to the dialog.
bool GridControl::WantsKey(const MSG* msg) const {
  if (!msg || msg->message != WM_KEYDOWN) return false;
  switch (msg->wParam) {
    case VK_RETURN: return editor_ || !(editFlags_ & kGridReadOnly);
    case VK_ESCAPE: return editor_ != nullptr;
    case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
      return true;
    case VK_INSERT: case VK_DELETE: return !editor_ && ObserverTakesKeys();
  }
  return false;
}

void GridControl::OnLeftButtonDown(int x, int y) {
  bool hadFocus = GetFocus() == hwnd_;
  if (!hadFocus) TakeFocus();  // stores an open edit, which may change the rows
  int col = ColumnAt(x);
  int row = RowAt(y);
  if (col < 0 || row < 0) return;
  if (col == selectedColumn_ && row == selectedRow_) {
    if (!(editFlags_ & kGridReadOnly)) BeginEdit();
    return;
  }
  SelectCell(col, row);
}

void GridControl::OnWheel(int delta) {
  if (GetRowCount() > 0) MoveSelection(-(delta / WHEEL_DELTA), true);
}

// Scroll-bar requests move the selection; false for those left to the default.
bool GridControl::OnScroll(int bar, int request, int position) {
  bool vertical = bar == SB_VERT;
  if (request == SB_ENDSCROLL) return false;
  TakeFocus();  // stores an open edit first, which may change the rows
  int count = vertical ? GetRowCount() : GetColumnCount();
  int page = vertical ? visibleRows_ : 1;  // a column page is one column
  int selected = vertical ? selectedRow_ : selectedColumn_;
  if (request == SB_THUMBPOSITION || request == SB_THUMBTRACK) {
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_TRACKPOS;
    // The message carries 16 bits; the bar's own track position has them all.
    if (GetScrollInfo(hwnd_, bar, &info) && (info.nTrackPos & 0xFFFF) == position) position = info.nTrackPos;
  }
  switch (request) {
    case SB_LINEUP: MoveSelection(-1, vertical); break;
    case SB_LINEDOWN: MoveSelection(1, vertical); break;
    case SB_PAGEUP: MoveSelection(-page, vertical); break;
    case SB_PAGEDOWN: MoveSelection(page, vertical); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: MoveSelection(position - selected, vertical); break;
    case SB_TOP: MoveSelection(-count, vertical); break;
    case SB_BOTTOM: MoveSelection(count, vertical); break;
    default: return false;
  }
  return true;
}
