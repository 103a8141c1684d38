// Start-up of Morvik.exe to an interactive main window: from CreateProcess
// until the process is idle for input, the splash is gone and the main window
// answers a message. Beside it, as the floor, the start of a trivial program
// (cmd.exe /c exit) to its end. Each run copies Morvik.exe and DSF_desc.xml
// into a fresh folder (no settings left from a run before) and closes it
// after. The two alternate; one untimed run of each warms the caches. Run by hand on a display:
//   build/wine-run.sh build/bench/startup_benchmark.exe [runs] [folder of Morvik.exe]
// Exits 1 after "FAILED" when a program did not start, never became
// interactive, or did not end with code 0.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ProcessWindow.h"
#include "TempFolder.h"

namespace {

const DWORD kPatience = 30000;  // milliseconds before a start counts as failed

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

// The main window once it answers and the splash is gone; null after kPatience.
HWND WaitInteractive(const PROCESS_INFORMATION& process, double started) {
  if (WaitForInputIdle(process.hProcess, kPatience) != 0) return nullptr;
  while ((Now() - started) * 1000 < kPatience) {
    HWND main = VisibleWindowOf(process.dwProcessId, L"QUEN_Morvik_Main");
    DWORD_PTR answer = 0;
    if (main && !VisibleWindowOf(process.dwProcessId, L"QUEN_Morvik_Splash") &&
        SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kPatience, &answer)) {
      return main;
    }
    Sleep(1);
  }
  return nullptr;
}

// The processor time a process has used: what its start costs, where the wall
// clock on a shared machine says mostly how busy the machine was.
double CpuSeconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  auto units = [](const FILETIME& t) { return double(ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime); };
  return (units(kernel) + units(user)) / 1e7;
}

bool Ended(const PROCESS_INFORMATION& process) {
  DWORD code = 1;
  bool ended = WaitForSingleObject(process.hProcess, kPatience) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(process.hProcess, &code) && code == 0;
  if (!ended) TerminateProcess(process.hProcess, 9);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return ended;
}

// Seconds to an interactive main window, or a negative number after saying
// why; *cpu gets the processor seconds Morvik.exe used until then.
double StartMorvik(const std::wstring& from, double* cpu) {
  TempFolder folder;
  for (const wchar_t* name : {L"Morvik.exe", L"DSF_desc.xml"}) {
    if (!CopyFileW((from + L"\\" + name).c_str(), folder.File(name).c_str(), FALSE)) {
      std::printf("FAILED: no %ls in %ls\n", name, from.c_str());
      return -1;
    }
  }
  std::wstring program = folder.File(L"Morvik.exe");
  std::wstring line = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  double started = Now();
  if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.Path().c_str(),
                      &startup, &process)) {
    std::printf("FAILED: Morvik.exe did not start (%lu)\n", GetLastError());
    return -1;
  }
  HWND main = WaitInteractive(process, started);
  double seconds = Now() - started;
  *cpu = CpuSeconds(process.hProcess);
  if (main) PostMessageW(main, WM_CLOSE, 0, 0);
  if (!Ended(process) || !main) {
    std::printf("FAILED: Morvik.exe %s\n", main ? "did not end with code 0 when closed" : "never became interactive");
    return -1;
  }
  return seconds;
}

// Seconds from start to end of cmd.exe /c exit, or a negative number.
double StartFloor() {
  wchar_t line[] = L"cmd.exe /c exit";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  double started = Now();
  if (!CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    std::printf("FAILED: cmd.exe did not start (%lu)\n", GetLastError());
    return -1;
  }
  bool ended = Ended(process);
  if (!ended) std::printf("FAILED: cmd.exe /c exit did not end with code 0\n");
  return ended ? Now() - started : -1;
}

// Prints the spread of times in milliseconds.
void Report(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  size_t n = times.size();
  std::printf("%-28s median %7.1f ms, quartiles %7.1f-%7.1f, range %7.1f-%7.1f (%zu runs)\n", what, times[n / 2],
              times[n / 4], times[(3 * n) / 4], times.front(), times.back(), n);
}

// Morvik.exe is built in app\ beside this program's bench\ folder.
std::wstring DefaultFolder() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder.resize(folder.find_last_of(L'\\'));
  return folder.substr(0, folder.find_last_of(L'\\')) + L"\\app";
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  std::wstring from = argc > 2 ? std::wstring(argv[2], argv[2] + std::strlen(argv[2])) : DefaultFolder();
  // Alternated, so a change in the machine's load touches both alike.
  std::vector<double> floor, morvik, morvikCpu;
  bool right = true;
  for (int i = 0; right && i <= runs; ++i) {
    double cpu = 0, a = StartFloor(), b = a < 0 ? -1 : StartMorvik(from, &cpu);
    right = a >= 0 && b >= 0;
    if (right && i) {  // the first run of each only warms up
      floor.push_back(a * 1000);
      morvik.push_back(b * 1000);
      morvikCpu.push_back(cpu * 1000);
    }
  }
  if (right) {
    Report("cmd.exe /c exit (floor)", floor);
    Report("Morvik.exe to interactive", morvik);
    Report("  its own processor time", morvikCpu);
  }
  std::printf(right ? "every start reached an interactive main window and ended cleanly\n" : "BENCHMARK FAILED\n");
  return right ? 0 : 1;
}
