// A status bar with a size grip.
#pragma once

#include "Window.h"

class StatusBar : public Window {
 public:
  StatusBar();
  StatusBar(HWND parent, HINSTANCE instance);
  void InitDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  using Window::GetText;
  using Window::SetText;

  // Fills up to count right edges; returns the number of parts.
  int GetParts(int count, int* widths) const;
  bool SetParts(int count, const int* widths);
  // The part's text: a new heap string (FreeText) without a buffer, else at
  // most size characters including the zero. Null without window.
  wchar_t* GetText(int part, wchar_t* buffer, size_t size) const;
  bool SetText(int part, const wchar_t* text);
};
