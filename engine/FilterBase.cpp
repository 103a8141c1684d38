#include "FilterBase.h"

#include <evcode.h>
#include <vfwmsgs.h>

#include <cstring>

#include "Locked.h"
#include "PinBase.h"
#include "PinEnumerator.h"

FilterBase::FilterBase(IUnknown* outer, const CLSID& clsid) : ComObjectBase(outer), clsid_(clsid) {
  InitializeCriticalSection(&stateLock_);
  InitializeCriticalSection(&streamLock_);
  InitializeCriticalSection(&completeLock_);
}

FilterBase::~FilterBase() {
  DeleteCriticalSection(&completeLock_);
  DeleteCriticalSection(&streamLock_);
  DeleteCriticalSection(&stateLock_);
}

HRESULT FilterBase::QueryOwn(REFIID iid, void** out) {
  if (iid == IID_IBaseFilter || iid == IID_IMediaFilter || iid == IID_IPersist) return HandOut<IBaseFilter>(this, out);
  if (iid == IID_IAMFilterMiscFlags && MiscFlags()) return HandOut<IAMFilterMiscFlags>(this, out);
  return E_NOINTERFACE;
}

STDMETHODIMP FilterBase::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

STDMETHODIMP FilterBase::Stop() {
  Locked lock(&stateLock_);
  HRESULT hr = S_OK;
  if (state_ == State_Running) hr = OnStop();
  if (FAILED(hr) || state_ == State_Stopped) return hr;
  StopPins();
  InterlockedExchange(&state_, State_Stopped);  // samples arriving from now on are refused
  SetRunning(false);
  ForgetCompletion();
  WaitForSamples();
  return OnCleanup();
}

STDMETHODIMP FilterBase::Pause() {
  Locked lock(&stateLock_);
  HRESULT hr = S_OK;
  if (state_ == State_Stopped) hr = StartPins();
  else if (state_ == State_Running) hr = OnStop();
  if (SUCCEEDED(hr)) {
    InterlockedExchange(&state_, State_Paused);
    SetRunning(false);
  }
  return hr;
}

STDMETHODIMP FilterBase::Run(REFERENCE_TIME start) {
  Locked lock(&stateLock_);
  if (state_ == State_Running) return S_OK;
  HRESULT hr = S_OK;
  if (state_ == State_Stopped) {
    hr = StartPins();
    if (FAILED(hr)) return hr;
    InterlockedExchange(&state_, State_Paused);
  }
  start_ = start;
  hr = OnStart(start);
  if (SUCCEEDED(hr)) {
    InterlockedExchange(&state_, State_Running);
    SetRunning(true);
  }
  return hr;
}

HRESULT FilterBase::StartPins() {
  ForgetCompletion();
  HRESULT hr = S_OK;
  for (int i = 0; SUCCEEDED(hr) && i < PinCount(); ++i) hr = PinAt(i)->Active();
  if (SUCCEEDED(hr)) hr = OnInitStream();
  if (FAILED(hr)) {
    // Whatever started before the failure stops again.
    StopPins();
    WaitForSamples();
    OnCleanup();
  }
  return hr;
}

// Decommitting wakes anything blocked waiting for a buffer; push threads end.
void FilterBase::StopPins() {
  OnRelease();
  for (int i = 0; i < PinCount(); ++i) PinAt(i)->Inactive();
}

// A sample inside the filter holds its pin's receive lock (by default the
// stream lock): taking each lock once waits for it to leave.
void FilterBase::WaitForSamples() {
  { Locked stream(&streamLock_); }
  for (int i = 0; i < PinCount(); ++i) {
    CRITICAL_SECTION* receive = PinAt(i)->ReceiveLock();
    if (receive && receive != &streamLock_) Locked wait(receive);
  }
}

void FilterBase::SetRunning(bool running) {
  bool owed = false;
  {
    Locked lock(&completeLock_);
    running_ = running;
    owed = running && completePending_;
    if (owed) completePending_ = false;
  }
  if (owed) NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

void FilterBase::ForgetCompletion() {
  Locked lock(&completeLock_);
  completePending_ = false;
}

void FilterBase::NotifyComplete() {
  {
    Locked lock(&completeLock_);
    if (!running_) {
      completePending_ = true;
      return;
    }
  }
  NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

STDMETHODIMP FilterBase::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = State();
  return S_OK;
}

FILTER_STATE FilterBase::State() { return FILTER_STATE(InterlockedCompareExchange(&state_, 0, 0)); }

REFERENCE_TIME FilterBase::StreamStart() {
  Locked lock(&stateLock_);
  return start_;
}

STDMETHODIMP FilterBase::SetSyncSource(IReferenceClock* clock) {
  Locked lock(&stateLock_);
  clock_ = ComPtr<IReferenceClock>(clock);
  return S_OK;
}

STDMETHODIMP FilterBase::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  Locked lock(&stateLock_);
  *clock = ComPtr<IReferenceClock>(clock_).Detach();
  return S_OK;
}

STDMETHODIMP FilterBase::EnumPins(IEnumPins** pins) {
  return CreateComObject<PinEnumerator>(nullptr, IID_IEnumPins, reinterpret_cast<void**>(pins), this);
}

STDMETHODIMP FilterBase::FindPin(LPCWSTR id, IPin** pin) {
  if (pin) *pin = nullptr;
  if (!id || !pin) return E_POINTER;
  Locked lock(&stateLock_);
  for (int i = 0; i < PinCount(); ++i) {
    if (wcscmp(PinAt(i)->Name(), id) == 0) {
      *pin = PinAt(i);
      (*pin)->AddRef();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP FilterBase::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  Locked lock(&stateLock_);
  size_t length = name_.size() < MAX_FILTER_NAME - 1 ? name_.size() : MAX_FILTER_NAME - 1;
  memcpy(info->achName, name_.c_str(), length * sizeof(wchar_t));
  info->achName[length] = 0;
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

STDMETHODIMP FilterBase::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  Locked lock(&stateLock_);
  graph_ = graph;
  name_ = name ? name : L"";
  return S_OK;
}

STDMETHODIMP FilterBase::QueryVendorInfo(LPWSTR* info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  return E_NOTIMPL;  // optional by the reference: filters without vendor text answer this
}

// Without the state lock: streaming threads call this while Stop waits for
// them, and the graph changes only while the filter is stopped.
HRESULT FilterBase::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  ComPtr<IMediaEventSink> sink;
  if (graph_) graph_->QueryInterface(IID_IMediaEventSink, sink.ReceiveVoid());
  return sink ? sink->Notify(code, param1, param2) : S_FALSE;
}
