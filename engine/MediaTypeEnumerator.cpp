#include "MediaTypeEnumerator.h"

#include <vfwmsgs.h>

#include "PinBase.h"

namespace {
// Far beyond any pin's list; stops a pin that never says VFW_S_NO_MORE_ITEMS.
const int kMaxTypes = 1000;
}  // namespace

MediaTypeEnumerator::MediaTypeEnumerator(IUnknown* outer, PinBase* pin) : ComObject(outer), pin_(pin) {
  pin_->AddRef();
}

MediaTypeEnumerator::~MediaTypeEnumerator() { pin_->Release(); }

int MediaTypeEnumerator::Count() {
  MediaType type;
  int count = 0;
  while (count < kMaxTypes && pin_->TypeAt(count, &type) == S_OK) ++count;
  return count;
}

STDMETHODIMP MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (!types) return E_POINTER;
  if (count > 1 && !fetched) return E_INVALIDARG;
  if (fetched) *fetched = 0;
  ULONG given = 0;
  for (; given < count && position_ < ULONG(kMaxTypes); ++given, ++position_) {
    MediaType type;
    HRESULT hr = pin_->TypeAt(int(position_), &type);
    if (hr != S_OK) break;
    hr = type.CopyToNew(&types[given]);
    if (FAILED(hr)) {
      while (given > 0) MediaType::Delete(types[--given]);
      return hr;
    }
  }
  if (fetched) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Skip(ULONG count) {
  ULONG total = ULONG(Count());
  ULONG left = position_ < total ? total - position_ : 0;
  position_ += count < left ? count : left;
  return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

STDMETHODIMP MediaTypeEnumerator::Clone(IEnumMediaTypes** clone) {
  if (!clone) return E_POINTER;
  HRESULT hr = CreateComObject<MediaTypeEnumerator>(nullptr, IID_IEnumMediaTypes, reinterpret_cast<void**>(clone), pin_);
  if (SUCCEEDED(hr)) (*clone)->Skip(position_);
  return hr;
}
