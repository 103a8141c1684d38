#include "FrameFetcher.h"

#include <cmath>

#include "Locked.h"
#include "VideoComposer.h"

FrameFetcher::FrameFetcher() {
  InitializeCriticalSection(&lock_);
  InitializeConditionVariable(&work_);
  InitializeConditionVariable(&ready_);
}

FrameFetcher::~FrameFetcher() {
  Stop();
  DeleteCriticalSection(&lock_);
}

HRESULT FrameFetcher::Start() {
  Locked lock(&lock_);
  if (thread_) return S_OK;
  stopping_ = false;
  thread_ = CreateThread(nullptr, 0, &FrameFetcher::ThreadMain, this, 0, nullptr);
  return thread_ ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

void FrameFetcher::Stop() {
  HANDLE thread = nullptr;
  {
    Locked lock(&lock_);
    thread = thread_;
    stopping_ = true;
    WakeAllConditionVariable(&work_);
    WakeAllConditionVariable(&ready_);
  }
  if (!thread) return;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  Locked lock(&lock_);
  thread_ = nullptr;
  plan_.reset();
  for (Slot& slot : slots_) slot.state = SlotState::Free;
}

void FrameFetcher::Seek(std::shared_ptr<const RenderPlan> plan, LONGLONG unit) {
  Locked lock(&lock_);
  ++generation_;
  plan_ = std::move(plan);
  nextFetch_ = nextTake_ = unit;
  interrupted_ = false;
  // A slot being fetched is freed by the thread when it sees the new generation.
  for (Slot& slot : slots_) {
    if (slot.state != SlotState::Fetching) slot.state = SlotState::Free;
  }
  WakeAllConditionVariable(&work_);
}

bool FrameFetcher::Follows(const RenderPlan* plan, LONGLONG unit) {
  Locked lock(&lock_);
  return plan_.get() == plan && nextTake_ == unit && !interrupted_;
}

const FetchedFrame* FrameFetcher::Take() {
  Locked lock(&lock_);
  for (;;) {
    if (interrupted_ || stopping_ || !thread_ || !plan_) return nullptr;
    Slot& slot = SlotOf(nextTake_);
    if (slot.state == SlotState::Ready && slot.frame.unit == nextTake_) {
      slot.state = SlotState::Taken;
      return &slot.frame;
    }
    SleepConditionVariableCS(&ready_, &lock_, INFINITE);
  }
}

void FrameFetcher::Done() {
  Locked lock(&lock_);
  Slot& slot = SlotOf(nextTake_);
  if (slot.state == SlotState::Taken) slot.state = SlotState::Free;
  ++nextTake_;
  WakeAllConditionVariable(&work_);
}

void FrameFetcher::Interrupt() {
  Locked lock(&lock_);
  interrupted_ = true;
  WakeAllConditionVariable(&ready_);
}

DWORD WINAPI FrameFetcher::ThreadMain(void* fetcher) {
  HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  static_cast<FrameFetcher*>(fetcher)->Run();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

bool FrameFetcher::NextJob(LONGLONG* unit, std::shared_ptr<const RenderPlan>* plan, ULONG* generation) {
  if (!plan_ || nextFetch_ >= plan_->units.end || nextFetch_ - nextTake_ >= kAhead) return false;
  Slot& slot = SlotOf(nextFetch_);
  if (slot.state != SlotState::Free) return false;
  slot.state = SlotState::Fetching;
  *unit = nextFetch_++;
  *plan = plan_;
  *generation = generation_;
  return true;
}

void FrameFetcher::Run() {
  EnterCriticalSection(&lock_);
  while (!stopping_) {
    LONGLONG unit = 0;
    std::shared_ptr<const RenderPlan> plan;
    ULONG generation = 0;
    if (!NextJob(&unit, &plan, &generation)) {
      SleepConditionVariableCS(&work_, &lock_, INFINITE);
      continue;
    }
    Slot& slot = SlotOf(unit);
    LeaveCriticalSection(&lock_);
    Fetch(*plan, unit, &slot.frame);
    plan.reset();
    EnterCriticalSection(&lock_);
    slot.state = generation == generation_ ? SlotState::Ready : SlotState::Free;
    WakeAllConditionVariable(&ready_);
  }
  LeaveCriticalSection(&lock_);
  readers_.Clear();
}

void FrameFetcher::Fetch(const RenderPlan& plan, LONGLONG unit, FetchedFrame* frame) {
  VideoComposer::Needs(plan, unit, &needs_);
  const PlanSource* whole = VideoComposer::UnchangedSource(plan, unit);
  frame->unit = unit;
  frame->count = needs_.size();
  if (frame->pictures.size() < needs_.size()) frame->pictures.resize(needs_.size());
  for (size_t i = 0; i < needs_.size(); ++i) {
    const PlanSource& source = *needs_[i];
    FetchedPicture& picture = frame->pictures[i];
    picture.source = &source;
    // Just past the exact time, so 100 ns rounding cannot show the frame before.
    double time = std::ceil(source.MediaTime(unit, plan.clock) - 0.001);
    REFERENCE_TIME at = REFERENCE_TIME(time < 0 ? 0 : time);
    MediaReader* reader = readers_.Get(source.path);
    // A frame that is the source's stored frame as it stands needs no decoding.
    picture.stored = reader && &source == whole && source.stored &&
                     reader->ReadStoredFrame(source.stream, at, &picture.pixels) == S_OK;
    if (picture.stored) picture.result = S_OK;
    else picture.result = reader ? reader->ReadFrame(source.stream, at, &picture.pixels) : E_FAIL;
  }
}
