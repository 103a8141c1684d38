#include "SplashWindow.h"

#include "resource.h"

SplashWindow::SplashWindow() {
  className_ = L"QUEN_Morvik_Splash";
  exStyle_ = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
  style_ = WS_POPUP;
  x_ = 0;
  width_ = 400;
  height_ = 200;
}

DWORD SplashWindow::Create(HWND parent, HINSTANCE instance) {
  DWORD error = FrameWindow::Create(parent, instance);
  if (error) return error;
  SetText(L"Morvik");
  HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MORVIK));
  if (icon) SetClassLongPtrW(hwnd_, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  CenterOn(nullptr);
  return 0;
}

LRESULT SplashWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    Paint(dc);
    EndPaint(hwnd, &paint);
    return 0;
  }
  return FrameWindow::WindowProc(hwnd, message, wParam, lParam);
}

void SplashWindow::SetStatus(const wchar_t* text) {
  status_ = text ? text : L"";
  if (!hwnd_) return;
  HDC dc = GetDC(hwnd_);
  Paint(dc);
  ReleaseDC(hwnd_, dc);
}

void SplashWindow::Paint(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, L"Morvik", -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  DrawTextW(dc, status_, -1, &client, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
  SelectObject(dc, old);
}
