// A static text label.
#pragma once

#include "Window.h"

class StaticText : public Window {
 public:
  StaticText();
  StaticText(HWND parent, HINSTANCE instance);
  void InitDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
};
