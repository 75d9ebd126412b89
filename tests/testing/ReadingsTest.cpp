#include "Readings.h"

#include "Settings.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Overlay = ModeDisplay::Overlay;

std::array<std::int32_t, 8> Values(int v1, int v2, int v3, int v5, int v6, int v7)
{
    return {0, v1, v2, v3, 0, v5, v6, v7};
}

} // namespace

TEST(ReadingsTest, ReadoutFormatsMatchTheFieldsAndNeverCut)
{
    EXPECT_EQ(AirText(135), "0.135");
    EXPECT_EQ(AirText(12345), "12.345");
    EXPECT_EQ(AirText(123456), "123.456"); // wider than its field, printed in full
    EXPECT_EQ(AirText(0), "0.000");
    EXPECT_EQ(PromilleTenthsText(3), "0.3");
    EXPECT_EQ(PromilleTenthsText(123), "12.3");
    EXPECT_EQ(PromilleHundredthsText(28), "0.28");
    EXPECT_EQ(PromilleHundredthsText(5), "0.05");
    EXPECT_EQ(VoltageText(5), "   5");
    EXPECT_EQ(VoltageText(65535), "65535");
}

TEST(ReadingsTest, AlcoholColourTurnsRedAbovePointTwo)
{
    EXPECT_EQ(AlcoholColour(0), AlcoholGreen);
    EXPECT_EQ(AlcoholColour(2), AlcoholGreen);
    EXPECT_EQ(AlcoholColour(3), AlcoholRed);
    EXPECT_EQ(AlcoholGreen, (Colour{0, 128, 0}));
    EXPECT_EQ(AlcoholRed, (Colour{255, 0, 0}));
}

TEST(ReadingsTest, ModesFourAndFiveShowCurrentValuesAndSixTheCompletedTest)
{
    const auto v = Values(135, 2, 28, 400, 3, 41);
    for (int mode : {4, 5}) {
        const ModeDisplay d = ModeDisplayFor(mode, v);
        EXPECT_EQ(d.overlay, Overlay::Hide);
        EXPECT_FALSE(d.setOverlayText);
        ASSERT_TRUE(d.setReadouts);
        EXPECT_EQ(d.air, "0.135");
        EXPECT_EQ(d.promille, "0.2");
        EXPECT_EQ(d.promille100, "0.28");
        EXPECT_EQ(d.promilleColour, AlcoholGreen); // V2 = 2 is not above the threshold
    }
    const ModeDisplay d = ModeDisplayFor(6, v);
    EXPECT_EQ(d.overlay, Overlay::Hide);
    EXPECT_EQ(d.air, "0.400");
    EXPECT_EQ(d.promille, "0.3");
    EXPECT_EQ(d.promille100, "0.41");
    EXPECT_EQ(d.promilleColour, AlcoholRed); // colour follows V6 in mode 6
}

TEST(ReadingsTest, CodeModesShowTheOverlayAndLeaveTheReadouts)
{
    const auto v = Values(1, 2, 3, 5, 6, 7);
    const struct {
        int mode;
        const char* code;
    } cases[] = {{1, "РП"}, {2, "РГ"}, {7, "ПП"}, {8, "ОС"}};
    for (const auto& c : cases) {
        const ModeDisplay d = ModeDisplayFor(c.mode, v);
        EXPECT_EQ(d.overlay, Overlay::Show) << c.mode;
        EXPECT_TRUE(d.setOverlayText);
        EXPECT_EQ(d.overlayText, c.code);
        EXPECT_FALSE(d.setReadouts);
    }
    // Mode 3 hides the overlay, resets its text and leaves the readouts.
    const ModeDisplay three = ModeDisplayFor(3, v);
    EXPECT_EQ(three.overlay, Overlay::Hide);
    EXPECT_EQ(three.overlayText, "0.0");
    EXPECT_FALSE(three.setReadouts);
    // Mode 0 and modes the instrument does not have change nothing.
    for (int mode : {0, 9, 65535}) {
        const ModeDisplay d = ModeDisplayFor(mode, v);
        EXPECT_EQ(d.overlay, Overlay::Unchanged);
        EXPECT_FALSE(d.setOverlayText);
        EXPECT_FALSE(d.setReadouts);
    }
}

TEST(ReadingsTest, ResultsTableHasFourteenAlignedLinesWithCappedAlcohol)
{
    std::array<std::int32_t, 256> bank2{};
    bank2[64] = 1234;
    bank2[65] = 150;
    bank2[66] = 31;
    bank2[67] = 3;
    bank2[72 + 2] = 801;
    bank2[72 + 3] = 81;
    bank2[80 + 2] = 800;
    bank2[80 + 3] = 80;
    bank2[80 + 1] = 123456;
    const auto lines = ResultsTableLines(bank2);
    ASSERT_EQ(lines.size(), 14u);
    // Every label is 22 characters, every value field 6.
    const std::string uMin = "U_min                 ";
    const std::string air = "Концентрация (воздух) ";
    const std::string blood = "Алкоголь (кровь)      ";
    EXPECT_EQ(lines[0], uMin + "  1234" + " мВ");
    EXPECT_EQ(lines[1], air + " 0.150" + " мг/л");
    EXPECT_EQ(lines[2], blood + "  0.31" + " промилле");
    EXPECT_EQ(lines[3], blood + "   0.3" + " промилле");
    EXPECT_EQ(lines[4], std::string(29, '-'));
    EXPECT_EQ(lines[5], uMin + "     0" + " мВ");
    EXPECT_EQ(lines[7], blood + "  8.00" + " промилле"); // 801 capped
    EXPECT_EQ(lines[8], blood + "   8.0" + " промилле"); // 81 capped
    EXPECT_EQ(lines[9], std::string(29, '-'));
    EXPECT_EQ(lines[11], air + "123.456" + " мг/л"); // too wide: printed in full
    EXPECT_EQ(lines[12], blood + "  8.00" + " промилле"); // 800 as is
    EXPECT_EQ(lines[13], blood + "   8.0" + " промилле");
}

TEST(ReadingsTest, SensorNumberGoesToMemoryAndStatusText)
{
    ResetSettings();
    TakeSensorNumber(4711);
    EXPECT_EQ(SensorNumber, 4711);
    EXPECT_EQ(SensorNumberText, "4711");
    EXPECT_EQ(SensorStatusText(4711), "Сенсор № 4711");
    ResetSettings();
}
