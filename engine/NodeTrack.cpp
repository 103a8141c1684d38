#include "NodeTrack.h"

#include <vector>

#include "ComPtr.h"
#include "EngineLimits.h"
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

STDMETHODIMP NodeTrack::InsertSpace(REFERENCE_TIME start, REFERENCE_TIME end) {
  if (start < 0 || end < start) return E_INVALIDARG;
  REFERENCE_TIME contentEnd = node_.ContentEnd();
  if (contentEnd <= start) return S_FALSE;
  // Checked before anything is split, so a refusal changes nothing.
  if (end - start > kLatestTime - contentEnd) return E_INVALIDARG;
  HRESULT hr = SplitAt(start);
  if (FAILED(hr)) return hr;
  return node_.ShiftChildren(start, end - start) ? S_OK : E_INVALIDARG;
}

STDMETHODIMP NodeTrack::InsertSpace2(REFTIME start, REFTIME end) {
  REFERENCE_TIME units[2];
  if (!SecondsToUnits(start, &units[0]) || !SecondsToUnits(end, &units[1])) return E_INVALIDARG;
  return InsertSpace(units[0], units[1]);
}

// What lies within the range goes; what follows it stays where it is.
STDMETHODIMP NodeTrack::ZeroBetween(REFERENCE_TIME start, REFERENCE_TIME end) {
  if (start < 0 || end < start) return E_INVALIDARG;
  if (start >= node_.ContentEnd()) return S_FALSE;
  HRESULT hr = SplitAt(start);
  if (SUCCEEDED(hr)) hr = SplitAt(end);
  if (FAILED(hr)) return hr;
  if (start == end) return S_OK;
  for (ChildList list : {ChildList::Sources, ChildList::Transitions, ChildList::Effects}) {
    std::vector<TimelineNode*> within;
    for (TimelineNode* child : node_.Children(list)) {
      if (child->Start() >= start && child->Stop() <= end) within.push_back(child);
    }
    for (TimelineNode* child : within) child->Remove();
  }
  return S_OK;
}

STDMETHODIMP NodeTrack::ZeroBetween2(REFTIME start, REFTIME end) {
  REFERENCE_TIME units[2];
  if (!SecondsToUnits(start, &units[0]) || !SecondsToUnits(end, &units[1])) return E_INVALIDARG;
  return ZeroBetween(units[0], units[1]);
}

HRESULT NodeTrack::SplitAt(REFERENCE_TIME time) {
  ComPtr<IAMTimelineSplittable> splitter;
  HRESULT hr = node_.QueryInterface(IID_IAMTimelineSplittable, splitter.ReceiveVoid());
  return SUCCEEDED(hr) ? splitter->SplitAt(time) : hr;
}

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
