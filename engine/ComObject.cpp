#include "ComObject.h"

#include "EngineObjects.h"

ComObjectBase::ComObjectBase(IUnknown* outer) : inner_(this), outer_(outer ? outer : &inner_) {
  EngineObjectCreated();
}

ComObjectBase::~ComObjectBase() { EngineObjectDestroyed(); }

STDMETHODIMP ComObjectBase::NonDelegating::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown) {
    *out = this;
    AddRef();
    return S_OK;
  }
  return object_->QueryOwn(iid, out);
}

STDMETHODIMP_(ULONG) ComObjectBase::NonDelegating::AddRef() { return InterlockedIncrement(&object_->references_); }

STDMETHODIMP_(ULONG) ComObjectBase::NonDelegating::Release() {
  ULONG count = InterlockedDecrement(&object_->references_);
  if (count == 0) delete object_;
  return count;
}
