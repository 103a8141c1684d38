// An audio group's output pin: interleaved PCM in the group's format, in
// blocks of a twentieth of a second counted from the timeline's start (the
// first and last may be shorter), each stamped from its first sample frame.
// A seek starts at the first sample frame at or after the new position. The
// pin's readers are kept between streaming threads (one runs at a time).
#pragma once

#include <vector>

#include "AudioMixer.h"
#include "GroupPin.h"
#include "ReaderSet.h"

class GroupAudioPin final : public GroupPin {
 public:
  GroupAudioPin(GroupFilter* filter, const RenderPlan& plan);

 protected:
  HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) override;
  LONGLONG FirstUnit(const RenderPlan& plan, REFERENCE_TIME position) override;
  LONGLONG SampleUnits(LONGLONG unit, LONGLONG end) override;
  HRESULT Render(const std::shared_ptr<const RenderPlan>& plan, LONGLONG unit, LONGLONG count, BYTE* data) override;

 private:
  const LONGLONG block_;  // sample frames a block holds
  AudioMixer mixer_;
  ReaderSet readers_;
  std::vector<float> mixed_;
};
