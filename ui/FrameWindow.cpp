#include "FrameWindow.h"

namespace {

// The innermost ShowModal: its window and accelerator table.
HWND modalWindow = nullptr;
HACCEL modalAccelerators = nullptr;

HWND TopLevelOf(HWND hwnd) {
  while (hwnd && (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) {
    hwnd = reinterpret_cast<HWND>(GetWindowLongPtrW(hwnd, GWLP_HWNDPARENT));
  }
  return hwnd;
}

}  // namespace

FrameWindow::FrameWindow() {
  style_ = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  exStyle_ = 0;
  x_ = CW_USEDEFAULT;
  width_ = CW_USEDEFAULT;
}

DWORD FrameWindow::RegisterClass(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = classStyle_;
  wc.lpfnWndProc = &SharedWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszMenuName = menuName_;
  wc.lpszClassName = className_;
  if (RegisterClassExW(&wc)) return 0;
  DWORD error = GetLastError();
  return error == ERROR_CLASS_ALREADY_EXISTS ? 0 : (error ? error : ERROR_INVALID_PARAMETER);
}

DWORD FrameWindow::Create(HWND parent, HINSTANCE instance) {
  Detach();
  DWORD error = RegisterClass(instance);
  if (error) return error;
  error = CreateWindowOfClass(className_, instance, parent, 0, false);
  if (x_ == static_cast<int>(CW_USEDEFAULT)) x_ = 0;
  if (width_ == static_cast<int>(CW_USEDEFAULT)) width_ = 0;
  return error;
}

int FrameWindow::QueryClose() { return modalRunning_ ? 1 : 0; }

int FrameWindow::OnChildClosed(FrameWindow*) { return 0; }

LRESULT FrameWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      return OnClose(hwnd, message, wParam, lParam);
    case WM_DESTROY:
      if (OnDestroy()) return 0;  // the object is gone
      break;
    case kChildClosedMessage:
      // wParam 0 is the close notice of windows that post it themselves.
      if (wParam) return OnChildClosed(reinterpret_cast<FrameWindow*>(wParam));
      break;
  }
  return ContainerWindow::WindowProc(hwnd, message, wParam, lParam);
}

LRESULT FrameWindow::OnClose(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  int answer = QueryClose();
  if (answer < 0) {
    result_ = 0;  // a refused OK must not make a later close box act as OK
    return 0;
  }
  ReleaseOwner(!(answer & 2));
  modalRunning_ = false;  // also without an owner, or its loop would never end
  if (answer == 1) {
    ShowWindow(hwnd, SW_HIDE);
    return 0;
  }
  return ContainerWindow::WindowProc(hwnd, message, wParam, lParam);
}

// True when the object deleted itself.
bool FrameWindow::OnDestroy() {
  // However the window goes, its loop ends and its owner comes back.
  modalRunning_ = false;
  ReleaseOwner(false);
  if (!parent_ || !(flags_ & kFrameShownWithoutLoop)) return false;
  LRESULT answer = SendMessageW(parent_, kChildClosedMessage, reinterpret_cast<WPARAM>(this), 0);
  if (answer != 0 || IsDestroying()) return false;  // Destroy deletes the object itself
  Destroy(false);
  return true;
}

void FrameWindow::ReleaseOwner(bool activate) {
  if (!modalOwner_) return;
  if (ownerDisabled_) {
    EnableWindow(modalOwner_, TRUE);
    ownerDisabled_ = false;
  }
  if (activate) SetActiveWindow(modalOwner_);
}

void FrameWindow::CenterOn(HWND other) {
  RECT area;
  if (!other || !GetWindowRect(other, &area)) GetWindowRect(GetDesktopWindow(), &area);
  int x = area.left + (area.right - area.left) / 2 - width_ / 2;
  int y = area.top + (area.bottom - area.top) / 2 - height_ / 2;
  if (hwnd_) {
    SetPosition(x, y);
  } else {
    x_ = x;
    y_ = y;
  }
}

void FrameWindow::SetFlag(uint32_t bits, bool clear) {
  if (clear) flags_ &= ~bits;
  else flags_ |= bits;
}

int FrameWindow::ShowModal(bool withoutLoop) {
  if (!hwnd_) return result_;
  modalOwner_ = TopLevelOf(parent_);
  ShowWindow(hwnd_, SW_SHOW);
  FocusFirstField();
  if (modalOwner_ && IsWindowEnabled(modalOwner_)) {
    EnableWindow(modalOwner_, FALSE);
    ownerDisabled_ = true;
  }
  if (withoutLoop) {
    flags_ |= kFrameShownWithoutLoop;
    return 0;
  }
  // The loop's caller owns the object now: destroyed meanwhile, it must not
  // delete itself under the loop (the bit may be left from an earlier showing).
  flags_ &= ~kFrameShownWithoutLoop;
  modalRunning_ = true;
  HWND savedWindow = modalWindow;
  HACCEL savedAccelerators = modalAccelerators;
  modalWindow = hwnd_;
  modalAccelerators = accelerators_;
  RunModalLoop();
  modalWindow = savedWindow;
  modalAccelerators = savedAccelerators;
  return result_;
}

// Keys typed at once must reach a field, not the frame; a field's text is
// selected so typing replaces it.
void FrameWindow::FocusFirstField() {
  HWND focus = GetFocus();
  if (focus && focus != hwnd_ && IsChild(hwnd_, focus)) return;
  HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  if (!first) return;
  SetFocus(first);
  if (SendMessageW(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(first, EM_SETSEL, 0, -1);
}

void FrameWindow::RunModalLoop() {
  MSG msg;
  while (modalRunning_) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The quit belongs to the outermost loop: pass it on, and give the owner
      // back, or the program would be left with a disabled main window.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      modalRunning_ = false;
      ReleaseOwner(false);
      break;
    }
    if (modalAccelerators && TranslateAcceleratorW(modalWindow, modalAccelerators, &msg)) continue;
    if (HandleDialogMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}
