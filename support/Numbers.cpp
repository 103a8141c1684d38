#include "Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "Text.h"

namespace {

template <class C>
C* UnsignedToText(uint64_t magnitude, bool negative, C* buffer, int radix) {
  if (radix < 2 || radix > 36) radix = 10;
  if (!buffer) buffer = new C[kNumberTextSize]();
  char digits[kNumberTextSize];
  int n = 0;
  do {
    int d = int(magnitude % radix);
    digits[n++] = char(d < 10 ? '0' + d : 'a' + d - 10);
    magnitude /= radix;
  } while (magnitude);
  C* out = buffer;
  if (negative) *out++ = '-';
  while (n) *out++ = C(digits[--n]);
  *out = 0;
  return buffer;
}

template <class C>
C* SignedToText(int64_t value, uint64_t bits, C* buffer, int radix) {
  if (radix < 2 || radix > 36) radix = 10;  // decided here, so the fallback is signed too
  if (radix == 10 && value < 0) return UnsignedToText(0 - uint64_t(value), true, buffer, radix);
  return UnsignedToText(radix == 10 ? uint64_t(value) : bits, false, buffer, radix);
}

bool IsSpace(unsigned c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

template <class C>
int64_t ToInt(const C* text, int64_t low, int64_t high) {
  if (!text) return 0;
  while (IsSpace(unsigned(*text))) ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  // Accumulate as a negative number so the most negative value fits.
  int64_t value = 0;
  bool saturated = false;
  for (; *text >= '0' && *text <= '9'; ++text) {
    int d = int(*text - '0');
    if (value < (std::numeric_limits<int64_t>::min() + d) / 10) saturated = true;
    if (!saturated) value = value * 10 - d;
  }
  if (saturated) return negative ? low : high;
  if (negative) return value < low ? low : value;
  if (value < -high) return high;
  return -value;
}

// The decimal exponent of the first significant digit of the number that from_chars
// read from [p, end): below 0 when an out-of-range result underflowed.
long long DecimalExponent(const char* p, const char* end) {
  long long exponent = 0;
  bool seen = false, point = false;
  for (; p < end && *p != 'e' && *p != 'E'; ++p) {
    if (*p == '.') {
      point = true;
    } else if (point) {
      if (!seen) {
        --exponent;
        seen = *p != '0';
      }
    } else if (seen) {
      ++exponent;
    } else {
      seen = *p != '0';
    }
  }
  if (p >= end) return exponent;
  ++p;
  bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  long long written = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p)
    if (written < 1000000000) written = written * 10 + (*p - '0');
  return negative ? exponent - written : exponent + written;
}

// The longest prefix of text that reads as a number, copied narrow.
template <class C>
double ToDouble(const C* text, int* errorPos) {
  if (errorPos) {
    *errorPos = -1;
    for (int i = 0; text && text[i]; ++i)
      if (!((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) {
        *errorPos = i;
        break;
      }
  }
  if (!text) return 0.0;
  while (IsSpace(unsigned(*text))) ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  // Any length: leading zeros or long digit strings must not be cut off.
  std::string narrow;
  for (size_t n = 0; text[n] && unsigned(text[n]) < 128; ++n) narrow += char(text[n]);
  const char* begin = narrow.c_str();
  double value = 0.0;
  auto result = std::from_chars(begin, begin + narrow.size(), value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return 0.0;
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone; follow strtod's overflow and underflow
    // results, judged by magnitude (0.000...1 has no exponent, 1000...e-10 a negative one).
    value = DecimalExponent(begin, result.ptr) < 0 ? 0.0 : HUGE_VAL;
  }
  return negative ? -value : value;
}

// Rounds |value| to `digits` places: fills the decimal digits of the result and
// returns where the decimal point falls among them (may be <= 0).
int RoundedDigits(double magnitude, int digits, char* out, int* count) {
  // Fifteen significant digits first, so 12.345 rounds as written, not as stored.
  char e[40];
  snprintf(e, sizeof e, "%.14e", magnitude);
  char mantissa[20];
  int m = 0;
  for (const char* p = e; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') mantissa[m++] = *p;
  int point = atoi(strchr(e, 'e') + 1) + 1;
  int keep = point + digits;  // significant digits that survive the rounding
  if (keep < 0) {
    *count = 0;
    return point;
  }
  int n = keep < m ? keep : m;
  memcpy(out, mantissa, n);
  bool up = keep < m && mantissa[keep] >= '5';
  while (n < keep) out[n++] = '0';
  if (up) {
    int i = n - 1;
    for (; i >= 0 && out[i] == '9'; --i) out[i] = '0';
    if (i >= 0) {
      ++out[i];
    } else {
      memmove(out + 1, out, n);
      out[0] = '1';
      ++n;
      ++point;
    }
  }
  *count = n;
  return point;
}

template <class C>
C* Decimal(C* buffer, int digits, double value) {
  char text[400];
  if (std::isnan(value)) {
    strcpy(text, "nan");
  } else if (std::isinf(value)) {
    strcpy(text, value < 0 ? "-inf" : "inf");
  } else {
    if (digits < 0) digits = 0;
    if (digits > 30) digits = 30;
    char d[400];
    int count = 0;
    int point = RoundedDigits(std::fabs(value), digits, d, &count);
    // Drop fraction zeros, never the first digit.
    int last = count;
    while (last > 1 && last > point && d[last - 1] == '0') --last;
    bool zero = true;
    for (int i = 0; i < last; ++i) zero = zero && d[i] == '0';
    char* out = text;
    if (zero) {
      *out++ = '0';
    } else {
      if (value < 0) *out++ = '-';
      if (point <= 0) {
        *out++ = '0';
        *out++ = '.';
        for (int i = point; i < 0; ++i) *out++ = '0';
        memcpy(out, d, last);
        out += last;
      } else {
        for (int i = 0; i < point; ++i) *out++ = i < last ? d[i] : '0';
        if (last > point) {
          *out++ = '.';
          memcpy(out, d + point, last - point);
          out += last - point;
        }
      }
    }
    *out = 0;
  }
  size_t n = strlen(text);
  if (!buffer) buffer = new C[n + 1];
  for (size_t i = 0; i <= n; ++i) buffer[i] = C(text[i]);
  return buffer;
}

}  // namespace

wchar_t* IntToText(int32_t value, wchar_t* buffer, int radix) { return SignedToText(value, uint32_t(value), buffer, radix); }
char* IntToText(int32_t value, char* buffer, int radix) { return SignedToText(value, uint32_t(value), buffer, radix); }
wchar_t* Int64ToText(int64_t value, wchar_t* buffer, int radix) { return SignedToText(value, uint64_t(value), buffer, radix); }
char* Int64ToText(int64_t value, char* buffer, int radix) { return SignedToText(value, uint64_t(value), buffer, radix); }

wchar_t* FormatDecimal(wchar_t* buffer, int digits, double value) { return Decimal(buffer, digits, value); }
char* FormatDecimal(char* buffer, int digits, double value) { return Decimal(buffer, digits, value); }

int32_t TextToInt(const wchar_t* text) { return int32_t(ToInt(text, INT32_MIN, INT32_MAX)); }
int32_t TextToInt(const char* text) { return int32_t(ToInt(text, INT32_MIN, INT32_MAX)); }
int64_t TextToInt64(const wchar_t* text) { return ToInt(text, INT64_MIN, INT64_MAX); }
int64_t TextToInt64(const char* text) { return ToInt(text, INT64_MIN, INT64_MAX); }

double TextToDouble(const wchar_t* text, int* errorPos) { return ToDouble(text, errorPos); }
double TextToDouble(const char* text, int* errorPos) { return ToDouble(text, errorPos); }
