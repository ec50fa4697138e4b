#include <gtest/gtest.h>

#include <cmath>
#include <cwctype>
#include <string>

#include "framework/base/QeDateTime.h"
#include "framework/base/QeGuid.h"
#include "framework/base/QeMath.h"

namespace {

TEST(QeGuidTest, TextFormsOfKnownBytes) {
    const uint8_t bytes[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                               0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
    const QeGuid guid(bytes);
    EXPECT_EQ(L"33221100-5544-7766-8899-aabbccddeeff", guid.ToString(0));
    EXPECT_EQ(L"3322110077665544bbaa9988ffeeddcc", guid.ToString(1));
    EXPECT_EQ(L"", guid.ToString(2));
    EXPECT_EQ(L"", guid.ToString(-1));

    const uint8_t zeros[16] = {};
    EXPECT_EQ(L"00000000-0000-0000-0000-000000000000", QeGuid(zeros).ToString(0));
    EXPECT_EQ(std::wstring(32, L'0'), QeGuid(zeros).ToString(1));
}

TEST(QeGuidTest, FreshGuidsAreRandomVersion4) {
    const QeGuid first;
    const QeGuid second;
    const std::wstring text = first.ToString(0);
    ASSERT_EQ(36u, text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            EXPECT_EQ(L'-', text[i]) << i;
        } else {
            EXPECT_TRUE(std::iswxdigit(text[i]) && !std::iswupper(text[i])) << i;
        }
    }
    EXPECT_EQ(L'4', text[14]);
    EXPECT_NE(std::wstring::npos, std::wstring(L"89ab").find(text[19]));
    EXPECT_EQ(32u, first.ToString(1).size());
    EXPECT_NE(first.ToString(0), second.ToString(0));
}

QeDateTime March7() {
    QeDateTime t;
    t.year = 2024;
    t.month = 3;
    t.day = 7;
    t.hour = 9;
    t.minute = 5;
    t.second = 2;
    t.millisecond = 45;
    return t;
}

TEST(FormatDateTimeTest, PadsEachFieldToItsLetterCount) {
    std::wstring out;
    FormatDateTime(March7(), out, L"yyyy-MM-dd hh:mm:ss");
    EXPECT_EQ(L"2024-03-07 09:05:02", out);
    FormatDateTime(March7(), out, L"yyyyMMddhhmmss");
    EXPECT_EQ(L"20240307090502", out);
    FormatDateTime(March7(), out, L"yy/M/d z zzz");
    EXPECT_EQ(L"24/3/7 z zzz", out);  // "z" and "zzz" make a count of 4: neither run is 4 long
    FormatDateTime(March7(), out, L"z");
    EXPECT_EQ(L"5", out);  // the last digit only
}

TEST(FormatDateTimeTest, LettersAreCountedOverTheWholePattern) {
    QeDateTime t = March7();
    t.hour = 23;
    std::wstring out;
    // Two separate runs of one letter add up: neither is as long as the count, so both stay.
    FormatDateTime(t, out, L"hh:hh");
    EXPECT_EQ(L"hh:hh", out);
    FormatDateTime(t, out, L"hh");
    EXPECT_EQ(L"23", out);  // no 12-hour form
    FormatDateTime(t, out, L"yyyyyy");
    EXPECT_EQ(L"002024", out);
    FormatDateTime(t, out, L"zzzz");
    EXPECT_EQ(L"0045", out);
    FormatDateTime(t, out, L"Date: (none) ");
    EXPECT_EQ(L"Date: (none) ", out);
    FormatDateTime(t, out, L"");
    EXPECT_EQ(L"", out);
    FormatDateTime(QeDateTime(), out, L"yyyy-MM-dd");
    EXPECT_EQ(L"0000-00-00", out);
}

TEST(ParseDateTimeTest, FixedPositionsOfTheTwoKnownPatterns) {
    QeDateTime t;
    ParseDateTime(t, L"20240307090502", L"yyyyMMddhhmmss");
    QeDateTime expected = March7();
    expected.millisecond = 0;
    EXPECT_EQ(expected, t);
    std::wstring back;
    FormatDateTime(t, back, L"yyyyMMddhhmmss");
    EXPECT_EQ(L"20240307090502", back);

    ParseDateTime(t, L"20240307", L"yyyyMMdd");
    expected.hour = expected.minute = expected.second = 0;
    EXPECT_EQ(expected, t);
    // The time fields are not read for the date pattern even when the text has them.
    ParseDateTime(t, L"20240307090502", L"yyyyMMdd");
    EXPECT_EQ(expected, t);
    // A text too short for the time leaves the time zero.
    ParseDateTime(t, L"20240307", L"yyyyMMddhhmmss");
    EXPECT_EQ(expected, t);
}

TEST(ParseDateTimeTest, ShortAndMalformedTextsGiveZeros) {
    QeDateTime t = March7();
    ParseDateTime(t, L"20240307090502", L"yyyy-MM-dd");
    EXPECT_EQ(QeDateTime(), t);

    ParseDateTime(t, L"", L"yyyyMMddhhmmss");
    EXPECT_EQ(QeDateTime(), t);

    ParseDateTime(t, L"2024030", L"yyyyMMdd");  // the day is cut to one digit
    EXPECT_EQ(2024, t.year);
    EXPECT_EQ(3, t.month);
    EXPECT_EQ(0, t.day);

    ParseDateTime(t, L"abcd0x07 9xx", L"yyyyMMddhhmmss");
    EXPECT_EQ(0, t.year);
    EXPECT_EQ(0, t.month);
    EXPECT_EQ(7, t.day);
    EXPECT_EQ(9, t.hour);  // " 9": leading white space is skipped
    EXPECT_EQ(0, t.minute);
}

TEST(QeLocalTimeTest, FieldsAreInRange) {
    QeDateTime now;
    QeLocalTime(now);
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_LE(now.hour, 23);
    EXPECT_LE(now.millisecond, 999);
}

TEST(PowFTest, ComputesInDoublePrecision) {
    EXPECT_EQ(1024.0f, PowF(2.0f, 10.0f));
    EXPECT_EQ(static_cast<float>(std::sqrt(2.0)), PowF(2.0f, 0.5f));
    EXPECT_EQ(1.0f, PowF(0.0f, 0.0f));
    EXPECT_EQ(0.125f, PowF(2.0f, -3.0f));
}

}  // namespace
