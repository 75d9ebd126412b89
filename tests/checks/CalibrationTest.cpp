// The two-point calibration of the measuring path.
#include "Calibration.h"

#include <gtest/gtest.h>

TEST(Calibration, WorkedExample)
{
    // Counts 100 and 800 (as register 11 holds them, times 8) at 600 and 4000 mV.
    const auto c = ComputeCalibration(6400, 800, 4000, 600);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->ZeroOffset, 114);   // 600 - 485.71 rounded up to 486
    EXPECT_EQ(c->Supply, 5083);      // 4000 + 1083.1 cut to 1083
}

TEST(Calibration, AFractionOfExactlyHalfStaysDownAndJustAboveGoesUp)
{
    EXPECT_EQ(RoundAboveHalf(2.5), 2);
    EXPECT_EQ(RoundAboveHalf(2.51), 3);
    EXPECT_EQ(RoundAboveHalf(-2.7), -2); // a negative fraction adds nothing

    // Slope 1 mV per count: the low part is 4/8 = 0.5 and the high part
    // (8184 - 8180)/8 = 0.5, both cut.
    auto c = ComputeCalibration(8180, 4, 5000, 3978);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->ZeroOffset, 3978);
    EXPECT_EQ(c->Supply, 5000);
    // Slope 1.02: the low share, 0.51, goes up to 1.
    c = ComputeCalibration(404, 4, 651, 600);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->ZeroOffset, 599);
    EXPECT_EQ(c->Supply, 651 + 992); // 972.5 * 1.02 = 991.95
}

TEST(Calibration, SupplyIsCappedAt5099AndZeroOffsetFlooredAt0)
{
    // Slope 1 mV per count, U1 ten counts below the top, U2 at count 100.
    for (auto [r1, supply] : {std::pair{5088, 5098}, {5089, 5099}, {5090, 5099}, {6000, 5099}}) {
        const auto c = ComputeCalibration(8104, 800, r1, r1 - 913);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->Supply, supply) << r1;
        EXPECT_EQ(c->ZeroOffset, r1 - 913 - 100);
    }
    // The part below U2 exceeds U2's voltage: the offset is 0, not negative.
    for (int r2 : {100, 99, 50}) {
        const auto c = ComputeCalibration(8104, 800, r2 + 913, r2);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->ZeroOffset, 0) << r2;
    }
    // Nonsense typed voltages never give a word outside its range.
    const auto c = ComputeCalibration(6400, 800, -2000000000, 2000000000);
    ASSERT_TRUE(c);
    EXPECT_GE(c->ZeroOffset, 0);
    EXPECT_LE(c->ZeroOffset, WordMax);
    EXPECT_GE(c->Supply, 0);
    EXPECT_LE(c->Supply, SupplyCeiling);
}

TEST(Calibration, EqualCountsGiveNoCalibration)
{
    EXPECT_FALSE(ComputeCalibration(4000, 4000, 3000, 600));
}
