#include "NodeTransition.h"

#include "EngineLimits.h"
#include "EngineTime.h"
#include "TimelineNode.h"

STDMETHODIMP NodeTransition::GetCutPoint(REFERENCE_TIME* time) {
  if (!time) return E_POINTER;
  *time = cutPoint_ >= 0 ? cutPoint_ : (node_.Stop() - node_.Start()) / 2;
  return S_OK;
}

STDMETHODIMP NodeTransition::GetCutPoint2(REFTIME* time) {
  REFERENCE_TIME units;
  HRESULT hr = GetCutPoint(&units);
  if (SUCCEEDED(hr)) *time = UnitsToSeconds(units);
  return hr;
}

STDMETHODIMP NodeTransition::SetCutPoint(REFERENCE_TIME time) {
  if (time < 0 || time > kLatestTime) return E_INVALIDARG;
  cutPoint_ = time;
  return S_OK;
}

STDMETHODIMP NodeTransition::SetCutPoint2(REFTIME time) {
  REFERENCE_TIME units;
  if (!SecondsToUnits(time, &units)) return E_INVALIDARG;
  return SetCutPoint(units);
}

STDMETHODIMP NodeTransition::GetSwapInputs(BOOL* swap) {
  if (!swap) return E_POINTER;
  *swap = swapInputs_;
  return S_OK;
}

STDMETHODIMP NodeTransition::SetSwapInputs(BOOL swap) {
  swapInputs_ = swap ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP NodeTransition::GetCutsOnly(BOOL* cutsOnly) {
  if (!cutsOnly) return E_POINTER;
  *cutsOnly = cutsOnly_;
  return S_OK;
}

STDMETHODIMP NodeTransition::SetCutsOnly(BOOL cutsOnly) {
  cutsOnly_ = cutsOnly ? TRUE : FALSE;
  return S_OK;
}
