#include "MediaSourcePin.h"

#include "MediaReaders.h"

MediaSourcePin::MediaSourcePin(FilterBase* filter, const std::wstring& name, const std::wstring& path, int stream,
                               REFERENCE_TIME length)
    : SourcePin(filter, name.c_str()), seeking_(this, this), path_(path), stream_(stream) {
  seeking_.SetDuration(length);
}

HRESULT MediaSourcePin::QueryOwn(REFIID iid, void** out) {
  if (iid == IID_IMediaSeeking) return HandOut<IMediaSeeking>(&seeking_, out);
  return SourcePin::QueryOwn(iid, out);
}

HRESULT MediaSourcePin::OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) {
  if (!reader_) {
    HRESULT hr = MediaReaders::Open(path_.c_str(), &reader_);
    if (FAILED(hr)) return hr;
  }
  seeking_.Positions(start, stop, rate);
  segmentStart_ = *start;
  OnSeek(*start);
  return S_OK;
}

REFERENCE_TIME MediaSourcePin::StopPosition() {
  REFERENCE_TIME stop = 0;
  seeking_.Positions(nullptr, &stop, nullptr);
  return stop;
}

HRESULT MediaSourcePin::SetTimes(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) {
  start -= segmentStart_;
  stop -= segmentStart_;
  return sample->SetTime(&start, &stop);
}
