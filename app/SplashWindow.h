// The window start-up shows until the editor is ready, with a status line.
#pragma once

#include "FrameWindow.h"

class SplashWindow : public FrameWindow {
 public:
  SplashWindow();
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Keeps the pointer (callers pass literals) and repaints at once.
  void SetStatus(const wchar_t* text);
  const wchar_t* Status() const { return status_; }

 private:
  void Paint(HDC dc);

  const wchar_t* status_ = L"";
};
