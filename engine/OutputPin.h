// An output pin: connection with type negotiation (its own offers first,
// then the peer's), the allocator decided from the BufferSize hook (the
// peer's allocator when it has one, else the platform's memory allocator),
// and delivery downstream.
#pragma once

#include "PinBase.h"

class OutputPin : public PinBase {
 public:
  STDMETHODIMP Connect(IPin* peer, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* peer, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

  // Commits and decommits the allocator: call from the filter's
  // OnInitStream and OnCleanup. Unconnected pins do nothing.
  HRESULT Active();
  HRESULT Inactive();

  // An empty sample from the allocator; blocks until one is free, and
  // fails once the allocator is decommitted.
  HRESULT GetDeliveryBuffer(IMediaSample** sample);
  HRESULT Deliver(IMediaSample* sample);
  HRESULT DeliverEndOfStream();
  HRESULT DeliverBeginFlush();
  HRESULT DeliverEndFlush();
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

 protected:
  OutputPin(FilterBase* filter, const wchar_t* name) : PinBase(filter, PINDIR_OUTPUT, name) {}

  // Fills in the buffer count, size and alignment this pin needs for the
  // connected type; request holds the peer's wishes (zero when none).
  virtual HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) = 0;

 private:
  HRESULT TryTypes(IPin* peer, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* offers);
  HRESULT AttemptConnection(IPin* peer, const AM_MEDIA_TYPE& type);
  HRESULT DecideAllocator();
  HRESULT SizeAllocator(IMemAllocator* allocator);

  ComPtr<IMemInputPin> input_;
  ComPtr<IMemAllocator> allocator_;
};
