#include "NodeGroup.h"

#include <cmath>
#include <cstring>

#include "EngineLimits.h"
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

namespace {

constexpr LONG kMaxFrameSide = 16384;
constexpr DWORD kMaxSampleRate = 384000;

// The outputs a group can render: bottom-up RGB 555, 24 or ARGB 32 frames
// of a sane size, or 16-bit stereo PCM.
bool IsUsableVideo(const AM_MEDIA_TYPE& type) {
  if (type.formattype != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER)) return false;
  const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  WORD bits = type.subtype == MEDIASUBTYPE_RGB555  ? 16
              : type.subtype == MEDIASUBTYPE_RGB24 ? 24
              : type.subtype == MEDIASUBTYPE_ARGB32 ? 32 : 0;
  return bits && bitmap.biBitCount == bits && bitmap.biWidth > 0 && bitmap.biHeight > 0 &&
         bitmap.biWidth <= kMaxFrameSide && bitmap.biHeight <= kMaxFrameSide;
}

bool IsUsableAudio(const AM_MEDIA_TYPE& type) {
  if (type.formattype != FORMAT_WaveFormatEx || type.cbFormat < sizeof(WAVEFORMAT) + 2) return false;
  const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
  return wave.wFormatTag == WAVE_FORMAT_PCM && wave.wBitsPerSample == 16 && wave.nChannels == 2 &&
         wave.nSamplesPerSec > 0 && wave.nSamplesPerSec <= kMaxSampleRate;
}

}  // namespace

STDMETHODIMP NodeGroup::SetMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  if (type->cbFormat && !type->pbFormat) return E_INVALIDARG;
  bool usable = type->pbFormat && type->cbFormat <= kLargestGroupFormat &&
                ((type->majortype == MEDIATYPE_Video && IsUsableVideo(*type)) ||
                 (type->majortype == MEDIATYPE_Audio && IsUsableAudio(*type)));
  if (!usable) return VFW_E_INVALIDMEDIATYPE;
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

// A group's name is its user name.
STDMETHODIMP NodeGroup::SetGroupName(BSTR name) { return node_.SetUserName(name); }
STDMETHODIMP NodeGroup::GetGroupName(BSTR* name) { return node_.GetUserName(name); }

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
