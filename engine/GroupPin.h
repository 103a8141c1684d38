// The output pin of a group's source filter (GroupFilter): offers exactly
// the group's media type and delivers the group's stream composed from the
// filter's current render plan, from the render range's start (stream time
// 0) to its end or the stop position, seekable (SeekableSourcePin). Units
// (frames or sample frames) are stamped from their exact times, so stamps
// never drift. A plan swapped in by an edit is used from the next sample on.
#pragma once

#include <memory>

#include "RenderPlan.h"
#include "SeekableSourcePin.h"

class GroupFilter;

class GroupPin : public SeekableSourcePin {
 public:
  HRESULT Accepts(const AM_MEDIA_TYPE& type) override;
  HRESULT TypeAt(int index, MediaType* type) override;
  // After the filter took a new plan.
  void PlanChanged(const RenderPlan& plan) { SetDuration(plan.Duration()); }

 protected:
  GroupPin(GroupFilter* filter, const RenderPlan& plan);

  HRESULT OnSegment(REFERENCE_TIME start) override;
  HRESULT FillSample(IMediaSample* sample) override;

  // The first unit to deliver from stream time position on.
  virtual LONGLONG FirstUnit(const RenderPlan& plan, REFERENCE_TIME position) = 0;
  // Units one sample holds from unit on, before end.
  virtual LONGLONG SampleUnits(LONGLONG unit, LONGLONG end) = 0;
  // Fills data with count units of plan from unit on.
  virtual HRESULT Render(const std::shared_ptr<const RenderPlan>& plan, LONGLONG unit, LONGLONG count,
                         BYTE* data) = 0;

  GroupFilter* const group_;  // not owned: the pin lives inside it

 private:
  // The end of what the stop position lets through.
  LONGLONG EndUnit(const RenderPlan& plan);

  LONGLONG next_ = 0;
  bool discontinuity_ = false;
};
