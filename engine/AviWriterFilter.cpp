#include "AviWriterFilter.h"

#include <evcode.h>
#include <vfwmsgs.h>

#include <cstdio>
#include <cstring>

#include "EngineFilters.h"

namespace {
// Stream numbers are two digits in chunk ids.
const size_t kMaxInputs = 100;
}  // namespace

AviWriterFilter::AviWriterFilter(IUnknown* outer)
    : FilterBase(outer, CLSID_EngineAviWriter), seeking_(static_cast<IBaseFilter*>(this), this) {
  AddInput();
}

AviWriterFilter::~AviWriterFilter() = default;

HRESULT AviWriterFilter::QueryOwn(REFIID iid, void** out) {
  if (iid == IID_IFileSinkFilter) return HandOut<IFileSinkFilter>(this, out);
  if (iid == IID_IConfigInterleaving) return HandOut<IConfigInterleaving>(this, out);
  if (iid == IID_IConfigAviMux) return HandOut<IConfigAviMux>(this, out);
  if (iid == IID_IMediaSeeking) return HandOut<IMediaSeeking>(&seeking_, out);
  return FilterBase::QueryOwn(iid, out);
}

PinBase* AviWriterFilter::PinAt(int index) {
  return index >= 0 && index < PinCount() ? inputs_[size_t(index)].get() : nullptr;
}

void AviWriterFilter::AddInput() {
  wchar_t name[16];
  swprintf(name, 16, L"Input %02u", unsigned(inputs_.size() + 1));
  inputs_.push_back(std::make_unique<AviWriterInput>(this, name));
  PinsChanged();
}

// Under the state lock, with the new connection already kept.
HRESULT AviWriterFilter::InputConnected() {
  for (std::unique_ptr<AviWriterInput>& input : inputs_)
    if (!input->IsConnected()) return S_OK;
  if (inputs_.size() < kMaxInputs) AddInput();
  return S_OK;
}

std::vector<AviWriterInput*> AviWriterFilter::ConnectedInputs() {
  std::vector<AviWriterInput*> connected;
  for (std::unique_ptr<AviWriterInput>& input : inputs_)
    if (input->IsConnected()) connected.push_back(input.get());
  return connected;
}

template <class Change>
HRESULT AviWriterFilter::WhileStopped(Change change) {
  EnterCriticalSection(StateLock());
  HRESULT hr = State() == State_Stopped ? S_OK : VFW_E_NOT_STOPPED;
  if (hr == S_OK) change();
  LeaveCriticalSection(StateLock());
  return hr;
}

STDMETHODIMP AviWriterFilter::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* type) {
  if (!name) return E_POINTER;
  if (!*name) return E_INVALIDARG;
  if (type && type->majortype != MEDIATYPE_Stream && type->majortype != GUID_NULL) return VFW_E_TYPE_NOT_ACCEPTED;
  return WhileStopped([&] { fileName_ = name; });
}

STDMETHODIMP AviWriterFilter::GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* type) {
  if (!name) return E_POINTER;
  *name = nullptr;
  EnterCriticalSection(StateLock());
  std::wstring current = fileName_;
  LeaveCriticalSection(StateLock());
  if (type) {
    ZeroMemory(type, sizeof *type);
    type->majortype = MEDIATYPE_Stream;
    type->subtype = MEDIASUBTYPE_Avi;
  }
  if (current.empty()) return E_FAIL;
  size_t bytes = (current.size() + 1) * sizeof(wchar_t);
  *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (!*name) return E_OUTOFMEMORY;
  memcpy(*name, current.c_str(), bytes);
  return S_OK;
}

STDMETHODIMP AviWriterFilter::put_Mode(InterleavingMode mode) {
  if (mode < INTERLEAVE_NONE || mode > INTERLEAVE_NONE_BUFFERED) return E_INVALIDARG;
  return WhileStopped([&] { mode_ = mode; });
}

STDMETHODIMP AviWriterFilter::get_Mode(InterleavingMode* mode) {
  if (!mode) return E_POINTER;
  *mode = mode_;
  return S_OK;
}

STDMETHODIMP AviWriterFilter::put_Interleaving(const REFERENCE_TIME* window, const REFERENCE_TIME* preroll) {
  if ((window && *window <= 0) || (preroll && *preroll < 0)) return E_INVALIDARG;
  return WhileStopped([&] {
    if (window) window_ = *window;
    if (preroll) preroll_ = *preroll;
  });
}

STDMETHODIMP AviWriterFilter::get_Interleaving(REFERENCE_TIME* window, REFERENCE_TIME* preroll) {
  if (!window && !preroll) return E_POINTER;
  if (window) *window = window_;
  if (preroll) *preroll = preroll_;
  return S_OK;
}

STDMETHODIMP AviWriterFilter::SetMasterStream(LONG stream) {
  EnterCriticalSection(StateLock());
  HRESULT hr = stream < -1 || stream >= LONG(ConnectedInputs().size()) ? E_INVALIDARG : S_OK;
  if (hr == S_OK) hr = WhileStopped([&] { master_ = stream; });
  LeaveCriticalSection(StateLock());
  return hr;
}

STDMETHODIMP AviWriterFilter::GetMasterStream(LONG* stream) {
  if (!stream) return E_POINTER;
  *stream = master_;
  return S_OK;
}

STDMETHODIMP AviWriterFilter::SetOutputCompatibilityIndex(BOOL legacyIndex) {
  return WhileStopped([&] { legacyIndex_ = legacyIndex ? TRUE : FALSE; });
}

STDMETHODIMP AviWriterFilter::GetOutputCompatibilityIndex(BOOL* legacyIndex) {
  if (!legacyIndex) return E_POINTER;
  *legacyIndex = legacyIndex_;
  return S_OK;
}

void AviWriterFilter::SetWriterOptions(const AviWriter::Options& options) {
  WhileStopped([&] { options_ = options; });
}

HRESULT AviWriterFilter::OnInitStream() {
  for (std::unique_ptr<AviWriterInput>& input : inputs_) input->SetStream(-1);
  std::vector<AviWriterInput*> connected = ConnectedInputs();
  if (connected.empty()) {
    NotifyComplete();  // nothing to write: complete at once
    return S_OK;
  }
  if (fileName_.empty()) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
  std::vector<const AM_MEDIA_TYPE*> types;
  for (size_t i = 0; i < connected.size(); ++i) {
    connected[i]->SetStream(int(i));
    types.push_back(&connected[i]->Type());
  }
  AviMultiplexer::Settings settings;
  settings.window = window_;
  settings.preroll = preroll_;
  // Capture sources are live: only full interleaving holds an input back.
  settings.waits = mode_ == INTERLEAVE_FULL;
  settings.master = int(master_);
  settings.file = options_;
  settings.file.legacyIndex = legacyIndex_ != FALSE;
  settings.file.interleaved = mode_ == INTERLEAVE_FULL || mode_ == INTERLEAVE_CAPTURE;
  return multiplexer_.Start(fileName_.c_str(), types, settings);
}

HRESULT AviWriterFilter::OnCleanup() {
  Report(multiplexer_.Finish());
  return S_OK;
}

HRESULT AviWriterFilter::Receive(AviWriterInput* input, IMediaSample* sample) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || sample->GetActualDataLength() < 0) return E_INVALIDARG;
  HRESULT hr = multiplexer_.Write(input->Stream(), data, DWORD(sample->GetActualDataLength()),
                                  sample->IsSyncPoint() == S_OK);
  Report(hr);
  return hr;
}

HRESULT AviWriterFilter::EndOfInput(AviWriterInput* input) {
  HRESULT hr = multiplexer_.End(input->Stream());
  if (hr == S_FALSE) NotifyComplete();
  Report(hr);
  return S_OK;
}

HRESULT AviWriterFilter::HoldInput(AviWriterInput* input, bool held) {
  multiplexer_.Hold(input->Stream(), held);
  return S_OK;
}

// A failure that ended the writing; the refusals of a stopped or ended run are not.
void AviWriterFilter::Report(HRESULT hr) {
  if (FAILED(hr) && hr != VFW_E_WRONG_STATE && hr != VFW_E_SAMPLE_REJECTED_EOS) NotifyEvent(EC_ERRORABORT, hr, 0);
}

REFERENCE_TIME AviWriterFilter::InputsDuration() {
  std::vector<ComPtr<IPin>> peers;
  EnterCriticalSection(StateLock());
  for (AviWriterInput* input : ConnectedInputs()) {
    ComPtr<IPin> peer;
    if (input->ConnectedTo(peer.Receive()) == S_OK) peers.push_back(peer);
  }
  LeaveCriticalSection(StateLock());
  // Upstream is asked without a lock held.
  REFERENCE_TIME longest = 0;
  for (ComPtr<IPin>& peer : peers) {
    ComPtr<IMediaSeeking> seeking = peer.As<IMediaSeeking>(IID_IMediaSeeking);
    LONGLONG duration = 0;
    if (seeking && seeking->IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME) == S_OK &&
        SUCCEEDED(seeking->GetDuration(&duration)) && duration > longest)
      longest = duration;
  }
  return longest;
}

STDMETHODIMP AviWriterFilter::Seeking::GetCurrentPosition(LONGLONG* current) {
  if (!current) return E_POINTER;
  *current = filter_->multiplexer_.Position();
  return S_OK;
}

STDMETHODIMP AviWriterFilter::Seeking::GetDuration(LONGLONG* duration) {
  if (!duration) return E_POINTER;
  *duration = filter_->InputsDuration();
  return S_OK;
}
