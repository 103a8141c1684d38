#include "SourceSeeking.h"

#include <vfwmsgs.h>

namespace {
bool IsMediaTime(const GUID* format) { return !format || *format == TIME_FORMAT_MEDIA_TIME; }

const DWORD kSeekingBits = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards;

bool Positioning(DWORD flags) { return (flags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning; }

// The new value of a position under flags; false for flags a position cannot
// take (incremental applies to the stop only).
bool Adjust(REFERENCE_TIME* value, LONGLONG given, DWORD flags, bool isStop) {
  switch (flags & AM_SEEKING_PositioningBitsMask) {
    case AM_SEEKING_NoPositioning:
      return true;
    case AM_SEEKING_AbsolutePositioning:
      *value = given;
      return true;
    case AM_SEEKING_IncrementalPositioning:
      if (!isStop) return false;
      [[fallthrough]];
    default:  // relative
      *value += given;
      return true;
  }
}
}  // namespace

SourceSeeking::SourceSeeking(IUnknown* owner) : Facet(owner) { InitializeCriticalSection(&lock_); }

SourceSeeking::~SourceSeeking() { DeleteCriticalSection(&lock_); }

DWORD SourceSeeking::Capabilities() {
  return AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
         AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;
}

STDMETHODIMP SourceSeeking::GetCapabilities(DWORD* capabilities) {
  if (!capabilities) return E_POINTER;
  *capabilities = Capabilities();
  return S_OK;
}

STDMETHODIMP SourceSeeking::CheckCapabilities(DWORD* capabilities) {
  if (!capabilities) return E_POINTER;
  DWORD common = *capabilities & Capabilities();
  HRESULT hr = common == 0 ? E_FAIL : common == *capabilities ? S_OK : S_FALSE;
  *capabilities = common;
  return hr;
}

STDMETHODIMP SourceSeeking::IsFormatSupported(const GUID* format) {
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP SourceSeeking::QueryPreferredFormat(GUID* format) {
  if (!format) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetTimeFormat(GUID* format) { return QueryPreferredFormat(format); }

STDMETHODIMP SourceSeeking::IsUsingTimeFormat(const GUID* format) {
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP SourceSeeking::SetTimeFormat(const GUID* format) {
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

STDMETHODIMP SourceSeeking::GetDuration(LONGLONG* duration) {
  if (!(Capabilities() & AM_SEEKING_CanGetDuration)) return E_NOTIMPL;
  if (!duration) return E_POINTER;
  EnterCriticalSection(&lock_);
  *duration = duration_;
  LeaveCriticalSection(&lock_);
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetStopPosition(LONGLONG* stop) {
  if (!(Capabilities() & AM_SEEKING_CanGetStopPos)) return E_NOTIMPL;
  if (!stop) return E_POINTER;
  EnterCriticalSection(&lock_);
  *stop = stop_;
  LeaveCriticalSection(&lock_);
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetCurrentPosition(LONGLONG* current) {
  if (!(Capabilities() & AM_SEEKING_CanGetCurrentPos)) return E_NOTIMPL;
  if (!current) return E_POINTER;
  EnterCriticalSection(&lock_);
  *current = start_;
  LeaveCriticalSection(&lock_);
  return S_OK;
}

STDMETHODIMP SourceSeeking::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                              const GUID* sourceFormat) {
  if (!target) return E_POINTER;
  if (!IsMediaTime(targetFormat) || !IsMediaTime(sourceFormat)) return E_INVALIDARG;
  *target = source;
  return S_OK;
}

STDMETHODIMP SourceSeeking::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
  if (!(Capabilities() & kSeekingBits)) return E_NOTIMPL;
  if ((Positioning(currentFlags) && !current) || (Positioning(stopFlags) && !stop)) return E_POINTER;
  EnterCriticalSection(&lock_);
  REFERENCE_TIME start = start_, end = stop_;
  bool valid = Adjust(&start, current ? *current : 0, currentFlags, false) &&
               Adjust(&end, stop ? *stop : 0, stopFlags, true);
  bool stopChanged = valid && end != stop_;
  if (valid) {
    start_ = start < 0 ? 0 : start;
    stop_ = end;
    if (current && (currentFlags & AM_SEEKING_ReturnTime)) *current = start_;
    if (stop && (stopFlags & AM_SEEKING_ReturnTime)) *stop = stop_;
  }
  LeaveCriticalSection(&lock_);
  if (!valid) return E_INVALIDARG;
  // Setting the start is a seek even to the same time: playback restarts there.
  if (Positioning(currentFlags) || stopChanged) OnPositions(Positioning(currentFlags), stopChanged);
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetPositions(LONGLONG* current, LONGLONG* stop) {
  if (!current && !stop) return E_POINTER;
  HRESULT hr = S_OK;
  if (current) hr = GetCurrentPosition(current);
  if (SUCCEEDED(hr) && stop) hr = GetStopPosition(stop);
  return hr;
}

STDMETHODIMP SourceSeeking::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  EnterCriticalSection(&lock_);
  if (earliest) *earliest = 0;
  if (latest) *latest = duration_;
  LeaveCriticalSection(&lock_);
  return earliest || latest ? S_OK : E_POINTER;
}

STDMETHODIMP SourceSeeking::SetRate(double rate) {
  if (!(rate > 0)) return E_INVALIDARG;
  HRESULT hr = OnRate(rate);
  if (FAILED(hr)) return hr;
  EnterCriticalSection(&lock_);
  rate_ = rate;
  LeaveCriticalSection(&lock_);
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetRate(double* rate) {
  if (!rate) return E_POINTER;
  EnterCriticalSection(&lock_);
  *rate = rate_;
  LeaveCriticalSection(&lock_);
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetPreroll(LONGLONG* preroll) {
  if (!preroll) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

void SourceSeeking::SetDuration(REFERENCE_TIME duration) {
  EnterCriticalSection(&lock_);
  duration_ = duration;
  stop_ = duration;
  LeaveCriticalSection(&lock_);
}

void SourceSeeking::Positions(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) {
  EnterCriticalSection(&lock_);
  if (start) *start = start_;
  if (stop) *stop = stop_;
  if (rate) *rate = rate_;
  LeaveCriticalSection(&lock_);
}
