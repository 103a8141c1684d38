#include "StaticText.h"

StaticText::StaticText() { StaticText::InitDefaults(); }

StaticText::StaticText(HWND parent, HINSTANCE instance) : StaticText() { Create(parent, instance); }

void StaticText::InitDefaults() {
  exStyle_ = 0;
  style_ = WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP;
  x_ = y_ = 0;
  width_ = 120;
  height_ = 15;
}

DWORD StaticText::Create(HWND parent, HINSTANCE instance) {
  return CreateWindowOfClass(L"STATIC", instance, parent, 0, true);
}
