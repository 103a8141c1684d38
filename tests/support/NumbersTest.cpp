#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>

#include "DecimalText.h"
#include "NumberText.h"
#include "Numbers.h"
#include "Text.h"

namespace {

std::wstring Decimal(double value, int digits) {
  wchar_t* text = FormatDecimal(static_cast<wchar_t*>(nullptr), digits, value);
  std::wstring result = text;
  FreeText(text);
  return result;
}

}  // namespace

TEST(FormatDecimal, WorkedExamples) {
  EXPECT_EQ(L"2.5", Decimal(2.5, 2));
  EXPECT_EQ(L"3", Decimal(3.0, 2));
  EXPECT_EQ(L"0.05", Decimal(0.05, 2));
  EXPECT_EQ(L"-1.5", Decimal(-1.5, 2));
  EXPECT_EQ(L"10", Decimal(10.0, 2));
  EXPECT_EQ(L"12.35", Decimal(12.345, 2));
  EXPECT_EQ(L"2", Decimal(2.0, 0));
  EXPECT_EQ(L"29.97", Decimal(29.97002997, 2));
}

TEST(FormatDecimal, RoundingEdges) {
  // Values that round to zero read "0", never "-0" or "0.".
  EXPECT_EQ(L"0", Decimal(0.0, 2));
  EXPECT_EQ(L"0", Decimal(-0.001, 2));
  EXPECT_EQ(L"0", Decimal(0.004, 2));
  // Rounding carries through nines and past the first digit.
  EXPECT_EQ(L"10", Decimal(9.999, 2));
  EXPECT_EQ(L"0.01", Decimal(0.005, 2));
  EXPECT_EQ(L"2.68", Decimal(2.675, 2));
  EXPECT_EQ(L"-3", Decimal(-2.5, 0));
  EXPECT_EQ(L"1000000", Decimal(1e6, 3));
  EXPECT_EQ(L"0.000123", Decimal(0.000123, 6));
  EXPECT_EQ(L"nan", Decimal(std::nan(""), 2));
  EXPECT_EQ(L"-inf", Decimal(-HUGE_VAL, 2));

  char narrow[16];
  EXPECT_STREQ("0.5", FormatDecimal(narrow, 3, 0.5));
  DecimalText holder(48000.0 / 1001.0, 3);
  EXPECT_STREQ(L"47.952", holder.AsText());
}

TEST(IntegerText, RadixAndSign) {
  wchar_t buffer[kNumberTextSize];
  EXPECT_STREQ(L"-2147483648", IntToText(INT32_MIN, buffer, 10));
  EXPECT_STREQ(L"ff", IntToText(255, buffer, 16));
  // Other radices show the bit pattern, so a negative value needs every digit:
  // the own buffer must hold all 32 binary digits.
  wchar_t* bits = IntToText(-1, static_cast<wchar_t*>(nullptr), 2);
  EXPECT_EQ(32u, TextLength(bits));
  FreeText(bits);
  EXPECT_STREQ(L"-9223372036854775808", Int64ToText(INT64_MIN, buffer, 10));
  char narrow[kNumberTextSize];
  EXPECT_STREQ("1777777777777777777777", Int64ToText(-1, narrow, 8));

  // A radix out of range falls back to 10, signed like radix 10 itself.
  EXPECT_STREQ(L"-5", IntToText(-5, buffer, 0));
  EXPECT_STREQ("-5", Int64ToText(-5, narrow, 37));

  NumberText code(-3, 10);
  EXPECT_STREQ(L"-3", code.AsText());
  NumberTextA hex(48879, 16);
  EXPECT_STREQ("beef", hex.AsText());
}

TEST(TextToInt, SignsSpacesAndLimits) {
  EXPECT_EQ(7, TextToInt(L" 7x"));
  EXPECT_EQ(-42, TextToInt(L"\t-42"));
  EXPECT_EQ(5, TextToInt("+5"));
  EXPECT_EQ(0, TextToInt(L"no"));
  EXPECT_EQ(0, TextToInt(static_cast<const wchar_t*>(nullptr)));
  EXPECT_EQ(INT32_MAX, TextToInt(L"99999999999"));
  EXPECT_EQ(INT32_MIN, TextToInt(L"-2147483648"));
  EXPECT_EQ(INT32_MIN, TextToInt(L"-99999999999"));
  EXPECT_EQ(INT64_MIN, TextToInt64(L"-9223372036854775808"));
  EXPECT_EQ(INT64_MAX, TextToInt64("123456789012345678901234"));
  EXPECT_EQ(3723000004LL, TextToInt64(L"3723000004"));
}

TEST(TextToDouble, ValuesAndErrorPositions) {
  int pos = 0;
  EXPECT_DOUBLE_EQ(12.5, TextToDouble(L"12.5s", &pos));
  EXPECT_EQ(4, pos);
  EXPECT_DOUBLE_EQ(1.0, TextToDouble(L"1,5", &pos));
  EXPECT_EQ(1, pos);
  EXPECT_DOUBLE_EQ(29.97, TextToDouble(L"29.97", &pos));
  EXPECT_EQ(-1, pos);
  EXPECT_DOUBLE_EQ(-2.5, TextToDouble(L"-2.5", &pos));
  EXPECT_EQ(0, pos);  // the sign is not a digit or point
  EXPECT_DOUBLE_EQ(0.0, TextToDouble(L"abc", &pos));
  EXPECT_EQ(0, pos);
  EXPECT_DOUBLE_EQ(0.0, TextToDouble(static_cast<const wchar_t*>(nullptr), &pos));
  EXPECT_EQ(-1, pos);
  EXPECT_DOUBLE_EQ(1500.0, TextToDouble(" 1.5e3"));
  EXPECT_DOUBLE_EQ(0.25, TextToDouble(L".25"));
  EXPECT_TRUE(std::isinf(TextToDouble(L"1e999")));
}

TEST(TextToDouble, OutOfRangeByMagnitudeAndLongText) {
  // Underflow and overflow are told apart by the value, not by the exponent's sign.
  std::wstring tiny = L"0." + std::wstring(330, L'0') + L"1";
  EXPECT_EQ(0.0, TextToDouble(tiny.c_str()));
  std::string huge = "1" + std::string(350, '0') + "e-10";
  EXPECT_TRUE(std::isinf(TextToDouble(huge.c_str())));
  EXPECT_EQ(0.0, TextToDouble(L"-1e-400"));
  // Long text is read whole.
  std::wstring padded = std::wstring(500, L'0') + L"1.5";
  EXPECT_DOUBLE_EQ(1.5, TextToDouble(padded.c_str()));
}

TEST(TextToDouble, IgnoresTheCRuntimeLocale) {
  // A comma-decimal C locale must change neither reading nor writing.
  const char* old = setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  if (!setlocale(LC_NUMERIC, "German_Germany.1252") && !setlocale(LC_NUMERIC, "de-DE"))
    GTEST_SKIP() << "no comma-decimal locale on this system";
  double value = TextToDouble(L"1.5");
  std::wstring text = Decimal(2.25, 2);
  setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_DOUBLE_EQ(1.5, value);
  EXPECT_EQ(L"2.25", text);
}
