// The grid's in-cell editor of a start time: a time field whose Enter, Escape,
// Tab and loss of focus go to the grid. Created hidden.
#pragma once

#include "TimeEdit.h"

class GridTimeEdit : public TimeEdit {
 public:
  GridTimeEdit();
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
};
