#include "TimeEdit.h"

#include <cwchar>

#include "TimeText.h"

namespace {

const wchar_t kInitialText[] = L"000:00:00,000000";

bool IsSeparatorPosition(int p) { return p == 3 || p == 6 || p == 9; }

// The step of the field the caret is in: hours, minutes, seconds or microseconds.
int64_t StepAt(int p) {
  if (p < 4) return kMicrosecondsPerHour;
  if (p < 7) return kMicrosecondsPerMinute;
  if (p < 10) return kMicrosecondsPerSecond;
  return 1;
}

}  // namespace

TimeEdit::TimeEdit() { TimeEdit::InitDefaults(); }

TimeEdit::TimeEdit(HWND parent, HINSTANCE instance) : TimeEdit() { Create(parent, instance); }

void TimeEdit::InitDefaults() {
  SetDefaults(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, 120, 20);
  wcscpy(text_, kInitialText);
}

DWORD TimeEdit::Create(HWND parent, HINSTANCE instance) {
  DWORD error = EditBox::Create(parent, instance);
  if (error) return error;
  Send(EM_LIMITTEXT, kTextLength);
  ShowText();
  return 0;
}

int64_t TimeEdit::GetValue() const { return ParseTime(text_); }

bool TimeEdit::SetValue(int64_t time) {
  int64_t held = time < 0 ? 0 : (time > kMaxValue ? kMaxValue : time);
  FormatTime(kTimeFormatEdit, text_, held);
  ShowText();
  return held == time;
}

void TimeEdit::ShowText() { SetText(text_); }

int TimeEdit::CaretPosition() const {
  DWORD start = 0;
  Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

void TimeEdit::TypeDigit(wchar_t digit) {
  int p = CaretPosition();
  if (IsSeparatorPosition(p)) ++p;
  text_[p] = digit;
  // Tens of minutes and of seconds stop at 5.
  if (text_[4] > L'5') text_[4] = L'5';
  if (text_[7] > L'5') text_[7] = L'5';
  ShowText();
  Send(EM_SETSEL, p + 1, p + 1);
}

bool TimeEdit::WholeTextSelected() const {
  DWORD start = 0, end = 0;
  Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start == 0 && end >= static_cast<DWORD>(kTextLength);
}

bool TimeEdit::EnterCharacter(wchar_t c) {
  // Selecting everything again starts afresh; a caret moved elsewhere ends it.
  if (entering_ && (WholeTextSelected() || CaretPosition() != entryCaret_)) entering_ = false;
  if (!entering_) {
    if (!WholeTextSelected()) return false;
    entering_ = true;
    enteringFraction_ = false;
    entrySeconds_ = entryFraction_ = 0;
    fractionDigits_ = 0;
  }
  if (c == L',' || c == L'.') {
    enteringFraction_ = true;
  } else if (enteringFraction_) {
    if (fractionDigits_ == 6) {
      MessageBeep(MB_OK);
      return true;
    }
    entryFraction_ = entryFraction_ * 10 + (c - L'0');
    ++fractionDigits_;
  } else {
    // hhh mm ss holds seven digits; more would only push hours off the field.
    if (entrySeconds_ >= 1000000LL) {
      MessageBeep(MB_OK);
      return true;
    }
    entrySeconds_ = entrySeconds_ * 10 + (c - L'0');
  }
  ShowEntry();
  return true;
}

void TimeEdit::ShowEntry() {
  int64_t hours = entrySeconds_ / 10000, minutes = entrySeconds_ / 100 % 100, seconds = entrySeconds_ % 100;
  int64_t fraction = entryFraction_;
  for (int k = fractionDigits_; k < 6; ++k) fraction *= 10;
  int64_t value = hours * kMicrosecondsPerHour + minutes * kMicrosecondsPerMinute +
                  seconds * kMicrosecondsPerSecond + fraction;
  if (!SetValue(value)) MessageBeep(MB_OK);  // held at the field's end
  entryCaret_ = enteringFraction_ ? 10 + fractionDigits_ : 9;
  Send(EM_SETSEL, entryCaret_, entryCaret_);
}

void TimeEdit::StepUp() {
  int p = CaretPosition();
  int64_t value = ParseTime(text_);
  int64_t step = StepAt(p);
  if (value > kMaxValue - step) {
    MessageBeep(MB_OK);  // the field cannot show the result
    return;
  }
  SetValue(value + step);
  Send(EM_SETSEL, p, p);
}

LRESULT TimeEdit::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR: {
      const bool digit = wParam >= L'0' && wParam <= L'9';
      if ((digit || wParam == L',' || wParam == L'.') && EnterCharacter(static_cast<wchar_t>(wParam))) return 0;
      if (digit && CaretPosition() < kTextLength) {
        TypeDigit(static_cast<wchar_t>(wParam));
        return 0;
      }
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_KILLFOCUS:
      entering_ = false;
      break;
    case WM_KEYDOWN:
      // Keys that move the caret end a new value; typing keys do not.
      if (wParam >= VK_PRIOR && wParam <= VK_DOWN) entering_ = false;
      if (wParam == VK_DELETE) return 0;
      if (wParam == VK_UP) {
        StepUp();
        return 0;
      }
      break;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR: {
      // Let the control do it (a cut still copies), then take the change back.
      LRESULT result = EditBox::WindowProc(hwnd, message, wParam, lParam);
      Send(EM_UNDO);
      Send(EM_EMPTYUNDOBUFFER);
      return result;
    }
  }
  return EditBox::WindowProc(hwnd, message, wParam, lParam);
}
