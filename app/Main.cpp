// The process entry: settings, log, splash, main window, message loop.
#include <windows.h>

#include "AppGlobals.h"
#include "DialogWindow.h"
#include "ImageList.h"
#include "JoinedString.h"
#include "MainWindow.h"
#include "Numbers.h"
#include "Paths.h"
#include "SplashWindow.h"
#include "Text.h"
#include "resource.h"

namespace {

void BindSettings() {
  wchar_t path[MAX_PATH];
  JoinedString name(L"Morvik", L".ini", nullptr);
  CopyTextCut(name.Get(), path, MAX_PATH);
  ResolvePath(path, kResolveProgramDir, path);
  theSettings = new SettingsFile(CopyText(path));  // takes the copy
}

void OpenLog() {
  wchar_t value[SettingsFile::kStringChars];
  value[0] = 0;
  if (theSettings) theSettings->ReadString(L"Log", L"FileName", L"", value);
  wchar_t path[MAX_PATH];
  CopyTextCut(value, path, MAX_PATH);
  if (!path[0]) return;
  ResolvePath(path, kResolveExpand | kResolveProgramDir, path);
  theLog = new LogFile(path);
  theLog->Write(L"Starting...");
}

void LoadDialogImages(HINSTANCE instance) {
  DialogWindow::SetDialogIcon(LoadIconW(instance, MAKEINTRESOURCEW(IDI_MORVIK)));
  ImageList images;
  if (images.LoadBitmap(instance, MAKEINTRESOURCEW(IDB_BUTTONS), 16, 0, false)) {
    DialogWindow::SetDialogButtonImages(images.GetIcon(0, 0), images.GetIcon(1, 0));
  }
}

void RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (theMainWindow && theMainWindow->TranslateKey(&msg)) continue;
    if (Window::HandleDialogMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  BindSettings();
  OpenLog();
  LoadDialogImages(instance);

  SplashWindow* splash = new SplashWindow();
  splash->Create(nullptr, instance);
  splash->SetStatus(L"Loading...");
  ShowWindow(splash->Handle(), SW_SHOWNORMAL);
  UpdateWindow(splash->Handle());

  theMainWindow = new MainWindow();
  theMainWindow->SetSplash(splash);
  if (theMainWindow->Create(nullptr, instance) == 0 && theMainWindow->Handle()) {
    ShowWindow(theMainWindow->Handle(), showCommand);
    UpdateWindow(theMainWindow->Handle());
    RunMessageLoop();
  }
  // A splash is left when the main window was never shown.
  if (SplashWindow* leftover = theMainWindow->TakeSplash()) leftover->Destroy(true);
  // Deleting the main window releases the timeline and ends COM cleanly.
  theMainWindow->Destroy(false);
  theMainWindow = nullptr;

  delete theSettings;
  theSettings = nullptr;
  const int exitCode = 0;
  if (theLog) {
    wchar_t number[kNumberTextSize];
    JoinedString line(L"Exit code: ", IntToText(exitCode, number, 10), nullptr);
    theLog->Write(line.Get());
    delete theLog;
    theLog = nullptr;
  }
  return exitCode;
}
