// An output pin of MediaSourceFilter: one stream of the file, pushed from a
// thread of its own through a reader of its own (opened on that thread when
// it first runs: a reader is used from one thread at a time), seekable
// (SeekableSourcePin).
#pragma once

#include <memory>
#include <string>

#include "MediaReader.h"
#include "SeekableSourcePin.h"

class MediaSourcePin : public SeekableSourcePin {
 public:
  ~MediaSourcePin() override = default;

 protected:
  // stream: its index among the reader's streams; length: its duration.
  MediaSourcePin(FilterBase* filter, const std::wstring& name, const std::wstring& path, int stream,
                 REFERENCE_TIME length);

  HRESULT OnSegment(REFERENCE_TIME start) override;
  // Positions the stream at the frame or sample shown at time start.
  virtual void OnSeek(REFERENCE_TIME start) = 0;

  // The streaming thread's reader; valid from OnSeek on.
  MediaReader* Reader() { return reader_.get(); }
  int Stream() const { return stream_; }

 private:
  std::wstring path_;
  int stream_;
  std::unique_ptr<MediaReader> reader_;
};
