#include "RenderTesting.h"

#include <cmath>

#include "EngineFilters.h"

WorkingBuilder::WorkingBuilder() {
  CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                   real_.ReceiveVoid());
}

STDMETHODIMP WorkingBuilder::QueryInterface(REFIID iid, void** object) {
  if (iid == IID_IUnknown || iid == IID_ICaptureGraphBuilder2) {
    *object = static_cast<ICaptureGraphBuilder2*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
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

STDMETHODIMP WorkingBuilder::SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** multiplexer,
                                               IFileSinkFilter** sink) {
  if (!type || *type != MEDIASUBTYPE_Avi || !file || !multiplexer) return E_INVALIDARG;
  files.push_back(file);
  ComPtr<IBaseFilter> writer;
  HRESULT hr = CoCreateInstance(CLSID_EngineAviWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                writer.ReceiveVoid());
  if (SUCCEEDED(hr)) hr = graph_->AddFilter(writer.Get(), L"Mux");
  ComPtr<IFileSinkFilter> fileSink = writer.As<IFileSinkFilter>(IID_IFileSinkFilter);
  if (SUCCEEDED(hr)) hr = fileSink->SetFileName(file, nullptr);
  if (FAILED(hr)) return hr;
  if (sink) *sink = fileSink.Detach();
  *multiplexer = writer.Detach();
  return S_OK;
}

int RenderedFile::StreamOf(const GUID& majorType) const {
  if (!reader) return -1;
  for (size_t i = 0; i < reader->Streams().size(); ++i) {
    if (reader->Streams()[i].type.Get().majortype == majorType) return int(i);
  }
  return -1;
}

LONGLONG RenderedFile::Frames(int stream) const {
  const MediaStream& s = reader->Streams()[stream];
  return std::llround(double(s.length) * s.frameRate / 1e7);
}

std::vector<BYTE> RenderedFile::Frame(int stream, LONGLONG f) const {
  std::vector<BYTE> pixels;
  double fps = reader->Streams()[stream].frameRate;
  reader->ReadFrame(stream, REFERENCE_TIME((f + 0.5) * 1e7 / fps), &pixels);
  return pixels;
}
