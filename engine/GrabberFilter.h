// The renderer of the media detector's own graphs: takes RGB24 or RGB32
// video, keeps the first frame after each start or flush, and holds the
// stream there, as a paused renderer does, until the next flush or stop.
#pragma once

#include "BitmapBits.h"
#include "FilterBase.h"
#include "InputPin.h"

class GrabberFilter final : public FilterBase {
 public:
  // Through CreateComObject only.
  explicit GrabberFilter(IUnknown* outer);

  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override;

  // Waits up to timeout ms for the kept frame and copies it: S_OK,
  // VFW_E_TIME_EXPIRED, or E_FAIL when the stream ended without one.
  HRESULT WaitForFrame(DWORD timeout, FramePixels* frame);

 protected:
  HRESULT OnInitStream() override;
  HRESULT OnCleanup() override;
  ULONG MiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

 private:
  class Pin final : public InputPin {
   public:
    explicit Pin(GrabberFilter* filter) : InputPin(filter, L"Input"), grabber_(filter) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override;

   protected:
    HRESULT OnReceive(IMediaSample* sample) override { return grabber_->Keep(sample); }
    HRESULT OnEndOfStream() override;
    HRESULT OnBeginFlush() override;
    HRESULT OnEndFlush() override;

   private:
    GrabberFilter* grabber_;  // the filter this pin lives in
  };

  ~GrabberFilter() override;

  HRESULT Keep(IMediaSample* sample);
  void Forget();

  Pin pin_;
  CRITICAL_SECTION frameLock_;  // guards frame_, kept_ and ended_
  FramePixels frame_;
  bool kept_ = false;
  bool ended_ = false;
  HANDLE ready_;    // a frame was kept or the stream ended
  HANDLE release_;  // a flush or stop lets the held stream go
};
