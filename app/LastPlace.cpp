#include "LastPlace.h"

#include "ComboBox.h"
#include "PropertyWindowShape.h"

void LastPlace::Offer(HWND window, ComboBox* groups, ComboBox* tracks) const {
  if (!groups || !PropertyWindowShape::SelectByData(groups, group_)) return;
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(groups->Handle()));
  if (tracks) PropertyWindowShape::SelectByData(tracks, track_);
}

void LastPlace::Take(const ComboBox* groups, const ComboBox* tracks) {
  long group = PropertyWindowShape::SelectedData(groups, -1);
  if (group < 0) return;
  Set(group, tracks ? PropertyWindowShape::SelectedData(tracks, 0) : track_);
}
