#include "RenderJob.h"

#include <evcode.h>

#include <cmath>

#include "ConsoleText.h"
#include "EngineFilters.h"
#include "ProgressLine.h"
#include "SystemMessage.h"

namespace {

constexpr double kUnitsPerSecond = 1e7;
volatile LONG interrupted = 0;

std::wstring Seconds(REFERENCE_TIME time) {
  wchar_t text[32];
  swprintf(text, 32, L"%.3f s", double(time) / kUnitsPerSecond);
  return text;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH * 4];
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
  return length && length < MAX_PATH * 4 ? std::wstring(full) : std::wstring();
}

// The first unconnected input pin of filter.
ComPtr<IPin> FreeInput(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Receive()))) return ComPtr<IPin>();
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    ComPtr<IPin> held = ComPtr<IPin>::Adopt(pin);
    ComPtr<IPin> peer;
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    held->QueryDirection(&direction);
    if (direction == PINDIR_INPUT && held->ConnectedTo(peer.Receive()) == VFW_E_NOT_CONNECTED) return held;
  }
  return ComPtr<IPin>();
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

}  // namespace

RenderJob::~RenderJob() {
  if (engine_) engine_->ScrapIt();
}

void RenderJob::Interrupt() { InterlockedExchange(&interrupted, 1); }

int RenderJob::Fail(int code, const std::wstring& text, HRESULT hr) {
  std::wstring line = L"mvrender: " + text;
  if (FAILED(hr)) {
    SystemMessage message(uint32_t(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : hr));
    std::wstring reason = message.Text() ? message.Text() : L"";
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L'.'))
      reason.pop_back();
    wchar_t number[16];
    swprintf(number, 16, L"0x%08lx", static_cast<unsigned long>(hr));
    line += L": " + (reason.empty() ? std::wstring() : reason + L" ") + L"(" + number + L")";
  }
  ConsoleText::Error(line + L"\n");
  return code;
}

int RenderJob::Run() {
  int code = ResolvePaths();
  if (code == kExitRendered) code = LoadProject();
  if (code == kExitRendered) code = ChooseRange();
  if (code == kExitRendered) code = BuildGraph();
  if (code == kExitRendered) code = Render();
  if (code == kExitRendered) code = Verify();
  if (code != kExitRendered) return code;
  HRESULT hr = output_.Commit();
  if (FAILED(hr)) return Fail(kExitFailed, L"cannot replace " + destination_, hr);
  if (log_.Count() || !readWhole_) {
    ConsoleText::Error(L"mvrender: " + destination_ + L" written, but the timeline reported errors (above)\n");
    return kExitReported;
  }
  return kExitRendered;
}

// Media named by relative paths are found beside the project.
int RenderJob::ResolvePaths() {
  project_ = FullPath(options_.project);
  destination_ = FullPath(options_.output);
  if (project_.empty()) return Fail(kExitUsage, L"bad project path " + options_.project, S_OK);
  if (destination_.empty()) return Fail(kExitUsage, L"bad output path " + options_.output, S_OK);
  std::wstring folder = project_.substr(0, project_.find_last_of(L'\\') + 1);
  SetCurrentDirectoryW(folder.c_str());
  return kExitRendered;
}

int RenderJob::LoadProject() {
  HRESULT hr = CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                timeline_.ReceiveVoid());
  if (FAILED(hr)) return Fail(kExitFailed, L"cannot create a timeline", hr);
  ComPtr<IAMSetErrorLog> setLog = timeline_.As<IAMSetErrorLog>(IID_IAMSetErrorLog);
  if (setLog) setLog->put_ErrorLog(&log_);
  ComPtr<IXml2Dex> xml;
  hr = CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid());
  if (FAILED(hr)) return Fail(kExitFailed, L"cannot create the project reader", hr);
  BSTR path = SysAllocString(project_.c_str());
  hr = path ? xml->ReadXMLFile(timeline_.Get(), path) : E_OUTOFMEMORY;
  SysFreeString(path);
  if (hr == VFW_E_INVALID_FILE_FORMAT) return Fail(kExitBadProject, project_ + L" is no project", S_OK);
  if (FAILED(hr)) return Fail(kExitBadProject, L"cannot read the project " + project_, hr);
  if (hr != S_OK) {
    ConsoleText::Error(L"mvrender: " + project_ + L" was not read whole; rendering what was read\n");
    readWhole_ = false;
  }
  return kExitRendered;
}

int RenderJob::ChooseRange() {
  REFERENCE_TIME duration = 0;
  long groups = 0;
  timeline_->GetDuration(&duration);
  timeline_->GetGroupCount(&groups);
  if (groups == 0 || duration <= 0) return Fail(kExitBadProject, project_ + L" holds nothing to render", S_OK);
  if (options_.group >= groups) {
    return Fail(kExitUsage, L"--group " + std::to_wstring(options_.group) + L": the project has " +
                                std::to_wstring(groups) + L" group(s), numbered from 0", S_OK);
  }
  from_ = options_.from == RenderOptions::kNone ? 0 : options_.from;
  to_ = options_.to == RenderOptions::kNone ? duration : options_.to;
  if (from_ >= duration || to_ > duration) {
    return Fail(kExitUsage, L"the range " + Seconds(from_) + L" to " + Seconds(to_) + L" lies outside the timeline (" +
                                Seconds(duration) + L")", S_OK);
  }
  if (to_ <= from_) return Fail(kExitUsage, L"--from must be earlier than the end (" + Seconds(to_) + L")", S_OK);
  return kExitRendered;
}

int RenderJob::BuildGraph() {
  HRESULT hr = output_.Create(destination_);
  if (hr == HRESULT_FROM_WIN32(ERROR_DIRECTORY)) return Fail(kExitFailed, L"cannot write " + destination_ + L": a folder", S_OK);
  if (FAILED(hr)) return Fail(kExitFailed, L"cannot write " + destination_, hr);
  hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph_.ReceiveVoid());
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine, engine_.ReceiveVoid());
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(CLSID_EngineAviWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, writer_.ReceiveVoid());
  if (FAILED(hr)) return Fail(kExitFailed, L"cannot create the render graph", hr);
  engine_->SetTimelineObject(timeline_.Get());
  engine_->SetFilterGraph(graph_.Get());
  hr = engine_->SetRenderRange(from_, to_);
  if (SUCCEEDED(hr)) hr = engine_->ConnectFrontEnd();
  if (FAILED(hr)) return Fail(kExitFailed, L"the render engine cannot build the graph", hr);
  hr = graph_->AddFilter(writer_.Get(), L"AVI writer");
  ComPtr<IFileSinkFilter> sink = writer_.As<IFileSinkFilter>(IID_IFileSinkFilter);
  if (SUCCEEDED(hr)) hr = sink ? sink->SetFileName(output_.Path().c_str(), nullptr) : E_NOINTERFACE;
  if (FAILED(hr)) return Fail(kExitFailed, L"cannot set up the AVI writer", hr);
  long groups = 0;
  timeline_->GetGroupCount(&groups);
  for (long group = 0; group < groups; ++group) {
    if (options_.group >= 0 && group != options_.group) continue;
    int code = ConnectGroup(group);
    if (code != kExitRendered) return code;
  }
  if (streams_.empty()) return Fail(kExitBadProject, L"no group of the project can be rendered", S_OK);
  // As fast as the filters go: no clock.
  ComPtr<IMediaFilter> timing = graph_.As<IMediaFilter>(IID_IMediaFilter);
  if (timing) timing->SetSyncSource(nullptr);
  return kExitRendered;
}

int RenderJob::ConnectGroup(long group) {
  ComPtr<IPin> output;
  HRESULT hr = engine_->GetGroupOutputPin(group, output.Receive());
  if (FAILED(hr)) return Fail(kExitFailed, L"no output for group " + std::to_wstring(group), hr);
  if (hr == S_FALSE || !output) {
    ConsoleText::Error(L"mvrender: group " + std::to_wstring(group) + L" has a media type that cannot be rendered; "
                       L"left out\n");
    readWhole_ = false;
    return kExitRendered;
  }
  ComPtr<IPin> input = FreeInput(writer_.Get());
  hr = input ? graph_->ConnectDirect(output.Get(), input.Get(), nullptr) : E_UNEXPECTED;
  if (FAILED(hr)) return Fail(kExitFailed, L"cannot connect group " + std::to_wstring(group) + L" to the writer", hr);
  ComPtr<IAMTimelineObj> node;
  Stream stream;
  AM_MEDIA_TYPE type = {};
  if (SUCCEEDED(timeline_->GetGroup(node.Receive(), group)) && node) {
    ComPtr<IAMTimelineGroup> settings = node.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
    if (settings && SUCCEEDED(settings->GetMediaType(&type))) {
      stream.video = type.majortype == MEDIATYPE_Video;
      if (type.cbFormat) CoTaskMemFree(type.pbFormat);
      if (type.pUnk) type.pUnk->Release();
    }
    if (settings && stream.video) settings->GetOutputFPS(&stream.fps);
  }
  streams_.push_back(stream);
  return kExitRendered;
}

REFERENCE_TIME RenderJob::Written() {
  ComPtr<IMediaSeeking> seeking = writer_.As<IMediaSeeking>(IID_IMediaSeeking);
  LONGLONG position = 0;
  if (!seeking || FAILED(seeking->GetCurrentPosition(&position))) return 0;
  return position;
}

int RenderJob::Render() {
  double fps = 0;
  for (const Stream& stream : streams_) {
    if (stream.video && fps == 0) fps = stream.fps;
  }
  ProgressLine progress(to_ - from_, fps);
  HRESULT hr = RunGraph(&progress);
  progress.Finish(Written());
  ComPtr<IMediaControl> control = graph_.As<IMediaControl>(IID_IMediaControl);
  control->Stop();
  // The writer finishes the file at Stop, and reports a failure to.
  HRESULT finished = TakeEvents();
  if (SUCCEEDED(hr) && FAILED(finished)) hr = finished;
  engine_->ScrapIt();
  engine_.Reset();
  writer_.Reset();
  graph_.Reset();
  if (hr == E_ABORT) return Fail(kExitFailed, L"interrupted; " + destination_ + L" left as it was", S_OK);
  if (FAILED(hr)) return Fail(kExitFailed, L"rendering " + destination_ + L" failed", hr);
  return kExitRendered;
}

HRESULT RenderJob::RunGraph(ProgressLine* progress) {
  ComPtr<IMediaControl> control = graph_.As<IMediaControl>(IID_IMediaControl);
  ComPtr<IMediaEvent> events = graph_.As<IMediaEvent>(IID_IMediaEvent);
  OAEVENT handle = 0;
  if (!control || !events || FAILED(events->GetEventHandle(&handle))) return E_NOINTERFACE;
  HRESULT hr = control->Run();
  if (FAILED(hr)) return hr;
  HANDLE event = reinterpret_cast<HANDLE>(handle);
  for (;;) {
    MsgWaitForMultipleObjects(1, &event, FALSE, 100, QS_ALLINPUT);
    PumpMessages();
    hr = TakeEvents();
    if (hr != S_FALSE) return hr;
    if (interrupted) return E_ABORT;
    progress->Update(Written());
  }
}

HRESULT RenderJob::TakeEvents() {
  ComPtr<IMediaEvent> events = graph_.As<IMediaEvent>(IID_IMediaEvent);
  long code = 0;
  LONG_PTR first = 0, second = 0;
  HRESULT result = S_FALSE;
  while (events && events->GetEvent(&code, &first, &second, 0) == S_OK) {
    HRESULT reported = HRESULT(first);
    events->FreeEventParams(code, first, second);
    if (result != S_FALSE) continue;
    if (code == EC_COMPLETE) result = S_OK;
    if (code == EC_USERABORT) result = E_ABORT;
    if (code == EC_ERRORABORT || code == EC_ERRORABORTEX || code == EC_STREAM_ERROR_STOPPED)
      result = FAILED(reported) ? reported : E_FAIL;
  }
  return result;
}

// The file must hold every stream, each as long as the range within a frame.
int RenderJob::Verify() {
  ComPtr<IMediaDet> detector;
  HRESULT hr = CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaDet, detector.ReceiveVoid());
  BSTR path = SysAllocString(output_.Path().c_str());
  if (SUCCEEDED(hr)) hr = path ? detector->put_Filename(path) : E_OUTOFMEMORY;
  SysFreeString(path);
  long count = 0;
  if (SUCCEEDED(hr)) hr = detector->get_OutputStreams(&count);
  if (FAILED(hr)) return Fail(kExitFailed, L"the written file cannot be read back", hr);
  if (size_t(count) != streams_.size()) return Fail(kExitFailed, L"the written file lacks streams", S_OK);
  double expected = double(to_ - from_) / kUnitsPerSecond;
  for (long i = 0; i < count; ++i) {
    double length = 0;
    double slack = (streams_[i].fps > 0 ? 1 / streams_[i].fps : 0) + 0.001;
    if (FAILED(detector->put_CurrentStream(i)) || FAILED(detector->get_StreamLength(&length)) ||
        std::fabs(length - expected) > slack) {
      return Fail(kExitFailed, L"the written file is incomplete: stream " + std::to_wstring(i) + L" lasts " +
                                   std::to_wstring(length) + L" s", S_OK);
    }
  }
  return kExitRendered;
}
