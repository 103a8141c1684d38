// An output pin that pushes samples from a thread of its own: the thread
// announces a segment, then fills and delivers samples until FillSample says
// the stream has ended (S_FALSE), delivery is refused, or it is told to stop.
// A failure ends the stream with EC_ERRORABORT. The thread runs with COM
// initialised (multithreaded), so readers using WIC work on it; it must not
// take the filter's state lock (Stop holds it while waiting for the thread).
#pragma once

#include <memory>

#include "DeliveryThread.h"
#include "OutputPin.h"

class SourcePin : public OutputPin {
 public:
  // Commit the allocator and start the thread; stop the thread and decommit
  // (the filter calls these when it leaves and enters Stopped).
  HRESULT Active() override;
  HRESULT Inactive() override;
  // A seek while streaming: flushes downstream, stops the thread and starts
  // it again (it then calls OnThreadStart for the new position). Nothing
  // while stopped. Not from the streaming thread.
  HRESULT Restart();

 protected:
  SourcePin(FilterBase* filter, const wchar_t* name);
  ~SourcePin() override;

  // On the thread before its first sample: positions the stream and gives
  // the segment to announce downstream. Sample times count from the
  // segment's start.
  virtual HRESULT OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) = 0;
  // Fills sample (data, length, times, sync point); S_FALSE at the end.
  virtual HRESULT FillSample(IMediaSample* sample) = 0;
  // The thread is being stopped (for a seek or a stop): wake it where
  // FillSample waits on something of the pin's own. A FillSample failing
  // from here on ends the thread quietly.
  virtual void WakeThread() {}
  // From the constructor: samples go downstream from a thread of their own
  // (DeliveryThread), so that filling the next overlaps the peer's work on
  // the last. For pins whose samples keep the peer busy a while.
  void DeliverOnOwnThread() { delivery_.reset(new DeliveryThread(this)); }

 private:
  static DWORD WINAPI ThreadMain(void* pin);
  void Stream();
  HRESULT StartThread();
  void JoinThread();
  HRESULT Send(IMediaSample* sample) { return delivery_ ? delivery_->Put(sample) : Deliver(sample); }
  HRESULT SendEndOfStream() { return delivery_ ? delivery_->Put(nullptr) : DeliverEndOfStream(); }

  CRITICAL_SECTION threadLock_;  // start, stop and restart of the thread
  bool streaming_ = false;
  HANDLE thread_ = nullptr;
  volatile LONG stopping_ = 0;
  std::unique_ptr<DeliveryThread> delivery_;  // null: the pin's thread delivers
};
