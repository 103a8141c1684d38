// An output pin of MediaSourceFilter: one stream of the file, pushed from a
// thread of its own through a reader of its own (opened on that thread when
// it first runs: a reader is used from one thread at a time), with
// IMediaSeeking on the pin. Sample times are relative to the segment start,
// as DirectShow wants them after a seek. A new start restarts delivery from
// there, paused or running; a new stop is seen at the next sample. Rates
// other than 1 are refused (E_NOTIMPL).
#pragma once

#include <memory>
#include <string>

#include "MediaReader.h"
#include "SourcePin.h"
#include "SourceSeeking.h"

class MediaSourcePin : public SourcePin {
 public:
  ~MediaSourcePin() override = default;

 protected:
  // stream: its index among the reader's streams; length: its duration.
  MediaSourcePin(FilterBase* filter, const std::wstring& name, const std::wstring& path, int stream,
                 REFERENCE_TIME length);

  HRESULT QueryOwn(REFIID iid, void** out) override;
  HRESULT OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) override;
  // Positions the stream at the frame or sample shown at time start.
  virtual void OnSeek(REFERENCE_TIME start) = 0;

  // The streaming thread's reader; valid from OnSeek on.
  MediaReader* Reader() { return reader_.get(); }
  int Stream() const { return stream_; }
  REFERENCE_TIME StopPosition();
  // Stream times start and stop, made relative to the segment.
  HRESULT SetTimes(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop);

 private:
  class Seeking final : public SourceSeeking {
   public:
    Seeking(IUnknown* owner, MediaSourcePin* pin) : SourceSeeking(owner), pin_(pin) {}

   protected:
    void OnPositions(bool startChanged, bool) override {
      if (startChanged) pin_->Restart();
    }
    HRESULT OnRate(double rate) override { return rate == 1.0 ? S_OK : E_NOTIMPL; }

   private:
    MediaSourcePin* pin_;  // the pin this lives in
  };

  Seeking seeking_;
  std::wstring path_;
  int stream_;
  std::unique_ptr<MediaReader> reader_;
  REFERENCE_TIME segmentStart_ = 0;
};
