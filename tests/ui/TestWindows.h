// Helpers shared by the framework tests: message pumping and a frame window
// whose close answers, child-closed answers and deletions the tests control.
#pragma once

#include <windows.h>

#include <functional>

#include "FrameWindow.h"

constexpr UINT kPingMessage = WM_APP + 20;

inline HINSTANCE TestInstance() { return GetModuleHandleW(nullptr); }

// Dispatches what is queued (WM_QUIT is left alone).
inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT) return;
    PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Keeps the windows up for ms milliseconds, answering their messages.
inline void ShowFor(int ms) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  while (static_cast<int>(end - GetTickCount()) > 0) {
    PumpMessages();
    Sleep(20);
  }
}

// Removes a pending WM_QUIT; true when there was one, its code in *code.
inline bool TakeQuit(WPARAM* code = nullptr) {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
  if (code) *code = msg.wParam;
  return true;
}

class TestFrame : public FrameWindow {
 public:
  inline static int deleted = 0;  // destructor calls, over all test frames

  ~TestFrame() override { ++deleted; }

  int QueryClose() override { return overrideClose ? closeAnswer : FrameWindow::QueryClose(); }
  int OnChildClosed(FrameWindow* child) override {
    closedChild = child;
    return childClosedAnswer;
  }
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_NCCREATE || message == WM_CREATE) ++creationMessagesSeen;
    if (message == WM_COMMAND && onCommand) onCommand(wParam);
    if (message == kPingMessage) {
      if (onPing) onPing();
      return 0;
    }
    return FrameWindow::WindowProc(hwnd, message, wParam, lParam);
  }

  bool overrideClose = false;
  int closeAnswer = 0;
  int childClosedAnswer = 0;
  FrameWindow* closedChild = nullptr;
  int creationMessagesSeen = 0;
  std::function<void()> onPing;
  std::function<void(WPARAM)> onCommand;
};

// A top-level test frame at the given place, or null. Shown only when asked:
// under Wine without a window manager each shown window costs about 2 s when it goes.
inline TestFrame* MakeFrame(HWND parent, int x, int y, int width, int height, bool show = false) {
  TestFrame* frame = new TestFrame();
  frame->SetPosition(x, y);
  frame->SetSize(width, height);
  if (frame->Create(parent, TestInstance()) != 0) {
    frame->Destroy(false);
    return nullptr;
  }
  if (show) ShowWindow(frame->Handle(), SW_SHOWNORMAL);
  PumpMessages();
  return frame;
}
