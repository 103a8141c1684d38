#include "BuildMenu.h"

namespace {

bool IsClosing(const MENUITEMINFOW& item) { return item.cbSize == 0 && (item.fMask & MIIM_SUBMENU); }

bool OpensSubmenu(const MENUITEMINFOW& item) { return item.cbSize != 0 && (item.fMask & MIIM_SUBMENU); }

// Appends the records from *next to menu, up to a closing record when nested
// (consumed) or to the end of the table. *next is left past what was used.
void FillMenu(HMENU menu, const MENUITEMINFOW* items, int count, int* next, bool nested) {
  while (*next < count) {
    MENUITEMINFOW item = items[(*next)++];
    if (IsClosing(item)) {
      if (nested) return;
      continue;
    }
    if (OpensSubmenu(item)) {
      HMENU submenu = CreatePopupMenu();
      if (submenu) FillMenu(submenu, items, count, next, true);
      item.hSubMenu = submenu;
      if (!submenu) item.fMask &= ~MIIM_SUBMENU;
    }
    // A record the menu refuses takes its new submenu nowhere: destroy it here.
    if (!InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &item) && OpensSubmenu(item) &&
        item.hSubMenu)
      DestroyMenu(item.hSubMenu);
  }
}

}  // namespace

HMENU BuildMenu(const MENUITEMINFOW* items, int count, bool popup) {
  HMENU menu = popup ? CreatePopupMenu() : CreateMenu();
  if (!menu || !items) return menu;
  int next = 0;
  FillMenu(menu, items, count, &next, false);
  return menu;
}
