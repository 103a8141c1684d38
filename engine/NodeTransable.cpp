#include "NodeTransable.h"

#include "EngineTime.h"
#include "TimelineNode.h"

STDMETHODIMP NodeTransable::TransAdd(IAMTimelineObj* transition) {
  if (!transition) return E_POINTER;
  TimelineNode* child = TimelineNode::FromObject(transition);
  if (!child || child->Kind() != TIMELINE_MAJOR_TYPE_TRANSITION) return E_NOINTERFACE;
  if (child->Start() == child->Stop()) return E_INVALIDARG;
  for (const TimelineNode* other : node_.Children(ChildList::Transitions)) {
    if (child->Start() < other->Stop() && other->Start() < child->Stop()) return E_INVALIDARG;
  }
  return node_.InsertChild(ChildList::Transitions, child, -1);
}

STDMETHODIMP NodeTransable::TransGetCount(long* count) {
  if (!count) return E_POINTER;
  *count = static_cast<long>(node_.Children(ChildList::Transitions).size());
  return S_OK;
}

STDMETHODIMP NodeTransable::GetNextTrans(IAMTimelineObj** transition, REFERENCE_TIME* inOut) {
  if (transition) *transition = nullptr;
  if (!transition || !inOut) return E_POINTER;
  return TimelineNode::HandOut(node_.NextAfter(ChildList::Transitions, inOut), transition);
}

STDMETHODIMP NodeTransable::GetNextTrans2(IAMTimelineObj** transition, REFTIME* inOut) {
  if (transition) *transition = nullptr;
  if (!transition || !inOut) return E_POINTER;
  REFERENCE_TIME units;
  if (!SecondsToUnits(*inOut, &units)) return E_INVALIDARG;
  HRESULT hr = GetNextTrans(transition, &units);
  *inOut = UnitsToSeconds(units);
  return hr;
}

STDMETHODIMP NodeTransable::GetTransAtTime(IAMTimelineObj** transition, REFERENCE_TIME time,
                                           long direction) {
  if (!transition) return E_POINTER;
  return TimelineNode::HandOut(node_.FindAtTime(ChildList::Transitions, time, direction), transition);
}

STDMETHODIMP NodeTransable::GetTransAtTime2(IAMTimelineObj** transition, REFTIME time,
                                            long direction) {
  REFERENCE_TIME units;
  if (!SecondsToUnits(time, &units)) return E_INVALIDARG;
  return GetTransAtTime(transition, units, direction);
}
