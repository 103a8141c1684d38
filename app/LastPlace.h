// The group and track a new object's window starts on: the last one chosen in
// such a window or selected in the timeline view, rather than always the first.
#pragma once

#include <windows.h>

class ComboBox;

class LastPlace {
 public:
  void Set(long group, long track) {
    group_ = group < 0 ? 0 : group;
    track_ = track < 0 ? 0 : track;
  }
  long Group() const { return group_; }
  long Track() const { return track_; }

  // Chooses the place in a new object's window, as if the user had picked it
  // (the window hears the group's change); tracks may be null.
  void Offer(HWND window, ComboBox* groups, ComboBox* tracks) const;
  // Remembers what the window's lists hold after OK.
  void Take(const ComboBox* groups, const ComboBox* tracks);

 private:
  long group_ = 0;
  long track_ = 0;
};
