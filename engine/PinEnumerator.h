// IEnumPins over a filter's pins. It holds the filter and the pin list's
// version: once the filter's pins change, Next and Skip say so until Reset.
#pragma once

#include <dshow.h>

#include "ComObject.h"
#include "FilterBase.h"

class PinEnumerator final : public ComObject<IEnumPins> {
 public:
  PinEnumerator(IUnknown* outer, FilterBase* filter);

  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** clone) override;

 private:
  ~PinEnumerator() override;

  FilterBase* filter_;  // one reference (through its IBaseFilter)
  LONG version_;
  ULONG position_ = 0;
};
