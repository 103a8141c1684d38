#include "IntraFrameSettings.h"

#include <vfwmsgs.h>

#include <cstring>

#include "Locked.h"

namespace {
const wchar_t kVersion[] = L"1.0";

void CopyText(const wchar_t* text, LPWSTR buffer, int* bytes) {
  int needed = int((wcslen(text) + 1) * sizeof(wchar_t));
  if (buffer) {
    int room = bytes ? *bytes / int(sizeof(wchar_t)) : needed;
    if (room > 0) {
      int length = needed / int(sizeof(wchar_t)) - 1;
      if (length > room - 1) length = room - 1;
      memcpy(buffer, text, length * sizeof(wchar_t));
      buffer[length] = 0;
    }
  }
  if (bytes) *bytes = needed;
}
}  // namespace

IntraFrameSettings::IntraFrameSettings(IUnknown* pin, FilterBase* filter, const wchar_t* description,
                                       double defaultQuality)
    : Facet(pin), filter_(filter), description_(description), default_(defaultQuality), quality_(defaultQuality) {}

double IntraFrameSettings::Quality() {
  Locked lock(filter_->StateLock());
  return quality_;
}

STDMETHODIMP IntraFrameSettings::put_KeyFrameRate(LONG) { return E_NOTIMPL; }
STDMETHODIMP IntraFrameSettings::get_KeyFrameRate(LONG*) { return E_NOTIMPL; }
STDMETHODIMP IntraFrameSettings::put_PFramesPerKeyFrame(LONG) { return E_NOTIMPL; }
STDMETHODIMP IntraFrameSettings::get_PFramesPerKeyFrame(LONG*) { return E_NOTIMPL; }
STDMETHODIMP IntraFrameSettings::put_WindowSize(DWORDLONG) { return E_NOTIMPL; }
STDMETHODIMP IntraFrameSettings::get_WindowSize(DWORDLONG*) { return E_NOTIMPL; }
STDMETHODIMP IntraFrameSettings::OverrideKeyFrame(LONG) { return S_OK; }
STDMETHODIMP IntraFrameSettings::OverrideFrameSize(LONG, LONG) { return E_NOTIMPL; }

STDMETHODIMP IntraFrameSettings::put_Quality(double quality) {
  if (quality > 1.0 || quality != quality) return E_INVALIDARG;  // the second is NaN
  Locked lock(filter_->StateLock());
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  quality_ = quality < 0 ? default_ : quality;
  return S_OK;
}

STDMETHODIMP IntraFrameSettings::get_Quality(double* quality) {
  if (!quality) return E_POINTER;
  *quality = Quality();
  return S_OK;
}

STDMETHODIMP IntraFrameSettings::GetInfo(LPWSTR version, int* versionBytes, LPWSTR description,
                                         int* descriptionBytes, LONG* defaultKeyFrameRate,
                                         LONG* defaultPFramesPerKey, double* defaultQuality, LONG* capabilities) {
  CopyText(kVersion, version, versionBytes);
  CopyText(description_, description, descriptionBytes);
  if (defaultKeyFrameRate) *defaultKeyFrameRate = 1;
  if (defaultPFramesPerKey) *defaultPFramesPerKey = 0;
  if (defaultQuality) *defaultQuality = default_;
  if (capabilities) *capabilities = CompressionCaps_CanQuality;
  return S_OK;
}
