#include "GroupAudioPin.h"

#include <algorithm>

#include "GroupFilter.h"

GroupAudioPin::GroupAudioPin(GroupFilter* filter, const RenderPlan& plan)
    : GroupPin(filter, plan), block_(std::max<LONGLONG>(plan.format.rate / 20, 1)) {}

HRESULT GroupAudioPin::BufferSize(ALLOCATOR_PROPERTIES* request) {
  long bytes = long(block_ * group_->Plan()->format.UnitBytes());
  if (request->cBuffers < 4) request->cBuffers = 4;
  if (request->cbBuffer < bytes) request->cbBuffer = bytes;
  return S_OK;
}

LONGLONG GroupAudioPin::FirstUnit(const RenderPlan& plan, REFERENCE_TIME position) {
  return plan.clock.UnitFrom(plan.clock.Time(plan.units.first) + position);
}

LONGLONG GroupAudioPin::SampleUnits(LONGLONG unit, LONGLONG end) {
  LONGLONG boundary = (unit / block_ + 1) * block_;
  return std::min(boundary, end) - unit;
}

HRESULT GroupAudioPin::Render(const std::shared_ptr<const RenderPlan>& plan, LONGLONG unit, LONGLONG count,
                              BYTE* data) {
  mixed_.resize(size_t(count) * plan->format.channels);
  mixer_.Mix(*plan, unit, int(count), &readers_, mixed_.data());
  AudioMixer::Write(plan->format, mixed_.data(), int(count), data);
  return S_OK;
}
