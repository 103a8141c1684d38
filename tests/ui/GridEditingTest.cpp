// The grid's in-place editing, dialog keys and painting. Set MORVIK_SHOW_MS to
// keep the filled grid with its open editor on screen (for a screenshot).
#include <cstdlib>

#include "GridCombo.h"
#include "GridTesting.h"

namespace {

class HostEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    if (GridHostSlot()) GridHostSlot()->Destroy(true);
    GridHostSlot() = nullptr;
  }
};
const ::testing::Environment* const hostEnvironment = ::testing::AddGlobalTestEnvironment(new HostEnvironment);

// Offers "Jump" and "Interpolate" in a drop-down list over the selected cell.
struct ComboObserver : RecordingObserver {
  ComboObserver() { mask |= kGridNotifyBeginEdit; }
  int OnBeginEdit(GridControl* grid, Window** editor) override {
    GridCombo* combo = new GridCombo();
    combo->ModifyStyle(WS_VISIBLE, false, kStyleRemove);
    combo->Create(grid->Handle(), TestInstance());
    combo->SetPosition(grid->ColumnX(grid->GetSelectedColumn()), grid->RowY(grid->GetSelectedRow()));
    combo->SetSize(grid->GetColumnWidth(grid->GetSelectedColumn()), grid->GetRowHeight());
    combo->AddString(L"Jump");
    combo->AddString(L"Interpolate");
    combo->SetCurSel(0);
    *editor = combo;
    return 0;
  }
};

COLORREF Pixel(HWND hwnd, int x, int y) {
  HDC dc = GetDC(hwnd);
  COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return colour;
}

// Ends a modal loop that a test expected to end by itself.
HWND dialogToClose = nullptr;
void CALLBACK CloseDialogLate(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (dialogToClose) PostMessageW(dialogToClose, WM_CLOSE, 0, 0);
}

}  // namespace

using GridEditing = GridFixture;

// Enter opens the editor over the cell; Enter stores before the observer is
// told, Escape leaves the cell; either way the grid has the focus back.
TEST_F(GridEditing, EnterStoresAndEscapeLeavesTheCell) {
  Fill(3, 3);
  grid->SelectCell(1, 1);
  SetFocus(grid->Handle());
  Key(grid->Handle(), VK_RETURN);
  Window* editor = grid->GetEditor();
  ASSERT_NE(nullptr, editor);
  EXPECT_EQ(editor->Handle(), GetFocus());
  EXPECT_TRUE(IsWindowVisible(editor->Handle()));
  wchar_t text[16];
  EXPECT_STREQ(L"1,1", editor->GetText(text, 16));
  RECT placed;
  GetWindowRect(editor->Handle(), &placed);
  MapWindowPoints(nullptr, grid->Handle(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(grid->ColumnX(1), placed.left);
  EXPECT_EQ(grid->RowY(1), placed.top);
  EXPECT_EQ(80, placed.right - placed.left);
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    if (key == VK_ESCAPE) Key(grid->Handle(), VK_RETURN);
    ASSERT_NE(nullptr, grid->GetEditor());
    Type(grid->GetEditor()->Handle(), key == VK_RETURN ? L"typed" : L"dropped");
    Key(grid->GetEditor()->Handle(), key);
    EXPECT_EQ(nullptr, grid->GetEditor());
    EXPECT_EQ(L"typed", Cell(1, 1));
    EXPECT_EQ(grid->Handle(), GetFocus());
  }
  EXPECT_EQ((std::vector<bool>{true, false}), observer.commits);
  EXPECT_EQ((std::vector<std::wstring>{L"typed", L"typed"}), observer.textsAtEnd);

  // An edit lands in its own cell, whatever moved meanwhile.
  Key(grid->Handle(), VK_RETURN);
  Type(grid->GetEditor()->Handle(), L"x");
  grid->InsertRows(0, 1, 0);  // the edited row moves down one
  grid->SelectCell(0, 0);
  SetFocus(grid->Handle());   // closes and stores
  EXPECT_EQ(L"x", Cell(1, 2));
  EXPECT_EQ(L"0,0", Cell(0, 1));
}

TEST_F(GridEditing, ClickingAnotherCellStoresAndMoves) {
  Fill(3, 3);
  SetFocus(grid->Handle());
  SendMessageW(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(0, 0));  // the selected cell: edit
  ASSERT_NE(nullptr, grid->GetEditor());
  Type(grid->GetEditor()->Handle(), L"kept");
  SendMessageW(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(2, 1));
  EXPECT_EQ(nullptr, grid->GetEditor());
  EXPECT_EQ(L"kept", Cell(0, 0));
  EXPECT_EQ(2, grid->GetSelectedColumn());
  EXPECT_EQ(1, grid->GetSelectedRow());

  // A scroll-bar move while editing stores too.
  Key(grid->Handle(), VK_RETURN);
  Type(grid->GetEditor()->Handle(), L"moved");
  SendMessageW(grid->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(nullptr, grid->GetEditor());
  EXPECT_EQ(L"moved", Cell(2, 1));
  EXPECT_EQ(2, grid->GetSelectedRow());
}

TEST_F(GridEditing, DialogKeysReachTheEditorOrTheDialog) {
  Fill(3, 3);
  SetFocus(grid->Handle());
  MSG msg = {grid->Handle(), WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}};
  EXPECT_TRUE(IsDialogMessageW(host->Handle(), &msg));  // taken by the grid: the editor opens
  ASSERT_NE(nullptr, grid->GetEditor());
  msg = {grid->GetEditor()->Handle(), WM_KEYDOWN, VK_ESCAPE, 1, 0, {0, 0}};
  IsDialogMessageW(host->Handle(), &msg);
  EXPECT_EQ(nullptr, grid->GetEditor());
  EXPECT_TRUE(IsWindowVisible(host->Handle()));  // Escape did not cancel the dialog

  grid->SetReadOnly(kGridReadOnly);
  SendMessageW(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(0, 0));
  EXPECT_EQ(nullptr, grid->GetEditor());
  host->SetResult(0);
  dialogToClose = host->Handle();
  SetTimer(nullptr, 0, 3000, &CloseDialogLate);
  PostMessageW(grid->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(1, host->ShowModal(false));  // the default button pressed
  EXPECT_EQ(nullptr, grid->GetEditor());
  dialogToClose = nullptr;
}

TEST_F(GridEditing, ObserverSuppliedComboIsShownAndCommitted) {
  Fill(3, 3);
  ComboObserver combo;
  grid->SetObserver(&combo);
  SetFocus(grid->Handle());
  Key(grid->Handle(), VK_RETURN);
  Window* editor = grid->GetEditor();
  ASSERT_NE(nullptr, dynamic_cast<GridCombo*>(editor));
  EXPECT_TRUE(IsWindowVisible(editor->Handle()));
  EXPECT_EQ(editor->Handle(), GetFocus());
  EXPECT_EQ(DLGC_WANTALLKEYS, SendMessageW(editor->Handle(), WM_GETDLGCODE, 0, 0));
  static_cast<GridCombo*>(editor)->SetCurSel(1);
  Key(editor->Handle(), VK_RETURN);
  EXPECT_EQ(nullptr, grid->GetEditor());
  EXPECT_EQ(L"Interpolate", Cell(0, 0));
  EXPECT_EQ(std::vector<bool>{true}, combo.commits);
  EXPECT_EQ(std::vector<std::wstring>{L"Interpolate"}, combo.textsAtEnd);
  grid->SetObserver(&observer);
}

using GridPainting = GridFixture;

TEST_F(GridPainting, SelectionColoursFollowFocusAndFlags) {
  grid->SetColumnCount(2);
  grid->SetColumnWidth(0, 80);
  grid->InsertRows(-1, 2, 0);  // empty cells: nothing but the background inside
  SetFocus(grid->Handle());
  UpdateWindow(grid->Handle());
  int x = 40, y = grid->RowY(0) + 10;
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), Pixel(grid->Handle(), x, y));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), Pixel(grid->Handle(), x, y + 20));

  SetFocus(host->OkButton()->Handle());
  UpdateWindow(grid->Handle());
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), Pixel(grid->Handle(), x, y));
  grid->SetGridFlags(grid->GetGridFlags() | kGridSelectionAlways);
  UpdateWindow(grid->Handle());
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), Pixel(grid->Handle(), x, y));
}

TEST_F(GridPainting, HeaderLookKeepsItsEdgesWithoutBorders) {
  Fill(2, 2);
  grid->SetColumnKind(0, kGridUnselectable | kGridStyleHeader);
  int y = grid->RowY(0) + 10;
  grid->SetGridFlags(kGridHorizontalBorders | kGridVerticalBorders);
  UpdateWindow(grid->Handle());
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), Pixel(grid->Handle(), 80, y));  // sunken left edge

  grid->SetGridFlags(0);
  UpdateWindow(grid->Handle());
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), Pixel(grid->Handle(), 80, y));
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), Pixel(grid->Handle(), 79, y));  // raised right edge
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), Pixel(grid->Handle(), 40, grid->RowY(1) - 1));  // and bottom
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), Pixel(grid->Handle(), 70, y));
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), Pixel(grid->Handle(), 79, 10));  // the caption's edge
}

// A property grid as the effect window shows it, with its editor open.
TEST_F(GridPainting, FilledGridWithOpenEditor) {
  const wchar_t* captions[] = {L"Property", L"Value", L"Start time", L"Interpolation"};
  const wchar_t* cells[][4] = {
      {L"Duration", L"1.5", L"000:00:00,000000", L"Jump"},
      {L"Brightness", L"0.75", L"000:00:01,250000", L"Interpolate"},
      {L"Contrast", L"1.0", L"", L""},
      {L"Mode", L"Linear", L"000:00:02,000000", L"Jump"},
  };
  grid->BeginUpdate();
  grid->SetSize(520, 180);
  grid->SetColumnCount(4);
  int widths[] = {90, 110, 150, 150};
  for (int c = 0; c < 4; ++c) {
    grid->SetColumnWidth(c, widths[c]);
    grid->SetColumnCaption(c, captions[c]);
  }
  grid->SetColumnKind(0, kGridUnselectable | kGridStyleHeader);
  grid->SetGroupBandHeight(18);
  grid->AddColumnGroup(L"Parameter");
  grid->AddColumnGroup(L"Key frame");
  for (int c = 0; c < 4; ++c) grid->SetColumnGroup(c, c < 2 ? 0 : 1);
  grid->InsertRows(-1, 4, 0);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) grid->SetCellText(c, r, cells[r][c], true);
  }
  grid->EndUpdate();
  grid->SetProportionalWidths(true, true);
  RECT client;
  GetClientRect(grid->Handle(), &client);
  EXPECT_EQ(client.right, grid->GetTotalWidth());

  SetFocus(grid->Handle());
  Key(grid->Handle(), VK_DOWN);
  Key(grid->Handle(), VK_RETURN);
  ASSERT_NE(nullptr, grid->GetEditor());
  Type(grid->GetEditor()->Handle(), L"0.8");
  UpdateWindow(host->Handle());
  PumpMessages();
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), Pixel(grid->Handle(), 5, 5));  // group band
  if (const char* show = std::getenv("MORVIK_SHOW_MS")) ShowFor(std::atoi(show));
  ASSERT_NE(nullptr, grid->GetEditor()) << "the editor lost its focus while the window was shown";
  Key(grid->GetEditor()->Handle(), VK_RETURN);
  EXPECT_EQ(L"0.8", Cell(1, 1));
}
