#include "Window.h"

#include "Text.h"
#include "WindowMap.h"

namespace {

HWND activeWindow = nullptr;

}  // namespace

void Window::InitDefaults() {}

Window::~Window() { Detach(); }

void Window::Destroy(bool destroyWindow) {
  destroying_ = true;
  if (destroyWindow && hwnd_) DestroyWindow(hwnd_);
  delete this;
}

LRESULT Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED) RecordGeometry(reinterpret_cast<const WINDOWPOS*>(lParam));
  if (message == WM_NCDESTROY) return OnNcDestroy(hwnd, wParam, lParam);
  return CallPrevious(hwnd, message, wParam, lParam);
}

LRESULT Window::CallPrevious(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (prevWndProc_) return CallWindowProcW(prevWndProc_, hwnd, message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Window::RecordGeometry(const WINDOWPOS* pos) {
  if (!pos) return;
  if (!(pos->flags & SWP_NOMOVE)) {
    x_ = pos->x;
    y_ = pos->y;
  }
  if (!(pos->flags & SWP_NOSIZE)) {
    width_ = pos->cx;
    height_ = pos->cy;
  }
}

// The last message a window gets: the handle is forgotten here, so a later
// Destroy(true) can never reach another window that reuses the handle.
LRESULT Window::OnNcDestroy(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = prevWndProc_;
  if (previous) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  WindowMap::Unbind(this);
  if (activeWindow == hwnd) activeWindow = nullptr;
  hwnd_ = nullptr;
  prevWndProc_ = nullptr;
  if (previous) return CallWindowProcW(previous, hwnd, WM_NCDESTROY, wParam, lParam);
  return DefWindowProcW(hwnd, WM_NCDESTROY, wParam, lParam);
}

void Window::Detach() {
  if (hwnd_) {
    if (prevWndProc_ && IsWindow(hwnd_) &&
        GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&SharedWindowProc)) {
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prevWndProc_));
    }
    if (activeWindow == hwnd_) activeWindow = nullptr;
  }
  WindowMap::Unbind(this);
  hwnd_ = nullptr;
  parent_ = nullptr;
  instance_ = nullptr;
  prevWndProc_ = nullptr;
}

DWORD Window::CreateWindowOfClass(const wchar_t* className, HINSTANCE instance, HWND parent, UINT id,
                                  bool subclass) {
  Detach();
  HWND hwnd = CreateWindowExW(exStyle_, className, nullptr, style_, x_, y_, width_, height_, parent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr);
  if (!hwnd) {
    DWORD error = GetLastError();
    return error ? error : ERROR_INVALID_WINDOW_HANDLE;  // never report a failure as 0
  }
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  if (!subclass) {
    instance_ = instance;
    hwnd_ = hwnd;
    parent_ = parent;
    WindowMap::Bind(hwnd, this);
    return 0;
  }
  DWORD error = Attach(hwnd);
  if (error) DestroyWindow(hwnd);  // the object keeps no handle on failure
  return error;
}

DWORD Window::Attach(HWND hwnd) {
  Detach();
  if (!IsWindow(hwnd)) return ERROR_INVALID_WINDOW_HANDLE;
  // A window already routed through the shared procedure would call itself.
  if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&SharedWindowProc)) {
    return ERROR_INVALID_WINDOW_HANDLE;
  }
  SetLastError(0);
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd, GWLP_HINSTANCE));
  DWORD error = GetLastError();
  if (!instance && error) return error;  // a null instance alone is legitimate
  SetLastError(0);
  LONG_PTR previous = SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SharedWindowProc));
  error = GetLastError();
  if (!previous && error) return error;
  prevWndProc_ = reinterpret_cast<WNDPROC>(previous);
  instance_ = instance;
  hwnd_ = hwnd;
  WindowMap::Bind(hwnd, this);
  parent_ = reinterpret_cast<HWND>(GetWindowLongPtrW(hwnd, GWLP_HWNDPARENT));
  return 0;
}

LRESULT CALLBACK Window::SharedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = WindowMap::Find(hwnd);
  if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
  return window->WindowProc(hwnd, message, wParam, lParam);
}

HWND Window::ActiveWindow() { return activeWindow; }

void Window::SetActiveWindowHandle(HWND hwnd) { activeWindow = hwnd; }

bool Window::HandleDialogMessage(MSG* msg) {
  return activeWindow && IsWindow(activeWindow) && IsDialogMessageW(activeWindow, msg);
}

void Window::SetDefaults(uint32_t exStyle, uint32_t style, int width, int height) {
  exStyle_ = exStyle;
  style_ = style;
  x_ = y_ = 0;
  width_ = width;
  height_ = height;
}

LRESULT Window::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return hwnd_ ? SendMessageW(hwnd_, message, wParam, lParam) : 0;
}

bool Window::SetText(const wchar_t* text) { return hwnd_ && SetWindowTextW(hwnd_, text ? text : L""); }

wchar_t* Window::GetText(wchar_t* buffer, size_t size) const {
  if (!hwnd_) {
    if (buffer && size) buffer[0] = 0;
    return nullptr;
  }
  if (buffer) {
    if (!size) return buffer;
    GetWindowTextW(hwnd_, buffer, static_cast<int>(size));
    buffer[size - 1] = 0;
    return buffer;
  }
  int length = GetWindowTextLengthW(hwnd_);
  wchar_t* text = AllocText<wchar_t>(length + 1);
  GetWindowTextW(hwnd_, text, length + 1);
  text[length] = 0;
  return text;
}

void Window::SetPosition(int x, int y) {
  if (!hwnd_) {
    x_ = x;
    y_ = y;
    return;
  }
  SetWindowPos(hwnd_, nullptr, x, y, width_, height_, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetSize(int width, int height) {
  if (!hwnd_) {
    width_ = width;
    height_ = height;
    return;
  }
  SetWindowPos(hwnd_, nullptr, x_, y_, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

uint32_t Window::GetStyle(bool extended) {
  uint32_t& field = extended ? exStyle_ : style_;
  if (hwnd_) field = static_cast<uint32_t>(GetWindowLongW(hwnd_, extended ? GWL_EXSTYLE : GWL_STYLE));
  return field;
}

uint32_t Window::ModifyStyle(uint32_t bits, bool extended, int operation) {
  uint32_t value = GetStyle(extended);
  if (operation == kStyleAdd) value |= bits;
  else if (operation == kStyleReplace) value = bits;
  else if (operation == kStyleRemove) value &= ~bits;
  (extended ? exStyle_ : style_) = value;
  if (hwnd_) SetWindowLongW(hwnd_, extended ? GWL_EXSTYLE : GWL_STYLE, static_cast<LONG>(value));
  return value;
}
