// A video group's output pin: one frame a sample at the group's frame rate.
// A seek starts at the frame shown at the new position. Source pictures are
// decoded ahead on the FrameFetcher's thread while this pin's thread
// composes: in place in the sample for 32-bit formats, else in a scratch
// frame converted into the sample; a frame that is one source picture as it
// stands is converted straight from it.
#pragma once

#include "FrameBuffer.h"
#include "FrameFetcher.h"
#include "GroupPin.h"
#include "VideoComposer.h"

class GroupVideoPin final : public GroupPin {
 public:
  // Frames are large: they go downstream from a thread of their own.
  GroupVideoPin(GroupFilter* filter, const RenderPlan& plan) : GroupPin(filter, plan) { DeliverOnOwnThread(); }

  HRESULT Active() override;
  HRESULT Inactive() override;

 protected:
  HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) override;
  LONGLONG FirstUnit(const RenderPlan& plan, REFERENCE_TIME position) override;
  LONGLONG SampleUnits(LONGLONG, LONGLONG) override { return 1; }
  HRESULT Render(const std::shared_ptr<const RenderPlan>& plan, LONGLONG unit, LONGLONG count, BYTE* data) override;
  void WakeThread() override { fetcher_.Interrupt(); }

 private:
  FrameFetcher fetcher_;
  VideoComposer composer_;
  FrameBuffer scratch_;  // the composed frame of formats not composed in place
};
