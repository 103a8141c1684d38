// Finding another program's windows from outside it.
#pragma once

#include <windows.h>

// A visible top-level window of process pid with that class; null for none.
inline HWND VisibleWindowOf(DWORD pid, const wchar_t* className) {
  struct Search {
    DWORD pid;
    const wchar_t* className;
    HWND found;
  } search = {pid, className, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM argument) -> BOOL {
        auto* wanted = reinterpret_cast<Search*>(argument);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        wchar_t name[64];
        if (owner == wanted->pid && IsWindowVisible(hwnd) && GetClassNameW(hwnd, name, 64) &&
            lstrcmpW(name, wanted->className) == 0) {
          wanted->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}
