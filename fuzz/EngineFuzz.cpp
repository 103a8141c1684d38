// The long fuzz run of the engine's readers, run by hand, not by ctest:
//   build/wine-run.sh build/fuzz/engine_fuzz.exe [seconds-per-target] [target] [inputs-per-target]
// and one kept input read again, to reproduce what it found:
//   build/wine-run.sh build/fuzz/engine_fuzz.exe --replay target file
// Each target runs in child processes of this program, so that a crash or a
// hang ends only a child: the parent counts it and starts a new child at the
// next input. Inputs that found something are kept in fuzz-findings beside
// the program. A target ends when its time is up or its inputs are done.
// Prints, per target, the inputs tried, the time taken and what they found,
// and exits 1 when anything was found.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "EngineRegistration.h"
#include "FuzzRunner.h"
#include "Paths.h"

namespace {

constexpr DWORD kHangMilliseconds = 10000;
// A child that could not start fuzzing, or could not be started.
constexpr DWORD kNoChild = 2;

std::wstring Wide(const char* text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
  if (length > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
  return wide;
}

const FuzzTarget* TargetNamed(const char* name) {
  for (const FuzzTarget& target : FuzzTargets()) {
    if (strcmp(target.name, name) == 0) return &target;
  }
  return nullptr;
}

// engine_fuzz.exe --child target milliseconds inputs mapping folder: runs from
// the input the shared progress names until the time is up or input number
// inputs is reached.
int Child(char** argv) {
  const FuzzTarget* target = TargetNamed(argv[2]);
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, argv[5]);
  auto* progress = mapping ? static_cast<FuzzProgress*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
  if (!target || !progress || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return kNoChild;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);  // the folder as it was given
  DWORD result = kNoChild;
  uint64_t inputs = strtoull(argv[4], nullptr, 10);
  if (wide && count == 7 && SUCCEEDED(RegisterEngineClasses())) {
    FuzzRunner runner(*target, wide[6], kHangMilliseconds);
    uint64_t left = inputs > progress->current ? inputs - progress->current : 0;
    runner.Run(left, GetTickCount64() + strtoull(argv[3], nullptr, 10), progress);
    result = 0;
  }
  LocalFree(wide);
  RevokeEngineClasses();
  CoUninitialize();
  UnmapViewOfFile(progress);
  CloseHandle(mapping);
  return int(result);
}

// engine_fuzz.exe --replay target file
int Replay(char** argv) {
  const FuzzTarget* target = TargetNamed(argv[2]);
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!target || !wide || count != 4 || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  std::string problem;
  bool right = SUCCEEDED(RegisterEngineClasses()) && target->run(wide[3], &problem);
  printf("%s\n", right ? "read as it should be" : problem.c_str());
  LocalFree(wide);
  RevokeEngineClasses();
  CoUninitialize();
  return right ? 0 : 1;
}

class Parent {
 public:
  Parent();
  ~Parent();
  bool Ready() const { return progress_ != nullptr; }
  // False when the target found anything.
  bool Fuzz(const FuzzTarget& target, DWORD seconds, uint64_t inputs);

 private:
  DWORD RunChild(const FuzzTarget& target, ULONGLONG milliseconds, uint64_t inputs);
  void KeepCrash(const FuzzTarget& target, DWORD code);

  std::string mappingName_;
  std::wstring folder_;
  HANDLE mapping_ = nullptr;
  FuzzProgress* progress_ = nullptr;
};

Parent::Parent() : mappingName_("MorvikFuzz-" + std::to_string(GetCurrentProcessId())) {
  wchar_t directory[MAX_PATH];
  folder_ = std::wstring(ModuleDirectory(nullptr, directory) ? directory : L".\\") + L"fuzz-findings";
  CreateDirectoryW(folder_.c_str(), nullptr);
  mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(FuzzProgress),
                                mappingName_.c_str());
  if (mapping_) progress_ = static_cast<FuzzProgress*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0));
}

Parent::~Parent() {
  if (progress_) UnmapViewOfFile(progress_);
  if (mapping_) CloseHandle(mapping_);
}

// The child's exit code; a child that outlives its time and the hang bound
// is ended and counts as hung.
DWORD Parent::RunChild(const FuzzTarget& target, ULONGLONG milliseconds, uint64_t inputs) {
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::string arguments = std::string(" --child ") + target.name + " " + std::to_string(milliseconds) + " " +
                          std::to_string(inputs) + " " + mappingName_ + " ";
  std::wstring command = L"\"" + std::wstring(program) + L"\"" + Wide(arguments.c_str()) + L"\"" + folder_ + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    printf("%s: the child process could not be started (%lu)\n", target.name, GetLastError());
    return kNoChild;
  }
  DWORD code = kHangExitCode;
  if (WaitForSingleObject(process.hProcess, DWORD(milliseconds) + 3 * kHangMilliseconds) == WAIT_TIMEOUT) {
    printf("%s: the child outlived its time and was ended at input %llu\n", target.name,
           static_cast<unsigned long long>(progress_->current));
    TerminateProcess(process.hProcess, kHangExitCode);
    WaitForSingleObject(process.hProcess, INFINITE);
  } else {
    GetExitCodeProcess(process.hProcess, &code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// Keeps the input that ended a child, unless its exception filter did.
void Parent::KeepCrash(const FuzzTarget& target, DWORD code) {
  std::wstring kept = FuzzRunner::FindingPath(target, folder_, "crash", progress_->current);
  if (GetFileAttributesW(kept.c_str()) != INVALID_FILE_ATTRIBUTES) return;  // the child kept it and said so
  CopyFileW(FuzzRunner::CurrentPath(target, folder_).c_str(), kept.c_str(), FALSE);
  printf("%s: input %llu ended its process with 0x%08lx; kept as %ls\n", target.name,
         static_cast<unsigned long long>(progress_->current), code, kept.c_str());
}

bool Parent::Fuzz(const FuzzTarget& target, DWORD seconds, uint64_t inputs) {
  *progress_ = FuzzProgress();
  uint64_t crashes = 0, hangs = 0;
  ULONGLONG started = GetTickCount64(), deadline = started + ULONGLONG(seconds) * 1000;
  for (ULONGLONG now = started; now < deadline && progress_->current < inputs; now = GetTickCount64()) {
    DWORD code = RunChild(target, deadline - now, inputs);
    if (code == 0) break;
    if (code == kNoChild) {
      printf("%s: could not fuzz\n", target.name);
      return false;
    }
    if (code == kHangExitCode) {
      ++hangs;
    } else {
      ++crashes;
      KeepCrash(target, code);
    }
    ++progress_->current;  // go on after the input that ended the child
  }
  const FuzzCounts& counts = progress_->counts;
  uint64_t tried = counts.tried + crashes + hangs;
  crashes += counts.crashes;
  printf("%-8s inputs tried %9llu in %5llu s, crashes %llu, hangs %llu, leaks %llu, wrong results %llu\n", target.name,
         static_cast<unsigned long long>(tried),
         static_cast<unsigned long long>((GetTickCount64() - started + 500) / 1000),
         static_cast<unsigned long long>(crashes),
         static_cast<unsigned long long>(hangs), static_cast<unsigned long long>(counts.leaks),
         static_cast<unsigned long long>(counts.wrong));
  fflush(stdout);
  return crashes + hangs + counts.leaks + counts.wrong == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 7 && strcmp(argv[1], "--child") == 0) return Child(argv);
  if (argc == 4 && strcmp(argv[1], "--replay") == 0) return Replay(argv);
  DWORD seconds = argc > 1 ? strtoul(argv[1], nullptr, 10) : 60;
  const char* only = argc > 2 && strcmp(argv[2], "all") != 0 ? argv[2] : nullptr;
  uint64_t inputs = argc > 3 ? strtoull(argv[3], nullptr, 10) : UINT64_MAX;
  Parent parent;
  if (!parent.Ready()) {
    printf("no shared memory for the children\n");
    return 2;
  }
  if (only && !TargetNamed(only)) {
    printf("no target %s: project, tga, wav, avi, still, catalog or time\n", only);
    return 2;
  }
  bool clean = true;
  for (const FuzzTarget& target : FuzzTargets()) {
    if (!only || strcmp(only, target.name) == 0) clean = parent.Fuzz(target, seconds, inputs) && clean;
  }
  return clean ? 0 : 1;
}
