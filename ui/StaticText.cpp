#include "StaticText.h"

StaticText::StaticText() { StaticText::InitDefaults(); }

StaticText::StaticText(HWND parent, HINSTANCE instance) : StaticText() { Create(parent, instance); }

void StaticText::InitDefaults() {
  SetDefaults(0, WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 120, 15);
}

DWORD StaticText::Create(HWND parent, HINSTANCE instance) {
  return CreateWindowOfClass(L"STATIC", instance, parent, 0, true);
}
