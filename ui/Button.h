// A push button.
#pragma once

#include "Window.h"

class Button : public Window {
 public:
  Button();
  Button(HWND parent, HINSTANCE instance);
  void InitDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  // BM_SETIMAGE: type is IMAGE_ICON or IMAGE_BITMAP. Returns the previous image.
  HANDLE SetImage(HANDLE image, UINT type);
};
