// Number reading and formatting, and the 16-bit byte order.
#include "Bytes.h"
#include "Text.h"

#include <gtest/gtest.h>
#include <limits>

TEST(ReadInt, TakesBlanksSignDigitsAndStopsAtOtherCharacters)
{
    EXPECT_EQ(ReadInt(""), 0);
    EXPECT_EQ(ReadInt("   "), 0);
    EXPECT_EQ(ReadInt("  42"), 42);
    EXPECT_EQ(ReadInt("-17"), -17);
    EXPECT_EQ(ReadInt("+5"), 5);
    EXPECT_EQ(ReadInt("12ab"), 12);
    EXPECT_EQ(ReadInt("3.75"), 3);
    EXPECT_EQ(ReadInt("abc"), 0);
    EXPECT_EQ(ReadInt("-"), 0);
    EXPECT_EQ(ReadInt(" 1 2"), 1);
}

TEST(ReadInt, ReadsHexadecimalAfterDollarOrZeroX)
{
    EXPECT_EQ(ReadInt("$FF"), 255);
    EXPECT_EQ(ReadInt("0x1b"), 27);
    EXPECT_EQ(ReadInt("0X10"), 16);
    EXPECT_EQ(ReadInt("-$10"), -16);
    EXPECT_EQ(ReadInt("$1G"), 1);
    EXPECT_EQ(ReadInt("0x"), 0);
    // Without the prefix hex letters end the number.
    EXPECT_EQ(ReadInt("1F"), 1);
}

TEST(ReadFixedPoint, TakesAFractionAfterAPointOrACommaAndCutsTheRest)
{
    EXPECT_EQ(ReadFixedPoint("12.57", 1), 125);
    EXPECT_EQ(ReadFixedPoint(" 12,5 ч", 2), 1250);
    EXPECT_EQ(ReadFixedPoint("7", 1), 70);
    EXPECT_EQ(ReadFixedPoint("-0.19", 1), -1);
    EXPECT_EQ(ReadFixedPoint(".5", 1), 5);
    EXPECT_EQ(ReadFixedPoint("", 1), 0);
    EXPECT_EQ(ReadFixedPoint("x1", 1), 0);
    EXPECT_EQ(ReadFixedPoint("99999999999999999999", 1), std::numeric_limits<std::int64_t>::max());
}

TEST(ReadInt, SaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(ReadInt("99999999999999999999999"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ReadInt("-99999999999999999999999"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(ReadInt("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
}

TEST(Format, IntegersAreRightAlignedAndNeverCut)
{
    EXPECT_EQ(FormatInt(7, 3), "  7");
    EXPECT_EQ(FormatInt(-7, 3), " -7");
    EXPECT_EQ(FormatInt(1234, 2), "1234");
    EXPECT_EQ(FormatInt(0, 0), "0");
}

TEST(Format, FixedDecimalsAreExact)
{
    EXPECT_EQ(FormatFixed(135, 3, 5), "0.135");
    EXPECT_EQ(FormatFixed(12345, 3, 5), "12.345");
    EXPECT_EQ(FormatFixed(3, 1, 3), "0.3");
    EXPECT_EQ(FormatFixed(28, 2, 4), "0.28");
    EXPECT_EQ(FormatFixed(800, 2, 6), "  8.00");
    EXPECT_EQ(FormatFixed(150, 3, 6), " 0.150");
    EXPECT_EQ(FormatFixed(0, 1, 3), "0.0");
    EXPECT_EQ(FormatFixed(-5, 2, 6), " -0.05");
    EXPECT_EQ(FormatFixed(123456, 3, 5), "123.456");
    EXPECT_EQ(FormatFixed(42, 0, 4), "  42");
}

TEST(Format, TwoDigitsTimeAndDate)
{
    EXPECT_EQ(TwoDigits(5), "05");
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(31), "31");
    EXPECT_EQ(TwoDigits(123), "123");
    EXPECT_EQ(TwoDigits(256 + 7), "07"); // taken modulo 256
    EXPECT_EQ(TimeText(9, 5, 0), "09:05:00");
    EXPECT_EQ(DateText(7, 12, 2026), "07-12-2026");
    EXPECT_EQ(DateText(1, 1, 99), "01-01-  99");
}

TEST(Bytes, HighByteFirst)
{
    std::uint8_t b[2];
    PackWord(b, 1234);
    EXPECT_EQ(b[0], 0x04);
    EXPECT_EQ(b[1], 0xD2);
    EXPECT_EQ(UnpackWord(b), 1234);
    PackWord(b, 65535);
    EXPECT_EQ(UnpackWord(b), 65535);
    PackWord(b, 0);
    EXPECT_EQ(UnpackWord(b), 0);
}
