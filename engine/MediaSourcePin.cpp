#include "MediaSourcePin.h"

#include "MediaReaders.h"

MediaSourcePin::MediaSourcePin(FilterBase* filter, const std::wstring& name, const std::wstring& path, int stream,
                               REFERENCE_TIME length)
    : SeekableSourcePin(filter, name.c_str(), length), path_(path), stream_(stream) {}

HRESULT MediaSourcePin::OnSegment(REFERENCE_TIME start) {
  if (!reader_) {
    HRESULT hr = MediaReaders::Open(path_.c_str(), &reader_);
    if (FAILED(hr)) return hr;
  }
  OnSeek(start);
  return S_OK;
}
