// IAMTimelineTransable: the transitions on a node in time order.
#pragma once

#include "EditingServices.h"
#include "NodeFacet.h"

class NodeTransable : public NodeFacet<IAMTimelineTransable> {
 public:
  using NodeFacet::NodeFacet;

  STDMETHODIMP TransAdd(IAMTimelineObj* transition) override;
  STDMETHODIMP TransGetCount(long* count) override;
  STDMETHODIMP GetNextTrans(IAMTimelineObj** transition, REFERENCE_TIME* inOut) override;
  STDMETHODIMP GetNextTrans2(IAMTimelineObj** transition, REFTIME* inOut) override;
  STDMETHODIMP GetTransAtTime(IAMTimelineObj** transition, REFERENCE_TIME time,
                              long direction) override;
  STDMETHODIMP GetTransAtTime2(IAMTimelineObj** transition, REFTIME time,
                               long direction) override;
};
