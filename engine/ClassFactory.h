// A class object that makes instances through one creation function.
#pragma once

#include <windows.h>
#include <unknwn.h>

using CreateInstanceFunction = HRESULT (*)(REFIID iid, void** object);

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
