// The graph-building callback of the preview and render graphs: refuses every
// filter that the settings section "RenderSkipFilters" names, so intelligent
// connect never puts one into the graph.
#pragma once

#include <windows.h>
#include <dshow.h>

#ifndef __IAMGraphBuilderCallback_INTERFACE_DEFINED__
#define __IAMGraphBuilderCallback_INTERFACE_DEFINED__
// Declared here as mingw's headers lack it; as published.
MIDL_INTERFACE("4995f511-9ddb-4f12-bd3b-f04611807b79")
IAMGraphBuilderCallback : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SelectedFilter(IMoniker* moniker) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreatedFilter(IBaseFilter* filter) = 0;
};
#endif

EXTERN_C const IID IID_IAMGraphBuilderCallback;  // in strmiids

// Lives inside the window that owns the graph and is given to the graph as
// its site: it counts no references.
class RenderSkipCallback final : public IAMGraphBuilderCallback {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 0; }
  // E_FAIL for a filter whose moniker display name IsRenderSkipFilter accepts.
  STDMETHODIMP SelectedFilter(IMoniker* moniker) override;
  STDMETHODIMP CreatedFilter(IBaseFilter*) override { return S_OK; }

  // Makes this the graph's site, when the graph takes one.
  void AttachTo(IGraphBuilder* graph);
};
