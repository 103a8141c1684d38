// An input pin with IMemInputPin: connection checks with the published
// codes, an allocator of its own when the upstream pin asks for one,
// flushing, and the sample hook called under the receive lock (by default
// the filter's stream lock).
// Receive refuses samples while stopped (VFW_E_WRONG_STATE), while flushing
// (S_FALSE) and after end of stream (VFW_E_SAMPLE_REJECTED_EOS).
#pragma once

#include "PinBase.h"

class InputPin : public PinBase, public IMemInputPin {
 public:
  PIN_DELEGATE_IUNKNOWN

  // IPin
  STDMETHODIMP Connect(IPin* peer, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* peer, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  // IMemInputPin
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  STDMETHODIMP ReceiveCanBlock() override;

  // Clears end of stream and flushing for a new run: call from the filter's
  // OnInitStream.
  void Active();
  bool AtEndOfStream();

 protected:
  InputPin(FilterBase* filter, const wchar_t* name) : PinBase(filter, PINDIR_INPUT, name) {}
  HRESULT QueryOwn(REFIID iid, void** out) override;

  // The lock Receive, EndOfStream, EndFlush and NewSegment hold: the
  // filter's stream lock, or a pin's own where inputs stream independently
  // (a multiplexer whose input waits in OnReceive for the others).
  virtual CRITICAL_SECTION* ReceiveLock() { return filter_->StreamLock(); }

  // Called under the receive lock.
  virtual HRESULT OnReceive(IMediaSample* sample) = 0;
  virtual HRESULT OnEndOfStream() { return S_OK; }
  // Called under the state lock; OnBeginFlush must unblock a waiting OnReceive.
  virtual HRESULT OnBeginFlush() { return S_OK; }
  virtual HRESULT OnEndFlush() { return S_OK; }
  virtual HRESULT OnNewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

 private:
  ComPtr<IMemAllocator> allocator_;
  bool flushing_ = false;
  bool endOfStream_ = false;
};
