#include "TransformFilter.h"

#include <evcode.h>
#include <vfwmsgs.h>

TransformFilter::TransformFilter(IUnknown* outer, const CLSID& clsid)
    : FilterBase(outer, clsid), input_(this), output_(this) {}

PinBase* TransformFilter::PinAt(int index) {
  if (index == 0) return &input_;
  if (index == 1) return &output_;
  return nullptr;
}

InputPin& TransformFilter::Input() { return input_; }

OutputPin& TransformFilter::Output() { return output_; }

HRESULT TransformFilter::AcceptOutput(const AM_MEDIA_TYPE& type) {
  MediaType offer;
  for (int i = 0; OutputTypeAt(i, &offer) == S_OK; ++i)
    if (MediaType::Same(offer.Get(), type)) return S_OK;
  return S_FALSE;
}

HRESULT TransformFilter::Transform(IMediaSample*, IMediaSample*) { return E_UNEXPECTED; }

HRESULT TransformFilter::OutputBufferSize(ALLOCATOR_PROPERTIES* request) {
  LONG size = LONG(output_.Type().lSampleSize);
  if (size <= 0) return VFW_E_TYPE_NOT_ACCEPTED;
  if (request->cBuffers < 2) request->cBuffers = 2;
  if (request->cbBuffer < size) request->cbBuffer = size;
  return S_OK;
}

HRESULT TransformFilter::Process(IMediaSample* in) {
  IMediaSample* out = nullptr;
  HRESULT hr = output_.GetDeliveryBuffer(&out);
  if (FAILED(hr)) return hr;
  REFERENCE_TIME start = 0, stop = 0;
  HRESULT timed = in->GetTime(&start, &stop);
  if (SUCCEEDED(timed)) out->SetTime(&start, timed == VFW_S_NO_STOP_TIME ? nullptr : &stop);
  out->SetSyncPoint(in->IsSyncPoint() == S_OK);
  out->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
  out->SetPreroll(in->IsPreroll() == S_OK);
  hr = Transform(in, out);
  if (hr == S_OK) hr = output_.Deliver(out);
  else hr = Dropped(hr);
  out->Release();
  return hr;
}

// S_FALSE from Transform drops the sample and upstream goes on; a failure
// ends the stream with EC_ERRORABORT, as a source cannot tell its
// downstream failed from its downstream stopping.
HRESULT TransformFilter::Dropped(HRESULT hr) {
  if (hr == S_FALSE) return S_OK;
  NotifyEvent(EC_ERRORABORT, hr, 0);
  output_.DeliverEndOfStream();
  return hr;
}

HRESULT TransformFilter::Sink::OnEndOfStream() {
  owner_->Drain();
  return owner_->output_.DeliverEndOfStream();
}

HRESULT TransformFilter::Sink::OnBeginFlush() { return owner_->output_.DeliverBeginFlush(); }

HRESULT TransformFilter::Sink::OnEndFlush() {
  owner_->Discard();
  return owner_->output_.DeliverEndFlush();
}

HRESULT TransformFilter::Sink::OnNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return owner_->output_.DeliverNewSegment(start, stop, rate);
}

HRESULT TransformFilter::Source::Accepts(const AM_MEDIA_TYPE& type) {
  if (!owner_->input_.IsConnected()) return S_FALSE;
  return owner_->AcceptOutput(type);
}

HRESULT TransformFilter::Source::TypeAt(int index, MediaType* type) {
  if (!owner_->input_.IsConnected()) return VFW_S_NO_MORE_ITEMS;
  return owner_->OutputTypeAt(index, type);
}
