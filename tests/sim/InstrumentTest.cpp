// The instrument model on its own: registers, writes, the truth behind
// them, and a test cycle driven by explicit times.
#include "Instrument.h"
#include "Registers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

std::int32_t Value(const std::array<std::uint8_t, ReplyLength>& r)
{
    return ReplyValue(r.data());
}

TFrame Read(std::uint8_t bank, std::uint8_t address)
{
    const TCommandItem item = ReadItem(bank, address);
    return DecodeFrame(item.data(), ReadFrameLength);
}

TFrame Write(std::uint8_t bank, std::uint8_t address, int value)
{
    const TCommandItem item = WriteItem(bank, address, value);
    return DecodeFrame(item.data(), WriteFrameLength);
}

TFrame Switch(bool start)
{
    const auto f = ModeSwitchFrame(start);
    return DecodeFrame(f.data(), f.size());
}

int Read(TInstrument& inst, std::uint8_t bank, std::uint8_t address, double at)
{
    return Value(*inst.Handle(Read(bank, address), at));
}

// Runs one test from `at` the way the program sees it (':' '2', then
// reads), returns the modes seen in order and leaves the instrument in 6.
std::vector<int> RunTest(TInstrument& inst, double& at)
{
    inst.Handle(Switch(true), at);
    std::vector<int> modes;
    for (const double end = at + 20000; at < end; at += 50) {
        const int mode = Read(inst, Bank1, Reg1::Mode, at);
        if (modes.empty() || modes.back() != mode)
            modes.push_back(mode);
        if (mode == ModeTestCompleted)
            break;
    }
    return modes;
}

SensorPointTable Shifted(SensorPointTable p, int by)
{
    for (int& v : p)
        v += by;
    return p;
}

TEST(Instrument, Bank2HoldsTheCharacteristicDerivedFromSevenPoints)
{
    TInstrumentSetup setup;
    setup.InstrumentNumber = 4321;
    setup.SensorNumber = 77;
    TInstrument inst(setup);
    // The points 4000, 3500, 3000, 2000, 1800, 1000, 500 give these words.
    EXPECT_EQ(inst.Bank2Words[0], 4000);
    EXPECT_EQ(inst.Bank2Words[3], 2400);
    EXPECT_EQ(inst.Bank2Words[12], 3600);
    EXPECT_EQ(inst.Bank2Words[23], 1070);
    EXPECT_EQ(inst.Bank2Words[24], 1020);
    EXPECT_EQ(inst.Bank2Words[Reg2::ZeroOffset], 140);
    EXPECT_EQ(inst.Bank2Words[Reg2::Supply], 5000);
    EXPECT_EQ(inst.Bank2Words[Reg2::InstrumentNumber], 4321);
    EXPECT_EQ(inst.Bank2Words[Reg2::SensorNumber], 77);

    const auto reply = inst.Handle(Read(Bank2, 27), 0);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[0], LetterRead);
    EXPECT_EQ((*reply)[1], Bank2);
    EXPECT_EQ((*reply)[2], 27);
    EXPECT_EQ(Value(*reply), 4321);
    // Stored results: three records, each consistent with itself.
    for (int base : Reg2::ResultBase) {
        const int hundredths = inst.Bank2Words[base + 2];
        EXPECT_EQ(inst.Bank2Words[base + 3], hundredths / 10);
        EXPECT_EQ(inst.Bank2Words[base + 1], hundredths * 45 / 10);
        EXPECT_GT(inst.Bank2Words[base], 0);
    }
}

TEST(Instrument, WritesAreStoredAsWrittenAndTheStartDeltaActsAsTwoOutsideOneToEight)
{
    TInstrumentSetup setup;
    setup.BlowRiseMv = 1; // a blow of 5 ADC units
    setup.TimeScale = 0.1;
    TInstrument inst(setup);
    const auto w = inst.Handle(Write(Bank2, 27, 1000), 0);
    ASSERT_TRUE(w);
    EXPECT_EQ((*w)[0], LetterWrite);
    EXPECT_EQ(Value(*w), 1000);
    EXPECT_EQ(Read(inst, Bank2, 27, 1), 1000);
    EXPECT_FALSE(inst.Handle(Switch(false), 2)); // a mode switch gets no answer
    // Working registers are read only.
    inst.Handle(Write(Bank1, Reg1::Mode, 6), 3);
    EXPECT_EQ(inst.Mode(), 0);

    // Delta 8: a blow of 5 units is not enough, the test waits in mode 2.
    inst.Handle(Write(Bank2, Reg2::BlowDelta, 8), 4);
    EXPECT_EQ(inst.EffectiveBlowDelta(), 8);
    inst.StartTest(10);
    EXPECT_EQ(Read(inst, Bank1, Reg1::Mode, 3000), 2);
    inst.StopTest(3000);
    // 12 is kept as written but the instrument uses 2: the same blow starts it.
    inst.Handle(Write(Bank2, Reg2::BlowDelta, 12), 3001);
    EXPECT_EQ(Read(inst, Bank2, Reg2::BlowDelta, 3002), 12);
    EXPECT_EQ(inst.EffectiveBlowDelta(), 2);
    inst.StartTest(3010);
    EXPECT_EQ(Read(inst, Bank1, Reg1::Mode, 6000), ModeTestCompleted);
}

TEST(Instrument, ReadingsComeFromTheTrueVoltageThroughTheStoredCharacteristic)
{
    // An instrument in adjustment reports every gas exactly.
    TInstrumentSetup adjusted;
    adjusted.TruePoints = FactoryPoints;
    TInstrument good(adjusted);
    for (int gas = 0; gas <= 250; ++gas)
        EXPECT_EQ(TInstrument::AlcoholAtVoltage(good.TrueTable(), good.TrueVoltageAt(gas)), gas) << gas;

    // A fresh bench's sensor reads 150 mV low, and its measuring path is out
    // of calibration too (stored zero and supply 140 and 5000, true 114 and
    // 5083): the instrument sees 2277 mV as 2256 and reports too much.
    TInstrument bench;
    EXPECT_EQ(bench.TrueVoltageAt(35), 2427 - 150);
    bench.SetAlcohol(35);
    double at = 0;
    RunTest(bench, at);
    EXPECT_EQ(bench.Bank2Words[64], 2256); // U_min as the instrument measures it
    EXPECT_EQ(bench.Bank1Words[Reg1::ResultHundredths], 41);
    // The path calibrated, it measures the sensor's true voltage; the
    // sensor's own error is left.
    bench.Handle(Write(Bank2, Reg2::ZeroOffset, 114), at);
    bench.Handle(Write(Bank2, Reg2::Supply, 5083), at);
    bench.Handle(Switch(false), at);
    RunTest(bench, at);
    EXPECT_EQ(bench.Bank2Words[64], 2277);
    EXPECT_EQ(bench.Bank1Words[Reg1::ResultHundredths], 40);
    // A zero offset of 0 (what a commit puts into word 13) moves every
    // reading: the same gas then reads as more again.
    bench.Handle(Write(Bank2, Reg2::ZeroOffset, 0), at);
    bench.Handle(Switch(false), at);
    RunTest(bench, at);
    EXPECT_EQ(bench.Bank2Words[64], 2213);
    EXPECT_GT(bench.Bank1Words[Reg1::ResultHundredths], 40);
}

// The adjustment window's correction, done by hand: a test against a gas,
// the voltage delta, the points moved by it, the table written back.
TEST(Instrument, ACharacteristicShiftedByMinus300IsWrongUntilCorrected)
{
    TInstrumentSetup setup;
    setup.Points = Shifted(FactoryPoints, -300);
    setup.TruePoints = FactoryPoints;
    setup.TrueZeroOffsetMv = 140; // the measuring path as stored
    setup.TrueSupplyMv = 5000;
    setup.TimeScale = 0.1;
    setup.Alcohol = 30;
    TInstrument inst(setup);
    double at = 0;

    const std::vector<int> modes = RunTest(inst, at);
    EXPECT_EQ(modes, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    const int wrong = inst.Bank1Words[Reg1::ResultHundredths];
    EXPECT_EQ(wrong, 25); // lower voltages stored: the gas looks weaker
    EXPECT_EQ(inst.Bank2Words[66], wrong);

    std::span<const int, SensorTableSize> stored(inst.Bank2Words.data(), SensorTableSize);
    const int delta = inst.Bank2Words[64] - VoltageAtAlcohol(stored, 30);
    EXPECT_EQ(delta, 300);
    // Words 11 and 13 go back as the instrument holds them.
    SensorTable corrected{};
    corrected[11] = inst.Bank2Words[11];
    corrected[13] = inst.Bank2Words[13];
    DeriveSensorTable(Shifted(PointsFromSensorTable(stored), delta), std::span<int, SensorTableSize>(corrected));
    for (int a = 0; a <= 24; ++a)
        inst.Handle(Write(Bank2, static_cast<std::uint8_t>(a), corrected[a]), at);

    inst.Handle(Switch(false), at);
    RunTest(inst, at);
    EXPECT_EQ(inst.Bank1Words[Reg1::ResultHundredths], 30);
    EXPECT_EQ(inst.Bank1Words[Reg1::ResultTenths], 3);
    EXPECT_EQ(inst.Bank1Words[Reg1::ResultAir], 135);
    EXPECT_EQ(inst.Bank2Words[65], 135);
}

TEST(Instrument, Register9IsTheTrueVoltageSeenThroughTheStoredZeroAndSupply)
{
    TInstrument inst; // stored 140 / 5000, true 114 / 5083
    inst.HoldChannel1(600);
    EXPECT_EQ(Read(inst, Bank1, Reg1::Channel1Adc, 0), 800);   // count 100
    EXPECT_EQ(Read(inst, Bank1, Reg1::Channel1Voltage, 0), 615);
    EXPECT_EQ(Read(inst, Bank1, Reg1::SensorVoltage, 0), 615); // register 0 is measured the same way
    inst.HoldChannel1(4000);
    EXPECT_EQ(Read(inst, Bank1, Reg1::Channel1Adc, 1), 6400);  // count 800
    EXPECT_EQ(Read(inst, Bank1, Reg1::Channel1Voltage, 1), 3941);

    // The two-point calibration of the worked example: zero 114, supply 5083.
    inst.Handle(Write(Bank2, Reg2::ZeroOffset, 114), 2);
    inst.Handle(Write(Bank2, Reg2::Supply, 5083), 3);
    for (int mV : {600, 4000, 150, 999, 1000, 2500, 4950}) {
        inst.HoldChannel1(mV);
        EXPECT_NEAR(Read(inst, Bank1, Reg1::Channel1Voltage, 4), mV, 3) << mV;
    }
    // Held beyond the range it stays at its ends; released it idles at the
    // sensor's clean-air voltage.
    inst.HoldChannel1(7000);
    EXPECT_EQ(Read(inst, Bank1, Reg1::SensorVoltage, 5), 5000);
    inst.HoldChannel1(std::nullopt);
    EXPECT_NEAR(Read(inst, Bank1, Reg1::SensorVoltage, 6), 3850, 4);
}

TEST(Instrument, TestCycleBlowsStoresTheResultAndCountsIt)
{
    TInstrumentSetup setup;
    setup.TruePoints = FactoryPoints;
    setup.TrueZeroOffsetMv = 140; // the measuring path as stored
    setup.TrueSupplyMv = 5000;
    setup.Alcohol = 80;
    TInstrument inst(setup);
    const int olderNewest[4] = {inst.Bank2Words[64], inst.Bank2Words[65], inst.Bank2Words[66], inst.Bank2Words[67]};
    const int tests = inst.Bank2Words[TInstrument::TestCountWord];
    const int high = inst.Bank2Words[TInstrument::TestsFrom03Word];
    EXPECT_EQ(inst.Mode(), 0);
    EXPECT_EQ(Read(inst, Bank1, Reg1::BlowOutZero, 0), 16);

    inst.Handle(Switch(true), 1000);
    std::vector<int> modes;
    std::vector<int> voltages;
    int blowPeak = 0;
    int blowElsewhere = 0;
    for (double t = 1000; t < 1000 + 12000; t += 100) {
        const int blow = Read(inst, Bank1, Reg1::Channel2Voltage, t);
        if (modes.empty() || modes.back() != inst.Mode())
            modes.push_back(inst.Mode());
        int& peak = inst.Mode() == 3 ? blowPeak : blowElsewhere;
        peak = std::max(peak, blow);
        if (inst.Mode() == 4)
            voltages.push_back(inst.Bank1Words[Reg1::SensorVoltage]);
    }
    EXPECT_EQ(modes, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(blowPeak, 3 + 400);   // BLOW_OUT rises while blowing
    EXPECT_EQ(blowElsewhere, 3);
    ASSERT_GT(voltages.size(), 5u);
    EXPECT_GT(voltages.front(), voltages.back() + 1000); // the voltage falls while measuring

    EXPECT_EQ(inst.TestsCompleted(), 1);
    EXPECT_EQ(inst.Bank1Words[Reg1::ResultHundredths], 80);
    EXPECT_EQ(inst.Bank1Words[Reg1::ResultTenths], 8);
    EXPECT_EQ(inst.Bank1Words[Reg1::ResultAir], 360);
    EXPECT_EQ(inst.Bank2Words[64], inst.TrueVoltageAt(80));
    EXPECT_EQ(inst.Bank2Words[66], 80);
    EXPECT_EQ(inst.Bank2Words[67], 8);
    for (int w = 0; w < 4; ++w)
        EXPECT_EQ(inst.Bank2Words[72 + w], olderNewest[w]); // the previous newest moved down
    EXPECT_EQ(inst.Bank2Words[TInstrument::TestCountWord], tests + 1);
    EXPECT_EQ(inst.Bank2Words[TInstrument::TestsFrom03Word], high + 1);

    // A gas under 0.3 promille is counted as a test only.
    inst.Handle(Switch(false), 20000);
    EXPECT_EQ(inst.Mode(), 0);
    inst.SetAlcohol(29);
    double at = 20000;
    RunTest(inst, at);
    EXPECT_EQ(inst.Bank2Words[TInstrument::TestCountWord], tests + 2);
    EXPECT_EQ(inst.Bank2Words[TInstrument::TestsFrom03Word], high + 1);
}

TEST(Instrument, OperatingTimeCountsFifthsOfAnHourAndStatisticsClearByWritingZero)
{
    TInstrument inst;
    const int start = inst.Bank2Words[TInstrument::OperatingTimeWord];
    inst.Update(11 * 60 * 1000);
    EXPECT_EQ(inst.Bank2Words[TInstrument::OperatingTimeWord], start);
    inst.Update(60 * 60 * 1000);
    EXPECT_EQ(inst.Bank2Words[TInstrument::OperatingTimeWord], start + 5);
    for (std::uint8_t a : {28, 29, 30})
        inst.Handle(Write(Bank2, a, 0), 60 * 60 * 1000);
    EXPECT_EQ(Read(inst, Bank2, 28, 60 * 60 * 1000 + 1), 0);
    EXPECT_EQ(inst.Bank2Words[29] + inst.Bank2Words[30], 0);
}

TEST(Instrument, StoppedOrInterruptedTestsStoreNothingAndModesSevenAndEightShowUntilTheNextTest)
{
    TInstrument inst;
    inst.StartTest(0);
    inst.Update(5000); // measuring
    EXPECT_EQ(inst.Mode(), 4);
    inst.StopTest(5100);
    inst.Update(20000);
    EXPECT_EQ(inst.Mode(), 0);

    inst.StartTest(30000);
    inst.ShowMode(7, 31000);
    EXPECT_EQ(Read(inst, Bank1, Reg1::Mode, 40000), 7);
    EXPECT_FALSE(inst.TestRunning());
    inst.ShowMode(8, 41000);
    EXPECT_EQ(Read(inst, Bank1, Reg1::Mode, 42000), 8);
    EXPECT_EQ(inst.TestsCompleted(), 0);
    inst.StartTest(43000);
    EXPECT_EQ(Read(inst, Bank1, Reg1::Mode, 43100), 1);

    // While idle the model leaves the mode and the result registers alone,
    // so a test can script them.
    inst.StopTest(44000);
    inst.Bank1Words[Reg1::Mode] = 6;
    inst.Bank1Words[Reg1::ResultTenths] = 12;
    EXPECT_EQ(Read(inst, Bank1, Reg1::Mode, 45000), 6);
    EXPECT_EQ(Read(inst, Bank1, Reg1::ResultTenths, 45000), 12);
}

TEST(Instrument, AWeakWordEchoesTheWriteButKeepsItsOldOrItsOwnValue)
{
    TInstrumentSetup setup;
    setup.WeakWords[13] = std::nullopt; // keeps its old value
    TInstrument inst(setup);
    inst.SetWeakWord(25, 4990);         // keeps 4990 whatever is written
    EXPECT_EQ(Value(*inst.Handle(Write(Bank2, 13, 114), 0)), 114);
    EXPECT_EQ(Value(*inst.Handle(Write(Bank2, 25, 5083), 0)), 5083);
    EXPECT_EQ(Value(*inst.Handle(Write(Bank2, 26, 6), 0)), 6);
    EXPECT_EQ(Read(inst, Bank2, 13, 0), 140);
    EXPECT_EQ(Read(inst, Bank2, 25, 0), 4990);
    EXPECT_EQ(Read(inst, Bank2, 26, 0), 6);
    inst.ClearWeakWords();
    inst.Handle(Write(Bank2, 13, 114), 0);
    EXPECT_EQ(Read(inst, Bank2, 13, 0), 114);
    EXPECT_THROW(inst.SetWeakWord(256, std::nullopt), std::invalid_argument);
}

TEST(Instrument, Channel1MovesWithinItsBoundsRepeatsWithItsSeedAndNeverJumpsInsideAPair)
{
    const TChannel1Drift drift; // 50..700 ms, 200..4800 mV
    const auto levels = [&](std::uint32_t seed, bool readPairs) {
        TInstrument inst;
        inst.SetChannel1Drift(drift, seed, 0);
        std::vector<std::pair<double, int>> jumps; // when each new level was first seen
        for (double t = 0; t < 60000; t += 20) {
            // Reads 9 and 11 a cycle apart (15 ms): a jump due between them waits.
            const int mv = Read(inst, Bank1, 9, t);
            const int count = Read(inst, Bank1, readPairs ? 11 : 0, t + 15);
            if (readPairs)
                EXPECT_TRUE(TInstrument::IsChannel1Pair(count, mv, 140, 5000)) << count << " " << mv << " at " << t;
            const int v = inst.Bank1Words[Reg1::SensorVoltage];
            EXPECT_GE(v, drift.LowMv);
            EXPECT_LE(v, drift.HighMv);
            if (jumps.empty() || jumps.back().second != v)
                jumps.push_back({t, v});
        }
        return jumps;
    };
    const auto a = levels(7, true);
    EXPECT_EQ(a, levels(7, true));
    EXPECT_NE(a, levels(8, true));
    // 60 s of pauses of 50..700 ms, seen by 20 ms cycles: a level lasts
    // from one cycle under its pause to a cycle over it (a pause under 20
    // ms may hide behind the next; none is).
    ASSERT_GT(a.size(), 80u);
    for (std::size_t i = 1; i + 1 < a.size(); ++i) {
        EXPECT_GE(a[i].first - a[i - 1].first, 40) << i;
        EXPECT_LE(a[i].first - a[i - 1].first, 700 + 20) << i;
    }
    // A reader of register 9 alone sees it move as often.
    EXPECT_GT(levels(7, false).size(), 80u);

    // A jump that falls between register 9 and register 11 waits for 11.
    TInstrument inst;
    inst.SetChannel1Drift(TChannel1Drift{100, 100, 200, 4800}, 3, 0);
    Read(inst, Bank1, 9, 10);
    Read(inst, Bank1, 11, 20);                    // a reader of pairs
    const int mv = Read(inst, Bank1, 9, 90);
    const int count = Read(inst, Bank1, 11, 400); // three jumps were due meanwhile
    EXPECT_TRUE(TInstrument::IsChannel1Pair(count, mv, 140, 5000));
    EXPECT_NE(Read(inst, Bank1, 9, 401), mv); // now they are taken
    // A frame sent again reads 11 a second time: that opens no pair, so
    // the next 9 and 11 are still one moment.
    Read(inst, Bank1, 11, 405);
    Read(inst, Bank1, 11, 410);
    const int mv2 = Read(inst, Bank1, 9, 500);
    const int count2 = Read(inst, Bank1, 11, 800);
    EXPECT_TRUE(TInstrument::IsChannel1Pair(count2, mv2, 140, 5000)) << count2 << " " << mv2;
    // ... but not for ever: a reader of 9 alone sees it move after DriftPairWaitMs.
    const int alone = Read(inst, Bank1, 9, 802);
    EXPECT_NE(Read(inst, Bank1, 9, 802 + TInstrument::DriftPairWaitMs + 100), alone);

    // Holding channel 1, or a test, stops it.
    inst.HoldChannel1(600);
    EXPECT_FALSE(inst.Channel1Drift());
    EXPECT_EQ(Read(inst, Bank1, 0, 5000), 615); // 600 mV as the uncalibrated path measures it
    EXPECT_THROW(inst.SetChannel1Drift(TChannel1Drift{700, 50, 200, 4800}, 1, 0), std::invalid_argument);
}

} // namespace
