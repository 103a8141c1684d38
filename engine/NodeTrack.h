// IAMTimelineTrack: the sources on a track in time order.
//
// InsertSpace splits what spans start (see NodeSplittable) and moves
// everything from start on by end - start: S_FALSE when nothing reaches past
// start, E_INVALIDARG when start < 0, end < start or something would end past
// the latest time. ZeroBetween splits at start and end and removes the
// sources, transitions and effects within: S_FALSE when start is at or after
// the end of everything; the objects after end keep their times.
#pragma once

#include "EditingServices.h"
#include "NodeFacet.h"

class NodeTrack : public NodeFacet<IAMTimelineTrack> {
 public:
  using NodeFacet::NodeFacet;

  STDMETHODIMP SrcAdd(IAMTimelineObj* source) override;
  STDMETHODIMP GetNextSrc(IAMTimelineObj** source, REFERENCE_TIME* inOut) override;
  STDMETHODIMP GetNextSrc2(IAMTimelineObj** source, REFTIME* inOut) override;
  STDMETHODIMP MoveEverythingBy(REFERENCE_TIME start, REFERENCE_TIME by) override;
  STDMETHODIMP MoveEverythingBy2(REFTIME start, REFTIME by) override;
  STDMETHODIMP GetSourcesCount(long* count) override;
  STDMETHODIMP AreYouBlank(long* blank) override;
  STDMETHODIMP GetSrcAtTime(IAMTimelineObj** source, REFERENCE_TIME time, long direction) override;
  STDMETHODIMP GetSrcAtTime2(IAMTimelineObj** source, REFTIME time, long direction) override;
  STDMETHODIMP InsertSpace(REFERENCE_TIME start, REFERENCE_TIME end) override;
  STDMETHODIMP InsertSpace2(REFTIME start, REFTIME end) override;
  STDMETHODIMP ZeroBetween(REFERENCE_TIME start, REFERENCE_TIME end) override;
  STDMETHODIMP ZeroBetween2(REFTIME start, REFTIME end) override;
  STDMETHODIMP GetNextSrcEx(IAMTimelineObj* last, IAMTimelineObj** next) override;

 private:
  // Through the track's IAMTimelineSplittable.
  HRESULT SplitAt(REFERENCE_TIME time);
};
