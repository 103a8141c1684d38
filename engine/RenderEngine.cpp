#include "RenderEngine.h"

#include <vfwmsgs.h>

#include "EngineTime.h"
#include "GroupFilter.h"
#include "Locked.h"
#include "PlanBuilder.h"
#include "RenderProblems.h"

namespace {

ComPtr<IBaseFilter> FilterOf(IPin* pin) {
  PIN_INFO info = {};
  if (FAILED(pin->QueryPinInfo(&info))) return ComPtr<IBaseFilter>();
  return ComPtr<IBaseFilter>::Adopt(info.pFilter);
}

bool IsOutput(IPin* pin) {
  PIN_DIRECTION direction = PINDIR_INPUT;
  return SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_OUTPUT;
}

}  // namespace

RenderEngine::RenderEngine(IUnknown* outer) : ComObject(outer) { InitializeCriticalSection(&lock_); }

RenderEngine::~RenderEngine() { DeleteCriticalSection(&lock_); }

STDMETHODIMP RenderEngine::SetTimelineObject(IAMTimeline* timeline) {
  if (!timeline) return E_POINTER;
  Locked lock(&lock_);
  timeline_ = ComPtr<IAMTimeline>(timeline);
  return S_OK;
}

STDMETHODIMP RenderEngine::GetTimelineObject(IAMTimeline** timeline) {
  if (!timeline) return E_POINTER;
  Locked lock(&lock_);
  *timeline = ComPtr<IAMTimeline>(timeline_).Detach();
  return S_OK;
}

STDMETHODIMP RenderEngine::GetFilterGraph(IGraphBuilder** graph) {
  if (!graph) return E_POINTER;
  Locked lock(&lock_);
  *graph = ComPtr<IGraphBuilder>(graph_).Detach();
  return S_OK;
}

STDMETHODIMP RenderEngine::SetFilterGraph(IGraphBuilder* graph) {
  Locked lock(&lock_);
  if (!graph || graph_) return E_INVALIDARG;
  graph_ = ComPtr<IGraphBuilder>(graph);
  return S_OK;
}

STDMETHODIMP RenderEngine::SetInterestRange(REFERENCE_TIME, REFERENCE_TIME) { return E_NOTIMPL; }
STDMETHODIMP RenderEngine::SetInterestRange2(double, double) { return E_NOTIMPL; }

STDMETHODIMP RenderEngine::SetRenderRange(REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (start < 0 || stop <= start) return E_INVALIDARG;
  Locked lock(&lock_);
  rangeStart_ = start;
  rangeStop_ = stop;
  return S_OK;
}

STDMETHODIMP RenderEngine::SetRenderRange2(double start, double stop) {
  REFERENCE_TIME units[2];
  if (!SecondsToUnits(start, &units[0]) || !SecondsToUnits(stop, &units[1])) return E_INVALIDARG;
  return SetRenderRange(units[0], units[1]);
}

STDMETHODIMP RenderEngine::GetGroupOutputPin(long group, IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  Locked lock(&lock_);
  if (!connected_) return E_MUST_INIT_RENDERER;
  if (group < 0 || size_t(group) >= outputs_.size()) return E_INVALIDARG;
  if (!outputs_[group].group) return S_FALSE;
  *pin = outputs_[group].group->Output();
  (*pin)->AddRef();
  return S_OK;
}

STDMETHODIMP RenderEngine::ScrapIt() {
  Locked lock(&lock_);
  RemoveOutputs();
  graph_.Reset();
  checks_ = SourceChecks();
  return S_OK;
}

STDMETHODIMP RenderEngine::RenderOutputPins() {
  Locked lock(&lock_);
  if (!connected_) return E_UNEXPECTED;
  HRESULT video = S_OK;
  bool audioFailed = false;
  for (Output& output : outputs_) {
    if (!output.group) continue;
    IPin* pin = output.group->Output();
    ComPtr<IPin> peer;
    if (SUCCEEDED(pin->ConnectedTo(peer.Receive()))) continue;
    HRESULT hr = graph_->Render(pin);
    if (FAILED(hr) && output.group->Plan()->format.video) video = SUCCEEDED(video) ? hr : video;
    if (FAILED(hr) && !output.group->Plan()->format.video) audioFailed = true;
  }
  if (FAILED(video)) return video;
  return audioFailed ? VFW_S_AUDIO_NOT_RENDERED : S_OK;
}

STDMETHODIMP RenderEngine::GetVendorString(BSTR* vendor) {
  if (!vendor) return E_POINTER;
  *vendor = SysAllocString(L"Morvik");
  return *vendor ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP RenderEngine::ConnectFrontEnd() {
  Locked lock(&lock_);
  if (!timeline_) return E_INVALIDARG;
  HRESULT hr = S_OK;
  if (!graph_) {
    hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph_.ReceiveVoid());
    if (FAILED(hr)) return hr;
    ComPtr<IObjectWithSite> sited = graph_.As<IObjectWithSite>(IID_IObjectWithSite);
    if (sited && site_) sited->SetSite(site_.Get());
  }
  Plans plans;
  Groups groups;
  hr = BuildPlans(&plans, &groups);
  if (FAILED(hr)) return hr;
  // The same groups in the same order with the same types keep their filters.
  if (connected_ && SameOutputs(plans, groups)) {
    for (size_t i = 0; i < plans.size(); ++i) {
      if (outputs_[i].group) outputs_[i].group->SetPlan(plans[i]);
    }
    return S_OK;
  }
  RemoveOutputs();
  hr = AddOutputs(plans);
  if (FAILED(hr)) {
    RemoveOutputs();
    return hr;
  }
  connected_ = true;
  groups_ = std::move(groups);
  return S_WARN_OUTPUTRESET;
}

HRESULT RenderEngine::BuildPlans(Plans* plans, Groups* groups) {
  REFERENCE_TIME duration = 0;
  long count = 0;
  HRESULT hr = timeline_->GetDuration(&duration);
  if (SUCCEEDED(hr)) hr = timeline_->GetGroupCount(&count);
  if (FAILED(hr)) return hr;
  REFERENCE_TIME start = rangeStop_ < 0 ? 0 : rangeStart_;
  REFERENCE_TIME stop = rangeStop_ < 0 ? duration : rangeStop_;
  RenderProblems problems(timeline_.Get(), errorLog_.Get());
  PlanBuilder builder(timeline_.Get(), &checks_, &problems, &locator_);
  for (long group = 0; group < count; ++group) {
    std::unique_ptr<RenderPlan> plan;
    hr = builder.Build(group, start, stop, &plan);
    if (FAILED(hr) && hr != VFW_E_INVALIDMEDIATYPE) return hr;
    plans->push_back(std::shared_ptr<const RenderPlan>(std::move(plan)));
    ComPtr<IAMTimelineObj> node;
    ComPtr<IUnknown> identity;
    if (SUCCEEDED(timeline_->GetGroup(node.Receive(), group)) && node) identity = node.As<IUnknown>(IID_IUnknown);
    groups->push_back(identity);
  }
  return S_OK;
}

bool RenderEngine::SameOutputs(const Plans& plans, const Groups& groups) {
  if (plans.size() != outputs_.size() || groups.size() != groups_.size()) return false;
  for (size_t i = 0; i < plans.size(); ++i) {
    GroupFilter* group = outputs_[i].group;
    if (!plans[i] != !group || groups[i].Get() != groups_[i].Get()) return false;
    if (group && !MediaType::Same(plans[i]->pinType.Get(), group->Plan()->pinType.Get())) return false;
  }
  return true;
}

std::wstring RenderEngine::FilterName(long group) {
  ComPtr<IAMTimelineObj> node;
  BSTR name = nullptr;
  if (SUCCEEDED(timeline_->GetGroup(node.Receive(), group)) && node) node->GetUserName(&name);
  std::wstring text = name && *name ? std::wstring(name) : L"Group " + std::to_wstring(group);
  SysFreeString(name);
  return text;
}

HRESULT RenderEngine::AddOutputs(const Plans& plans) {
  for (size_t i = 0; i < plans.size(); ++i) {
    Output output;
    if (plans[i]) {
      HRESULT hr = CreateComObject<GroupFilter>(nullptr, IID_IBaseFilter, output.filter.ReceiveVoid(), plans[i]);
      if (FAILED(hr)) return hr;
      output.group = static_cast<GroupFilter*>(output.filter.Get());
      if (!output.group->Output()) return E_OUTOFMEMORY;
      hr = graph_->AddFilter(output.filter.Get(), FilterName(long(i)).c_str());
      if (FAILED(hr)) return hr;
    }
    outputs_.push_back(output);
  }
  return S_OK;
}

void RenderEngine::StopGraph() {
  ComPtr<IMediaControl> control = graph_.As<IMediaControl>(IID_IMediaControl);
  OAFilterState state = State_Stopped;
  if (control && (control->GetState(0, &state) != S_OK || state != State_Stopped)) control->Stop();
  // The graph may call itself stopped while filters still run after a failed start.
  for (Output& output : outputs_) {
    if (output.filter) output.filter->Stop();
  }
}

void RenderEngine::RemoveOutputs() {
  if (graph_ && !outputs_.empty()) StopGraph();
  for (Output& output : outputs_) {
    if (!output.group || !graph_) continue;
    RemoveDownstream(output.group->Output());
    graph_->RemoveFilter(output.filter.Get());
  }
  outputs_.clear();
  groups_.clear();
  connected_ = false;
}

void RenderEngine::RemoveDownstream(IPin* pin) {
  ComPtr<IPin> peer;
  if (FAILED(pin->ConnectedTo(peer.Receive())) || !peer) return;
  ComPtr<IBaseFilter> filter = FilterOf(peer.Get());
  if (!filter) return;
  ComPtr<IEnumPins> pins;
  if (SUCCEEDED(filter->EnumPins(pins.Receive()))) {
    IPin* next = nullptr;
    while (pins->Next(1, &next, nullptr) == S_OK) {
      ComPtr<IPin> held = ComPtr<IPin>::Adopt(next);
      if (IsOutput(held.Get())) RemoveDownstream(held.Get());
    }
  }
  graph_->RemoveFilter(filter.Get());
}

STDMETHODIMP RenderEngine::SetSourceConnectCallback(IGrfCache*) { return E_NOTIMPL; }

STDMETHODIMP RenderEngine::SetDynamicReconnectLevel(long) { return S_OK; }

STDMETHODIMP RenderEngine::DoSmartRecompression() { return E_NOTIMPL; }

STDMETHODIMP RenderEngine::UseInSmartRecompressionGraph() { return E_NOTIMPL; }

STDMETHODIMP RenderEngine::SetSourceNameValidation(BSTR filter, IMediaLocator* locator, LONG flags) {
  Locked lock(&lock_);
  locator_.locator = ComPtr<IMediaLocator>(locator);
  locator_.filter.assign(filter ? filter : L"", filter ? SysStringLen(filter) : 0);
  locator_.flags = flags;
  return S_OK;
}

STDMETHODIMP RenderEngine::Commit() { return E_NOTIMPL; }

STDMETHODIMP RenderEngine::Decommit() { return E_NOTIMPL; }

STDMETHODIMP RenderEngine::GetCaps(long, long* value) {
  if (value) *value = 0;
  return E_NOTIMPL;
}

STDMETHODIMP RenderEngine::get_ErrorLog(IAMErrorLog** log) {
  if (!log) return E_POINTER;
  Locked lock(&lock_);
  *log = ComPtr<IAMErrorLog>(errorLog_).Detach();
  return S_OK;
}

STDMETHODIMP RenderEngine::put_ErrorLog(IAMErrorLog* log) {
  Locked lock(&lock_);
  errorLog_ = ComPtr<IAMErrorLog>(log);
  return S_OK;
}

STDMETHODIMP RenderEngine::SetSite(IUnknown* site) {
  Locked lock(&lock_);
  site_ = ComPtr<IUnknown>(site);
  return S_OK;
}

STDMETHODIMP RenderEngine::GetSite(REFIID iid, void** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  Locked lock(&lock_);
  return site_ ? site_->QueryInterface(iid, site) : E_FAIL;
}
