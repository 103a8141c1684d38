#include "SeekableSourcePin.h"

SeekableSourcePin::SeekableSourcePin(FilterBase* filter, const wchar_t* name, REFERENCE_TIME duration)
    : SourcePin(filter, name), seeking_(this, this) {
  seeking_.SetDuration(duration);
}

HRESULT SeekableSourcePin::QueryOwn(REFIID iid, void** out) {
  if (iid == IID_IMediaSeeking) return HandOut<IMediaSeeking>(&seeking_, out);
  return SourcePin::QueryOwn(iid, out);
}

HRESULT SeekableSourcePin::OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) {
  seeking_.Positions(start, stop, rate);
  segmentStart_ = *start;
  return OnSegment(*start);
}

REFERENCE_TIME SeekableSourcePin::StopPosition() {
  REFERENCE_TIME stop = 0;
  seeking_.Positions(nullptr, &stop, nullptr);
  return stop;
}

HRESULT SeekableSourcePin::SetTimes(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) {
  start -= segmentStart_;
  stop -= segmentStart_;
  return sample->SetTime(&start, &stop);
}
