#include "FuzzRunner.h"

#include <cstdio>
#include <exception>

#include "EngineObjects.h"

namespace {

// The runner the processor-exception filter reports for.
FuzzRunner* volatile active = nullptr;
volatile LONG64 activeInput = 0;

// Findings of one kind beyond this many are counted but not kept.
constexpr uint64_t kKeptPerKind = 20;

}  // namespace

// The lowest free handle slot, as the value a new handle gets: a handle left
// open by an input takes that slot and moves it up. (Wine's
// GetProcessHandleCount answers 0.)
uintptr_t FuzzRunner::FreeHandleSlot() {
  HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (probe) CloseHandle(probe);
  return reinterpret_cast<uintptr_t>(probe);
}

FuzzRunner::FuzzRunner(const FuzzTarget& target, const std::wstring& folder, DWORD hangMilliseconds)
    : target_(target), fuzzer_(target.seeds(), target.tokens), folder_(folder), hangMilliseconds_(hangMilliseconds) {
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  watchdog_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
  active = this;
  previousFilter_ = SetUnhandledExceptionFilter(OnProcessorException);
}

FuzzRunner::~FuzzRunner() {
  SetEvent(stop_);
  WaitForSingleObject(watchdog_, INFINITE);
  CloseHandle(watchdog_);
  CloseHandle(stop_);
  SetUnhandledExceptionFilter(previousFilter_);
  active = nullptr;
  DeleteFileW(CurrentPath().c_str());
}

std::wstring FuzzRunner::CurrentPath(const FuzzTarget& target, const std::wstring& folder) {
  std::string name = std::string("\\current-") + target.name;
  return folder + std::wstring(name.begin(), name.end()) + target.extension;
}

std::wstring FuzzRunner::FindingPath(const FuzzTarget& target, const std::wstring& folder, const char* kind,
                                     uint64_t n) {
  std::string name = std::string("\\") + kind + "-" + target.name + "-" + std::to_string(n);
  return folder + std::wstring(name.begin(), name.end()) + target.extension;
}

void FuzzRunner::Keep(const char* kind, uint64_t n, const std::string& detail) const {
  std::wstring path = FindingPath(target_, folder_, kind, n);
  bool kept = CopyFileW(CurrentPath().c_str(), path.c_str(), FALSE);
  printf("%s: %s input %llu: %s; %ls %ls\n", target_.name, kind, static_cast<unsigned long long>(n), detail.c_str(),
         kept ? L"kept as" : L"could not keep it as", path.c_str());
  fflush(stdout);
}

bool FuzzRunner::WriteInput(const std::string& bytes) const {
  HANDLE file = CreateFileW(CurrentPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool whole = bytes.empty() || (WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                                 written == bytes.size());
  return CloseHandle(file) && whole;
}

void FuzzRunner::Run(uint64_t count, ULONGLONG deadline, FuzzProgress* progress) {
  for (uint64_t done = 0; done < count && GetTickCount64() < deadline; ++done, ++progress->current) {
    RunOne(progress->current, progress);
  }
}

void FuzzRunner::RunOne(uint64_t n, FuzzProgress* progress) {
  FuzzCounts& counts = progress->counts;
  if (!WriteInput(fuzzer_.Input(n))) {
    printf("%s: input %llu could not be written to %ls\n", target_.name, static_cast<unsigned long long>(n),
           CurrentPath().c_str());
    return;
  }
  long live = EngineObjectCount();
  uintptr_t freeSlot = FreeHandleSlot();
  std::string problem, crash;
  bool right = true;
  activeInput = LONG64(n);
  startedAt_ = LONG64(GetTickCount64()) | 1;
  try {
    right = target_.run(CurrentPath(), &problem);
  } catch (const std::exception& exception) {
    crash = std::string("C++ exception: ") + exception.what();
  } catch (...) {
    crash = "C++ exception";
  }
  startedAt_ = 0;
  ++counts.tried;
  if (!crash.empty() && ++counts.crashes <= kKeptPerKind) Keep("crash", n, crash);
  if (!right && ++counts.wrong <= kKeptPerKind) Keep("wrong", n, problem);
  // The runtime keeps a handle from its first exception, so handles count
  // only after inputs that ended normally.
  const char* leak = EngineObjectCount() != live                ? "engine objects left alive"
                     : crash.empty() && LeavesHandles(freeSlot) ? "handles left open"
                                                                 : nullptr;
  if (leak && ++counts.leaks <= kKeptPerKind) Keep("leak", n, leak);
}

// The platform may keep a handle from the first use of something: an input
// that leaves one open leaks only when it does so again.
bool FuzzRunner::LeavesHandles(uintptr_t freeSlot) const {
  if (FreeHandleSlot() <= freeSlot) return false;
  freeSlot = FreeHandleSlot();
  std::string problem;
  try {
    target_.run(CurrentPath(), &problem);
  } catch (...) {
    return false;
  }
  return FreeHandleSlot() > freeSlot;
}

DWORD WINAPI FuzzRunner::Watch(void* self) {
  FuzzRunner* runner = static_cast<FuzzRunner*>(self);
  while (WaitForSingleObject(runner->stop_, 100) == WAIT_TIMEOUT) {
    LONG64 started = runner->startedAt_;
    // Signed: the start is marked odd, so it can be a tick ahead of the clock.
    if (started && LONG64(GetTickCount64()) - started > LONG64(runner->hangMilliseconds_)) {
      char detail[64];
      snprintf(detail, sizeof detail, "still reading after %lu ms", runner->hangMilliseconds_);
      runner->Keep("hang", uint64_t(activeInput), detail);
      TerminateProcess(GetCurrentProcess(), kHangExitCode);
    }
  }
  return 0;
}

LONG WINAPI FuzzRunner::OnProcessorException(EXCEPTION_POINTERS* exception) {
  DWORD code = exception->ExceptionRecord->ExceptionCode;
  if (FuzzRunner* runner = active) {
    char detail[48];
    snprintf(detail, sizeof detail, "exception 0x%08lx", code);
    runner->Keep("crash", uint64_t(activeInput), detail);
  }
  TerminateProcess(GetCurrentProcess(), code);
  return EXCEPTION_EXECUTE_HANDLER;
}
