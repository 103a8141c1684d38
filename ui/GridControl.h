// The table control of property and render windows: a header of column
// captions over rows of text cells, one selected cell moved by keyboard, mouse,
// wheel and scroll bars, and an in-place editor that stores its text into the
// selected cell when it loses the focus.
#pragma once

#include <cstdint>
#include <vector>

#include "GridObserver.h"
#include "Window.h"

class GridEdit;

// Column and row kinds: bit 7 makes cells unselectable, bits 0-6 are the style.
constexpr uint8_t kGridUnselectable = 0x80;
constexpr uint8_t kGridStyleMask = 0x7F;
constexpr uint8_t kGridStyleHeader = 1;  // raised look in button colours

// Grid flags.
constexpr uint32_t kGridHorizontalBorders = 1;
constexpr uint32_t kGridVerticalBorders = 2;
constexpr uint32_t kGridSelectionAlways = 4;  // show the selection also without the focus
constexpr uint32_t kGridWholeRow = 8;         // highlight every selectable cell of the row

// Edit flags.
constexpr uint32_t kGridReadOnly = 1;

// Wider columns are cut to this, so that sums of widths fit an int.
constexpr int kMaxColumnWidth = 32767;

class GridControl : public Window {
 public:
  GridControl();
  GridControl(HWND parent, HINSTANCE instance);
  // Deletes an open editor without telling the observer, then every row with
  // OnRowDeleted. An observer that goes first must be taken off before.
  ~GridControl() override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Registers "QuenGridStr" once per process and creates the window at the
  // recorded place and size.
  DWORD Create(HWND parent, HINSTANCE instance) override;

  // Columns. Operations taking a column answer -1 when it is out of range.
  int SetColumnCount(int count);
  int GetColumnCount() const { return static_cast<int>(columns_.size()); }
  int SetColumnWidth(int col, int width);
  int GetColumnWidth(int col) const;
  int SetColumnCaption(int col, const wchar_t* text);
  int SetColumnKind(int col, uint8_t kind);
  int GetColumnKind(int col) const;  // 0-255
  void SetDefaultColumnWidth(int width) { defaultColumnWidth_ = width < 0 ? 0 : width; }
  // Returns the new number of groups.
  int AddColumnGroup(const wchar_t* caption);
  int SetColumnGroup(int col, int group);
  // Height of the band above the captions that holds the group captions.
  void SetGroupBandHeight(int height);
  int GetTotalWidth() const { return totalWidth_; }
  // On: every column keeps its present share of the width; with apply the
  // widths are fitted to the client width at once.
  void SetProportionalWidths(bool on, bool apply);
  // Shares the width out by the proportions; the widths end up summing to
  // width exactly, none negative.
  void FitColumnWidths(int width);

  // Rows and cells. at beyond the last row (or negative) appends.
  int InsertRows(int at, int count, uint8_t kind);
  // Tells the observer of each row before freeing it; returns the number deleted.
  int DeleteRows(int first, int count);
  // Ends with no selection.
  void DeleteAllRows();
  // Frees the old text. With copy the grid stores a copy; without, it takes
  // text itself, which must come from AllocText (or be null).
  int SetCellText(int col, int row, const wchar_t* text, bool copy);
  // Without a buffer the stored text (null for an empty cell); with one, at most
  // size characters including the terminating zero. Null when out of range.
  // The cell's own text (null when empty or no such cell)...
  wchar_t* GetCellText(int col, int row) const;
  // ...or a copy cut to size characters, terminator included; null when
  // there is no such cell or no room.
  wchar_t* GetCellText(int col, int row, wchar_t* buffer, size_t size) const;
  int SetRowData(int row, intptr_t value);
  intptr_t GetRowData(int row) const;
  int GetRowCount() const { return static_cast<int>(rows_.size()); }
  int GetRowHeight() const { return rowHeight_; }

  // Selection and geometry.
  // Moves to the nearest selectable cell at or right of col (else left of it),
  // likewise for the row. Selecting the selected cell does nothing.
  int SelectCell(int col, int row);
  int GetSelectedColumn() const { return selectedColumn_; }
  int GetSelectedRow() const { return selectedRow_; }
  // Moves the selection by delta rows (vertical) or columns to the nearest
  // selectable one; -1 when it cannot move.
  int MoveSelection(int delta, bool vertical);
  int ColumnX(int col) const;
  int RowY(int row) const;
  // Hit tests; -1 outside every column or row. A column's left edge pixel
  // belongs to no column.
  int ColumnAt(int x) const;
  int RowAt(int y) const;
  int GetTopRow() const { return topRow_; }
  int GetFirstColumn() const { return firstColumn_; }
  int GetVisibleRows() const { return visibleRows_; }

  // Control.
  void BeginUpdate() { ++updateLock_; }
  // Lays out and repaints when the last lock goes; returns the locks left.
  int EndUpdate();
  void SetGridFlags(uint32_t flags);
  uint32_t GetGridFlags() const { return gridFlags_; }
  void SetReadOnly(uint32_t flags) { editFlags_ = flags; }
  uint32_t GetReadOnly() const { return editFlags_; }
  GridObserver* SetObserver(GridObserver* observer);
  // Opens the in-place editor on the selected cell and gives it the focus.
  int BeginEdit();
  // Closes the editor without storing its text.
  int EndEdit(bool commit);
  Window* GetEditor() const { return editor_; }

 private:
  friend class GridPainter;

  struct GridColumn {
    uint8_t kind = 0;
    int group = -1;
    int width = 0;
    wchar_t* caption = nullptr;
  };
  struct GridRow {
    uint8_t kind = 0;
    intptr_t data = 0;
    std::vector<wchar_t*> cells;  // owned; empty while there are no columns
  };

  bool Locked() const { return updateLock_ != 0; }
  bool CellExists(int col, int row) const;
  bool IsSelectable(int index, bool vertical) const;
  int NearestSelectable(int from, bool forwardFirst, bool vertical) const;
  int SetSelection(int col, int row, bool validate);
  bool PickSelection(int col, int row);
  void ScrollRowIntoView();
  void ScrollColumnIntoView();
  void Notify(uint32_t bit, int row = -1);

  void ResizeCells(GridRow* row, size_t count);
  void FreeRow(GridRow* row);
  void SumWidths();
  void ComputeProportions();
  void ShaveExcess(int excess);
  void RecalcLayout();
  void RecalcLayout(int width, int height);
  void UpdateScrollBars(int which);
  void UpdateVerticalBar();
  void UpdateHorizontalBar();
  void Repaint();
  void Refresh(int scrollBars);

  GridEdit* MakeDefaultEditor();
  int CloseEditor(bool commit, bool refocus, bool notify = true);
  void StoreEditorText();
  bool IsEditorWindow(HWND hwnd) const;
  void PlaceEditor();

  void OnPaint(HWND hwnd);
  void OnSize(int width, int height);
  void OnKillFocus(HWND to);
  bool OnKeyDown(WPARAM key, LPARAM lParam);
  bool WantsKey(const MSG* msg) const;
  bool ObserverTakesKeys() const;
  void OnLeftButtonDown(int x, int y);
  void OnWheel(int delta);
  bool OnScroll(int bar, int request, int position);
  void TakeFocus();

  uint32_t gridFlags_ = kGridHorizontalBorders | kGridVerticalBorders;
  uint32_t editFlags_ = 0;
  uint32_t updateLock_ = 0;
  int groupBandHeight_ = 0;
  int headerHeight_ = 20;
  int contentHeight_ = 20;
  int totalWidth_ = 0;
  int defaultColumnWidth_ = 70;
  int rowHeight_ = 20;
  std::vector<GridColumn> columns_;
  std::vector<wchar_t*> groups_;  // captions, owned
  int selectedColumn_ = -1;
  int selectedRow_ = -1;
  int firstColumn_ = 0;
  int topRow_ = 0;
  std::vector<GridRow*> rows_;
  Window* editor_ = nullptr;      // owned while open
  GridRow* editRow_ = nullptr;     // the edited cell, wherever its row has moved since
  int editColumn_ = -1;
  int structureGuard_ = 0;         // rows and columns may not change while an observer is told of a deleted row
  bool paintSkipped_ = false;      // a paint came while locked
  std::vector<double> proportions_;  // empty: proportional widths off
  int clientWidth_ = 0;
  int visibleRows_ = 0;  // whole rows below the header plus one, at most the row count
  bool hasFocus_ = false;
  bool commitEdit_ = false;
  GridObserver* observer_ = nullptr;
};
