#include "NodeGroup.h"

#include <cmath>
#include <cstring>

#include <new>

#include "ComPtr.h"
#include "EngineLimits.h"
#include "GroupFormat.h"
#include "MediaDetector.h"
#include "MediaTypeAttributes.h"
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

STDMETHODIMP NodeGroup::SetMediaTypeForVB(long type) {
  if (type != 0 && type != 1) return E_INVALIDARG;
  MediaType made;
  HRESULT hr = MediaTypeAttributes::Default(type == 0, made.Receive());
  return SUCCEEDED(hr) ? SetMediaType(&made.Edit()) : hr;
}

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

// --- Smart recompression format ---

STDMETHODIMP NodeGroup::SetSmartRecompressFormat(long* format) {
  if (!format) return E_POINTER;
  const SCompFmt0& given = *reinterpret_cast<const SCompFmt0*>(format);
  if (given.nFormatId != 0 || (given.MediaType.cbFormat && !given.MediaType.pbFormat)) return E_INVALIDARG;
  return KeepRecompressFormat(given.MediaType);
}

// The caller frees the media type and deletes the structure.
STDMETHODIMP NodeGroup::GetSmartRecompressFormat(long** format) {
  if (!format) return E_POINTER;
  *format = nullptr;
  SCompFmt0* made = new (std::nothrow) SCompFmt0{};
  if (!made) return E_OUTOFMEMORY;
  HRESULT hr = recompress_.CopyTo(&made->MediaType);
  if (FAILED(hr)) {
    delete made;
    return hr;
  }
  *format = reinterpret_cast<long*>(made);
  return S_OK;
}

STDMETHODIMP NodeGroup::IsSmartRecompressFormatSet(BOOL* set) {
  if (!set) return E_POINTER;
  *set = !recompress_.Empty();
  return S_OK;
}

// Not supported by the published services either.
STDMETHODIMP NodeGroup::IsRecompressFormatDirty(BOOL*) { return E_NOTIMPL; }
STDMETHODIMP NodeGroup::ClearRecompressFormatDirty() { return E_NOTIMPL; }

STDMETHODIMP NodeGroup::SetRecompFormatFromSource(IAMTimelineSrc* source) {
  if (!source) return E_POINTER;
  if (!node_.OwnerTimeline()) return E_NO_TIMELINE;
  if (type_.Get().majortype != MEDIATYPE_Video) return VFW_E_INVALIDMEDIATYPE;
  BSTR name = nullptr;
  HRESULT hr = source->GetMediaName(&name);
  if (FAILED(hr)) return hr;
  MediaType found;
  hr = FirstVideoType(name, &found);
  SysFreeString(name);
  return SUCCEEDED(hr) ? KeepRecompressFormat(found.Get()) : hr;
}

// Only video groups recompress, and only to video.
HRESULT NodeGroup::KeepRecompressFormat(const AM_MEDIA_TYPE& type) {
  if (type_.Get().majortype != MEDIATYPE_Video || type.majortype != MEDIATYPE_Video) return VFW_E_INVALIDMEDIATYPE;
  MediaType kept;
  HRESULT hr = kept.CopyFrom(type);
  if (SUCCEEDED(hr)) recompress_ = std::move(kept);
  return hr;
}

// The type the file's first video stream has in the file, compressed or not.
HRESULT NodeGroup::FirstVideoType(BSTR file, MediaType* type) {
  ComPtr<IMediaDet> detector;
  HRESULT hr = MediaDetector::CreateInstance(nullptr, IID_IMediaDet, detector.ReceiveVoid());
  if (SUCCEEDED(hr)) hr = detector->put_Filename(file);
  long streams = 0;
  if (SUCCEEDED(hr)) hr = detector->get_OutputStreams(&streams);
  if (FAILED(hr)) return hr;
  for (long i = 0; i < streams; ++i) {
    GUID major = GUID_NULL;
    if (FAILED(detector->put_CurrentStream(i)) || FAILED(detector->get_StreamType(&major))) continue;
    if (major == MEDIATYPE_Video) return detector->get_StreamMediaType(type->Receive());
  }
  return VFW_E_INVALIDMEDIATYPE;
}
