#include "Timeline.h"

#include <algorithm>
#include <cmath>

#include "ComPtr.h"
#include "EngineLimits.h"
#include "EngineTime.h"
#include "GuidText.h"
#include "MediaLocator.h"
#include "TimelineNode.h"

namespace {
constexpr long kMaxGroups = 32;  // the published limit
// Answers QueryInterface with the timeline itself, so the engine can recognise
// its own timelines among interface pointers it is given.
const IID kTimelineSelfIid = {0x3f1e8a52, 0x6c0d, 0x4b7a, {0x8e, 0x21, 0x5d, 0x94, 0xc3, 0x07, 0xa1, 0x6b}};
}

HRESULT Timeline::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  return CreateComObject<Timeline>(outer, iid, object);
}

Timeline::Timeline(IUnknown* outer)
    : ComObject(outer), labels_(TimelineNode::Create(TIMELINE_MAJOR_TYPE_COMPOSITE)) {}

Timeline::~Timeline() {
  ClearAllGroups();
  labels_->Release();
  if (errorLog_) errorLog_->Release();
}

HRESULT Timeline::QueryOwn(REFIID iid, void** out) {
  if (iid != kTimelineSelfIid) return ComObject::QueryOwn(iid, out);
  static_cast<IAMTimeline*>(this)->AddRef();
  *out = this;
  return S_OK;
}

Timeline* Timeline::FromObject(IUnknown* object) {
  void* self = nullptr;
  if (!object || FAILED(object->QueryInterface(kTimelineSelfIid, &self)) || !self) return nullptr;
  Timeline* timeline = static_cast<Timeline*>(self);
  static_cast<IAMTimeline*>(timeline)->Release();  // the caller's own reference keeps it alive
  return timeline;
}

IAMTimelineObj* Timeline::Labels() const { return labels_; }

// --- Groups ---

STDMETHODIMP Timeline::CreateEmptyNode(IAMTimelineObj** node, TIMELINE_MAJOR_TYPE type) {
  if (!node) return E_POINTER;
  *node = TimelineNode::Create(type);
  return *node ? S_OK : E_INVALIDARG;
}

STDMETHODIMP Timeline::AddGroup(IAMTimelineObj* group) {
  if (!group) return E_POINTER;
  TimelineNode* node = TimelineNode::FromObject(group);
  if (!node || node->Kind() != TIMELINE_MAJOR_TYPE_GROUP) return E_NOINTERFACE;
  if (node->IsAttached() || static_cast<long>(groups_.size()) >= kMaxGroups) return E_INVALIDARG;
  node->AddRef();
  node->SetOwnerTimeline(this);
  groups_.push_back(node);
  return S_OK;
}

STDMETHODIMP Timeline::RemGroupFromList(IAMTimelineObj* group) {
  TimelineNode* node = TimelineNode::FromObject(group);
  auto at = std::find(groups_.begin(), groups_.end(), node);
  if (!node || at == groups_.end()) return E_INVALIDARG;
  groups_.erase(at);
  node->SetOwnerTimeline(nullptr);
  node->Release();
  return S_OK;
}

STDMETHODIMP Timeline::GetGroup(IAMTimelineObj** group, long which) {
  if (!group) return E_POINTER;
  *group = nullptr;
  if (which < 0 || which >= static_cast<long>(groups_.size())) return E_INVALIDARG;
  return TimelineNode::HandOut(groups_[which], group);
}

STDMETHODIMP Timeline::GetGroupCount(long* count) {
  if (!count) return E_POINTER;
  *count = static_cast<long>(groups_.size());
  return S_OK;
}

STDMETHODIMP Timeline::ClearAllGroups() {
  std::vector<TimelineNode*> taken;
  taken.swap(groups_);
  for (TimelineNode* group : taken) {
    group->SetOwnerTimeline(nullptr);
    group->Release();
  }
  return S_OK;
}

long Timeline::IndexOfGroup(const TimelineNode* group) const {
  auto at = std::find(groups_.begin(), groups_.end(), group);
  return at == groups_.end() ? -1 : static_cast<long>(at - groups_.begin());
}

// --- Settings ---

STDMETHODIMP Timeline::GetInsertMode(long* mode) {
  if (!mode) return E_POINTER;
  *mode = insertMode_;
  return S_OK;
}

STDMETHODIMP Timeline::SetInsertMode(long mode) {
  if (mode != TIMELINE_INSERT_MODE_INSERT && mode != TIMELINE_INSERT_MODE_OVERLAY) {
    return E_INVALIDARG;
  }
  insertMode_ = mode;
  return S_OK;
}

STDMETHODIMP Timeline::EnableTransitions(BOOL enabled) {
  transitionsEnabled_ = enabled ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP Timeline::TransitionsEnabled(BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = transitionsEnabled_;
  return S_OK;
}

STDMETHODIMP Timeline::EnableEffects(BOOL enabled) {
  effectsEnabled_ = enabled ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP Timeline::EffectsEnabled(BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = effectsEnabled_;
  return S_OK;
}

STDMETHODIMP Timeline::SetInterestRange(REFERENCE_TIME, REFERENCE_TIME) { return E_NOTIMPL; }

STDMETHODIMP Timeline::GetDuration(REFERENCE_TIME* duration) {
  if (!duration) return E_POINTER;
  *duration = 0;
  for (const TimelineNode* group : groups_) *duration = std::max(*duration, group->ContentEnd());
  return S_OK;
}

STDMETHODIMP Timeline::GetDuration2(double* duration) {
  if (!duration) return E_POINTER;
  REFERENCE_TIME units;
  GetDuration(&units);
  *duration = UnitsToSeconds(units);
  return S_OK;
}

STDMETHODIMP Timeline::SetDefaultFPS(double fps) {
  if (!std::isfinite(fps) || fps <= 0 || fps > kHighestFrameRate) return E_INVALIDARG;
  defaultFps_ = fps;
  return S_OK;
}

STDMETHODIMP Timeline::GetDefaultFPS(double* fps) {
  if (!fps) return E_POINTER;
  *fps = defaultFps_;
  return S_OK;
}

// Nothing is cached, so nothing is ever dirty.
STDMETHODIMP Timeline::IsDirty(BOOL*) { return E_NOTIMPL; }
STDMETHODIMP Timeline::GetDirtyRange(REFERENCE_TIME*, REFERENCE_TIME*) { return E_NOTIMPL; }

STDMETHODIMP Timeline::GetCountOfType(long group, long* count, long* countWithComps,
                                      TIMELINE_MAJOR_TYPE type) {
  if (!count || !countWithComps) return E_POINTER;
  if (group < 0 || group >= static_cast<long>(groups_.size())) return E_INVALIDARG;
  IAMTimelineComp* composition = nullptr;
  HRESULT hr = groups_[group]->QueryInterface(IID_IAMTimelineComp,
                                              reinterpret_cast<void**>(&composition));
  if (FAILED(hr)) return hr;
  hr = composition->GetCountOfType(count, countWithComps, type);
  composition->Release();
  return hr;
}

STDMETHODIMP Timeline::ValidateSourceNames(long flags, IMediaLocator* locator, LONG_PTR eventHandle) {
  const long needed = SFN_VALIDATEF_CHECK | SFN_VALIDATEF_REPLACE;
  if ((flags & needed) != needed) return E_INVALIDARG;
  SourceNames names{flags, locator, {}};
  for (TimelineNode* group : groups_) ValidateNames(group, &names);
  if (eventHandle) SetEvent(reinterpret_cast<HANDLE>(eventHandle));
  return S_OK;
}

// Every source below a node.
void Timeline::ValidateNames(TimelineNode* node, SourceNames* names) {
  if (names->IsLeftOut(node)) return;
  for (TimelineNode* layer : node->Children(ChildList::Tracks)) ValidateNames(layer, names);
  for (TimelineNode* source : node->Children(ChildList::Sources)) {
    if (!names->IsLeftOut(source)) ValidateName(source, names);
  }
}

// Each file is asked about once; a source is renamed when it was found elsewhere.
void Timeline::ValidateName(TimelineNode* source, SourceNames* names) {
  ComPtr<IAMTimelineSrc> media;
  BSTR name = nullptr;
  source->QueryInterface(IID_IAMTimelineSrc, media.ReceiveVoid());
  if (!media || FAILED(media->GetMediaName(&name))) return;
  std::wstring path(name, SysStringLen(name));
  SysFreeString(name);
  if (path.empty()) return;
  auto asked = names->answers.find(path);
  if (asked == names->answers.end()) {
    asked = names->answers.emplace(path, MediaLocator::Locate(names->locator, path, L"", names->flags)).first;
  }
  if (asked->second.empty()) return;
  BSTR found = SysAllocStringLen(asked->second.data(), static_cast<UINT>(asked->second.size()));
  if (found) media->SetMediaName(found);
  SysFreeString(found);
}

bool Timeline::SourceNames::IsLeftOut(TimelineNode* node) const {
  BOOL muted = FALSE;
  return (flags & SFN_VALIDATEF_IGNOREMUTED) && SUCCEEDED(node->GetMuted(&muted)) && muted;
}

STDMETHODIMP Timeline::SetDefaultTransition(GUID* guid) {
  if (!guid) return E_POINTER;
  defaultTransition_ = *guid;
  return S_OK;
}

STDMETHODIMP Timeline::GetDefaultTransition(GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = defaultTransition_;
  return S_OK;
}

STDMETHODIMP Timeline::SetDefaultEffect(GUID* guid) {
  if (!guid) return E_POINTER;
  defaultEffect_ = *guid;
  return S_OK;
}

STDMETHODIMP Timeline::GetDefaultEffect(GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = defaultEffect_;
  return S_OK;
}

STDMETHODIMP Timeline::SetDefaultTransitionB(BSTR guid) {
  return GuidFromBstr(guid, &defaultTransition_);
}

STDMETHODIMP Timeline::GetDefaultTransitionB(BSTR* guid) {
  return GuidToBstr(defaultTransition_, guid);
}

STDMETHODIMP Timeline::SetDefaultEffectB(BSTR guid) { return GuidFromBstr(guid, &defaultEffect_); }

STDMETHODIMP Timeline::GetDefaultEffectB(BSTR* guid) { return GuidToBstr(defaultEffect_, guid); }

// --- Error log ---

STDMETHODIMP Timeline::get_ErrorLog(IAMErrorLog** log) {
  if (!log) return E_POINTER;
  *log = errorLog_;
  if (!errorLog_) return S_FALSE;
  errorLog_->AddRef();
  return S_OK;
}

STDMETHODIMP Timeline::put_ErrorLog(IAMErrorLog* log) {
  if (log) log->AddRef();
  if (errorLog_) errorLog_->Release();
  errorLog_ = log;
  return S_OK;
}
