#include "PinEnumerator.h"

#include <vfwmsgs.h>

#include "PinBase.h"

PinEnumerator::PinEnumerator(IUnknown* outer, FilterBase* filter)
    : ComObject(outer), filter_(filter), version_(filter->PinVersion()) {
  filter_->AddRef();
}

PinEnumerator::~PinEnumerator() { filter_->Release(); }

STDMETHODIMP PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (!pins) return E_POINTER;
  if (count > 1 && !fetched) return E_INVALIDARG;
  if (fetched) *fetched = 0;
  // Under the state lock: a filter adds pins while connecting.
  EnterCriticalSection(filter_->StateLock());
  bool inSync = version_ == filter_->PinVersion();
  ULONG given = 0;
  for (; inSync && given < count && int(position_) < filter_->PinCount(); ++given, ++position_) {
    pins[given] = filter_->PinAt(int(position_));
    pins[given]->AddRef();
  }
  LeaveCriticalSection(filter_->StateLock());
  if (!inSync) return VFW_E_ENUM_OUT_OF_SYNC;
  if (fetched) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP PinEnumerator::Skip(ULONG count) {
  EnterCriticalSection(filter_->StateLock());
  bool inSync = version_ == filter_->PinVersion();
  ULONG left = ULONG(filter_->PinCount()) - position_;
  LeaveCriticalSection(filter_->StateLock());
  if (!inSync) return VFW_E_ENUM_OUT_OF_SYNC;
  if (count > left) {
    position_ += left;
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

STDMETHODIMP PinEnumerator::Reset() {
  version_ = filter_->PinVersion();
  position_ = 0;
  return S_OK;
}

STDMETHODIMP PinEnumerator::Clone(IEnumPins** clone) {
  if (!clone) return E_POINTER;
  *clone = nullptr;
  if (version_ != filter_->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
  HRESULT hr = CreateComObject<PinEnumerator>(nullptr, IID_IEnumPins, reinterpret_cast<void**>(clone), filter_);
  if (SUCCEEDED(hr)) (*clone)->Skip(position_);
  return hr;
}
