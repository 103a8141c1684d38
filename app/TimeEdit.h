// An edit field that holds a time as the fixed 16-character text
// "hhh:mm:ss,ffffff": digits overwrite in place, separators are skipped, the
// up arrow steps the field under the caret, and nothing can insert or delete.
//
// The form holds at most 999:59:59,999999 (kMaxValue). A value outside 0 to
// kMaxValue is shown as the nearest end and SetValue answers false; a step that
// would pass kMaxValue is refused with a beep. So the text shown always reads
// back as the value the field reports.
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
  void StepUp();

  wchar_t text_[kTextLength + 1];
};
