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

TEST(FormatDecimal, TrimsAndRounds) {
  struct {
    double value;
    int digits;
    const wchar_t* text;
  } cases[] = {
      {0.05, 2, L"0.05"}, {-1.5, 2, L"-1.5"}, {12.345, 2, L"12.35"}, {29.97002997, 2, L"29.97"},
      // Values that round to zero read "0", never "-0" or "0.".
      {0.0, 2, L"0"}, {-0.001, 2, L"0"}, {0.004, 2, L"0"},
      // Rounding carries through nines and past the first digit.
      {9.999, 2, L"10"}, {0.005, 2, L"0.01"}, {2.675, 2, L"2.68"}, {-2.5, 0, L"-3"},
      {1e6, 3, L"1000000"}, {0.000123, 6, L"0.000123"}, {std::nan(""), 2, L"nan"}, {-HUGE_VAL, 2, L"-inf"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, Decimal(c.value, c.digits)) << c.value;
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
  struct {
    const wchar_t* text;
    double value;
    int errorAt;
  } cases[] = {
      {L"12.5s", 12.5, 4}, {L"1,5", 1.0, 1}, {L"29.97", 29.97, -1},
      {L"-2.5", -2.5, 0},  // the sign is not a digit or point
      {L"abc", 0.0, 0},    {nullptr, 0.0, -1},
  };
  for (const auto& c : cases) {
    int pos = 99;
    EXPECT_DOUBLE_EQ(c.value, TextToDouble(c.text, &pos)) << c.value;
    EXPECT_EQ(c.errorAt, pos) << c.value;
  }
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
