#include "RenderTesting.h"

#include "EngineFilters.h"

WorkingBuilder::WorkingBuilder() {
  CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                   real_.ReceiveVoid());
}

STDMETHODIMP WorkingBuilder::QueryInterface(REFIID iid, void** object) {
  *object = iid == IID_IUnknown || iid == IID_ICaptureGraphBuilder2 ? this : nullptr;
  if (!*object) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) WorkingBuilder::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP WorkingBuilder::SetFiltergraph(IGraphBuilder* graph) {
  graph_ = ComPtr<IGraphBuilder>(graph);
  return real_->SetFiltergraph(graph);
}

STDMETHODIMP WorkingBuilder::SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux,
                                               IFileSinkFilter** sink) {
  if (!type || *type != MEDIASUBTYPE_Avi || !file || !mux) return E_INVALIDARG;
  files.push_back(file);
  ComPtr<IBaseFilter> writer;
  HRESULT hr = CoCreateInstance(CLSID_EngineAviWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                writer.ReceiveVoid());
  if (SUCCEEDED(hr)) hr = graph_->AddFilter(writer.Get(), L"Mux");
  if (SUCCEEDED(hr)) hr = writer.As<IFileSinkFilter>(IID_IFileSinkFilter)->SetFileName(file, nullptr);
  if (FAILED(hr)) return hr;
  if (sink) *sink = writer.As<IFileSinkFilter>(IID_IFileSinkFilter).Detach();
  *mux = writer.Detach();
  return S_OK;
}
