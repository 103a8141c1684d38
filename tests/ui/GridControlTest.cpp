// The grid's model, selection, widths and navigation.
#include <cstdlib>
#include <new>

#include "GridTesting.h"

// Counts the frees of one watched heap string, to see what the grid frees and when.
namespace {
const void* watched = nullptr;
int watchedFrees = 0;
}  // namespace

void* operator new[](size_t size) {
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete[](void* p) noexcept {
  if (p && p == watched) ++watchedFrees;
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept { operator delete[](p); }

namespace {

wchar_t* Watch(const wchar_t* text) {
  wchar_t* copy = CopyText(text);
  watched = copy;
  watchedFrees = 0;
  return copy;
}

}  // namespace

using GridModel = GridFixture;

TEST_F(GridModel, InsertAppendsOrPlacesRowsInOrder) {
  grid->SetColumnCount(1);
  EXPECT_EQ(3, grid->InsertRows(-1, 3, 0));
  for (int r = 0; r < 3; ++r) grid->SetRowData(r, r + 1);
  EXPECT_EQ(2, grid->InsertRows(1, 2, 0));
  EXPECT_EQ(2, grid->InsertRows(100, 2, 0));
  intptr_t expected[] = {1, 0, 0, 2, 3, 0, 0};
  ASSERT_EQ(7, grid->GetRowCount());
  for (int r = 0; r < 7; ++r) EXPECT_EQ(expected[r], grid->GetRowData(r)) << r;
  EXPECT_EQ(0, grid->InsertRows(0, 0, 0));
}

TEST_F(GridModel, DeleteTellsObserverOfEachRowBeforeFreeingIt) {
  Fill(2, 5);
  int freesSeenAtRow2 = -1;
  struct : RecordingObserver {
    int* seen;
    void OnRowDeleted(GridControl* g, int row) override {
      RecordingObserver::OnRowDeleted(g, row);
      if (row == 2) *seen = watchedFrees;
    }
  } rows;
  rows.seen = &freesSeenAtRow2;
  grid->SetObserver(&rows);
  grid->SetCellText(0, 2, Watch(L"watched"), false);

  EXPECT_EQ(4, grid->DeleteRows(1, 10));  // clamped to the rows there are
  EXPECT_EQ((std::vector<std::wstring>{L"0,1", L"watched", L"0,3", L"0,4"}), rows.deleted);
  EXPECT_EQ(0, freesSeenAtRow2);
  EXPECT_EQ(1, watchedFrees);
  EXPECT_EQ(1, grid->GetRowCount());
  EXPECT_EQ(0, grid->DeleteRows(2, 1));

  // An observer may not reshape the rows while it is told of one going.
  struct : RecordingObserver {
    GridControl* target = nullptr;
    int nested = 0;
    void OnRowDeleted(GridControl* g, int row) override {
      RecordingObserver::OnRowDeleted(g, row);
      nested = target->DeleteRows(0, 1) + target->InsertRows(0, 1, 0);
    }
  } meddler;
  meddler.target = grid;
  grid->SetObserver(&meddler);
  grid->InsertRows(-1, 2, 0);
  EXPECT_EQ(2, grid->DeleteRows(0, 2));
  EXPECT_EQ(-2, meddler.nested);
  EXPECT_EQ(1, grid->GetRowCount());
  EXPECT_EQ(0, grid->GetSelectedRow());  // kept on a row that exists

  grid->DeleteAllRows();
  EXPECT_EQ(0, grid->GetRowCount());
  EXPECT_EQ(-1, grid->GetSelectedColumn());
  EXPECT_EQ(-1, grid->GetSelectedRow());
  grid->SetObserver(&observer);
}

TEST_F(GridModel, CellTextOwnershipAndBoundedReads) {
  Fill(2, 2);
  wchar_t* first = Watch(L"first");
  ASSERT_EQ(0, grid->SetCellText(1, 1, first, false));
  EXPECT_EQ(first, grid->GetCellText(1, 1));  // taken, not copied
  // Setting a cell to its own text keeps it, copied or not.
  grid->SetCellText(1, 1, grid->GetCellText(1, 1), true);
  grid->SetCellText(1, 1, grid->GetCellText(1, 1), false);
  EXPECT_EQ(0, watchedFrees);
  EXPECT_EQ(first, grid->GetCellText(1, 1));
  grid->SetCellText(1, 1, CopyText(L"second"), false);
  EXPECT_EQ(1, watchedFrees);

  const wchar_t* literal = L"copied";
  grid->SetCellText(0, 0, literal, true);
  EXPECT_NE(literal, grid->GetCellText(0, 0));

  wchar_t buffer[8] = {L'x', L'x', L'x', L'x', L'x', L'x', L'x', L'x'};
  EXPECT_EQ(buffer, grid->GetCellText(1, 1, buffer, 4));
  EXPECT_STREQ(L"sec", buffer);
  EXPECT_EQ(L'x', buffer[4]);  // nothing written past the size given
  grid->SetCellText(0, 1, nullptr, false);
  EXPECT_STREQ(L"", grid->GetCellText(0, 1, buffer, 8));
  EXPECT_EQ(nullptr, grid->GetCellText(2, 0, buffer, 8));
  EXPECT_EQ(-1, grid->SetCellText(0, 2, L"x", true));
  watched = nullptr;
}

TEST_F(GridModel, ColumnsResizeEveryRow) {
  Fill(3, 2);
  grid->SetColumnCount(2);
  EXPECT_EQ(160, grid->GetTotalWidth());
  grid->SetDefaultColumnWidth(50);
  grid->SetColumnCount(4);
  EXPECT_EQ(L"1,1", Cell(1, 1));
  EXPECT_EQ(L"(null)", Cell(3, 1));
  EXPECT_EQ(50, grid->GetColumnWidth(3));
  EXPECT_EQ(260, grid->GetTotalWidth());
  EXPECT_EQ(-1, grid->GetColumnKind(4));
}

using GridSelection = GridFixture;

TEST_F(GridSelection, FirstInsertSelectsFirstSelectableCell) {
  grid->SetColumnCount(3);
  grid->SetColumnKind(0, kGridUnselectable | kGridStyleHeader);
  grid->InsertRows(-1, 3, 0);
  EXPECT_EQ(1, grid->GetSelectedColumn());
  EXPECT_EQ(0, grid->GetSelectedRow());
  EXPECT_EQ(1, observer.selections);

  grid->DeleteAllRows();
  grid->BeginUpdate();
  grid->InsertRows(-1, 3, 0);
  grid->EndUpdate();
  EXPECT_EQ(1, grid->GetSelectedColumn());
  EXPECT_EQ(0, grid->GetSelectedRow());
  EXPECT_EQ(1, observer.selections);  // silently inside the update
}

TEST_F(GridSelection, ValidationFindsNearestSelectableCell) {
  Fill(3, 3);
  grid->SetColumnKind(0, kGridUnselectable);
  grid->SetColumnKind(2, kGridUnselectable);
  UpdateWindow(grid->Handle());
  int notified = observer.selections;
  ASSERT_EQ(0, grid->SelectCell(0, 0));  // (0, 0) was selected before column 0 became unselectable
  EXPECT_EQ(1, grid->GetSelectedColumn());
  EXPECT_EQ(notified + 1, observer.selections);

  UpdateWindow(grid->Handle());
  EXPECT_EQ(0, grid->SelectCell(1, 0));  // already selected: no repaint, no notice
  EXPECT_FALSE(GetUpdateRect(grid->Handle(), nullptr, FALSE));
  EXPECT_EQ(notified + 1, observer.selections);

  grid->SelectCell(2, 2);  // nothing to the right: the nearest to the left
  EXPECT_EQ(1, grid->GetSelectedColumn());
  EXPECT_EQ(2, grid->GetSelectedRow());
  EXPECT_EQ(-1, grid->SelectCell(3, 0));
  EXPECT_EQ(-1, grid->SelectCell(-1, 0));
}

TEST_F(GridSelection, MoveStopsAtTheEndsAndSkipsUnselectableRows) {
  Fill(2, 5);
  ASSERT_EQ(5, grid->GetVisibleRows());
  grid->SelectCell(0, 1);
  EXPECT_EQ(0, grid->MoveSelection(10, true));
  EXPECT_EQ(4, grid->GetSelectedRow());
  EXPECT_EQ(-1, grid->MoveSelection(10, true));
  EXPECT_EQ(-1, grid->MoveSelection(0, true));

  grid->DeleteRows(3, 1);
  grid->InsertRows(3, 1, kGridUnselectable);
  grid->SelectCell(0, 2);
  EXPECT_EQ(0, grid->MoveSelection(1, true));
  EXPECT_EQ(4, grid->GetSelectedRow());
  EXPECT_EQ(0, grid->MoveSelection(-1, true));
  EXPECT_EQ(2, grid->GetSelectedRow());
}

TEST_F(GridSelection, ProportionalWidthsFollowTheClient) {
  grid->SetColumnCount(3);
  grid->SetColumnWidth(0, 90);
  grid->SetColumnWidth(1, 100);
  grid->SetColumnWidth(2, 70);
  grid->SetProportionalWidths(true, false);
  RECT client;
  GetClientRect(grid->Handle(), &client);
  grid->SetSize(grid->Width() - client.right + 520, grid->Height());
  EXPECT_EQ(180, grid->GetColumnWidth(0));
  EXPECT_EQ(200, grid->GetColumnWidth(1));
  EXPECT_EQ(140, grid->GetColumnWidth(2));
  EXPECT_EQ(520, grid->GetTotalWidth());

  // Four equal columns in 2 pixels round to 1 each: no one column can give up
  // the 2 pixels too many.
  grid->SetColumnCount(4);
  for (int c = 0; c < 4; ++c) grid->SetColumnWidth(c, 10);
  grid->SetProportionalWidths(true, false);
  grid->FitColumnWidths(2);
  int sum = 0;
  for (int c = 0; c < 4; ++c) {
    EXPECT_GE(grid->GetColumnWidth(c), 0);
    sum += grid->GetColumnWidth(c);
  }
  EXPECT_EQ(2, sum);
  EXPECT_EQ(2, grid->GetTotalWidth());
}

TEST_F(GridSelection, HitTestsAndClicks) {
  Fill(3, 4);
  EXPECT_EQ(-1, grid->ColumnAt(0));
  EXPECT_EQ(0, grid->ColumnAt(1));
  EXPECT_EQ(-1, grid->ColumnAt(80));  // column 1's own left edge
  EXPECT_EQ(1, grid->ColumnAt(81));
  EXPECT_EQ(-1, grid->ColumnAt(240));
  EXPECT_EQ(-1, grid->RowAt(19));
  EXPECT_EQ(0, grid->RowAt(20));
  EXPECT_EQ(-1, grid->RowAt(20 + 4 * 20));  // below the last row

  int notified = observer.selections;
  SendMessageW(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 10));  // caption row
  EXPECT_EQ(0, grid->GetSelectedColumn());
  EXPECT_EQ(0, grid->GetSelectedRow());
  EXPECT_EQ(notified, observer.selections);
  EXPECT_EQ(grid->Handle(), GetFocus());

  SendMessageW(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(2, 3));
  EXPECT_EQ(2, grid->GetSelectedColumn());
  EXPECT_EQ(3, grid->GetSelectedRow());
  EXPECT_EQ(nullptr, grid->GetEditor());  // the first click only selects
}

TEST_F(GridSelection, KeysWheelAndScrollBarsMoveTheSelection) {
  Fill(8, 30);  // wider and taller than the client: both scroll bars
  SetFocus(grid->Handle());
  LONG style = GetWindowLongW(grid->Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_TRUE(style & WS_HSCROLL);

  Key(grid->Handle(), VK_DOWN);
  Key(grid->Handle(), VK_RIGHT);
  EXPECT_EQ(1, grid->GetSelectedRow());
  EXPECT_EQ(1, grid->GetSelectedColumn());
  Key(grid->Handle(), VK_END);
  EXPECT_EQ(7, grid->GetSelectedColumn());
  RECT client;
  GetClientRect(grid->Handle(), &client);
  EXPECT_GE(grid->ColumnX(7), 0);  // scrolled into view
  EXPECT_LE(grid->ColumnX(7) + 80, client.right);
  EXPECT_EQ(7, GetScrollPos(grid->Handle(), SB_HORZ));
  Key(grid->Handle(), VK_HOME);
  EXPECT_EQ(0, grid->GetSelectedColumn());
  EXPECT_EQ(0, grid->GetFirstColumn());

  SendMessageW(grid->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 20), 0);
  EXPECT_EQ(20, grid->GetSelectedRow());
  EXPECT_EQ(20, GetScrollPos(grid->Handle(), SB_VERT));
  int y = grid->RowY(20);
  EXPECT_GE(y, 20);
  EXPECT_LE(y + 20, client.bottom);  // wholly in view

  SendMessageW(grid->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);  // away from the user: up
  EXPECT_EQ(19, grid->GetSelectedRow());
  SendMessageW(grid->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(29, grid->GetSelectedRow());
  Key(grid->Handle(), VK_PRIOR);
  EXPECT_EQ(29 - grid->GetVisibleRows(), grid->GetSelectedRow());
  SendMessageW(grid->Handle(), WM_HSCROLL, SB_LINERIGHT, 0);
  EXPECT_EQ(1, grid->GetSelectedColumn());
}
