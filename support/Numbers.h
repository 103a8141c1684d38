// Conversions between numbers and text with fixed, locale-independent formats.
#pragma once

#include <cstdint>

// Longest text of any value of either width in any radix from 2 up, with sign and zero.
constexpr int kNumberTextSize = 66;

// The value in radix 2 to 36: signed in radix 10, else as the unsigned bit
// pattern. Without a buffer, a new zeroed heap buffer of kNumberTextSize characters.
wchar_t* IntToText(int32_t value, wchar_t* buffer = nullptr, int radix = 10);
char* IntToText(int32_t value, char* buffer, int radix = 10);
wchar_t* Int64ToText(int64_t value, wchar_t* buffer = nullptr, int radix = 10);
char* Int64ToText(int64_t value, char* buffer, int radix = 10);

// Fixed-point text rounded half away from zero to `digits` places, trailing
// fraction zeros removed: with 2 digits 2.5 -> "2.5", 3.0 -> "3", 0.05 -> "0.05",
// 12.345 -> "12.35". A value that rounds to zero gives "0", without a sign.
// Not-a-number gives "nan", infinities "inf" and "-inf".
wchar_t* FormatDecimal(wchar_t* buffer, int digits, double value);
char* FormatDecimal(char* buffer, int digits, double value);

// Signed decimal: leading white space and a sign accepted, stopping at the first
// non-digit; 0 for null or text without leading digits. Out-of-range values
// saturate at the type's limits.
int32_t TextToInt(const wchar_t* text);
int32_t TextToInt(const char* text);
int64_t TextToInt64(const wchar_t* text);
int64_t TextToInt64(const char* text);

// Decimal floating point with '.' as the decimal point, whatever the regional
// settings (leading white space, sign and exponent accepted); 0.0 for null or no
// number. errorPos, when given, receives -1 when every character is a digit or
// '.', else the index of the first other one: "12.5s" gives 12.5 and 4.
double TextToDouble(const wchar_t* text, int* errorPos = nullptr);
double TextToDouble(const char* text, int* errorPos = nullptr);
