// Grids under test: one shown dialog hosts them all (showing and destroying
// top-level windows is slow under Wine), and an observer records what the
// grid tells it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DialogWindow.h"
#include "GridControl.h"
#include "TestWindows.h"
#include "Text.h"

inline DialogWindow*& GridHostSlot() {
  static DialogWindow* host = nullptr;
  return host;
}

inline DialogWindow* GridHost() {
  DialogWindow*& host = GridHostSlot();
  if (!host) {
    host = new DialogWindow();
    host->SetPosition(40, 40);
    host->SetSize(560, 380);
    host->Create(nullptr, TestInstance());
    host->SetText(L"Grid");
    host->ArrangeButtons(nullptr);
    host->SetSize(560, 380);  // the buttons follow to the bottom right
  }
  ShowWindow(host->Handle(), SW_SHOW);
  SetWindowPos(host->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  PumpMessages();
  return host;
}

inline std::wstring Str(const wchar_t* text) { return text ? text : L"(null)"; }

struct RecordingObserver : GridObserver {
  RecordingObserver() : GridObserver(kGridNotifySelection | kGridNotifyEndEdit | kGridNotifyRowDeleted) {}
  void OnSelectionChanged(GridControl*) override { ++selections; }
  void OnEndEdit(GridControl* grid, Window*, bool commit) override {
    commits.push_back(commit);
    textsAtEnd.push_back(Str(grid->GetCellText(grid->GetSelectedColumn(), grid->GetSelectedRow())));
  }
  void OnRowDeleted(GridControl* grid, int row) override { deleted.push_back(Str(grid->GetCellText(0, row))); }

  int selections = 0;
  std::vector<bool> commits;
  std::vector<std::wstring> textsAtEnd;
  std::vector<std::wstring> deleted;
};

// A grid on the host at (8, 8) with columns of width 80 and rows whose cell
// (c, r) reads "c,r".
struct GridFixture : ::testing::Test {
  void SetUp() override {
    host = GridHost();
    grid = new GridControl();
    grid->SetPosition(8, 8);
    grid->SetSize(404, 204);
    ASSERT_EQ(0u, grid->Create(host->Handle(), TestInstance()));
    grid->SetObserver(&observer);
  }
  void TearDown() override {
    grid->SetObserver(nullptr);
    grid->Destroy(true);
    PumpMessages();
  }
  void Fill(int columns, int rows) {
    grid->BeginUpdate();
    grid->SetColumnCount(columns);
    for (int c = 0; c < columns; ++c) grid->SetColumnWidth(c, 80);
    grid->InsertRows(-1, rows, 0);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) grid->SetCellText(c, r, (std::to_wstring(c) + L"," + std::to_wstring(r)).c_str(), true);
    }
    grid->EndUpdate();
  }
  std::wstring Cell(int col, int row) const { return Str(grid->GetCellText(col, row)); }
  // The client point in the middle of a cell.
  LPARAM CellPoint(int col, int row) const {
    return MAKELPARAM(grid->ColumnX(col) + grid->GetColumnWidth(col) / 2, grid->RowY(row) + grid->GetRowHeight() / 2);
  }
  LRESULT Key(HWND target, WPARAM key) { return SendMessageW(target, WM_KEYDOWN, key, 1); }
  void Type(HWND target, const wchar_t* text) {
    SendMessageW(target, EM_SETSEL, 0, -1);
    for (; *text; ++text) SendMessageW(target, WM_CHAR, *text, 1);
  }

  DialogWindow* host = nullptr;
  GridControl* grid = nullptr;
  RecordingObserver observer;
};
