// IAMTimelineSplittable of tracks, sources, effects and transitions.
//
// A source, effect or transition split at a time on its parent's scale keeps
// [start, time); a new object of its kind with every setting of it (property
// values cloned from the time on) takes [time, stop) beside it on the same
// parent. A source's media times are divided at the same point of its rate,
// and its effects that span the time are split too, the later pieces going
// with the later part. E_INVALIDARG for a time outside the object, S_FALSE
// at its start or stop, E_NOTINTREE for an object on no parent.
//
// A track splits everything on it that spans the time and answers S_FALSE
// when the time is at or after the end of everything it holds.
#pragma once

#include "EditingServices.h"
#include "NodeFacet.h"

class NodeSplittable : public NodeFacet<IAMTimelineSplittable> {
 public:
  using NodeFacet::NodeFacet;

  STDMETHODIMP SplitAt(REFERENCE_TIME time) override;
  STDMETHODIMP SplitAt2(REFTIME time) override;

 private:
  HRESULT SplitTrack(REFERENCE_TIME time);
  static HRESULT SplitObject(TimelineNode* node, REFERENCE_TIME time);
  static HRESULT CopyFor(TimelineNode* node, REFERENCE_TIME offset, TimelineNode* later);
  static void DivideMedia(TimelineNode* node, REFERENCE_TIME offset, TimelineNode* later);
  static void DivideCut(TimelineNode* node, REFERENCE_TIME offset, TimelineNode* later);
  static HRESULT DivideEffects(TimelineNode* node, REFERENCE_TIME offset, TimelineNode* later);
};
