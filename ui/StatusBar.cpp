#include "StatusBar.h"

#include <commctrl.h>

#include "CommonControls.h"
#include "Text.h"

StatusBar::StatusBar() { StatusBar::InitDefaults(); }

StatusBar::StatusBar(HWND parent, HINSTANCE instance) : StatusBar() { Create(parent, instance); }

void StatusBar::InitDefaults() {
  SetDefaults(0, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 120, 20);
}

DWORD StatusBar::Create(HWND parent, HINSTANCE instance) {
  EnsureCommonControls(ICC_BAR_CLASSES);
  return CreateWindowOfClass(STATUSCLASSNAMEW, instance, parent, 0, true);
}

int StatusBar::GetParts(int count, int* widths) const {
  return static_cast<int>(Send(SB_GETPARTS, count, reinterpret_cast<LPARAM>(widths)));
}

bool StatusBar::SetParts(int count, const int* widths) {
  return Send(SB_SETPARTS, count, reinterpret_cast<LPARAM>(widths)) != 0;
}

wchar_t* StatusBar::GetText(int part, wchar_t* buffer, size_t size) const {
  if (!hwnd_) {
    if (buffer && size) buffer[0] = 0;
    return nullptr;
  }
  size_t length = LOWORD(Send(SB_GETTEXTLENGTHW, part));
  wchar_t* text = AllocText<wchar_t>(length + 1);
  Send(SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
  text[length] = 0;
  if (!buffer) return text;
  CopyTextCut(text, buffer, size);
  FreeText(text);
  return buffer;
}

bool StatusBar::SetText(int part, const wchar_t* text) {
  return Send(SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text ? text : L"")) != 0;
}
