#include "CommonControls.h"

#include <commctrl.h>

namespace {

DWORD readyClasses = 0;

}  // namespace

bool CommonControlsReady(DWORD classes) { return (readyClasses & classes) == classes; }

bool EnsureCommonControls(DWORD classes) {
  if (CommonControlsReady(classes)) return true;
  INITCOMMONCONTROLSEX init = {sizeof init, classes};
  if (!InitCommonControlsEx(&init)) return false;
  readyClasses |= classes;
  return true;
}
