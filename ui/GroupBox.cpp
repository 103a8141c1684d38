#include "GroupBox.h"

GroupBox::GroupBox() { GroupBox::InitDefaults(); }

GroupBox::GroupBox(HWND parent, HINSTANCE instance) : GroupBox() { Create(parent, instance); }

void GroupBox::InitDefaults() {
  SetDefaults(0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_GROUPBOX, 75, 25);
}

DWORD GroupBox::Create(HWND parent, HINSTANCE instance) {
  return CreateWindowOfClass(L"BUTTON", instance, parent, 0, true);
}
