// IAMTimelineEffectable: the effects on a node in priority order.
#pragma once

#include "EditingServices.h"
#include "NodeFacet.h"

class NodeEffectable : public NodeFacet<IAMTimelineEffectable> {
 public:
  using NodeFacet::NodeFacet;

  STDMETHODIMP EffectInsBefore(IAMTimelineObj* effect, long priority) override;
  STDMETHODIMP EffectSwapPriorities(long priorityA, long priorityB) override;
  STDMETHODIMP EffectGetCount(long* count) override;
  STDMETHODIMP GetEffect(IAMTimelineObj** effect, long which) override;
};
