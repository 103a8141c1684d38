#include "NodeTrack.h"

#include "EngineTime.h"
#include "TimelineNode.h"

// Sources may overlap on a track; none is trimmed, so nothing a user placed
// is lost.
STDMETHODIMP NodeTrack::SrcAdd(IAMTimelineObj* source) {
  if (!source) return E_POINTER;
  TimelineNode* child = TimelineNode::FromObject(source);
  if (!child || child->Kind() != TIMELINE_MAJOR_TYPE_SOURCE) return E_NOINTERFACE;
  return node_.InsertChild(ChildList::Sources, child, -1);
}

STDMETHODIMP NodeTrack::GetNextSrc(IAMTimelineObj** source, REFERENCE_TIME* inOut) {
  if (source) *source = nullptr;
  if (!source || !inOut) return E_POINTER;
  return TimelineNode::HandOut(node_.NextAfter(ChildList::Sources, inOut), source);
}

STDMETHODIMP NodeTrack::GetNextSrc2(IAMTimelineObj** source, REFTIME* inOut) {
  if (source) *source = nullptr;
  if (!source || !inOut) return E_POINTER;
  REFERENCE_TIME units;
  if (!SecondsToUnits(*inOut, &units)) return E_INVALIDARG;
  HRESULT hr = GetNextSrc(source, &units);
  *inOut = UnitsToSeconds(units);
  return hr;
}

STDMETHODIMP NodeTrack::MoveEverythingBy(REFERENCE_TIME start, REFERENCE_TIME by) {
  return node_.ShiftChildren(start, by) ? S_OK : E_INVALIDARG;
}

STDMETHODIMP NodeTrack::MoveEverythingBy2(REFTIME start, REFTIME by) {
  REFERENCE_TIME units[2];
  if (!SecondsToUnits(start, &units[0]) || !SecondsToUnits(by, &units[1])) return E_INVALIDARG;
  return MoveEverythingBy(units[0], units[1]);
}

STDMETHODIMP NodeTrack::GetSourcesCount(long* count) {
  if (!count) return E_POINTER;
  *count = static_cast<long>(node_.Children(ChildList::Sources).size());
  return S_OK;
}

STDMETHODIMP NodeTrack::AreYouBlank(long* blank) {
  if (!blank) return E_POINTER;
  *blank = node_.Children(ChildList::Sources).empty() ? 1 : 0;
  return S_OK;
}

STDMETHODIMP NodeTrack::GetSrcAtTime(IAMTimelineObj** source, REFERENCE_TIME time,
                                     long direction) {
  if (!source) return E_POINTER;
  return TimelineNode::HandOut(node_.FindAtTime(ChildList::Sources, time, direction), source);
}

STDMETHODIMP NodeTrack::GetSrcAtTime2(IAMTimelineObj** source, REFTIME time, long direction) {
  REFERENCE_TIME units;
  if (!SecondsToUnits(time, &units)) return E_INVALIDARG;
  return GetSrcAtTime(source, units, direction);
}

STDMETHODIMP NodeTrack::InsertSpace(REFERENCE_TIME, REFERENCE_TIME) { return E_NOTIMPL; }
STDMETHODIMP NodeTrack::InsertSpace2(REFTIME, REFTIME) { return E_NOTIMPL; }
STDMETHODIMP NodeTrack::ZeroBetween(REFERENCE_TIME, REFERENCE_TIME) { return E_NOTIMPL; }
STDMETHODIMP NodeTrack::ZeroBetween2(REFTIME, REFTIME) { return E_NOTIMPL; }

STDMETHODIMP NodeTrack::GetNextSrcEx(IAMTimelineObj* last, IAMTimelineObj** next) {
  if (!next) return E_POINTER;
  *next = nullptr;
  const auto& sources = node_.Children(ChildList::Sources);
  long index = 0;
  if (last) {
    TimelineNode* current = TimelineNode::FromObject(last);
    if (!current || current->Parent() != &node_) return E_INVALIDARG;
    index = node_.IndexOf(current) + 1;
  }
  if (index >= static_cast<long>(sources.size())) return S_FALSE;
  return TimelineNode::HandOut(sources[index], next);
}
