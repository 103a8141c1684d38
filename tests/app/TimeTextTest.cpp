#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>

#include "TimeText.h"

namespace {

std::wstring Format(const wchar_t* format, int64_t time) {
  wchar_t buffer[64];
  return FormatTime(format, buffer, time);
}

}  // namespace

TEST(FormatTime, FieldsAndFormats) {
  EXPECT_EQ(L"00:00:00,000000", Format(kTimeFormat, 0));
  EXPECT_EQ(L"00:00:00,000000", Format(kTimeFormat, -1));
  EXPECT_EQ(L"00:00:00,000000", Format(kTimeFormat, INT64_MIN));
  EXPECT_EQ(L"01:02:03,000004", Format(kTimeFormat, 3723000004LL));
  EXPECT_EQ(L"01:02:03", Format(kTimeFormatSeconds, 3723000004LL));
  EXPECT_EQ(L"001:02:03,000004", Format(kTimeFormatEdit, 3723000004LL));
  EXPECT_EQ(L"100:00:00,000000", Format(kTimeFormat, 360000000000LL));
  EXPECT_EQ(L"1000:00:00,000000", Format(kTimeFormatEdit, 1000 * kMicrosecondsPerHour));
  // The largest time: hours beyond 32 bits print in full.
  EXPECT_EQ(L"2562047788:00:54,775807", Format(kTimeFormat, INT64_MAX));
}

TEST(FormatTime, NeverWritesPastTheBuffer) {
  wchar_t buffer[10];
  wmemset(buffer, L'#', 10);
  EXPECT_STREQ(L"001:02:0", FormatTime(kTimeFormatEdit, buffer, 9, 3723000004LL));
  EXPECT_EQ(L'#', buffer[9]);
  wchar_t edit[17];
  EXPECT_STREQ(L"999:59:59,999999", FormatTime(kTimeFormatEdit, edit, 1000 * kMicrosecondsPerHour - 1));
  EXPECT_STREQ(L"1000:00:00,00000", FormatTime(kTimeFormatEdit, edit, 1000 * kMicrosecondsPerHour));
}

TEST(ParseTime, FixedPositionsAndFraction) {
  EXPECT_EQ(3723000004LL, ParseTime(L"001:02:03,000004"));
  EXPECT_EQ(0, ParseTime(L"001:02:03,4"));  // shorter than 16 characters
  EXPECT_EQ(3723000004LL, ParseTime(L"001:02:03,4     "));
  EXPECT_EQ(3723000004LL, ParseTime(L"001:02:03,     4"));
  EXPECT_EQ(3723000004LL, ParseTime(L"001x02y03z000004"));  // separators are not read
  EXPECT_EQ(0, ParseTime(nullptr));
  EXPECT_EQ(999995, ParseTime(L"000:00:01,-00005"));
  EXPECT_EQ(3723000000LL + 1234567, ParseTime(L"001:02:03,1234567"));  // not scaled
  EXPECT_EQ(360000000000LL, ParseTime(L"100:00:00,000000"));
}

TEST(ParseTime, RoundTripsThroughTheEditForm) {
  const int64_t times[] = {0, 1, 999999, 59999999, 3599999999LL, 3723000004LL, 1000 * kMicrosecondsPerHour - 1};
  for (int64_t time : times) {
    wchar_t text[17];
    EXPECT_EQ(time, ParseTime(FormatTime(kTimeFormatEdit, text, time))) << time;
  }
  // A reference time not a multiple of 10 loses its last digit.
  EXPECT_EQ(L"00:00:00,000001", Format(kTimeFormat, FromReferenceTime(15)));
  EXPECT_EQ(10, ToReferenceTime(FromReferenceTime(15)));
  EXPECT_EQ(-1, FromReferenceTime(-15));
}
