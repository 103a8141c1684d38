// A top-level or child window of a class the framework registers itself, with
// the close protocol and modal showing.
#pragma once

#include "ContainerWindow.h"

// Sent by a window shown without a loop of its own to its parent when it is
// destroyed: wParam the closing FrameWindow, lParam 0. An answer of 0 lets the
// closing object delete itself.
constexpr UINT kChildClosedMessage = WM_APP + 1;

// flags bit 0: shown without a loop of its own; the parent is told when it goes.
constexpr uint32_t kFrameShownWithoutLoop = 1;

class FrameWindow : public ContainerWindow {
 public:
  FrameWindow();

  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Registers the class (once per process) and creates the window.
  DWORD Create(HWND parent, HINSTANCE instance) override;
  // Asked on WM_CLOSE: below 0 refuses, 1 only hides, anything else destroys;
  // bit 1 set keeps the owner from being activated.
  virtual int QueryClose();
  // Answer to the child-closed message; 0 lets the child delete itself.
  virtual int OnChildClosed(FrameWindow* child);

  // Centres on other's rectangle, or on the desktop's when other is null.
  void CenterOn(HWND other);
  // Shows the window and disables its top-level owner. Without a loop returns 0
  // at once; else runs the messages until the window closes and returns result.
  int ShowModal(bool withoutLoop);
  void SetFlag(uint32_t bits, bool clear);
  uint32_t Flags() const { return flags_; }

  int Result() const { return result_; }
  void SetResult(int result) { result_ = result; }
  bool ModalRunning() const { return modalRunning_; }
  HWND ModalOwner() const { return modalOwner_; }
  void SetAccelerators(HACCEL accelerators) { accelerators_ = accelerators; }

 protected:
  const wchar_t* className_ = L"QuenWndClass";
  const wchar_t* menuName_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HWND modalOwner_ = nullptr;
  bool modalRunning_ = false;
  uint32_t classStyle_ = CS_HREDRAW | CS_VREDRAW;
  uint32_t flags_ = 0;
  int result_ = 0;

 private:
  DWORD RegisterClass(HINSTANCE instance);
  LRESULT OnClose(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnDestroy();
  void ReleaseOwner(bool activate);
  void RunModalLoop();
  void FocusFirstField();

  bool ownerDisabled_ = false;  // this window disabled modalOwner_ and must enable it again
};
