#include "Button.h"

Button::Button() { Button::InitDefaults(); }

Button::Button(HWND parent, HINSTANCE instance) : Button() { Create(parent, instance); }

void Button::InitDefaults() {
  SetDefaults(0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 75, 25);
}

DWORD Button::Create(HWND parent, HINSTANCE instance) {
  return CreateWindowOfClass(L"BUTTON", instance, parent, 0, true);
}

HANDLE Button::SetImage(HANDLE image, UINT type) {
  return reinterpret_cast<HANDLE>(Send(BM_SETIMAGE, type, reinterpret_cast<LPARAM>(image)));
}
