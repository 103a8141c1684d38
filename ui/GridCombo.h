// A drop-down list as a grid's in-place editor. The grid never makes one:
// owners create it in OnBeginEdit and hand it over.
#pragma once

#include "ComboBox.h"

class GridCombo : public ComboBox {
 public:
  GridCombo() = default;
  GridCombo(HWND parent, HINSTANCE instance);
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
};
