// Builds a menu from a flat table of MENUITEMINFOW records in pre-order: a
// record with MIIM_SUBMENU in fMask opens a submenu made of the records that
// follow, up to a closing record (cbSize 0 and MIIM_SUBMENU in fMask).
#pragma once

#include <windows.h>

// A popup menu or a menu bar; null when it cannot be created, empty for count 0.
// The caller owns the menu (DestroyMenu, or the window it is given to).
HMENU BuildMenu(const MENUITEMINFOW* items, int count, bool popup);

// A closing record for such tables.
inline MENUITEMINFOW MenuEnd() {
  MENUITEMINFOW end = {};
  end.fMask = MIIM_SUBMENU;
  return end;
}
