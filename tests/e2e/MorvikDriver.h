// Drives Morvik.exe from outside as a user does: its windows found by class,
// menu commands posted, controls filled, dialogs answered, the screen kept.
// Every wait polls its condition and gives up after a timeout.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "MainWindow.h"  // the menu commands

// True once condition holds, polled every 50 ms for at most milliseconds.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 20000);
bool WaitUntilGone(HWND hwnd);
bool WaitForFile(const std::wstring& path);

std::wstring TextOf(HWND hwnd);
// Reads a file as text, UTF-16 with a byte-order mark or UTF-8.
std::wstring ReadText(const std::wstring& path);
// A width x height 24-bit picture of one colour, written as a plain BMP file.
void WriteBitmap(const std::wstring& path, int width = 4, int height = 2, COLORREF color = RGB(0x80, 0x80, 0x80));

// The first child (at any depth) of a class whose text begins with textStart.
HWND FindChild(HWND parent, const wchar_t* className, const wchar_t* textStart = nullptr);
// The window's own controls of a class beside and below the static text
// label, row by row, each row left to right.
std::vector<HWND> ControlsBelow(HWND window, const wchar_t* label, const wchar_t* className);
// Picks entry index of a combo box and tells its parent, as a click would.
bool ChooseIndex(HWND combo, int index);
// Likewise the entry of exactly that text.
bool ChooseText(HWND combo, const wchar_t* text);
// Types into a field as keys would, after selecting all of its text.
void Type(HWND field, const std::wstring& text);

// The whole screen as NN-stage.png in the screens folder beside the test program.
void KeepScreen(const wchar_t* name);

// One run of Morvik.exe, copied into folder and started there.
class MorvikRun {
 public:
  MorvikRun(const std::wstring& folder, const std::wstring& arguments);
  ~MorvikRun();

  bool Started() const { return started_; }
  // A visible top-level window of the process of that class.
  HWND WaitForWindow(const wchar_t* className, int milliseconds = 20000) const;
  // Waits until the main window shows a title, start-up being over; answers
  // the last title seen.
  std::wstring WaitForTitle(const std::wstring& title, int milliseconds = 20000) const;
  // Presses a dialog's button, after typing a file name into a file
  // dialog's name box when given one; answers the dialog's message text.
  std::wstring AnswerDialog(int button, const std::wstring& fileName = L"") const;
  // A menu command, posted to the main window.
  void Command(UINT id) const;
  // Closes the main window and answers the exit code (-1 when it did not end).
  int Close() const;

 private:
  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
};

// A path of the build, seen from inside Wine.
std::wstring SeenFromWine(const char* path);
// Copies the built Morvik.exe and its parameter catalog into folder; false
// when they are not there.
bool CopyProgram(const std::wstring& folder);
