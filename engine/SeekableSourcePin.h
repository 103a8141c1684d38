// A push source pin with IMediaSeeking on the pin (SourceSeeking, in media
// time): a new start restarts delivery from there, paused or running; a new
// stop is for the pin to see at its next sample. Sample times count from
// the segment's start, as DirectShow wants them after a seek. Rates other
// than 1 are refused (E_NOTIMPL).
#pragma once

#include "SourcePin.h"
#include "SourceSeeking.h"

class SeekableSourcePin : public SourcePin {
 protected:
  // duration: the stream's length, and its first stop position.
  SeekableSourcePin(FilterBase* filter, const wchar_t* name, REFERENCE_TIME duration);

  HRESULT QueryOwn(REFIID iid, void** out) override;
  HRESULT OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) override;
  // On the streaming thread before its first sample: positions the stream
  // at the segment's start.
  virtual HRESULT OnSegment(REFERENCE_TIME start) = 0;

  REFERENCE_TIME StopPosition();
  REFERENCE_TIME SegmentStart() const { return segmentStart_; }
  // A new length; the stop position moves to it.
  void SetDuration(REFERENCE_TIME duration) { seeking_.SetDuration(duration); }
  // Stream times start and stop, made relative to the segment.
  HRESULT SetTimes(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop);

 private:
  class Seeking final : public SourceSeeking {
   public:
    Seeking(IUnknown* owner, SeekableSourcePin* pin) : SourceSeeking(owner), pin_(pin) {}

   protected:
    void OnPositions(bool startChanged, bool) override {
      if (startChanged) pin_->Restart();
    }

   private:
    SeekableSourcePin* pin_;  // the pin this lives in
  };

  Seeking seeking_;
  REFERENCE_TIME segmentStart_ = 0;
};
