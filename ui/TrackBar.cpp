#include "TrackBar.h"

#include <commctrl.h>

#include "CommonControls.h"

TrackBar::TrackBar() { TrackBar::InitDefaults(); }

TrackBar::TrackBar(HWND parent, HINSTANCE instance) : TrackBar() { Create(parent, instance); }

void TrackBar::InitDefaults() {
  SetDefaults(0, WS_CHILD | WS_VISIBLE, 120, 20);
}

DWORD TrackBar::Create(HWND parent, HINSTANCE instance) {
  EnsureCommonControls(ICC_BAR_CLASSES);
  return CreateWindowOfClass(TRACKBAR_CLASSW, instance, parent, 0, true);
}

int TrackBar::GetRange(bool minimum, int* out) const {
  int value = static_cast<int>(Send(minimum ? TBM_GETRANGEMIN : TBM_GETRANGEMAX));
  if (out) *out = value;
  return value;
}

void TrackBar::SetRange(int min, int max, bool redraw) {
  Send(TBM_SETRANGE, redraw ? TRUE : FALSE, MAKELPARAM(min, max));
}

int TrackBar::GetPos() const { return static_cast<int>(Send(TBM_GETPOS)); }

void TrackBar::SetPos(int pos, bool redraw) { Send(TBM_SETPOS, redraw ? TRUE : FALSE, pos); }
