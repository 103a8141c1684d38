#include "TimelineNode.h"

#include <algorithm>
#include <cwchar>

#include "EngineLimits.h"
#include "EngineObjects.h"
#include "EngineTime.h"
#include "GuidText.h"
#include "Timeline.h"

namespace {

// Answers QueryInterface with the node itself, so the engine can recognise
// its own objects among interface pointers it is given.
const IID kNodeSelfIid = {0x5b0c4d2e, 0x7a31, 0x4f6e, {0x9c, 0x1d, 0x3e, 0x62, 0xa8, 0x55, 0x10, 0x7f}};

// Which node kinds expose an interface (the kinds are bit values).
struct Exposure {
  const IID* iid;
  int kinds;
};
const Exposure kExposures[] = {
    {&IID_IAMTimelineGroup, TIMELINE_MAJOR_TYPE_GROUP},
    {&IID_IAMTimelineComp, TIMELINE_MAJOR_TYPE_GROUP | TIMELINE_MAJOR_TYPE_COMPOSITE},
    {&IID_IAMTimelineEffectable, TIMELINE_MAJOR_TYPE_GROUP | TIMELINE_MAJOR_TYPE_COMPOSITE |
                                     TIMELINE_MAJOR_TYPE_TRACK | TIMELINE_MAJOR_TYPE_SOURCE},
    {&IID_IAMTimelineTransable,
     TIMELINE_MAJOR_TYPE_GROUP | TIMELINE_MAJOR_TYPE_COMPOSITE | TIMELINE_MAJOR_TYPE_TRACK},
    {&IID_IAMTimelineTrack, TIMELINE_MAJOR_TYPE_TRACK},
    {&IID_IAMTimelineVirtualTrack, TIMELINE_MAJOR_TYPE_COMPOSITE | TIMELINE_MAJOR_TYPE_TRACK},
    {&IID_IAMTimelineSrc, TIMELINE_MAJOR_TYPE_SOURCE},
    {&IID_IAMTimelineSplittable, TIMELINE_MAJOR_TYPE_TRACK | TIMELINE_MAJOR_TYPE_SOURCE |
                                     TIMELINE_MAJOR_TYPE_EFFECT | TIMELINE_MAJOR_TYPE_TRANSITION},
    {&IID_IAMTimelineEffect, TIMELINE_MAJOR_TYPE_EFFECT},
    {&IID_IAMTimelineTrans, TIMELINE_MAJOR_TYPE_TRANSITION},
};

long nextGenId = 1;
unsigned long long nextOrder = 1;

bool IsTimeOrdered(ChildList list) {
  return list == ChildList::Transitions || list == ChildList::Sources;
}

// Time order: start, then stop, then order of addition.
bool ComesBefore(const TimelineNode* a, const TimelineNode* b, unsigned long long orderA,
                 unsigned long long orderB) {
  if (a->Start() != b->Start()) return a->Start() < b->Start();
  if (a->Stop() != b->Stop()) return a->Stop() < b->Stop();
  return orderA < orderB;
}

// Names are read up to the first zero, so plain wide strings work as well as
// BSTRs.
std::wstring TextOf(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

}  // namespace

bool TimelineNode::IsValidKind(TIMELINE_MAJOR_TYPE kind) {
  switch (kind) {
    case TIMELINE_MAJOR_TYPE_COMPOSITE:
    case TIMELINE_MAJOR_TYPE_TRACK:
    case TIMELINE_MAJOR_TYPE_SOURCE:
    case TIMELINE_MAJOR_TYPE_TRANSITION:
    case TIMELINE_MAJOR_TYPE_EFFECT:
    case TIMELINE_MAJOR_TYPE_GROUP:
      return true;
  }
  return false;
}

TimelineNode* TimelineNode::Create(TIMELINE_MAJOR_TYPE kind) {
  return IsValidKind(kind) ? new TimelineNode(kind) : nullptr;
}

HRESULT TimelineNode::HandOut(TimelineNode* node, IAMTimelineObj** result) {
  *result = node;
  if (!node) return S_FALSE;
  node->AddRef();
  return S_OK;
}

TimelineNode* TimelineNode::FromObject(IUnknown* object) {
  if (!object) return nullptr;
  void* self = nullptr;
  if (FAILED(object->QueryInterface(kNodeSelfIid, &self)) || !self) return nullptr;
  TimelineNode* node = static_cast<TimelineNode*>(self);
  node->Release();  // the caller's own reference keeps it alive
  return node;
}

TimelineNode::TimelineNode(TIMELINE_MAJOR_TYPE kind)
    : kind_(kind),
      genId_(nextGenId++),
      group_(*this, *this),
      composition_(*this, *this),
      effectable_(*this, *this),
      transable_(*this, *this),
      track_(*this, *this),
      virtualTrack_(*this, *this),
      source_(*this, *this),
      splittable_(*this, *this),
      effect_(*this, *this),
      transition_(*this, *this) {
  EngineObjectCreated();
}

TimelineNode::~TimelineNode() {
  ReleaseAllChildren();
  if (subObject_) subObject_->Release();
  if (propertySetter_) propertySetter_->Release();
  EngineObjectDestroyed();
}

bool TimelineNode::IsContainer() const {
  return kind_ == TIMELINE_MAJOR_TYPE_GROUP || kind_ == TIMELINE_MAJOR_TYPE_COMPOSITE ||
         kind_ == TIMELINE_MAJOR_TYPE_TRACK;
}

// --- IUnknown ---

STDMETHODIMP TimelineNode::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = FacetFor(iid);
  if (!*object) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) TimelineNode::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) TimelineNode::Release() {
  ULONG count = InterlockedDecrement(&references_);
  if (count == 0) delete this;
  return count;
}

bool TimelineNode::Exposes(REFIID iid) const {
  for (const Exposure& exposure : kExposures) {
    if (*exposure.iid == iid) return (exposure.kinds & kind_) != 0;
  }
  return false;
}

void* TimelineNode::FacetFor(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IAMTimelineObj) return static_cast<IAMTimelineObj*>(this);
  if (iid == kNodeSelfIid) return this;
  if (!Exposes(iid)) return nullptr;
  if (iid == IID_IAMTimelineGroup) return static_cast<IAMTimelineGroup*>(&group_);
  if (iid == IID_IAMTimelineComp) return static_cast<IAMTimelineComp*>(&composition_);
  if (iid == IID_IAMTimelineEffectable) return static_cast<IAMTimelineEffectable*>(&effectable_);
  if (iid == IID_IAMTimelineTransable) return static_cast<IAMTimelineTransable*>(&transable_);
  if (iid == IID_IAMTimelineTrack) return static_cast<IAMTimelineTrack*>(&track_);
  if (iid == IID_IAMTimelineVirtualTrack) {
    return static_cast<IAMTimelineVirtualTrack*>(&virtualTrack_);
  }
  if (iid == IID_IAMTimelineSrc) return static_cast<IAMTimelineSrc*>(&source_);
  if (iid == IID_IAMTimelineSplittable) return static_cast<IAMTimelineSplittable*>(&splittable_);
  if (iid == IID_IAMTimelineEffect) return static_cast<IAMTimelineEffect*>(&effect_);
  if (iid == IID_IAMTimelineTrans) return static_cast<IAMTimelineTrans*>(&transition_);
  return nullptr;
}

// --- Times ---

REFERENCE_TIME TimelineNode::ContentEnd() const {
  if (!IsContainer()) return stop_;
  REFERENCE_TIME end = 0;
  for (const auto& list : children_) {
    for (const TimelineNode* child : list) end = std::max(end, child->ContentEnd());
  }
  return end;
}

STDMETHODIMP TimelineNode::GetStartStop(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  // A container spans what it holds.
  *start = IsContainer() ? 0 : start_;
  *stop = IsContainer() ? ContentEnd() : stop_;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetStartStop2(REFTIME* start, REFTIME* stop) {
  REFERENCE_TIME units[2];
  HRESULT hr = GetStartStop(&units[0], &units[1]);
  if (FAILED(hr)) return hr;
  *start = UnitsToSeconds(units[0]);
  *stop = UnitsToSeconds(units[1]);
  return S_OK;
}

STDMETHODIMP TimelineNode::FixTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  TimelineNode* group = OwningGroup();
  if (!group) return E_NOTINTREE;  // no group, no frame rate
  double fps = 0;
  group->group_.GetOutputFPS(&fps);
  *start = NearestFrameTime(*start, fps);
  *stop = NearestFrameTime(*stop, fps);
  return S_OK;
}

STDMETHODIMP TimelineNode::FixTimes2(REFTIME* start, REFTIME* stop) {
  if (!start || !stop) return E_POINTER;
  REFERENCE_TIME units[2];
  if (!SecondsToUnits(*start, &units[0]) || !SecondsToUnits(*stop, &units[1])) return E_INVALIDARG;
  FixTimes(&units[0], &units[1]);
  *start = UnitsToSeconds(units[0]);
  *stop = UnitsToSeconds(units[1]);
  return S_OK;
}

STDMETHODIMP TimelineNode::SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) {
  // Containers take their span from their contents.
  if (IsContainer()) return E_NOTIMPL;
  if (start < 0 || stop < start || stop > kLatestTime) return E_INVALIDARG;
  // Transitions on one parent are neither empty nor overlap (see NodeTransable).
  if (kind_ == TIMELINE_MAJOR_TYPE_TRANSITION && parent_ && (start == stop || OverlapsSiblingTransition(start, stop))) {
    return E_INVALIDARG;
  }
  start_ = start;
  stop_ = stop;
  Reposition();
  return S_OK;
}

STDMETHODIMP TimelineNode::SetStartStop2(REFTIME start, REFTIME stop) {
  REFERENCE_TIME units[2];
  if (!SecondsToUnits(start, &units[0]) || !SecondsToUnits(stop, &units[1])) return E_INVALIDARG;
  return SetStartStop(units[0], units[1]);
}

bool TimelineNode::OverlapsSiblingTransition(REFERENCE_TIME start, REFERENCE_TIME stop) const {
  if (!parent_) return false;
  for (const TimelineNode* other : parent_->children_[static_cast<int>(ChildList::Transitions)]) {
    if (other != this && start < other->stop_ && other->start_ < stop) return true;
  }
  return false;
}

void TimelineNode::Reposition() {
  if (!parent_ || !IsTimeOrdered(parentList_)) return;
  auto& list = parent_->children_[static_cast<int>(parentList_)];
  ++parent_->version_;
  list.erase(std::find(list.begin(), list.end(), this));
  auto at = std::lower_bound(list.begin(), list.end(), this,
                             [](const TimelineNode* a, const TimelineNode* b) {
                               return ComesBefore(a, b, a->order_, b->order_);
                             });
  list.insert(at, this);
}

// --- Property setter and sub-object ---

STDMETHODIMP TimelineNode::GetPropertySetter(IPropertySetter** setter) {
  if (!setter) return E_POINTER;
  *setter = propertySetter_;
  if (!propertySetter_) return S_FALSE;
  propertySetter_->AddRef();
  return S_OK;
}

STDMETHODIMP TimelineNode::SetPropertySetter(IPropertySetter* setter) {
  if (setter) setter->AddRef();
  if (propertySetter_) propertySetter_->Release();
  propertySetter_ = setter;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetSubObject(IUnknown** object) {
  if (!object) return E_POINTER;
  *object = subObject_;
  if (!subObject_) return S_FALSE;
  subObject_->AddRef();
  return S_OK;
}

STDMETHODIMP TimelineNode::SetSubObject(IUnknown* object) {
  if (object) object->AddRef();
  if (subObject_) subObject_->Release();
  subObject_ = object;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetSubObjectGUID(GUID guid) {
  subObjectGuid_ = guid;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetSubObjectGUIDB(BSTR guid) {
  return GuidFromBstr(guid, &subObjectGuid_);
}

STDMETHODIMP TimelineNode::GetSubObjectGUID(GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = subObjectGuid_;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetSubObjectGUIDB(BSTR* guid) { return GuidToBstr(subObjectGuid_, guid); }

STDMETHODIMP TimelineNode::GetSubObjectLoaded(BOOL* loaded) {
  if (!loaded) return E_POINTER;
  *loaded = subObject_ != nullptr;
  return S_OK;
}

// --- Identity and flags ---

STDMETHODIMP TimelineNode::GetTimelineType(TIMELINE_MAJOR_TYPE* type) {
  if (!type) return E_POINTER;
  *type = kind_;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetTimelineType(TIMELINE_MAJOR_TYPE type) {
  // The interfaces a node exposes follow from its kind, so it stays fixed.
  return type == kind_ ? S_OK : E_INVALIDARG;
}

STDMETHODIMP TimelineNode::GetUserID(long* id) {
  if (!id) return E_POINTER;
  *id = userId_;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetUserID(long id) {
  userId_ = id;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetGenID(long* id) {
  if (!id) return E_POINTER;
  *id = genId_;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetUserName(BSTR* name) {
  if (!name) return E_POINTER;
  *name = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
  return *name ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TimelineNode::SetUserName(BSTR name) {
  name_ = TextOf(name);
  return S_OK;
}

STDMETHODIMP TimelineNode::GetUserData(BYTE* data, long* size) {
  if (!size) return E_POINTER;
  long stored = static_cast<long>(userData_.size());
  if (!data) {
    *size = stored;
    return S_OK;
  }
  if (*size < stored) return E_INVALIDARG;
  std::copy(userData_.begin(), userData_.end(), data);
  *size = stored;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetUserData(BYTE* data, long size) {
  if (size < 0 || (size > 0 && !data)) return E_INVALIDARG;
  userData_.assign(data, data + size);
  return S_OK;
}

STDMETHODIMP TimelineNode::GetMuted(BOOL* muted) {
  if (!muted) return E_POINTER;
  *muted = muted_;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetMuted(BOOL muted) {
  muted_ = muted ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetLocked(BOOL* locked) {
  if (!locked) return E_POINTER;
  *locked = locked_;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetLocked(BOOL locked) {
  locked_ = locked ? TRUE : FALSE;
  return S_OK;
}

// Nothing is cached, so there is no dirty range to keep.
STDMETHODIMP TimelineNode::GetDirtyRange(REFERENCE_TIME*, REFERENCE_TIME*) { return E_NOTIMPL; }
STDMETHODIMP TimelineNode::GetDirtyRange2(REFTIME*, REFTIME*) { return E_NOTIMPL; }
STDMETHODIMP TimelineNode::SetDirtyRange(REFERENCE_TIME, REFERENCE_TIME) { return E_NOTIMPL; }
STDMETHODIMP TimelineNode::SetDirtyRange2(REFTIME, REFTIME) { return E_NOTIMPL; }
STDMETHODIMP TimelineNode::ClearDirty() { return E_NOTIMPL; }

// --- Tree ---

const std::vector<TimelineNode*>& TimelineNode::Children(ChildList list) const {
  return children_[static_cast<int>(list)];
}

long TimelineNode::Height() const {
  long height = 0;
  for (const auto& children : children_) {
    for (const TimelineNode* child : children) height = std::max(height, child->Height() + 1);
  }
  return height;
}

HRESULT TimelineNode::InsertChild(ChildList list, TimelineNode* child, long position) {
  if (child->IsAttached()) return E_INVALIDARG;
  long depth = 0;
  for (TimelineNode* up = this; up; up = up->parent_, ++depth) {
    if (up == child) return E_INVALIDARG;  // would make a cycle
  }
  // Every tree stays within the depth a project holds, so none grows past it.
  if (depth + child->Height() > kMaxEmbedDepth) return E_INVALIDARG;
  auto& children = children_[static_cast<int>(list)];
  if (position < -1 || position > static_cast<long>(children.size())) return E_INVALIDARG;
  ++version_;
  child->AddRef();
  child->parent_ = this;
  child->parentList_ = list;
  child->order_ = nextOrder++;
  if (IsTimeOrdered(list)) {
    children.push_back(child);
    child->Reposition();
  } else {
    children.insert(position < 0 ? children.end() : children.begin() + position, child);
  }
  return S_OK;
}

HRESULT TimelineNode::SwapChildren(ChildList list, long a, long b) {
  auto& children = children_[static_cast<int>(list)];
  long count = static_cast<long>(children.size());
  if (a < 0 || b < 0 || a >= count || b >= count) return E_INVALIDARG;
  std::swap(children[a], children[b]);
  ++version_;
  return S_OK;
}

long TimelineNode::IndexOf(const TimelineNode* child) const {
  if (child->parent_ != this) return -1;
  const auto& children = children_[static_cast<int>(child->parentList_)];
  auto at = IsTimeOrdered(child->parentList_)
                ? std::lower_bound(children.begin(), children.end(), child,
                                   [](const TimelineNode* a, const TimelineNode* b) {
                                     return ComesBefore(a, b, a->order_, b->order_);
                                   })
                : std::find(children.begin(), children.end(), child);
  return at != children.end() && *at == child ? static_cast<long>(at - children.begin()) : -1;
}

TimelineNode* TimelineNode::NextAfter(ChildList list, REFERENCE_TIME* inOut) const {
  const auto& children = children_[static_cast<int>(list)];
  long index = -1;
  if (walk_.version == version_ && walk_.list == list && walk_.end == *inOut) {
    index = walk_.index + 1;
  } else {
    for (long i = 0; i < static_cast<long>(children.size()); ++i) {
      const TimelineNode* child = children[i];
      bool empty = child->start_ == child->stop_;
      if (child->stop_ > *inOut || (empty && child->start_ >= *inOut)) {
        index = i;
        break;
      }
    }
  }
  if (index < 0 || index >= static_cast<long>(children.size())) return nullptr;
  TimelineNode* found = children[index];
  *inOut = found->stop_;
  walk_ = Walk{list, index, found->stop_, version_};
  return found;
}

TimelineNode* TimelineNode::FindAtTime(ChildList list, REFERENCE_TIME time, long direction) const {
  for (TimelineNode* child : children_[static_cast<int>(list)]) {
    switch (direction) {
      case DEXTERF_EXACTLY_AT:
        if (child->start_ == time) return child;
        break;
      case DEXTERF_FORWARDS:
        if (child->start_ >= time) return child;
        break;
      default:  // DEXTERF_BOUNDING: the child spanning the time
        if (child->start_ <= time && time < child->stop_) return child;
        break;
    }
  }
  return nullptr;
}

bool TimelineNode::ShiftWouldOverlap(REFERENCE_TIME from, REFERENCE_TIME by) const {
  const auto& transitions = children_[static_cast<int>(ChildList::Transitions)];
  auto moved = [from, by](const TimelineNode* node, REFERENCE_TIME time) {
    return node->start_ >= from ? time + by : time;
  };
  for (size_t i = 0; i < transitions.size(); ++i) {
    for (size_t j = i + 1; j < transitions.size(); ++j) {
      const TimelineNode* a = transitions[i];
      const TimelineNode* b = transitions[j];
      if (moved(a, a->start_) < moved(b, b->stop_) && moved(b, b->start_) < moved(a, a->stop_)) {
        return true;
      }
    }
  }
  return false;
}

bool TimelineNode::ShiftChildren(REFERENCE_TIME from, REFERENCE_TIME by) {
  if (by < -kLatestTime || by > kLatestTime) return false;
  for (const auto& children : children_) {
    for (const TimelineNode* child : children) {
      if (child->start_ >= from && (child->start_ + by < 0 || child->stop_ + by > kLatestTime)) return false;
    }
  }
  if (ShiftWouldOverlap(from, by)) return false;
  ++version_;
  for (int list = 0; list < static_cast<int>(ChildList::Count); ++list) {
    if (list == static_cast<int>(ChildList::Tracks)) continue;
    auto& children = children_[list];
    for (TimelineNode* child : children) {
      if (child->start_ < from) continue;
      child->start_ += by;
      child->stop_ += by;
    }
    std::stable_sort(children.begin(), children.end(),
                     [list](const TimelineNode* a, const TimelineNode* b) {
                       return IsTimeOrdered(static_cast<ChildList>(list)) &&
                              ComesBefore(a, b, a->order_, b->order_);
                     });
  }
  return true;
}

void TimelineNode::DetachChild(TimelineNode* child) {
  auto& children = children_[static_cast<int>(child->parentList_)];
  long index = IndexOf(child);
  if (index < 0) return;
  children.erase(children.begin() + index);
  ++version_;
  child->parent_ = nullptr;
  child->parentList_ = ChildList::Count;
  child->Release();
}

void TimelineNode::ReleaseAllChildren() {
  ++version_;
  for (auto& children : children_) {
    std::vector<TimelineNode*> taken;
    taken.swap(children);
    for (TimelineNode* child : taken) {
      child->parent_ = nullptr;
      child->parentList_ = ChildList::Count;
      child->Release();
    }
  }
}

void TimelineNode::Detach() {
  if (parent_) {
    parent_->DetachChild(this);
  } else if (timeline_) {
    timeline_->RemGroupFromList(this);
  }
}

STDMETHODIMP TimelineNode::Remove() {
  AddRef();  // the parent's reference may be the last one
  Detach();
  Release();
  return S_OK;
}

STDMETHODIMP TimelineNode::RemoveAll() {
  AddRef();
  Detach();
  for (auto& children : children_) {
    std::vector<TimelineNode*> taken = children;
    for (TimelineNode* child : taken) child->RemoveAll();
  }
  Release();
  return S_OK;
}

Timeline* TimelineNode::OwnerTimeline() const {
  const TimelineNode* root = this;
  while (root->parent_) root = root->parent_;
  return root->timeline_;
}

TimelineNode* TimelineNode::OwningGroup() {
  TimelineNode* root = this;
  while (root->parent_) root = root->parent_;
  return root->kind_ == TIMELINE_MAJOR_TYPE_GROUP ? root : nullptr;
}

STDMETHODIMP TimelineNode::GetTimelineNoRef(IAMTimeline** timeline) {
  if (!timeline) return E_POINTER;
  *timeline = OwnerTimeline();
  return *timeline ? S_OK : E_NO_TIMELINE;
}

STDMETHODIMP TimelineNode::GetGroupIBelongTo(IAMTimelineGroup** group) {
  if (!group) return E_POINTER;
  *group = nullptr;
  TimelineNode* root = OwningGroup();
  if (!root) return E_NOTINTREE;
  return root->QueryInterface(IID_IAMTimelineGroup, reinterpret_cast<void**>(group));
}

STDMETHODIMP TimelineNode::GetEmbedDepth(long* depth) {
  if (!depth) return E_POINTER;
  *depth = 0;
  for (const TimelineNode* up = parent_; up; up = up->parent_) ++*depth;
  return S_OK;
}
