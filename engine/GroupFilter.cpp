#include "GroupFilter.h"

#include <new>

#include "EngineFilters.h"
#include "GroupAudioPin.h"
#include "GroupVideoPin.h"
#include "Locked.h"

GroupFilter::GroupFilter(IUnknown* outer, std::shared_ptr<const RenderPlan> plan)
    : FilterBase(outer, CLSID_EngineGroupSource), plan_(std::move(plan)) {
  InitializeCriticalSection(&planLock_);
  if (plan_->format.video) pin_.reset(new (std::nothrow) GroupVideoPin(this, *plan_));
  else pin_.reset(new (std::nothrow) GroupAudioPin(this, *plan_));
}

GroupFilter::~GroupFilter() {
  pin_.reset();  // its threads are gone: a filter is released stopped
  DeleteCriticalSection(&planLock_);
}

std::shared_ptr<const RenderPlan> GroupFilter::Plan() {
  Locked lock(&planLock_);
  return plan_;
}

void GroupFilter::SetPlan(std::shared_ptr<const RenderPlan> plan) {
  std::shared_ptr<const RenderPlan> old;
  {
    Locked lock(&planLock_);
    old = std::move(plan_);
    plan_ = std::move(plan);
  }
  pin_->PlanChanged(*Plan());
}
