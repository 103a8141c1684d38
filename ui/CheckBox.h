// An automatic check box.
#pragma once

#include "Window.h"

class CheckBox : public Window {
 public:
  CheckBox();
  CheckBox(HWND parent, HINSTANCE instance);
  void InitDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE; 0 without window.
  int GetCheck() const;
  bool SetCheck(int state);
};
