// The graph-building callback of the preview and render graphs: intelligent
// connect never uses a filter whose moniker display name IsRenderSkipFilter
// accepts. It lives inside its window and is not reference counted.
#pragma once

#include <dshow.h>

class SkipFilterCallback final : public IAMGraphBuilderCallback {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 0; }
  // E_FAIL for a skipped filter; S_OK otherwise, also when the name cannot be had.
  STDMETHODIMP SelectedFilter(IMoniker* moniker) override;
  STDMETHODIMP CreatedFilter(IBaseFilter*) override { return S_OK; }
};
