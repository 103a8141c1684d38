#include "GridTimeEdit.h"

#include "GridEdit.h"

GridTimeEdit::GridTimeEdit() { ModifyStyle(WS_VISIBLE, false, kStyleRemove); }

LRESULT GridTimeEdit::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (GridEdit::ForwardToGrid(hwnd, message, wParam, lParam, &result)) return result;
  return TimeEdit::WindowProc(hwnd, message, wParam, lParam);
}
