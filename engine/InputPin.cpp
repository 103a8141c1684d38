#include "InputPin.h"

#include <vfwmsgs.h>

HRESULT InputPin::QueryOwn(REFIID iid, void** out) {
  if (iid == IID_IMemInputPin) return HandOut<IMemInputPin>(this, out);
  return PinBase::QueryOwn(iid, out);
}

STDMETHODIMP InputPin::Connect(IPin*, const AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

STDMETHODIMP InputPin::ReceiveConnection(IPin* peer, const AM_MEDIA_TYPE* type) {
  if (!peer || !type) return E_POINTER;
  EnterCriticalSection(filter_->StateLock());
  HRESULT hr = S_OK;
  PIN_DIRECTION direction;
  if (Peer()) {
    hr = VFW_E_ALREADY_CONNECTED;
  } else if (filter_->State() != State_Stopped) {
    hr = VFW_E_NOT_STOPPED;
  } else if (FAILED(peer->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) {
    hr = VFW_E_INVALID_DIRECTION;
  } else if (Accepts(*type) != S_OK) {
    hr = VFW_E_TYPE_NOT_ACCEPTED;
  } else {
    hr = SetPeer(peer, *type);
    if (SUCCEEDED(hr)) hr = OnConnect(peer, *type);
    if (FAILED(hr)) ClearPeer();
  }
  LeaveCriticalSection(filter_->StateLock());
  return hr;
}

STDMETHODIMP InputPin::Disconnect() {
  EnterCriticalSection(filter_->StateLock());
  HRESULT hr = S_FALSE;
  if (filter_->State() != State_Stopped) {
    hr = VFW_E_NOT_STOPPED;
  } else if (Peer()) {
    OnDisconnect();
    allocator_.Reset();
    ClearPeer();
    hr = S_OK;
  }
  LeaveCriticalSection(filter_->StateLock());
  return hr;
}

void InputPin::Active() {
  EnterCriticalSection(filter_->StateLock());
  flushing_ = false;
  endOfStream_ = false;
  LeaveCriticalSection(filter_->StateLock());
}

bool InputPin::AtEndOfStream() {
  EnterCriticalSection(filter_->StateLock());
  bool ended = endOfStream_;
  LeaveCriticalSection(filter_->StateLock());
  return ended;
}

STDMETHODIMP InputPin::EndOfStream() {
  EnterCriticalSection(ReceiveLock());
  EnterCriticalSection(filter_->StateLock());
  HRESULT hr = S_OK;
  if (flushing_) hr = S_FALSE;
  else if (filter_->State() == State_Stopped) hr = VFW_E_WRONG_STATE;
  else endOfStream_ = true;
  LeaveCriticalSection(filter_->StateLock());
  if (hr == S_OK) hr = OnEndOfStream();
  LeaveCriticalSection(ReceiveLock());
  return hr;
}

STDMETHODIMP InputPin::BeginFlush() {
  EnterCriticalSection(filter_->StateLock());
  flushing_ = true;
  HRESULT hr = OnBeginFlush();
  LeaveCriticalSection(filter_->StateLock());
  return hr;
}

STDMETHODIMP InputPin::EndFlush() {
  // After any Receive in progress has returned.
  EnterCriticalSection(ReceiveLock());
  EnterCriticalSection(filter_->StateLock());
  flushing_ = false;
  endOfStream_ = false;
  HRESULT hr = OnEndFlush();
  LeaveCriticalSection(filter_->StateLock());
  LeaveCriticalSection(ReceiveLock());
  return hr;
}

STDMETHODIMP InputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  EnterCriticalSection(ReceiveLock());
  HRESULT hr = OnNewSegment(start, stop, rate);
  LeaveCriticalSection(ReceiveLock());
  return hr;
}

STDMETHODIMP InputPin::GetAllocator(IMemAllocator** allocator) {
  if (!allocator) return E_POINTER;
  *allocator = nullptr;
  EnterCriticalSection(filter_->StateLock());
  HRESULT hr = S_OK;
  if (!allocator_)
    hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                          allocator_.ReceiveVoid());
  if (SUCCEEDED(hr)) *allocator = ComPtr<IMemAllocator>(allocator_).Detach();
  LeaveCriticalSection(filter_->StateLock());
  return hr;
}

STDMETHODIMP InputPin::NotifyAllocator(IMemAllocator* allocator, BOOL) {
  if (!allocator) return E_POINTER;
  EnterCriticalSection(filter_->StateLock());
  allocator_ = ComPtr<IMemAllocator>(allocator);
  LeaveCriticalSection(filter_->StateLock());
  return S_OK;
}

STDMETHODIMP InputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) {
  if (!properties) return E_POINTER;
  return E_NOTIMPL;  // the published answer of a pin without requirements
}

STDMETHODIMP InputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  EnterCriticalSection(ReceiveLock());
  EnterCriticalSection(filter_->StateLock());
  HRESULT hr = S_OK;
  if (!Peer()) hr = VFW_E_NOT_CONNECTED;
  else if (filter_->State() == State_Stopped) hr = VFW_E_WRONG_STATE;
  else if (flushing_) hr = S_FALSE;
  else if (endOfStream_) hr = VFW_E_SAMPLE_REJECTED_EOS;
  LeaveCriticalSection(filter_->StateLock());
  if (hr == S_OK) {
    AM_MEDIA_TYPE* changed = nullptr;
    if (sample->GetMediaType(&changed) == S_OK && changed) {
      // A type change mid-stream must be one this pin takes.
      if (Accepts(*changed) != S_OK) hr = VFW_E_INVALIDMEDIATYPE;
      MediaType::Delete(changed);
    }
  }
  if (hr == S_OK) hr = OnReceive(sample);
  LeaveCriticalSection(ReceiveLock());
  return hr;
}

STDMETHODIMP InputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (!samples || !processed) return E_POINTER;
  HRESULT hr = S_OK;
  *processed = 0;
  while (*processed < count && (hr = Receive(samples[*processed])) == S_OK) ++*processed;
  return hr;
}

STDMETHODIMP InputPin::ReceiveCanBlock() { return S_OK; }
