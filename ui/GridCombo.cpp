#include "GridCombo.h"

#include "GridEdit.h"

GridCombo::GridCombo(HWND parent, HINSTANCE instance) { Create(parent, instance); }

LRESULT GridCombo::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (GridEdit::ForwardToGrid(hwnd, message, wParam, lParam, &result)) return result;
  return ComboBox::WindowProc(hwnd, message, wParam, lParam);
}
