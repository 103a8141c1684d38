#include "CheckBox.h"

CheckBox::CheckBox() { CheckBox::InitDefaults(); }

CheckBox::CheckBox(HWND parent, HINSTANCE instance) : CheckBox() { Create(parent, instance); }

void CheckBox::InitDefaults() {
  SetDefaults(0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 75, 20);
}

DWORD CheckBox::Create(HWND parent, HINSTANCE instance) {
  return CreateWindowOfClass(L"BUTTON", instance, parent, 0, true);
}

int CheckBox::GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }

bool CheckBox::SetCheck(int state) {
  if (!hwnd_) return false;
  Send(BM_SETCHECK, static_cast<WPARAM>(state));
  return true;
}
