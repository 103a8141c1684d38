#include "NodeEffectable.h"

#include "TimelineNode.h"

STDMETHODIMP NodeEffectable::EffectInsBefore(IAMTimelineObj* effect, long priority) {
  if (!effect) return E_POINTER;
  TimelineNode* child = TimelineNode::FromObject(effect);
  // The published answer for an object that is no effect.
  if (!child || child->Kind() != TIMELINE_MAJOR_TYPE_EFFECT) return E_NOTIMPL;
  return node_.InsertChild(ChildList::Effects, child, priority);
}

STDMETHODIMP NodeEffectable::EffectSwapPriorities(long priorityA, long priorityB) {
  return node_.SwapChildren(ChildList::Effects, priorityA, priorityB);
}

STDMETHODIMP NodeEffectable::EffectGetCount(long* count) {
  if (!count) return E_POINTER;
  *count = static_cast<long>(node_.Children(ChildList::Effects).size());
  return S_OK;
}

STDMETHODIMP NodeEffectable::GetEffect(IAMTimelineObj** effect, long which) {
  if (!effect) return E_POINTER;
  *effect = nullptr;
  const auto& effects = node_.Children(ChildList::Effects);
  if (which < 0) return E_INVALIDARG;
  return TimelineNode::HandOut(which < static_cast<long>(effects.size()) ? effects[which] : nullptr, effect);
}
