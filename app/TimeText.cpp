#include "TimeText.h"

#include <cwchar>

const wchar_t kTimeFormat[] = L"%.2I64u:%.2I64u:%.2I64u,%.6I64u";
const wchar_t kTimeFormatEdit[] = L"%.3I64u:%.2I64u:%.2I64u,%.6I64u";
const wchar_t kTimeFormatSeconds[] = L"%.2I64u:%.2I64u:%.2I64u";

wchar_t* FormatTime(const wchar_t* format, wchar_t* buffer, size_t size, int64_t time) {
  if (!buffer || !size) return buffer;
  uint64_t hours = 0, minutes = 0, seconds = 0, microseconds = 0;
  if (time > 0) {
    uint64_t rest = static_cast<uint64_t>(time);
    hours = rest / kMicrosecondsPerHour;
    rest %= kMicrosecondsPerHour;
    minutes = rest / kMicrosecondsPerMinute;
    rest %= kMicrosecondsPerMinute;
    seconds = rest / kMicrosecondsPerSecond;
    microseconds = rest % kMicrosecondsPerSecond;
  }
  // Printed in full first, then cut to the caller's size, so a short buffer
  // gets the start of the text whatever the runtime does on overflow.
  wchar_t text[128];
  int length = swprintf(text, sizeof text / sizeof text[0], format ? format : L"", hours, minutes, seconds,
                        microseconds);
  if (length < 0) length = 0;
  size_t n = static_cast<size_t>(length) < size - 1 ? static_cast<size_t>(length) : size - 1;
  wmemcpy(buffer, text, n);
  buffer[n] = 0;
  return buffer;
}

namespace {

int64_t Digit(wchar_t c) { return static_cast<int64_t>(c) - L'0'; }

// The fraction: white space, one optional sign, then digits to the first
// non-digit; wraps silently rather than overflowing.
int64_t ReadFraction(const wchar_t* p) {
  while (*p == L' ' || (*p >= L'\t' && *p <= L'\r')) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
  uint64_t value = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p) value = value * 10 + static_cast<uint64_t>(*p - L'0');
  return static_cast<int64_t>(negative ? 0 - value : value);
}

}  // namespace

int64_t ParseTime(const wchar_t* text) {
  if (!text || wcslen(text) < 16) return 0;
  int64_t hours = Digit(text[0]) * 100 + Digit(text[1]) * 10 + Digit(text[2]);
  int64_t minutes = Digit(text[4]) * 10 + Digit(text[5]);
  int64_t seconds = Digit(text[7]) * 10 + Digit(text[8]);
  int64_t whole = ((hours * 60 + minutes) * 60 + seconds) * kMicrosecondsPerSecond;
  return static_cast<int64_t>(static_cast<uint64_t>(whole) + static_cast<uint64_t>(ReadFraction(text + 10)));
}
