// A single-line edit control.
#pragma once

#include "Window.h"

class EditBox : public Window {
 public:
  EditBox();
  EditBox(HWND parent, HINSTANCE instance);
  // Creates at once with the given styles instead of the defaults.
  EditBox(HWND parent, HINSTANCE instance, uint32_t style, uint32_t exStyle);
  void InitDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  bool IsReadOnly();
  bool SetReadOnly(bool on);
};
