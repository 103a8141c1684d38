// The grid's in-cell editor of a value offered by the parameter catalog: a
// combo box the user may also type into. After an entry "value: label" is
// picked, only the value text stays in the text.
#pragma once

#include "ComboBox.h"

// Sent to the editor to cut its text to the selected entry's value text.
constexpr UINT kValueListCutMessage = WM_USER + 1;

class ValueListEditor : public ComboBox {
 public:
  // editable: CBS_DROPDOWN instead of CBS_DROPDOWNLIST. Created hidden.
  explicit ValueListEditor(bool editable);
  ~ValueListEditor() override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Also subclasses the edit control, so that its keys reach the grid.
  DWORD Create(HWND parent, HINSTANCE instance) override;

 private:
  static LRESULT CALLBACK EditControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR owner);
  void CutToValue();
};
