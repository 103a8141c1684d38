#include "InputPin.h"

#include <vfwmsgs.h>

#include "Locked.h"

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

HRESULT InputPin::Active() {
  Locked stream(ReceiveLock());
  InterlockedExchange(&flushing_, 0);
  endOfStream_ = false;
  return S_OK;
}

bool InputPin::AtEndOfStream() {
  Locked stream(ReceiveLock());
  return endOfStream_;
}

STDMETHODIMP InputPin::EndOfStream() {
  Locked stream(ReceiveLock());
  if (flushing_) return S_FALSE;
  if (filter_->State() == State_Stopped) return VFW_E_WRONG_STATE;
  endOfStream_ = true;
  return OnEndOfStream();
}

STDMETHODIMP InputPin::BeginFlush() {
  Locked lock(filter_->StateLock());
  InterlockedExchange(&flushing_, 1);
  return OnBeginFlush();
}

STDMETHODIMP InputPin::EndFlush() {
  // After any Receive in progress has returned.
  Locked stream(ReceiveLock());
  InterlockedExchange(&flushing_, 0);
  endOfStream_ = false;
  return OnEndFlush();
}

STDMETHODIMP InputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  Locked stream(ReceiveLock());
  return OnNewSegment(start, stop, rate);
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
  Locked lock(filter_->StateLock());
  allocator_ = ComPtr<IMemAllocator>(allocator);
  return S_OK;
}

STDMETHODIMP InputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) {
  if (!properties) return E_POINTER;
  return E_NOTIMPL;  // the published answer of a pin without requirements
}

STDMETHODIMP InputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  Locked stream(ReceiveLock());
  // The peer changes and the state becomes Stopped only while no sample is
  // inside: both happen with the stream lock held or the filter stopped.
  if (!Peer()) return VFW_E_NOT_CONNECTED;
  if (filter_->State() == State_Stopped) return VFW_E_WRONG_STATE;
  if (flushing_) return S_FALSE;
  if (endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed) {
    // A type change mid-stream must be one this pin takes.
    bool accepted = Accepts(*changed) == S_OK;
    MediaType::Delete(changed);
    if (!accepted) return VFW_E_INVALIDMEDIATYPE;
  }
  return OnReceive(sample);
}

STDMETHODIMP InputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (!samples || !processed) return E_POINTER;
  HRESULT hr = S_OK;
  *processed = 0;
  while (*processed < count && (hr = Receive(samples[*processed])) == S_OK) ++*processed;
  return hr;
}

STDMETHODIMP InputPin::ReceiveCanBlock() { return S_OK; }
