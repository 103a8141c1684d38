#include "NodeEffect.h"

#include "TimelineNode.h"

STDMETHODIMP NodeEffect::EffectGetPriority(long* priority) {
  if (!priority) return E_POINTER;
  TimelineNode* parent = node_.Parent();
  *priority = parent ? parent->IndexOf(&node_) : -1;
  return parent ? S_OK : E_NOTINTREE;
}
