#include "GroupBox.h"

GroupBox::GroupBox() { GroupBox::InitDefaults(); }

GroupBox::GroupBox(HWND parent, HINSTANCE instance) : GroupBox() { Create(parent, instance); }

void GroupBox::InitDefaults() {
  exStyle_ = 0;
  style_ = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_GROUPBOX;
  x_ = y_ = 0;
  width_ = 75;
  height_ = 25;
}

DWORD GroupBox::Create(HWND parent, HINSTANCE instance) {
  return CreateWindowOfClass(L"BUTTON", instance, parent, 0, true);
}
