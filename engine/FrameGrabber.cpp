#include "FrameGrabber.h"

#include <vfwmsgs.h>

#include "GrabberFilter.h"

namespace {
// A frame that takes longer than this to arrive is not coming.
const DWORD kFrameTimeout = 10000;
}  // namespace

FrameGrabber::~FrameGrabber() {
  if (!graph_) return;
  graph_.As<IMediaControl>(IID_IMediaControl)->Stop();
  // A filter can stay paused after a failed state change: stop each one.
  if (sink_) sink_->Stop();
  if (source_) source_->Stop();
}

HRESULT FrameGrabber::Open(IBaseFilter* source, IPin* pin) {
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                graph_.ReceiveVoid());
  if (FAILED(hr)) return hr;
  source_ = ComPtr<IBaseFilter>(source);
  hr = CreateComObject<GrabberFilter>(nullptr, IID_IBaseFilter, sink_.ReceiveVoid());
  if (FAILED(hr)) return hr;
  grabber_ = static_cast<GrabberFilter*>(sink_.Get());
  hr = graph_->AddFilter(source, L"Source");
  if (SUCCEEDED(hr)) hr = graph_->AddFilter(sink_.Get(), L"Grabber");
  ComPtr<IPin> input;
  if (SUCCEEDED(hr)) hr = sink_->FindPin(L"Input", input.Receive());
  if (SUCCEEDED(hr)) hr = graph_->Connect(pin, input.Get());
  if (FAILED(hr)) return hr;
  seeking_ = ComPtr<IPin>(pin).As<IMediaSeeking>(IID_IMediaSeeking);
  if (!seeking_) seeking_ = source_.As<IMediaSeeking>(IID_IMediaSeeking);
  if (seeking_ && FAILED(seeking_->GetDuration(&duration_))) duration_ = 0;
  return S_OK;
}

HRESULT FrameGrabber::Grab(REFERENCE_TIME time, FramePixels* frame) {
  if (duration_ > 0 && time >= duration_) time = duration_ - 1;
  // Paused, a seek flushes the held frame and brings the one at time.
  if (seeking_) {
    HRESULT hr = seeking_->SetPositions(&time, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    if (FAILED(hr)) return hr;
  } else if (time > 0) {
    return E_INVALIDARG;
  }
  if (!paused_) {
    HRESULT hr = graph_.As<IMediaControl>(IID_IMediaControl)->Pause();
    if (FAILED(hr)) return hr;
    paused_ = true;
  }
  return grabber_->WaitForFrame(kFrameTimeout, frame);
}
