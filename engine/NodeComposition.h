// IAMTimelineComp of groups and compositions: their tracks in priority order.
// GetRecursiveLayerOfType counts in depth-first order, each composition after
// what it holds and the node itself last: tracks included for
// TIMELINE_MAJOR_TYPE_TRACK, else compositions and groups only; E_INVALIDARG
// past the last.
#pragma once

#include "EditingServices.h"
#include "NodeFacet.h"

class NodeComposition : public NodeFacet<IAMTimelineComp> {
 public:
  using NodeFacet::NodeFacet;

  STDMETHODIMP VTrackInsBefore(IAMTimelineObj* track, long priority) override;
  STDMETHODIMP VTrackSwapPriorities(long trackA, long trackB) override;
  STDMETHODIMP VTrackGetCount(long* count) override;
  STDMETHODIMP GetVTrack(IAMTimelineObj** track, long which) override;
  STDMETHODIMP GetCountOfType(long* count, long* countWithComps,
                              TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP GetRecursiveLayerOfType(IAMTimelineObj** track, long which,
                                       TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP GetRecursiveLayerOfTypeI(IAMTimelineObj** track, long* which,
                                        TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP GetNextVTrack(IAMTimelineObj* track, IAMTimelineObj** next) override;
};
