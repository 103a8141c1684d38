// Runs a fuzz target's inputs one by one. Each input is written to a file
// before it is read, and every input that finds something is kept beside it
// as <kind>-<target>-<n><extension> (kind crash, hang, leak or wrong):
// - a C++ exception out of the target counts as a crash and the run goes on;
//   a processor exception (access violation, stack overflow) ends the process
//   with its exception code after the input is kept;
// - a watchdog thread ends the process with kHangExitCode, after keeping the
//   input, when one input takes longer than the hang bound;
// - the engine's live-object count must be back where it was after each input,
//   and an input that ended normally may leave no handle open;
// - the target's own checks find wrong results.
// One runner may be active in a process at a time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "Fuzzer.h"
#include "FuzzTargets.h"

constexpr DWORD kHangExitCode = 0x48414E47;  // "HANG"

struct FuzzCounts {
  uint64_t tried = 0;
  uint64_t crashes = 0;
  uint64_t hangs = 0;
  uint64_t leaks = 0;
  uint64_t wrong = 0;
};

// Where a run stands; a parent process reads it from shared memory after its
// child ended.
struct FuzzProgress {
  uint64_t current = 0;  // the input being read, or the next one
  FuzzCounts counts;
};

class FuzzRunner {
 public:
  // The folder must exist.
  FuzzRunner(const FuzzTarget& target, const std::wstring& folder, DWORD hangMilliseconds);
  ~FuzzRunner();
  FuzzRunner(const FuzzRunner&) = delete;
  FuzzRunner& operator=(const FuzzRunner&) = delete;

  // Runs inputs from progress->current on until count of them are done or
  // GetTickCount64() reaches deadline, counting into progress.
  void Run(uint64_t count, ULONGLONG deadline, FuzzProgress* progress);

  // folder\current-<target><extension>, and folder\<kind>-<target>-<n><extension>.
  static std::wstring CurrentPath(const FuzzTarget& target, const std::wstring& folder);
  static std::wstring FindingPath(const FuzzTarget& target, const std::wstring& folder, const char* kind, uint64_t n);
  std::wstring CurrentPath() const { return CurrentPath(target_, folder_); }
  // Copies the current input to the finding's path and says so on stdout.
  void Keep(const char* kind, uint64_t n, const std::string& detail) const;

 private:
  void RunOne(uint64_t n, FuzzProgress* progress);
  bool WriteInput(const std::string& bytes) const;
  static uintptr_t FreeHandleSlot();
  bool LeavesHandles(uintptr_t freeSlot) const;
  static DWORD WINAPI Watch(void* self);
  static LONG WINAPI OnProcessorException(EXCEPTION_POINTERS* exception);

  const FuzzTarget& target_;
  Fuzzer fuzzer_;
  std::wstring folder_;
  DWORD hangMilliseconds_;
  HANDLE stop_ = nullptr;
  HANDLE watchdog_ = nullptr;
  volatile LONG64 startedAt_ = 0;  // tick count of the input under way, 0 between inputs
  LPTOP_LEVEL_EXCEPTION_FILTER previousFilter_ = nullptr;
};
