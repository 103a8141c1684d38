// An edit field that holds a time as the fixed 16-character text
// "hhh:mm:ss,ffffff": digits overwrite in place, separators are skipped, the
// up arrow steps the field under the caret, and nothing can insert or delete.
//
// The form holds at most 999:59:59,999999 (kMaxValue). A value outside 0 to
// kMaxValue is shown as the nearest end and SetValue answers false; a step that
// would pass kMaxValue is refused with a beep. So the text shown always reads
// back as the value the field reports.
//
// Typing while the whole text is selected (as when the field gets the focus)
// starts a new value instead: digits come in from the right of the seconds,
// as on a calculator ("1", "0" is 10 seconds, "130" 1 minute 30 seconds, "90"
// 90 seconds), and after ',' or '.' the next digits are the fraction. The new
// value lasts until the caret is moved, the field is clicked or loses the focus;
// then typing overwrites digit by digit again.
#pragma once

#include <cstdint>

#include "EditBox.h"

class TimeEdit : public EditBox {
 public:
  static constexpr int kTextLength = 16;
  static constexpr int64_t kMaxValue = 1000 * 3600000000LL - 1;

  TimeEdit();
  TimeEdit(HWND parent, HINSTANCE instance);
  void InitDefaults() override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  // The value: the held text read back, whatever the display shows meanwhile.
  int64_t GetValue() const;
  // False when time was outside 0 to kMaxValue and the nearest end is held instead.
  bool SetValue(int64_t time);
  const wchar_t* Text() const { return text_; }

 private:
  int CaretPosition() const;
  void ShowText();
  void TypeDigit(wchar_t digit);
  bool WholeTextSelected() const;
  // A character of a new value; false when it is none (the entry goes on as before).
  bool EnterCharacter(wchar_t c);
  void ShowEntry();
  void StepUp();

  wchar_t text_[kTextLength + 1];
  // The new value being typed: whole-second digits (hhh mm ss, at most 7
  // significant) and fraction digits; entering_ while it goes on.
  bool entering_ = false;
  bool enteringFraction_ = false;
  int64_t entrySeconds_ = 0;  // the digits as typed, read as hhhmmss
  int64_t entryFraction_ = 0;
  int fractionDigits_ = 0;
  int entryCaret_ = 0;  // where the entry left the caret
};
