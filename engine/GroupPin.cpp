#include "GroupPin.h"

#include <vfwmsgs.h>

#include <algorithm>

#include "GroupFilter.h"

GroupPin::GroupPin(GroupFilter* filter, const RenderPlan& plan)
    : SeekableSourcePin(filter, L"Output", plan.Duration()), group_(filter) {}

HRESULT GroupPin::Accepts(const AM_MEDIA_TYPE& type) {
  return MediaType::Same(type, group_->Plan()->pinType.Get()) ? S_OK : S_FALSE;
}

HRESULT GroupPin::TypeAt(int index, MediaType* type) {
  if (index > 0) return VFW_S_NO_MORE_ITEMS;
  return type->CopyFrom(group_->Plan()->pinType.Get());
}

HRESULT GroupPin::OnSegment(REFERENCE_TIME start) {
  next_ = FirstUnit(*group_->Plan(), start);
  discontinuity_ = true;
  return S_OK;
}

LONGLONG GroupPin::EndUnit(const RenderPlan& plan) {
  const UnitClock& clock = plan.clock;
  return std::min(plan.units.end, clock.UnitFrom(clock.Time(plan.units.first) + StopPosition()));
}

HRESULT GroupPin::FillSample(IMediaSample* sample) {
  std::shared_ptr<const RenderPlan> plan = group_->Plan();
  next_ = std::max(next_, plan->units.first);
  LONGLONG end = EndUnit(*plan);
  if (next_ >= end) return S_FALSE;
  LONGLONG count = SampleUnits(next_, end);
  long bytes = long(count * plan->format.UnitBytes());
  BYTE* data = nullptr;
  if (sample->GetSize() < bytes || FAILED(sample->GetPointer(&data))) return E_UNEXPECTED;
  HRESULT hr = Render(plan, next_, count, data);
  if (FAILED(hr)) return hr;
  sample->SetActualDataLength(bytes);
  sample->SetSyncPoint(TRUE);
  sample->SetDiscontinuity(discontinuity_);
  discontinuity_ = false;
  REFERENCE_TIME start = plan->StreamTime(next_), stop = plan->StreamTime(next_ + count);
  next_ += count;
  return SetTimes(sample, start, stop);
}
