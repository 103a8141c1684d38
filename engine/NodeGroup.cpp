#include "NodeGroup.h"

#include <cmath>
#include <cstring>

#include "EngineLimits.h"
#include "GroupFormat.h"
#include "Timeline.h"
#include "TimelineNode.h"

NodeGroup::NodeGroup(TimelineNode& node, IUnknown& identity) : NodeFacet(node, identity) {}

NodeGroup::~NodeGroup() = default;

STDMETHODIMP NodeGroup::SetTimeline(IAMTimeline*) { return E_NOTIMPL; }  // AddGroup does this

STDMETHODIMP NodeGroup::GetTimeline(IAMTimeline** timeline) {
  if (!timeline) return E_POINTER;
  *timeline = node_.OwnerTimeline();
  if (!*timeline) return E_NO_TIMELINE;
  (*timeline)->AddRef();
  return S_OK;
}

STDMETHODIMP NodeGroup::GetPriority(long* priority) {
  if (!priority) return E_POINTER;
  Timeline* timeline = node_.OwnerTimeline();
  *priority = timeline ? timeline->IndexOfGroup(&node_) : -1;
  return timeline ? S_OK : E_NO_TIMELINE;
}

// A deep copy: the caller frees the format block with CoTaskMemFree.
STDMETHODIMP NodeGroup::GetMediaType(AM_MEDIA_TYPE* type) { return type_.CopyTo(type); }

STDMETHODIMP NodeGroup::SetMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  if (type->cbFormat && !type->pbFormat) return E_INVALIDARG;
  // Only outputs the render engine can produce.
  GroupFormat usable;
  if (type->cbFormat > kLargestGroupFormat || !GroupFormat::Read(*type, &usable)) return VFW_E_INVALIDMEDIATYPE;
  MediaType kept;
  HRESULT hr = kept.CopyFrom(*type);
  if (FAILED(hr)) return hr;
  // Unused by media types, and no project could keep it.
  if (kept.Edit().pUnk) kept.Edit().pUnk->Release();
  kept.Edit().pUnk = nullptr;
  type_ = std::move(kept);
  return S_OK;
}

STDMETHODIMP NodeGroup::SetOutputFPS(double fps) {
  if (!std::isfinite(fps) || fps <= 0 || fps > kHighestFrameRate) return E_INVALIDARG;
  outputFps_ = fps;
  return S_OK;
}

STDMETHODIMP NodeGroup::GetOutputFPS(double* fps) {
  if (!fps) return E_POINTER;
  *fps = outputFps_;
  if (outputFps_ > 0) return S_OK;
  Timeline* timeline = node_.OwnerTimeline();
  if (!timeline || FAILED(timeline->GetDefaultFPS(fps))) *fps = 15.0;
  return S_OK;
}

// Names are read up to the first zero, as user names are.
STDMETHODIMP NodeGroup::SetGroupName(BSTR name) {
  name_ = name ? name : L"";
  named_ = true;
  return S_OK;
}

STDMETHODIMP NodeGroup::GetGroupName(BSTR* name) {
  if (!name) return E_POINTER;
  if (!named_) return node_.GetUserName(name);
  *name = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
  return *name ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP NodeGroup::SetPreviewMode(BOOL preview) {
  preview_ = preview ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP NodeGroup::GetPreviewMode(BOOL* preview) {
  if (!preview) return E_POINTER;
  *preview = preview_;
  return S_OK;
}

STDMETHODIMP NodeGroup::SetMediaTypeForVB(long) { return E_NOTIMPL; }

STDMETHODIMP NodeGroup::GetOutputBuffering(int* buffers) {
  if (!buffers) return E_POINTER;
  *buffers = buffering_;
  return S_OK;
}

STDMETHODIMP NodeGroup::SetOutputBuffering(int buffers) {
  if (buffers < 1) return E_INVALIDARG;
  buffering_ = buffers;
  return S_OK;
}

// Smart recompression is not offered.
STDMETHODIMP NodeGroup::SetSmartRecompressFormat(long*) { return E_NOTIMPL; }
STDMETHODIMP NodeGroup::GetSmartRecompressFormat(long**) { return E_NOTIMPL; }
STDMETHODIMP NodeGroup::IsSmartRecompressFormatSet(BOOL*) { return E_NOTIMPL; }
STDMETHODIMP NodeGroup::IsRecompressFormatDirty(BOOL*) { return E_NOTIMPL; }
STDMETHODIMP NodeGroup::ClearRecompressFormatDirty() { return E_NOTIMPL; }
STDMETHODIMP NodeGroup::SetRecompFormatFromSource(IAMTimelineSrc*) { return E_NOTIMPL; }
