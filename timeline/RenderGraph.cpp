#include "RenderGraph.h"

#include "AppGlobals.h"
#include "DirectShowHelpers.h"
#include "EngineFilters.h"
#include "JoinedString.h"
#include "NumberText.h"

HRESULT RenderGraph::Create(IAMTimeline* timeline, RenderSkipCallback* callback, HWND window, UINT message,
                            ICaptureGraphBuilder2* builder) {
  Destroy();  // what a failed attempt left
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                graph_.ReceiveVoid());
  if (FAILED(hr)) return hr;
  // The graph's own trace goes into the program's log.
  if (theLog && theLog->Handle()) graph_->SetLogFile(reinterpret_cast<DWORD_PTR>(theLog->Handle()));
  callback->AttachTo(graph_.Get());
  hr = CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine, engine_.ReceiveVoid());
  if (FAILED(hr)) return hr;
  engine_->SetFilterGraph(graph_.Get());
  engine_->SetTimelineObject(timeline);
  registered_ = SUCCEEDED(RegisterGraph(graph_.Get(), &cookie_));
  control_ = graph_.As<IMediaControl>(IID_IMediaControl);
  events_ = graph_.As<IMediaEventEx>(IID_IMediaEventEx);
  if (events_) events_->SetNotifyWindow(reinterpret_cast<OAHWND>(window), message, 0);
  hr = engine_->ConnectFrontEnd();
  if (FAILED(hr)) return hr;
  builder_ = ComPtr<ICaptureGraphBuilder2>(builder);
  return builder_->SetFiltergraph(graph_.Get());
}

void RenderGraph::Destroy() {
  builder_.Reset();
  if (graph_) {
    if (registered_) UnregisterGraph(cookie_);
    registered_ = false;
    Stop();
    seeking_.Reset();
    if (events_) events_->SetNotifyWindow(0, 0, 0);
    events_.Reset();
    control_.Reset();
    graph_->SetLogFile(0);
    graph_.Reset();  // never SetSite(null): Wine faults
  }
  if (engine_) engine_->ScrapIt();
  engine_.Reset();
}

int RenderGraph::State() {
  if (!control_) return -1;
  OAFilterState state = State_Stopped;
  control_->GetState(0, &state);
  return static_cast<int>(state);
}

void RenderGraph::Stop() {
  if (State() > 0) control_->Stop();
}

HRESULT RenderGraph::ConnectCompressor(int g, RenderGroupEntry& entry) {
  ComPtr<IPin> output;
  HRESULT hr = engine_->GetGroupOutputPin(g, output.Receive());
  if (hr != S_OK) return hr;
  NumberText number(g);
  JoinedString name(L"Morvik", L"_group_compressor_", number.AsText(), nullptr);
  ComPtr<IBaseFilter> old;
  if (SUCCEEDED(graph_->FindFilterByName(name.Get(), old.Receive())) && old) graph_->RemoveFilter(old.Get());
  ComPtr<IPin> peer;
  if (SUCCEEDED(output->ConnectedTo(peer.Receive())) && peer) {
    graph_->Disconnect(output.Get());
    PIN_INFO info = {};
    if (SUCCEEDED(peer->QueryPinInfo(&info)) && info.pFilter) {
      graph_->RemoveFilter(info.pFilter);
      info.pFilter->Release();
    }
  }
  if (!entry.compressor) return S_OK;
  hr = graph_->AddFilter(entry.compressor.Get(), name.Get());
  if (FAILED(hr)) return hr;
  ComPtr<IPin> input;
  hr = FindPin(entry.compressor.Get(), PINDIR_INPUT, input.Receive());
  if (SUCCEEDED(hr)) hr = graph_->Connect(output.Get(), input.Get());
  entry.connected = SUCCEEDED(hr);
  return hr;
}

// The platform's multiplexer and file writer; where the builder cannot make
// them, the engine's AVI writer, which is both.
HRESULT RenderGraph::AddOutputFile(const wchar_t* path, IBaseFilter** multiplexer) {
  HRESULT hr = builder_->SetOutputFileName(&MEDIASUBTYPE_Avi, path, multiplexer, nullptr);
  if (hr != E_NOTIMPL) return hr;
  ComPtr<IBaseFilter> writer;
  hr = CoCreateInstance(CLSID_EngineAviWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, writer.ReceiveVoid());
  if (FAILED(hr)) return hr;
  hr = graph_->AddFilter(writer.Get(), L"AVI writer");
  if (FAILED(hr)) return hr;
  ComPtr<IFileSinkFilter> sink = writer.As<IFileSinkFilter>(IID_IFileSinkFilter);
  hr = sink ? sink->SetFileName(path, nullptr) : E_NOINTERFACE;
  if (FAILED(hr)) return hr;
  *multiplexer = writer.Detach();
  return S_OK;
}

HRESULT RenderGraph::SetupOutput(const wchar_t* path, std::vector<RenderGroupEntry>& groups) {
  if (!builder_) return E_UNEXPECTED;
  ComPtr<IBaseFilter> multiplexer;
  HRESULT hr = AddOutputFile(path, multiplexer.Receive());
  seeking_.Reset();
  // Without a multiplexer the streams would go to the default renderers.
  if (FAILED(hr) || !multiplexer) return FAILED(hr) ? hr : E_FAIL;
  seeking_ = multiplexer.As<IMediaSeeking>(IID_IMediaSeeking);
  if (seeking_) seeking_->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  for (int g = 0; g < static_cast<int>(groups.size()) && SUCCEEDED(hr); ++g) {
    RenderGroupEntry& entry = groups[g];
    HRESULT connected = entry.connected ? S_OK : ConnectCompressor(g, entry);
    // A compressor that refuses the group's format is the reason to give,
    // not what rendering from its unconnected output says.
    if (entry.compressor && FAILED(connected)) {
      hr = connected;
    } else if (entry.compressor) {
      hr = builder_->RenderStream(nullptr, &entry.majorType, entry.compressor.Get(), nullptr, multiplexer.Get());
    } else {
      ComPtr<IPin> output;
      hr = engine_->GetGroupOutputPin(g, output.Receive());
      if (hr == S_OK) hr = builder_->RenderStream(nullptr, nullptr, output.Get(), nullptr, multiplexer.Get());
    }
  }
  return hr;
}

bool RenderGraph::Written(LONGLONG* position) {
  return seeking_ && SUCCEEDED(seeking_->GetCurrentPosition(position));
}

bool RenderGraph::NextEvent(long* code, LONG_PTR* first) {
  LONG_PTR second = 0;
  if (!events_ || events_->GetEvent(code, first, &second, 0) != S_OK) return false;
  events_->FreeEventParams(*code, *first, second);
  return true;
}
