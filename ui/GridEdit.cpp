#include "GridEdit.h"

GridEdit::GridEdit(HWND parent, HINSTANCE instance) { Create(parent, instance); }

LRESULT GridEdit::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ForwardToGrid(hwnd, message, wParam, lParam, &result)) return result;
  return EditBox::WindowProc(hwnd, message, wParam, lParam);
}

bool GridEdit::ForwardToGrid(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  switch (message) {
    case WM_KILLFOCUS:
      // The grid decides whether the edit is stored; it closes the editor.
      SendMessageW(GetParent(hwnd), WM_KILLFOCUS, wParam, lParam);
      return true;
    case WM_GETDLGCODE:
      *result = DLGC_WANTALLKEYS;  // or the dialog would take Enter, Escape and Tab
      return true;
    case WM_KEYDOWN:
      if (wParam != VK_RETURN && wParam != VK_ESCAPE && wParam != VK_TAB) return false;
      SendMessageW(GetParent(hwnd), WM_KEYDOWN, wParam, lParam);
      return true;
  }
  return false;
}
