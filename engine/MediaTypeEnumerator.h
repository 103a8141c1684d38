// IEnumMediaTypes over the types a pin offers (PinBase::TypeAt), asked
// afresh on every Next so that a pin whose offer depends on its other
// connections stays current. It holds a reference on the pin's filter.
#pragma once

#include <dshow.h>

#include "ComObject.h"

class PinBase;

class MediaTypeEnumerator final : public ComObject<IEnumMediaTypes> {
 public:
  MediaTypeEnumerator(IUnknown* outer, PinBase* pin);

  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumMediaTypes** clone) override;

 private:
  ~MediaTypeEnumerator() override;
  int Count();

  PinBase* pin_;  // one reference (the pin's AddRef reaches its filter)
  ULONG position_ = 0;
};
