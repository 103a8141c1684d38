// What the timeline control tells its owner. The control calls an operation
// only while its bit is set in mask.
#pragma once

#include <windows.h>

#include <cstdint>

#include "TimeLineItems.h"

constexpr uint32_t kNotifyItemMouseDown = 1;
constexpr uint32_t kNotifyCursorTimeChanged = 2;
constexpr uint32_t kNotifyItemChanged = 4;
constexpr uint32_t kNotifyAll = 0xFFFFFFFF;

class TimeLineModelNotify {
 public:
  explicit TimeLineModelNotify(uint32_t notifications = 0) : mask(notifications) {}
  virtual ~TimeLineModelNotify() = default;

  // message is WM_LBUTTONDOWN or WM_RBUTTONDOWN; item is the group, track or
  // object under the mouse, or null. It lives until the control's next rebuild.
  virtual void OnItemMouseDown(UINT /*message*/, TLItem* /*item*/) {}
  // The cursor time, microseconds.
  virtual void OnCursorTimeChanged(int64_t /*time*/) {}
  // A drag with the mouse moved or trimmed the item's object in the timeline.
  virtual void OnItemChanged(TLItem* /*item*/) {}

  uint32_t mask;
};
