// Answers the modal dialog boxes this thread opens, in order: records each
// box's caption and text, types a file name into a file dialog when given one,
// and presses a button. A test never waits on a person. Given a class name,
// it answers the framework's dialog windows of that class instead.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class DialogAnswerer {
 public:
  struct Answer {
    int button;              // IDOK, IDCANCEL, IDYES, IDNO
    std::wstring fileName;   // typed into a file dialog's name field first
    std::function<void(HWND)> prepare = nullptr;  // done to the window before the button
  };
  struct Seen {
    std::wstring caption;
    std::wstring text;
  };

  explicit DialogAnswerer(std::vector<Answer> answers, const wchar_t* className = L"#32770")
      : answers_(std::move(answers)), className_(className) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 40, &OnTimer);
  }
  ~DialogAnswerer() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  const std::vector<Seen>& Boxes() const { return seen_; }
  bool AllAnswered() const { return seen_.size() == answers_.size(); }

 private:
  static constexpr int kMessageTextId = 0xFFFF;
  static constexpr int kFileNameComboId = 0x47C;
  static constexpr int kFileNameEditId = 0x480;

  static BOOL CALLBACK FindBox(HWND hwnd, LPARAM found) {
    wchar_t name[64];
    if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, name, 64) && current_->className_ == name) {
      *reinterpret_cast<HWND*>(found) = hwnd;
      return FALSE;
    }
    return TRUE;
  }

  static std::wstring TextOf(HWND hwnd) {
    wchar_t text[2048] = {};
    if (hwnd) GetWindowTextW(hwnd, text, 2048);
    return text;
  }

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    DialogAnswerer* self = current_;
    if (!self || self->AllAnswered()) return;
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box || box == self->lastBox_) return;
    self->lastBox_ = box;
    const Answer& answer = self->answers_[self->seen_.size()];
    self->seen_.push_back({TextOf(box), TextOf(GetDlgItem(box, kMessageTextId))});
    if (!answer.fileName.empty()) {
      HWND field = GetDlgItem(box, kFileNameComboId);
      if (!field) field = GetDlgItem(box, kFileNameEditId);
      SetWindowTextW(field, answer.fileName.c_str());
    }
    if (answer.prepare) answer.prepare(box);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED), 0);
  }

  inline static DialogAnswerer* current_ = nullptr;
  std::vector<Answer> answers_;
  std::vector<Seen> seen_;
  std::wstring className_;
  HWND lastBox_ = nullptr;
  UINT_PTR timer_ = 0;
};
