// Delivers a source pin's samples downstream from a thread of its own, so
// that making the next sample overlaps the peer's work on the last one
// (for a file writer, the write). Samples and the end of the stream go
// downstream in the order they were put; once a delivery is refused, what
// follows is dropped and Put answers the refusal, as Deliver would have.
// The queue is bounded by the pin's allocator: a sample waits here holding
// its buffer.
#pragma once

#include <windows.h>

#include <deque>

class OutputPin;
struct IMediaSample;

class DeliveryThread {
 public:
  explicit DeliveryThread(OutputPin* pin);  // pin: not owned, outlives this
  ~DeliveryThread();
  DeliveryThread(const DeliveryThread&) = delete;
  DeliveryThread& operator=(const DeliveryThread&) = delete;

  HRESULT Start();
  // Queues sample (null: the end of the stream); S_OK, or the result of the
  // first delivery that did not answer S_OK.
  HRESULT Put(IMediaSample* sample);
  // Drops what is queued and waits for a delivery under way (downstream
  // must be flushing or stopped so that it returns); then takes samples
  // again from a clean start.
  void Flush();
  // Flush, and ends the thread.
  void Stop();

 private:
  static DWORD WINAPI ThreadMain(void* delivery);
  void Run();
  void DropQueued();

  OutputPin* const pin_;
  CRITICAL_SECTION lock_;
  CONDITION_VARIABLE changed_;  // queued, delivered, or told to stop
  std::deque<IMediaSample*> queue_;  // references held; null ends the stream
  HANDLE thread_ = nullptr;
  bool stopping_ = false;
  bool busy_ = false;  // a delivery is under way
  HRESULT result_ = S_OK;
};
