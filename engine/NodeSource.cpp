#include "NodeSource.h"

#include <cmath>

#include "EngineLimits.h"
#include "EngineTime.h"
#include "TimelineNode.h"

STDMETHODIMP NodeSource::GetMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  *start = mediaStart_;
  *stop = mediaStop_;
  return S_OK;
}

STDMETHODIMP NodeSource::GetMediaTimes2(REFTIME* start, REFTIME* stop) {
  if (!start || !stop) return E_POINTER;
  *start = UnitsToSeconds(mediaStart_);
  *stop = UnitsToSeconds(mediaStop_);
  return S_OK;
}

STDMETHODIMP NodeSource::ModifyStopTime(REFERENCE_TIME stop) { return node_.SetStartStop(node_.Start(), stop); }

STDMETHODIMP NodeSource::ModifyStopTime2(REFTIME stop) {
  REFERENCE_TIME units;
  if (!SecondsToUnits(stop, &units)) return E_INVALIDARG;
  return ModifyStopTime(units);
}

// Rounds to the frames of the media's own rate, when it has one.
STDMETHODIMP NodeSource::FixMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  *start = NearestFrameTime(*start, defaultFps_);
  *stop = NearestFrameTime(*stop, defaultFps_);
  return S_OK;
}

STDMETHODIMP NodeSource::FixMediaTimes2(REFTIME* start, REFTIME* stop) {
  if (!start || !stop) return E_POINTER;
  REFERENCE_TIME units[2];
  if (!SecondsToUnits(*start, &units[0]) || !SecondsToUnits(*stop, &units[1])) return E_INVALIDARG;
  FixMediaTimes(&units[0], &units[1]);
  *start = UnitsToSeconds(units[0]);
  *stop = UnitsToSeconds(units[1]);
  return S_OK;
}

STDMETHODIMP NodeSource::SetMediaTimes(REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (start < 0 || stop < start || stop > kLatestTime) return E_INVALIDARG;
  mediaStart_ = start;
  mediaStop_ = stop;
  return S_OK;
}

STDMETHODIMP NodeSource::SetMediaTimes2(REFTIME start, REFTIME stop) {
  REFERENCE_TIME units[2];
  if (!SecondsToUnits(start, &units[0]) || !SecondsToUnits(stop, &units[1])) return E_INVALIDARG;
  return SetMediaTimes(units[0], units[1]);
}

STDMETHODIMP NodeSource::SetMediaLength(REFERENCE_TIME length) {
  if (length < 0 || length > kLatestTime) return E_INVALIDARG;
  mediaLength_ = length;
  return S_OK;
}

STDMETHODIMP NodeSource::SetMediaLength2(REFTIME length) {
  REFERENCE_TIME units;
  if (!SecondsToUnits(length, &units)) return E_INVALIDARG;
  return SetMediaLength(units);
}

STDMETHODIMP NodeSource::GetMediaLength(REFERENCE_TIME* length) {
  if (!length) return E_POINTER;
  *length = mediaLength_;
  return S_OK;
}

STDMETHODIMP NodeSource::GetMediaLength2(REFTIME* length) {
  if (!length) return E_POINTER;
  *length = UnitsToSeconds(mediaLength_);
  return S_OK;
}

STDMETHODIMP NodeSource::GetMediaName(BSTR* name) {
  if (!name) return E_POINTER;
  *name = SysAllocStringLen(mediaName_.data(), static_cast<UINT>(mediaName_.size()));
  return *name ? S_OK : E_OUTOFMEMORY;
}

// Read up to the first zero, so a plain wide string works as well.
STDMETHODIMP NodeSource::SetMediaName(BSTR name) {
  mediaName_ = name ? std::wstring(name) : std::wstring();
  return S_OK;
}

STDMETHODIMP NodeSource::SpliceWithNext(IAMTimelineObj* next) {
  if (!next) return E_POINTER;
  TimelineNode* other = TimelineNode::FromObject(next);
  if (!other || other->Kind() != TIMELINE_MAJOR_TYPE_SOURCE) return E_NOINTERFACE;
  if (other == &node_ || !IsMatchFrame(*other)) return E_INVALIDARG;
  REFERENCE_TIME stop = node_.Stop() + (other->Stop() - other->Start());
  if (stop > kLatestTime) return E_INVALIDARG;
  HRESULT hr = node_.SetStartStop(node_.Start(), stop);
  if (FAILED(hr)) return hr;
  mediaStop_ = other->source_.mediaStop_;
  other->Remove();  // its effects go with it
  return S_OK;
}

// The same file, going on where this one stops, at the same rate.
bool NodeSource::IsMatchFrame(const TimelineNode& next) const {
  const NodeSource& other = next.source_;
  if (CompareStringOrdinal(mediaName_.c_str(), -1, other.mediaName_.c_str(), -1, TRUE) != CSTR_EQUAL) return false;
  if (other.mediaStart_ != mediaStop_) return false;
  // Media length over timeline length, compared as cross products.
  using Wide = long double;
  Wide rate = Wide(mediaStop_ - mediaStart_) * (next.Stop() - next.Start());
  return rate == Wide(other.mediaStop_ - other.mediaStart_) * (node_.Stop() - node_.Start());
}

STDMETHODIMP NodeSource::GetStreamNumber(long* stream) {
  if (!stream) return E_POINTER;
  *stream = stream_;
  return S_OK;
}

STDMETHODIMP NodeSource::SetStreamNumber(long stream) {
  if (stream < 0) return E_INVALIDARG;
  stream_ = stream;
  return S_OK;
}

STDMETHODIMP NodeSource::IsNormalRate(BOOL* normal) {
  if (!normal) return E_POINTER;
  *normal = mediaStop_ - mediaStart_ == node_.Stop() - node_.Start();
  return S_OK;
}

STDMETHODIMP NodeSource::GetDefaultFPS(double* fps) {
  if (!fps) return E_POINTER;
  *fps = defaultFps_;
  return S_OK;
}

// 0 means the media's own rate.
STDMETHODIMP NodeSource::SetDefaultFPS(double fps) {
  if (!std::isfinite(fps) || fps < 0 || fps > kHighestFrameRate) return E_INVALIDARG;
  defaultFps_ = fps;
  return S_OK;
}

STDMETHODIMP NodeSource::GetStretchMode(int* mode) {
  if (!mode) return E_POINTER;
  *mode = stretchMode_;
  return S_OK;
}

STDMETHODIMP NodeSource::SetStretchMode(int mode) {
  if (mode < RESIZEF_STRETCH || mode > RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX) {
    return E_INVALIDARG;
  }
  stretchMode_ = mode;
  return S_OK;
}
