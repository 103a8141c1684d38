#include "EffectObject.h"

STDMETHODIMP EffectObject::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}
