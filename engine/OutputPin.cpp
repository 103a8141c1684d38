#include "OutputPin.h"

#include <vfwmsgs.h>

namespace {
// A null or GUID_NULL field of a partial type matches anything.
bool Matches(const AM_MEDIA_TYPE* partial, const AM_MEDIA_TYPE& type) {
  if (!partial) return true;
  return (partial->majortype == GUID_NULL || partial->majortype == type.majortype) &&
         (partial->subtype == GUID_NULL || partial->subtype == type.subtype) &&
         (partial->formattype == GUID_NULL || partial->formattype == type.formattype);
}

bool FullySpecified(const AM_MEDIA_TYPE* type) {
  return type && type->majortype != GUID_NULL && type->formattype != GUID_NULL;
}
}  // namespace

STDMETHODIMP OutputPin::Connect(IPin* peer, const AM_MEDIA_TYPE* type) {
  if (!peer) return E_POINTER;
  EnterCriticalSection(filter_->StateLock());
  HRESULT hr = S_OK;
  PIN_DIRECTION direction;
  if (FAILED(peer->QueryDirection(&direction)) || direction != PINDIR_INPUT) {
    hr = VFW_E_INVALID_DIRECTION;
  } else if (Peer()) {
    hr = VFW_E_ALREADY_CONNECTED;
  } else if (filter_->State() != State_Stopped) {
    hr = VFW_E_NOT_STOPPED;
  } else if (FullySpecified(type)) {
    hr = AttemptConnection(peer, *type);
  } else {
    ComPtr<IEnumMediaTypes> offers;
    hr = VFW_E_NO_ACCEPTABLE_TYPES;
    if (SUCCEEDED(EnumMediaTypes(offers.Receive()))) hr = TryTypes(peer, type, offers.Get());
    if (FAILED(hr) && SUCCEEDED(peer->EnumMediaTypes(offers.Receive()))) hr = TryTypes(peer, type, offers.Get());
  }
  LeaveCriticalSection(filter_->StateLock());
  return hr;
}

HRESULT OutputPin::TryTypes(IPin* peer, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* offers) {
  AM_MEDIA_TYPE* offer = nullptr;
  ULONG fetched = 0;
  // A peer that offers endlessly is cut off.
  for (int tried = 0; tried < 1000 && offers->Next(1, &offer, &fetched) == S_OK && fetched == 1; ++tried) {
    HRESULT hr = Matches(partial, *offer) ? AttemptConnection(peer, *offer) : VFW_E_NO_ACCEPTABLE_TYPES;
    MediaType::Delete(offer);
    if (SUCCEEDED(hr)) return hr;
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT OutputPin::AttemptConnection(IPin* peer, const AM_MEDIA_TYPE& type) {
  if (Accepts(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  HRESULT hr = SetPeer(peer, type);
  if (FAILED(hr)) return hr;
  hr = peer->ReceiveConnection(this, &type);
  if (SUCCEEDED(hr)) {
    hr = peer->QueryInterface(IID_IMemInputPin, input_.ReceiveVoid());
    if (SUCCEEDED(hr)) hr = DecideAllocator();
    if (SUCCEEDED(hr)) hr = OnConnect(peer, type);
    if (FAILED(hr)) peer->Disconnect();
  }
  if (FAILED(hr)) {
    input_.Reset();
    allocator_.Reset();
    ClearPeer();
  }
  return hr;
}

HRESULT OutputPin::DecideAllocator() {
  ComPtr<IMemAllocator> allocator;
  if (SUCCEEDED(input_->GetAllocator(allocator.Receive())) && SUCCEEDED(SizeAllocator(allocator.Get())) &&
      SUCCEEDED(input_->NotifyAllocator(allocator.Get(), FALSE))) {
    allocator_ = allocator;
    return S_OK;
  }
  // Renderers and compressors here have none of their own.
  HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                allocator.ReceiveVoid());
  if (SUCCEEDED(hr)) hr = SizeAllocator(allocator.Get());
  if (SUCCEEDED(hr)) hr = input_->NotifyAllocator(allocator.Get(), FALSE);
  if (SUCCEEDED(hr)) allocator_ = allocator;
  return hr;
}

HRESULT OutputPin::SizeAllocator(IMemAllocator* allocator) {
  ALLOCATOR_PROPERTIES request = {};
  input_->GetAllocatorRequirements(&request);
  HRESULT hr = BufferSize(&request);
  if (FAILED(hr)) return hr;
  if (request.cbAlign <= 0) request.cbAlign = 1;
  ALLOCATOR_PROPERTIES actual = {};
  hr = allocator->SetProperties(&request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < request.cbBuffer || actual.cBuffers < 1 ? E_FAIL : S_OK;
}

STDMETHODIMP OutputPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

STDMETHODIMP OutputPin::Disconnect() {
  EnterCriticalSection(filter_->StateLock());
  HRESULT hr = S_FALSE;
  if (filter_->State() != State_Stopped) {
    hr = VFW_E_NOT_STOPPED;
  } else if (Peer()) {
    OnDisconnect();
    if (allocator_) allocator_->Decommit();
    allocator_.Reset();
    input_.Reset();
    ClearPeer();
    hr = S_OK;
  }
  LeaveCriticalSection(filter_->StateLock());
  return hr;
}

STDMETHODIMP OutputPin::EndOfStream() { return E_UNEXPECTED; }
STDMETHODIMP OutputPin::BeginFlush() { return E_UNEXPECTED; }
STDMETHODIMP OutputPin::EndFlush() { return E_UNEXPECTED; }

HRESULT OutputPin::Active() { return allocator_ ? allocator_->Commit() : S_OK; }

HRESULT OutputPin::Inactive() { return allocator_ ? allocator_->Decommit() : S_OK; }

HRESULT OutputPin::GetDeliveryBuffer(IMediaSample** sample) {
  if (!allocator_) return VFW_E_NOT_CONNECTED;
  return allocator_->GetBuffer(sample, nullptr, nullptr, 0);
}

HRESULT OutputPin::Deliver(IMediaSample* sample) { return input_ ? input_->Receive(sample) : VFW_E_NOT_CONNECTED; }

HRESULT OutputPin::DeliverEndOfStream() { return Peer() ? Peer()->EndOfStream() : VFW_E_NOT_CONNECTED; }

HRESULT OutputPin::DeliverBeginFlush() { return Peer() ? Peer()->BeginFlush() : VFW_E_NOT_CONNECTED; }

HRESULT OutputPin::DeliverEndFlush() { return Peer() ? Peer()->EndFlush() : VFW_E_NOT_CONNECTED; }

HRESULT OutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return Peer() ? Peer()->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}
