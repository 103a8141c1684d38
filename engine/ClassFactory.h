// A class object that makes instances through one creation function.
#pragma once

#include <windows.h>
#include <unknwn.h>

// outer: the aggregating object, or null.
using CreateInstanceFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);

// A creation function of a class that cannot be aggregated.
template <HRESULT (*Create)(REFIID iid, void** object)>
HRESULT WithoutAggregation(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  return outer ? CLASS_E_NOAGGREGATION : Create(iid, object);
}

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(CreateInstanceFunction create);

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  ~ClassFactory() = default;

  volatile LONG references_ = 1;
  CreateInstanceFunction create_;
};
