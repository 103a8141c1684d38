// The COM face of a built-in effect or transition: a small object that
// answers its class id, so that CoCreateInstance and the device enumerator's
// monikers reach each class listed in the effect categories. The work is
// done by the implementations EffectLibrary makes for the render engine.
#pragma once

#include <objidl.h>

#include "ComObject.h"

class EffectObject final : public ComObject<IPersist> {
 public:
  EffectObject(IUnknown* outer, const CLSID& clsid) : ComObject(outer), clsid_(clsid) {}

  // The class object's creation function for one class id.
  template <const CLSID& clsid>
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreateComObject<EffectObject>(outer, iid, out, clsid);
  }

  STDMETHODIMP GetClassID(CLSID* clsid) override;

 private:
  const CLSID clsid_;
};
