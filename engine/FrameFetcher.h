// Decodes ahead, on a thread of its own, the source pictures of a video
// group's next frames, so that decoding one frame overlaps composing the
// one before on another core. Frames are fetched in order from the unit a
// Seek names, up to kAhead ahead of the one being composed; the thread's
// readers (ReaderSet) stay open while it runs. The consumer is one
// streaming thread at a time: Seek, then Take and Done for each frame.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "FetchedFrame.h"
#include "ReaderSet.h"
#include "RenderPlan.h"

class FrameFetcher {
 public:
  static const int kAhead = 3;

  FrameFetcher();
  ~FrameFetcher();
  FrameFetcher(const FrameFetcher&) = delete;
  FrameFetcher& operator=(const FrameFetcher&) = delete;

  // Starts the thread (idle until a Seek); S_OK when it runs already.
  HRESULT Start();
  // Ends the thread; its readers close with it.
  void Stop();
  // Fetches for plan from unit on; what was fetched before is dropped.
  void Seek(std::shared_ptr<const RenderPlan> plan, LONGLONG unit);
  // Whether the next Take would be for unit of plan (not after an Interrupt).
  bool Follows(const RenderPlan* plan, LONGLONG unit);
  // The pictures of the next frame once fetched, to give back with Done;
  // null when Interrupt was called (until the next Seek) or not started.
  const FetchedFrame* Take();
  void Done();
  // Makes a waiting Take return null: the consumer is being stopped.
  void Interrupt();

 private:
  enum class SlotState { Free, Fetching, Ready, Taken };
  struct Slot {
    SlotState state = SlotState::Free;
    FetchedFrame frame;
  };

  static DWORD WINAPI ThreadMain(void* fetcher);
  void Run();
  // The next job under the lock: false when there is none now.
  bool NextJob(LONGLONG* unit, std::shared_ptr<const RenderPlan>* plan, ULONG* generation);
  void Fetch(const RenderPlan& plan, LONGLONG unit, FetchedFrame* frame);
  Slot& SlotOf(LONGLONG unit) { return slots_[size_t(unit % kAhead)]; }

  CRITICAL_SECTION lock_;
  CONDITION_VARIABLE work_;   // a job may be there, or the thread must end
  CONDITION_VARIABLE ready_;  // a frame was fetched, or Take must give up
  HANDLE thread_ = nullptr;
  bool stopping_ = false;
  bool interrupted_ = false;
  std::shared_ptr<const RenderPlan> plan_;
  ULONG generation_ = 0;  // counts Seeks, so stale fetches are dropped
  LONGLONG nextFetch_ = 0;
  LONGLONG nextTake_ = 0;
  Slot slots_[kAhead];
  // The thread's own.
  ReaderSet readers_;
  std::vector<const PlanSource*> needs_;
};
