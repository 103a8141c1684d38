// The process-wide map from window handles to window objects, searched by the
// shared window procedure for every message. User-interface thread only.
#pragma once

#include <windows.h>

class Window;

class WindowMap {
 public:
  static void Bind(HWND hwnd, Window* window);
  // Removes the entries of window; with a null window, the entry of hwnd.
  static void Unbind(Window* window, HWND hwnd = nullptr);
  static Window* Find(HWND hwnd);
  static size_t Count();
};
