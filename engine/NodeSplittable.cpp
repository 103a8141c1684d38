#include "NodeSplittable.h"

#include <cmath>
#include <vector>

#include "ComPtr.h"
#include "EngineTime.h"
#include "TimelineNode.h"

namespace {

const ChildList kTrackLists[] = {ChildList::Sources, ChildList::Transitions, ChildList::Effects};

bool Spans(const TimelineNode* node, REFERENCE_TIME time) { return node->Start() < time && time < node->Stop(); }

}  // namespace

STDMETHODIMP NodeSplittable::SplitAt(REFERENCE_TIME time) {
  if (node_.Kind() == TIMELINE_MAJOR_TYPE_TRACK) return SplitTrack(time);
  return SplitObject(&node_, time);
}

STDMETHODIMP NodeSplittable::SplitAt2(REFTIME time) {
  REFERENCE_TIME units;
  if (!SecondsToUnits(time, &units)) return E_INVALIDARG;
  return SplitAt(units);
}

HRESULT NodeSplittable::SplitTrack(REFERENCE_TIME time) {
  if (time < 0) return E_INVALIDARG;
  if (time >= node_.ContentEnd()) return S_FALSE;
  for (ChildList list : kTrackLists) {
    std::vector<TimelineNode*> spanning;
    for (TimelineNode* child : node_.Children(list)) {
      if (Spans(child, time)) spanning.push_back(child);
    }
    for (TimelineNode* child : spanning) {
      HRESULT hr = SplitObject(child, time);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

HRESULT NodeSplittable::SplitObject(TimelineNode* node, REFERENCE_TIME time) {
  TimelineNode* parent = node->parent_;
  if (!parent) return E_NOTINTREE;  // the later part would belong nowhere
  if (time < node->start_ || time > node->stop_) return E_INVALIDARG;
  if (time == node->start_ || time == node->stop_) return S_FALSE;
  REFERENCE_TIME offset = time - node->start_;
  TimelineNode* made = TimelineNode::Create(node->kind_);
  if (!made) return E_OUTOFMEMORY;
  ComPtr<IAMTimelineObj> later = ComPtr<IAMTimelineObj>::Adopt(made);
  HRESULT hr = CopyFor(node, offset, made);
  // Effects spanning the time are split while still on the node, so a
  // failure leaves every piece in place.
  if (SUCCEEDED(hr) && node->kind_ == TIMELINE_MAJOR_TYPE_SOURCE) hr = DivideEffects(node, offset, nullptr);
  if (FAILED(hr)) return hr;
  made->start_ = time;
  made->stop_ = node->stop_;
  long position = parent->IndexOf(node) + 1;  // priority lists: right after the node
  hr = parent->InsertChild(node->parentList_, made, position);
  if (FAILED(hr)) return hr;
  if (node->kind_ == TIMELINE_MAJOR_TYPE_SOURCE) {
    DivideEffects(node, offset, made);
    DivideMedia(node, offset, made);
  }
  if (node->kind_ == TIMELINE_MAJOR_TYPE_TRANSITION) DivideCut(node, offset, made);
  node->stop_ = time;
  node->Reposition();
  return S_OK;
}

HRESULT NodeSplittable::CopyFor(TimelineNode* node, REFERENCE_TIME offset, TimelineNode* later) {
  if (node->propertySetter_) {
    HRESULT hr = node->propertySetter_->CloneProps(&later->propertySetter_, offset, node->stop_ - node->start_);
    if (FAILED(hr)) return hr;
  }
  later->name_ = node->name_;
  later->muted_ = node->muted_;
  later->locked_ = node->locked_;
  later->userId_ = node->userId_;
  later->userData_ = node->userData_;
  later->subObjectGuid_ = node->subObjectGuid_;
  later->SetSubObject(node->subObject_);
  later->source_.mediaName_ = node->source_.mediaName_;
  later->source_.mediaLength_ = node->source_.mediaLength_;
  later->source_.stream_ = node->source_.stream_;
  later->source_.defaultFps_ = node->source_.defaultFps_;
  later->source_.stretchMode_ = node->source_.stretchMode_;
  later->transition_.swapInputs_ = node->transition_.swapInputs_;
  later->transition_.cutsOnly_ = node->transition_.cutsOnly_;
  return S_OK;
}

// The media time at the split keeps the source's rate on both sides.
void NodeSplittable::DivideMedia(TimelineNode* node, REFERENCE_TIME offset, TimelineNode* later) {
  NodeSource& media = node->source_;
  REFERENCE_TIME length = node->stop_ - node->start_;
  REFERENCE_TIME mediaLength = media.mediaStop_ - media.mediaStart_;
  REFERENCE_TIME at = mediaLength == length
                          ? media.mediaStart_ + offset
                          : media.mediaStart_ + std::llround(static_cast<long double>(mediaLength) * offset / length);
  later->source_.mediaStart_ = at;
  later->source_.mediaStop_ = media.mediaStop_;
  media.mediaStop_ = at;
}

// A cut point counts from the start: a cut in the earlier part leaves the
// later one cut from its start.
void NodeSplittable::DivideCut(TimelineNode* node, REFERENCE_TIME offset, TimelineNode* later) {
  REFERENCE_TIME& cut = node->transition_.cutPoint_;
  if (cut < 0) return;  // the middle of each part
  later->transition_.cutPoint_ = cut > offset ? cut - offset : 0;
  if (cut > offset) cut = offset;
}

// Without later: splits the effects that span offset. With it: moves the
// effects from offset on to it, keeping their order and their place on the
// source's time scale.
HRESULT NodeSplittable::DivideEffects(TimelineNode* node, REFERENCE_TIME offset, TimelineNode* later) {
  std::vector<TimelineNode*> effects = node->Children(ChildList::Effects);
  for (TimelineNode* effect : effects) {
    if (!later) {
      HRESULT hr = Spans(effect, offset) ? SplitObject(effect, offset) : S_OK;
      if (FAILED(hr)) return hr;
      continue;
    }
    if (effect->start_ < offset) continue;
    ComPtr<IAMTimelineObj> kept(effect);
    node->DetachChild(effect);
    effect->start_ -= offset;
    effect->stop_ -= offset;
    later->InsertChild(ChildList::Effects, effect, -1);
  }
  return S_OK;
}
