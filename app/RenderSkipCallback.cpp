#include "RenderSkipCallback.h"

#include "ComPtr.h"
#include "RenderSkipList.h"

STDMETHODIMP RenderSkipCallback::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IAMGraphBuilderCallback) {
    *object = static_cast<IAMGraphBuilderCallback*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP RenderSkipCallback::SelectedFilter(IMoniker* moniker) {
  wchar_t* name = nullptr;
  if (!moniker || FAILED(moniker->GetDisplayName(nullptr, nullptr, &name)) || !name) return S_OK;
  HRESULT answer = IsRenderSkipFilter(name) ? E_FAIL : S_OK;
  CoTaskMemFree(name);
  return answer;
}

void RenderSkipCallback::AttachTo(IGraphBuilder* graph) {
  // The site is never cleared again: the graph lets it go when it is released.
  ComPtr<IObjectWithSite> site = ComPtr<IGraphBuilder>(graph).As<IObjectWithSite>(IID_IObjectWithSite);
  if (site) site->SetSite(static_cast<IAMGraphBuilderCallback*>(this));
}
