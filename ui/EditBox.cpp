#include "EditBox.h"

EditBox::EditBox() { EditBox::InitDefaults(); }

EditBox::EditBox(HWND parent, HINSTANCE instance) : EditBox() { Create(parent, instance); }

EditBox::EditBox(HWND parent, HINSTANCE instance, uint32_t style, uint32_t exStyle) : EditBox() {
  style_ = style;
  exStyle_ = exStyle;
  Create(parent, instance);
}

void EditBox::InitDefaults() {
  SetDefaults(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 120, 20);
}

DWORD EditBox::Create(HWND parent, HINSTANCE instance) {
  return CreateWindowOfClass(L"EDIT", instance, parent, 0, true);
}

bool EditBox::IsReadOnly() { return (GetStyle(false) & ES_READONLY) != 0; }

bool EditBox::SetReadOnly(bool on) { return Send(EM_SETREADONLY, on ? TRUE : FALSE) != 0; }
