// IAMTimelineTransable: the transitions on a node in time order. They neither
// overlap nor are empty (start equal to stop): GetNextTrans walks them by
// time alone, and a walk from the time an empty one ends could not tell it
// from the next, so it would be met twice or never. TransAdd answers
// E_INVALIDARG for an empty transition or one that overlaps another.
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
