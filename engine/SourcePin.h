// An output pin that pushes samples from a thread of its own: the thread
// announces a segment, then fills and delivers samples until FillSample says
// the stream has ended (S_FALSE), delivery is refused, or it is told to stop.
// A failure ends the stream with EC_ERRORABORT. The thread runs with COM
// initialised (multithreaded), so readers using WIC work on it.
#pragma once

#include "OutputPin.h"

class SourcePin : public OutputPin {
 public:
  // From the filter's OnInitStream and OnCleanup: commit the allocator and
  // start the thread; stop the thread and decommit.
  HRESULT StartStreaming();
  HRESULT StopStreaming();
  // A seek while streaming: flushes downstream, stops the thread and starts
  // it again (it then calls OnThreadStart for the new position). Nothing
  // while stopped. Not from the streaming thread.
  HRESULT Restart();

 protected:
  SourcePin(FilterBase* filter, const wchar_t* name) : OutputPin(filter, name) {}
  ~SourcePin() override;

  // On the thread before its first sample: positions the stream and gives
  // the segment to announce downstream.
  virtual HRESULT OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) = 0;
  // Fills sample (data, length, times, sync point); S_FALSE at the end.
  virtual HRESULT FillSample(IMediaSample* sample) = 0;

 private:
  static DWORD WINAPI ThreadMain(void* pin);
  void Stream();
  HRESULT StartThread();
  void JoinThread();

  HANDLE thread_ = nullptr;
  volatile LONG stopping_ = 0;
};
