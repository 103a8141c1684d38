// IAMTimelineVirtualTrack of tracks and compositions: their priority.
#pragma once

#include "EditingServices.h"
#include "NodeFacet.h"

class NodeVirtualTrack : public NodeFacet<IAMTimelineVirtualTrack> {
 public:
  using NodeFacet::NodeFacet;

  STDMETHODIMP TrackGetPriority(long* priority) override;
  STDMETHODIMP SetTrackDirty() override;
};
