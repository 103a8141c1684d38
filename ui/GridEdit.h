// The grid's default in-place editor: an edit box that leaves Enter, Escape,
// Tab and the loss of the focus to the grid it lies on.
#pragma once

#include "EditBox.h"

class GridEdit : public EditBox {
 public:
  GridEdit() = default;
  GridEdit(HWND parent, HINSTANCE instance);
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The rules every in-place editor follows. True when the message was taken,
  // its answer in *result. The editor may be deleted before this returns.
  static bool ForwardToGrid(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
};
