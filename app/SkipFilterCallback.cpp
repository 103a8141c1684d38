#include "SkipFilterCallback.h"

#include "RenderSkipList.h"

STDMETHODIMP SkipFilterCallback::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IAMGraphBuilderCallback) {
    *object = static_cast<IAMGraphBuilderCallback*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP SkipFilterCallback::SelectedFilter(IMoniker* moniker) {
  wchar_t* name = nullptr;
  if (!moniker || FAILED(moniker->GetDisplayName(nullptr, nullptr, &name)) || !name) return S_OK;
  bool skipped = IsRenderSkipFilter(name);
  CoTaskMemFree(name);
  return skipped ? E_FAIL : S_OK;
}
