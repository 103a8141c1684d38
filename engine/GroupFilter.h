// The source filter the render engine puts into the graph for one group:
// one output pin (GroupVideoPin or GroupAudioPin) streaming the group from
// its render plan. An edit swaps in a new plan of the same media type; the
// streaming threads take it at their next sample.
#pragma once

#include <memory>

#include "FilterBase.h"
#include "GroupPin.h"
#include "RenderPlan.h"

class GroupFilter final : public FilterBase {
 public:
  // Through CreateComObject only. plan: of a usable group, not null.
  GroupFilter(IUnknown* outer, std::shared_ptr<const RenderPlan> plan);

  std::shared_ptr<const RenderPlan> Plan();
  // plan: of the same media type as the filter's.
  void SetPlan(std::shared_ptr<const RenderPlan> plan);
  // Null when the pin could not be made (out of memory).
  IPin* Output() { return pin_.get(); }

  int PinCount() override { return pin_ ? 1 : 0; }
  PinBase* PinAt(int index) override { return index == 0 ? pin_.get() : nullptr; }

 private:
  ~GroupFilter() override;

  CRITICAL_SECTION planLock_;  // guards plan_ only; taken by streaming threads
  std::shared_ptr<const RenderPlan> plan_;
  std::unique_ptr<GroupPin> pin_;
};
