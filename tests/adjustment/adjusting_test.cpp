// What the adjustment window computes: its lists, the gas's real values and
// the deltas, validation, committing, and the point edits.
#include "Adjusting.h"

#include "Registers.h"
#include "SensorGroup.h"
#include "Settings.h"
#include "TempDir.h"
#include "Warnings.h"
#include "Files.h"

#include <gtest/gtest.h>

namespace {

const SensorPointTable Typical = {4000, 3500, 3000, 2000, 1800, 1000, 500};

class Adjusting : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings();
        ResetSensorGroup();
        ShowWarning = nullptr;
        Data_Sen.fill(0);
        SensorPoints.fill(0);
        InputErrorFlag = false;
    }
    TempDir dir;
};

std::vector<int> Addresses(const std::vector<TCommandItem>& list, std::uint8_t letter, std::uint8_t bank)
{
    std::vector<int> out;
    for (const TCommandItem& item : list) {
        EXPECT_EQ(item[0], letter);
        EXPECT_EQ(item[1], bank);
        out.push_back(item[2]);
    }
    return out;
}

} // namespace

TEST_F(Adjusting, ListsReadAndWriteTheirAddressesInOrder)
{
    std::vector<int> full = {27, 31, 64, 65, 66, 67, 72, 73, 74, 75, 80, 81, 82, 83};
    for (int a = 0; a <= 31; ++a)
        full.push_back(a);
    EXPECT_EQ(Addresses(FullReadList(), LetterRead, Bank2), full);

    for (int a = 0; a < 32; ++a)
        Data_Sen[a] = 1000 + a;
    const auto writes = TableWriteList();
    ASSERT_EQ(writes.size(), 25u) << "words 25 and above are never written";
    for (int a = 0; a < 25; ++a)
        EXPECT_EQ(writes[a], WriteItem(Bank2, static_cast<std::uint8_t>(a), 1000 + a));

    EXPECT_EQ(Addresses(ObservationList(), LetterRead, Bank1), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(Adjusting, RealValuesAndDeltasOfATestGas)
{
    DeriveSensorTable(Typical, Data_Sen);
    const TGasValues real = RealValuesFor(30);
    EXPECT_EQ(real.Concentration, 135);
    EXPECT_EQ(real.Voltage, 2580);
    EXPECT_EQ(RealValuesFor(31).Concentration, 139); // trunc(139.5)
    EXPECT_EQ(RealValuesFor(0).Voltage, 4000);

    // The instrument read 2700 mV, 121 µg/l and 27 hundredths.
    const TDeltas d = DeltasBetween(real, TGasValues{121, 27, 2700});
    EXPECT_EQ(d.Concentration, 14);
    EXPECT_EQ(d.Alcohol, 3);
    EXPECT_EQ(d.Voltage, 120) << "test minus real: the points move up by 120 mV";
}

TEST_F(Adjusting, OnlyPointsTheInstrumentCanUseAreTaken)
{
    EXPECT_TRUE(PointsAcceptable({3000, 2900, 2800, 2500, 2400, 2000, 1500}));
    EXPECT_TRUE(PointsAcceptable({6000, 6000, 1, 1, 1, 1, 1}));
    EXPECT_FALSE(PointsAcceptable({6001, 2900, 2800, 2500, 2400, 2000, 1500}));
    EXPECT_FALSE(PointsAcceptable({3000, 2900, 2800, 0, 2400, 2000, 1500}));
    EXPECT_FALSE(PointsAcceptable({3000, 2900, 2800, 2500, 2400, 2000, -5}));
    EXPECT_FALSE(PointsAcceptable({3000, 3001, 2800, 2500, 2400, 2000, 1500}));

    SensorPoints = Typical;
    EXPECT_FALSE(TakeValidatedPoints({3000, 3001, 2800, 2500, 2400, 2000, 1500}));
    EXPECT_TRUE(InputErrorFlag);
    EXPECT_EQ(SensorPoints, Typical);
    EXPECT_TRUE(TakeValidatedPoints({3000, 2900, 2800, 2500, 2400, 2000, 1500}));
    EXPECT_FALSE(InputErrorFlag);
    EXPECT_EQ(SensorPoints[0], 3000);
}

TEST_F(Adjusting, CommitDerivesCompletesAndPacksIntoTheCurrentSensorsRecord)
{
    SensorNumber = 1234;
    LoadSensorGroup(512); // another group in memory
    SensorPoints = Typical;
    Data_Sen[13] = 114;
    CommitPoints();
    EXPECT_EQ(Data_Sen[13], 0) << "a commit clears the measuring path's zero offset";
    EXPECT_EQ(Data_Sen[25], 5000);
    EXPECT_EQ(Data_Sen[31], 1234);
    EXPECT_EQ(SensorGroupNo, 12);
    EXPECT_EQ(SensorSlot, 34);
    EXPECT_EQ(RecordPoints(SensorGroup[34]), Typical);

    // The record keeps its own note, whatever note another window left.
    SensorNote = "KV: 1207-XX ";
    PackSensorRecord();
    SensorNote = "KV: 9999-XX ";
    SensorPoints[0] += 10;
    CommitPoints();
    EXPECT_EQ(RecordNote(SensorGroup[34]).substr(0, 12), "KV: 1207-XX ");
    EXPECT_EQ(RecordPoints(SensorGroup[34])[0], Typical[0] + 10);
}

TEST_F(Adjusting, PointEdits)
{
    EXPECT_EQ(ShiftedPoints(Typical, -100), (SensorPointTable{3900, 3400, 2900, 1900, 1700, 900, 400}));
    EXPECT_EQ(PointsCutToTens({3004, 3005, 2999, 10, 14, 15, 0}), (SensorPointTable{3000, 3010, 3000, 10, 10, 20, 0}));

    EXPECT_EQ(PresetPoints(Typical, 1), (SensorPointTable{4000, 3500, 3000, 2000, 1930, 1780, 1560}));
    EXPECT_EQ(PresetPoints(Typical, 2), (SensorPointTable{4000, 3500, 3000, 2000, 1940, 1730, 1450}));
    EXPECT_EQ(PresetPoints(Typical, 3), (SensorPointTable{2770, 2700, 2500, 2000, 1800, 1000, 500}));

    // The 2.0 point goes from 500 to 800: k = (2000 - 800) / (2000 - 500) = 0.8.
    const auto down = RescaledDown(Typical, 800);
    ASSERT_TRUE(down);
    EXPECT_EQ(*down, (SensorPointTable{4000, 3500, 3000, 2000, 1840, 1200, 800}));
    // Clean air goes from 4000 to 3000: k = (3000 - 2000) / (4000 - 2000) = 0.5.
    const auto up = RescaledUp(Typical, 3000);
    ASSERT_TRUE(up);
    EXPECT_EQ(*up, (SensorPointTable{3000, 2750, 2500, 2000, 1800, 1000, 500}));
    // Results are taken without their sign.
    EXPECT_EQ((*RescaledDown(Typical, 5000))[5], 4000);

    // Equal points leave no slope to scale: refused, nothing changed.
    EXPECT_FALSE(RescaledDown({3000, 2900, 2800, 2000, 2000, 2000, 2000}, 800));
    EXPECT_FALSE(RescaledUp({2000, 2000, 2000, 2000, 1800, 1000, 500}, 3000));
    EXPECT_EQ(RescaledUp({2000, 2000, 2000, 2000, 1800, 1000, 500}, 3000).Refusal, TRescaleRefusal::FlatSlope);

    // An almost flat part and a far-off typed value would multiply the
    // distances far beyond any voltage (and beyond an int): refused.
    const SensorPointTable steep{4000, 3500, 3000, 2000, 1800, -1000000, 1999};
    const auto far = RescaledDown(steep, 1000000);
    EXPECT_FALSE(far);
    EXPECT_EQ(far.Refusal, TRescaleRefusal::OutOfRange);
    EXPECT_FALSE(RescaledDown({4000, 3500, 3000, 2000, 1800, 1000, 1999}, 800));
    EXPECT_FALSE(RescaledUp({2001, 1000000, -1000000, 2000, 1800, 1000, 500}, -1000000));
    // The new point itself must be a voltage.
    EXPECT_FALSE(RescaledDown(Typical, 6001));
    EXPECT_TRUE(RescaledDown(Typical, 6000));
}

TEST_F(Adjusting, RealAlcoholStepsStopAtTheirBounds)
{
    EXPECT_EQ(SteppedAlcohol(30, 1), 31);
    EXPECT_EQ(SteppedAlcohol(800, 1), 800);
    EXPECT_EQ(SteppedAlcohol(799, 1), 800);
    EXPECT_EQ(SteppedAlcohol(790, 10), 790);
    EXPECT_EQ(SteppedAlcohol(789, 10), 799);
    EXPECT_EQ(SteppedAlcohol(9, -10), 9);
    EXPECT_EQ(SteppedAlcohol(10, -10), 0);
    EXPECT_EQ(SteppedAlcohol(0, -1), 0);
    EXPECT_EQ(SteppedAlcohol(1, -1), 0);
}
