#include "ValueListEditor.h"

#include <commctrl.h>

#include "Text.h"

namespace {

constexpr UINT_PTR kEditControlSubclass = 1;

bool IsEndKey(WPARAM key) { return key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE; }

bool IsListKey(WPARAM key) { return key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN; }

}  // namespace

ValueListEditor::ValueListEditor(bool editable) {
  ModifyStyle(WS_VISIBLE, false, kStyleRemove);
  if (editable) ModifyStyle((GetStyle(false) & ~CBS_DROPDOWNLIST) | CBS_DROPDOWN, false, kStyleReplace);
}

// The subclass goes with the edit control itself (WM_NCDESTROY below), so
// nothing here touches a window that may be gone.
ValueListEditor::~ValueListEditor() = default;

DWORD ValueListEditor::Create(HWND parent, HINSTANCE instance) {
  DWORD error = ComboBox::Create(parent, instance);
  // Per-window subclass data, so that any number of these may exist at once.
  if (!error && EditWindow()) SetWindowSubclass(EditWindow(), &EditControlProc, kEditControlSubclass, 0);
  return error;
}

LRESULT CALLBACK ValueListEditor::EditControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR) {
  HWND combo = GetParent(hwnd);
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (IsEndKey(wParam)) return SendMessageW(combo, WM_KEYDOWN, wParam, lParam);
      if (IsListKey(wParam)) {
        LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        SendMessageW(combo, kValueListCutMessage, 0, 0);
        return result;
      }
      break;
    case WM_SETTEXT: {
      LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
      SendMessageW(combo, kValueListCutMessage, 0, 0);
      return result;
    }
    case WM_KILLFOCUS:
      // The combo box may close the editor and destroy this control with it.
      if (reinterpret_cast<HWND>(wParam) != combo) SendMessageW(combo, WM_KILLFOCUS, wParam, lParam);
      if (!IsWindow(hwnd)) return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &EditControlProc, kEditControlSubclass);
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT ValueListEditor::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (!IsEndKey(wParam)) break;
      SendMessageW(GetParent(hwnd), WM_KEYDOWN, wParam, lParam);  // this editor may be gone now
      return 0;
    case WM_KILLFOCUS:
      if (EditWindow() && reinterpret_cast<HWND>(wParam) == EditWindow()) break;
      SendMessageW(GetParent(hwnd), WM_KILLFOCUS, wParam, lParam);
      return 0;
    case kValueListCutMessage:
      CutToValue();
      return 0;
  }
  return ComboBox::WindowProc(hwnd, message, wParam, lParam);
}

void ValueListEditor::CutToValue() {
  int selected = GetCurSel();
  LRESULT valueLength = selected >= 0 ? GetItemData(selected) : 0;
  if (valueLength <= 0) return;
  wchar_t* text = GetText();
  if (text && TextLength(text) > static_cast<size_t>(valueLength)) {
    text[valueLength] = 0;
    // Setting the edit text comes back here; by then it is short enough.
    SetText(text);
  }
  FreeText(text);
}
