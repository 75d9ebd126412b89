// Derivation of the characteristic from the seven points, its inverse, the
// fixed service words and the voltage expected for a blood-alcohol value.
#include "Characteristic.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

namespace {

// Points of a typical sensor, from clean air down to 2.0 promille.
const SensorPointTable Typical = {4000, 3500, 3000, 2000, 1800, 1000, 500};

class Characteristic : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data_Sen.fill(0);
        SensorPoints.fill(0);
        SensorNumber = 1234;
    }
    void TearDown() override { ResetSettings(); }
};

SensorTable Derived(const SensorPointTable& points)
{
    SensorTable table{};
    DeriveSensorTable(points, table);
    return table;
}

TEST_F(Characteristic, DerivesNodesAndThresholdsOfATypicalSensor)
{
    SensorTable w;
    w.fill(-7); // entries the derivation must leave alone
    DeriveSensorTable(Typical, w);

    const SensorTable expected = {
        4000, 3500, 3000, 2400, 2220, 2000, 1800, 1400, 1220, 1100, 1000, // nodes 0.0 .. 1.0
        -7,                                                               // 11 untouched
        3600,                                                             // 12: 80 % towards 0.1
        -7,                                                               // 13 untouched
        3600, 3150, 2580, 2274, 2066, 1860, 1520, 1274, 1136, 1070,       // thresholds 14 .. 23
        1020,                                                             // 24 = 1070 - 500 div 10
        -7, -7, -7, -7, -7, -7,                                           // 25 .. 30 untouched
        1234,                                                             // 31 = sensor number
    };
    EXPECT_EQ(w, expected);
}

TEST_F(Characteristic, DerivationOnDataSenKeepsTheProgramsEntries)
{
    for (int i = 0; i < DataSenSize; ++i)
        Data_Sen[i] = 100 + i;
    DeriveSensorTable(Typical, Data_Sen);
    EXPECT_EQ(Data_Sen[0], 4000);
    EXPECT_EQ(Data_Sen[24], 1020);
    EXPECT_EQ(Data_Sen[31], 1234);
    for (int i = 32; i < DataSenSize; ++i)
        EXPECT_EQ(Data_Sen[i], 100 + i) << "entry " << i;
}

TEST_F(Characteristic, QuotientsAreTruncatedTowardZero)
{
    // 15 * 6 div 10 = 9 and 15 * 78 div 100 = 11.
    SensorTable w = Derived({4000, 3500, 3015, 3000, 2900, 1000, 500});
    EXPECT_EQ(w[3], 3015 - 9);
    EXPECT_EQ(w[4], 3015 - 11);

    // A point above its neighbour gives negative differences, which still
    // truncate toward zero (floor would give 3012 and 1071).
    w = Derived({4000, 3500, 3000, 3015, 2900, 1000, 1005});
    EXPECT_EQ(w[4], 3000 + 11);
    EXPECT_EQ(w[24], w[23]); // -5 div 10 = 0
}

TEST_F(Characteristic, PointsComeBackWithTheStepAboveOnePromille)
{
    SensorPointTable points = Typical;
    DeriveSensorTable(points, Data_Sen);
    PointsFromSensorTable();
    EXPECT_EQ(SensorPoints, Typical);

    points[6] = 505; // the step 495 div 10 = 49 gives back 1000 - 490
    DeriveSensorTable(points, Data_Sen);
    PointsFromSensorTable();
    SensorPointTable expected = Typical;
    expected[6] = 510;
    EXPECT_EQ(SensorPoints, expected);
}

TEST_F(Characteristic, CompletingSetsServiceWordsAndCopies)
{
    for (int i = 0; i < DataSenSize; ++i)
        Data_Sen[i] = 9000 + i;
    DeriveSensorTable(Typical, Data_Sen);
    Data_Sen[11] = 1;
    CompleteSensorTable();

    EXPECT_EQ(Data_Sen[13], 0);
    EXPECT_EQ(Data_Sen[25], 5000);
    EXPECT_EQ(Data_Sen[26], 30);
    EXPECT_EQ(Data_Sen[27], 1234);
    EXPECT_EQ(Data_Sen[28], 0);
    EXPECT_EQ(Data_Sen[29], 0);
    EXPECT_EQ(Data_Sen[30], 0);
    EXPECT_EQ(Data_Sen[31], 1234);
    // Entries 32..47 and 48..63 are two copies of 11..26 after the fixes.
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Data_Sen[32 + i], Data_Sen[11 + i]) << "copy 1, entry " << 11 + i;
        EXPECT_EQ(Data_Sen[48 + i], Data_Sen[11 + i]) << "copy 2, entry " << 11 + i;
    }
    EXPECT_EQ(Data_Sen[32], 1);
    EXPECT_EQ(Data_Sen[0], 4000); // the characteristic itself is kept
}

TEST_F(Characteristic, VoltageFollowsTheNodesUpToOnePromille)
{
    DeriveSensorTable(Typical, Data_Sen);
    EXPECT_EQ(VoltageAtAlcohol(0), 4000);
    EXPECT_EQ(VoltageAtAlcohol(5), 3800);   // halfway from clean air to W14 = 3600
    EXPECT_EQ(VoltageAtAlcohol(10), 3600);
    EXPECT_EQ(VoltageAtAlcohol(30), 2580);  // W16
    EXPECT_EQ(VoltageAtAlcohol(33), 2580 - 3 * 306 / 10);
    EXPECT_EQ(VoltageAtAlcohol(100), 1070); // W23
    EXPECT_EQ(VoltageAtAlcohol(120), 900);  // 1000 - 2 * 50

    int previous = VoltageAtAlcohol(0);
    for (int a = 1; a <= MaxAlcohol; ++a) {
        const int v = VoltageAtAlcohol(a);
        ASSERT_LE(v, previous) << "at " << a;
        ASSERT_GE(v, 0) << "at " << a;
        previous = v;
    }
}

TEST_F(Characteristic, VoltageRoundingTruncatesTowardZero)
{
    // Above 1.0 promille the tenth of the step is a fraction: 55 / 10 = 5.5,
    // so 125 gives 1000 - (2 * 55 + 5 * 5.5) = 862.5, cut to 862.
    SensorTable w{};
    w[10] = 1000;
    w[23] = 1100;
    w[24] = 1045;
    EXPECT_EQ(VoltageAtAlcohol(w, 125), 862);

    // A node below its successor gives a negative share, cut toward zero:
    // 100 - trunc(5 * -3 / 10) = 100 - (-1).
    w[0] = 100;
    w[14] = 103;
    EXPECT_EQ(VoltageAtAlcohol(w, 5), 101);
}

TEST_F(Characteristic, VoltageNeverNegativeAndClampedToItsRange)
{
    SensorTable w{};
    w[10] = 300;
    w[23] = 400;
    w[24] = 300; // 100 mV per tenth: 0.4 promille above 1.0 is already 0
    EXPECT_EQ(VoltageAtAlcohol(w, 130), 0);
    EXPECT_EQ(VoltageAtAlcohol(w, 800), 0);

    DeriveSensorTable(Typical, Data_Sen);
    EXPECT_EQ(VoltageAtAlcohol(-10), VoltageAtAlcohol(0));
    EXPECT_EQ(VoltageAtAlcohol(-1000000), 4000);
    EXPECT_EQ(VoltageAtAlcohol(801), VoltageAtAlcohol(800));
    EXPECT_EQ(VoltageAtAlcohol(2000000000), VoltageAtAlcohol(800));
}

TEST(CutToTens, EndingsFiveToNineGoUp)
{
    EXPECT_EQ(CutToTens(0), 0);
    EXPECT_EQ(CutToTens(4), 0);
    EXPECT_EQ(CutToTens(5), 10);
    EXPECT_EQ(CutToTens(504), 500);
    EXPECT_EQ(CutToTens(505), 510);
    EXPECT_EQ(CutToTens(3999), 4000);
    EXPECT_EQ(CutToTens(4000), 4000);
}

TEST(Labels, SeriesAndServiceWords)
{
    for (int i = 0; i <= 10; ++i)
        EXPECT_EQ(SensorTableLabels[i], "Алкоголь " + std::to_string(i / 10) + "." + std::to_string(i % 10));
    for (int i = 0; i <= 9; ++i)
        EXPECT_EQ(SensorTableLabels[14 + i],
                  "Переход 0." + std::to_string(i) + "/" + (i == 9 ? std::string("1.0") : "0." + std::to_string(i + 1)));
    EXPECT_STREQ(SensorTableLabels[12], "G_FOULL     ");
    EXPECT_STREQ(SensorTableLabels[24], "Переход 1.0/-  ");
    EXPECT_STREQ(SensorTableLabels[31], "Номер сенсора  ");
    EXPECT_STREQ(SensorPointLabels[0], "\"Чистый\" воздух");
    EXPECT_STREQ(SensorPointLabels[6], "2.0 промиле ");
}

// Any point table the adjustment window accepts (every point 1..6000, none
// above P0) comes back from its characteristic: P0..P5 exactly, P6 rebuilt
// from the whole tens of the 1.0-to-2.0 drop.
TEST_F(Characteristic, EveryValidPointTableComesBack)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> clean(1, 6000);
    for (int round = 0; round < 20000; ++round) {
        SensorPointTable points{};
        points[0] = clean(random);
        std::uniform_int_distribution<int> below(1, points[0]);
        for (int k = 1; k < SensorPointCount; ++k)
            points[k] = below(random);

        DeriveSensorTable(points, Data_Sen);
        PointsFromSensorTable();

        for (int k = 0; k <= 5; ++k)
            ASSERT_EQ(SensorPoints[k], points[k]) << "round " << round << ", point " << k;
        const int drop = points[5] - points[6];
        ASSERT_EQ(SensorPoints[6], points[5] - 10 * (drop / 10)) << "round " << round;
        ASSERT_LT(std::abs(SensorPoints[6] - points[6]), 10) << "round " << round;
    }
}

} // namespace
