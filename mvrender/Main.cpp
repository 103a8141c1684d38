// mvrender: renders a Morvik project into an AVI file from the command line
// (RenderOptions::HelpText says how). Uses the engine as Morvik.exe does:
// its classes registered in-process, then COM.
#include <windows.h>
#include <objbase.h>

#include "ConsoleText.h"
#include "EngineRegistration.h"
#include "RenderJob.h"
#include "RenderOptions.h"

namespace {

BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  RenderJob::Interrupt();
  return TRUE;
}

int Render(const RenderOptions& options) {
  HRESULT hr = RegisterEngineClasses();
  if (FAILED(hr)) ConsoleText::Error(L"mvrender: the compressors could not be listed; rendering goes on\n");
  int code;
  {
    RenderJob job(options);
    code = job.Run();
  }
  RevokeEngineClasses();
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  RenderOptions options;
  std::wstring error;
  if (!options.Parse(argc - 1, argv + 1, &error)) {
    ConsoleText::Error(L"mvrender: " + error + L"\nTry mvrender --help.\n");
    return kExitUsage;
  }
  if (options.help) {
    ConsoleText::Out(RenderOptions::HelpText());
    return kExitRendered;
  }
  SetConsoleCtrlHandler(OnControl, TRUE);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    ConsoleText::Error(L"mvrender: COM cannot start\n");
    return kExitFailed;
  }
  int code = Render(options);
  CoUninitialize();
  return code;
}
