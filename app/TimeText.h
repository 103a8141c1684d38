// Interface times (signed microseconds) and their text forms.
#pragma once

#include <cstddef>
#include <cstdint>

// Hours with at least 2 digits, minutes, seconds, microseconds: 01:02:03,000004.
extern const wchar_t kTimeFormat[];
// Hours with at least 3 digits, as the time edit field shows them: 001:02:03,000004.
extern const wchar_t kTimeFormatEdit[];
// Hours, minutes and seconds only: 01:02:03.
extern const wchar_t kTimeFormatSeconds[];

constexpr int64_t kMicrosecondsPerHour = 3600000000LL;
constexpr int64_t kMicrosecondsPerMinute = 60000000LL;
constexpr int64_t kMicrosecondsPerSecond = 1000000LL;

// REFERENCE_TIME (100 ns) from an interface time, and back (truncating).
constexpr int64_t ToReferenceTime(int64_t time) { return time * 10; }
constexpr int64_t FromReferenceTime(int64_t referenceTime) { return referenceTime / 10; }

// Prints hours, minutes, seconds and microseconds of time (all 0 when time <= 0)
// with format, a printf format of up to four unsigned 64-bit conversions
// (%I64u). Writes at most size characters, the terminating zero included, and
// returns buffer.
wchar_t* FormatTime(const wchar_t* format, wchar_t* buffer, size_t size, int64_t time);
template <size_t N>
wchar_t* FormatTime(const wchar_t* format, wchar_t (&buffer)[N], int64_t time) {
  return FormatTime(format, buffer, N, time);
}

// Reads the fixed 16-character form "hhh:mm:ss,ffffff": hours from positions 0
// to 2, minutes 4 and 5, seconds 7 and 8 (each character counts as its code
// minus '0', unchecked), then a signed decimal number from position 10 taken as
// microseconds. A null text or one shorter than 16 characters gives 0.
int64_t ParseTime(const wchar_t* text);
