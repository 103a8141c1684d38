// IAMTimelineEffect: an effect's priority on its parent.
#pragma once

#include "EditingServices.h"
#include "NodeFacet.h"

class NodeEffect : public NodeFacet<IAMTimelineEffect> {
 public:
  using NodeFacet::NodeFacet;

  STDMETHODIMP EffectGetPriority(long* priority) override;
};
