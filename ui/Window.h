// Base of every window object: one Win32 window handle, bound to the object so
// that the shared window procedure can route its messages to WindowProc.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Anchoring flags, read by the container a window is laid out in when the
// container's size changes.
constexpr uint32_t kAnchorStretchX = 1;  // a horizontal change stretches instead of moving
constexpr uint32_t kAnchorStretchY = 2;  // a vertical change stretches instead of moving
constexpr uint32_t kAnchorFollowX = 4;   // follow horizontal size changes
constexpr uint32_t kAnchorFollowY = 8;   // follow vertical size changes
constexpr uint32_t kAnchorFill = 15;
constexpr uint32_t kAnchorBottomRight = 12;

// ModifyStyle operations.
constexpr int kStyleAdd = 1;
constexpr int kStyleReplace = 2;
constexpr int kStyleRemove = 3;

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Virtual operations, in their fixed slot order.
  virtual void InitDefaults();
  virtual LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Unbinds; a window that still exists is not destroyed (a subclassed one gets
  // its own procedure back).
  virtual ~Window();
  // Destroys the window when asked, then deletes the object.
  virtual void Destroy(bool destroyWindow);
  // Returns 0 or the Win32 error code.
  virtual DWORD Create(HWND parent, HINSTANCE instance) = 0;

  bool SetText(const wchar_t* text);
  // The window text. Without a buffer a new heap string (FreeText); with one,
  // at most size characters including the terminating zero. Null without window.
  wchar_t* GetText(wchar_t* buffer = nullptr, size_t size = 0) const;
  void SetPosition(int x, int y);
  void SetSize(int width, int height);
  uint32_t GetStyle(bool extended);
  // kStyleAdd, kStyleReplace or kStyleRemove; returns the new style.
  uint32_t ModifyStyle(uint32_t bits, bool extended, int operation);
  void SetAnchor(uint32_t flags) { anchor_ = flags; }
  uint32_t GetAnchor() const { return anchor_; }
  // Subclasses an existing window; 0 or the Win32 error code.
  DWORD Attach(HWND hwnd);

  HWND Handle() const { return hwnd_; }
  HWND ParentHandle() const { return parent_; }
  HINSTANCE Instance() const { return instance_; }
  int Left() const { return x_; }
  int Top() const { return y_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // The procedure of every class the framework registers and of every
  // subclassed window.
  static LRESULT CALLBACK SharedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // The framework window most recently activated; every message loop gives it
  // to IsDialogMessageW.
  static HWND ActiveWindow();
  static void SetActiveWindowHandle(HWND hwnd);
  // IsDialogMessageW for the active window; false when there is none.
  static bool HandleDialogMessage(MSG* msg);

 protected:
  // Creates the window (bound only after CreateWindowExW returns, so messages
  // sent during creation get default handling) and gives it the GUI font.
  DWORD CreateWindowOfClass(const wchar_t* className, HINSTANCE instance, HWND parent, UINT id, bool subclass);
  // A kind's default styles, at (0, 0) with the given size.
  void SetDefaults(uint32_t exStyle, uint32_t style, int width, int height);
  // SendMessageW to the window; 0 without one.
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  // Forgets the handle: unbinds and gives a subclassed window its procedure back.
  void Detach();
  // True while Destroy runs, so handlers of WM_DESTROY do not delete again.
  bool IsDestroying() const { return destroying_; }

  WNDPROC prevWndProc_ = nullptr;
  uint32_t anchor_ = 0;
  HINSTANCE instance_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND parent_ = nullptr;
  uint32_t exStyle_ = 0;
  uint32_t style_ = 0;
  int x_ = 0;
  int y_ = 0;
  int width_ = 0;
  int height_ = 0;

 private:
  void RecordGeometry(const WINDOWPOS* pos);
  LRESULT OnNcDestroy(HWND hwnd, WPARAM wParam, LPARAM lParam);
  LRESULT CallPrevious(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  bool destroying_ = false;
};
