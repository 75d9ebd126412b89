// The instrument model on its own: registers, writes, and a test cycle
// driven by explicit times.
#include "Instrument.h"
#include "Registers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

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
    EXPECT_EQ(inst.Bank2Words[Reg2::InstrumentNumber], 4321);
    EXPECT_EQ(inst.Bank2Words[Reg2::SensorNumber], 77);
    EXPECT_EQ(inst.Bank2Words[Reg2::Supply], 5000);

    const auto reply = inst.Handle(Read(Bank2, 27), 0);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[0], LetterRead);
    EXPECT_EQ((*reply)[1], Bank2);
    EXPECT_EQ((*reply)[2], 27);
    EXPECT_EQ(Value(*reply), 4321);
    // Stored results: three plausible records, each consistent with itself.
    for (int base : Reg2::ResultBase) {
        const int hundredths = inst.Bank2Words[base + 2];
        EXPECT_EQ(inst.Bank2Words[base + 3], hundredths / 10);
        EXPECT_EQ(inst.Bank2Words[base + 1], TInstrument::AirFromBlood(hundredths));
        EXPECT_GT(inst.Bank2Words[base], 0);
    }
}

TEST(Instrument, WritesAreStoredAndEchoed)
{
    TInstrument inst;
    const auto w = inst.Handle(Write(Bank2, 27, 1000), 0);
    ASSERT_TRUE(w);
    EXPECT_EQ((*w)[0], LetterWrite);
    EXPECT_EQ(Value(*w), 1000);
    EXPECT_EQ(Value(*inst.Handle(Read(Bank2, 27), 1)), 1000);
    // The start delta outside 1..8 is replaced by 2.
    inst.Handle(Write(Bank2, Reg2::BlowDelta, 30), 2);
    EXPECT_EQ(inst.Bank2Words[Reg2::BlowDelta], 2);
    inst.Handle(Write(Bank2, Reg2::BlowDelta, 5), 3);
    EXPECT_EQ(inst.Bank2Words[Reg2::BlowDelta], 5);
    EXPECT_FALSE(inst.Handle(Switch(false), 4)); // a mode switch gets no answer
}

TEST(Instrument, BenchChannelOneIsConvertedWithTheStoredWords)
{
    TInstrument inst;
    inst.SetChannel1True(2500);
    const int count = Value(*inst.Handle(Read(Bank1, Reg1::Channel1Adc), 0)) / 8;
    EXPECT_NEAR(count, (2500 - TInstrument::AdcZeroMv) * 1023 / (TInstrument::AdcFullMv - TInstrument::AdcZeroMv), 1);
    // Words 140 and 5000 are not the ADC's real ends: the reading is off.
    EXPECT_GT(std::abs(Value(*inst.Handle(Read(Bank1, Reg1::Channel1Voltage), 1)) - 2500), 10);
    // With the real ends stored it agrees with the truth.
    inst.Handle(Write(Bank2, Reg2::ZeroOffset, TInstrument::AdcZeroMv), 2);
    inst.Handle(Write(Bank2, Reg2::Supply, TInstrument::AdcFullMv), 3);
    for (int mv : {0, 600, 999, 1000, 4000, 5000}) {
        inst.SetChannel1True(mv);
        const int shown = Value(*inst.Handle(Read(Bank1, Reg1::Channel1Voltage), 4));
        EXPECT_NEAR(shown, std::clamp(mv, TInstrument::AdcZeroMv, TInstrument::AdcFullMv), 5) << mv;
    }
}

TEST(Instrument, VoltageAndAlcoholInvertEachOther)
{
    TInstrument inst;
    std::array<int, SensorTableSize> table{};
    for (int i = 0; i < SensorTableSize; ++i)
        table[i] = inst.Bank2Words[i];
    for (int a : {0, 5, 30, 35, 99, 100, 120, 250})
        EXPECT_EQ(TInstrument::AlcoholAtVoltage(table, VoltageAtAlcohol(table, a)), a) << a;
}

TEST(Instrument, TestCycleRunsThroughModesOneToSixAndStoresTheResult)
{
    TInstrumentSetup setup;
    setup.Alcohol = 80;
    TInstrument inst(setup);
    const int olderNewest[4] = {inst.Bank2Words[64], inst.Bank2Words[65], inst.Bank2Words[66], inst.Bank2Words[67]};
    const int stat = inst.Bank2Words[Reg2::Statistics05to09];
    EXPECT_EQ(inst.Mode(), 0);

    inst.Handle(Switch(true), 1000);
    std::vector<int> modes;
    std::vector<int> voltages;
    for (double t = 1000; t < 1000 + 12000; t += 100) {
        inst.Update(t);
        if (modes.empty() || modes.back() != inst.Mode())
            modes.push_back(inst.Mode());
        if (inst.Mode() == 4)
            voltages.push_back(inst.Bank1Words[Reg1::SensorVoltage]);
    }
    EXPECT_EQ(modes, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    ASSERT_GT(voltages.size(), 5u);
    EXPECT_GT(voltages.front(), voltages.back() + 1000); // the voltage falls while measuring

    EXPECT_EQ(inst.TestsCompleted(), 1);
    EXPECT_EQ(inst.Bank1Words[Reg1::ResultHundredths], 80);
    EXPECT_EQ(inst.Bank1Words[Reg1::ResultTenths], 8);
    EXPECT_EQ(inst.Bank1Words[Reg1::ResultAir], TInstrument::AirFromBlood(80));
    EXPECT_EQ(inst.Bank2Words[66], 80);
    EXPECT_EQ(inst.Bank2Words[67], 8);
    for (int w = 0; w < 4; ++w)
        EXPECT_EQ(inst.Bank2Words[72 + w], olderNewest[w]); // the previous newest moved down
    EXPECT_EQ(inst.Bank2Words[Reg2::Statistics05to09], stat + 1);

    inst.Handle(Switch(false), 20000);
    EXPECT_EQ(inst.Mode(), 0);
    EXPECT_EQ(inst.TestsCompleted(), 1);
}

TEST(Instrument, StoppingATestHalfwayStoresNothing)
{
    TInstrument inst;
    inst.StartTest(0);
    inst.Update(5000); // measuring
    EXPECT_EQ(inst.Mode(), 4);
    inst.StopTest(5100);
    inst.Update(20000);
    EXPECT_EQ(inst.Mode(), 0);
    EXPECT_EQ(inst.TestsCompleted(), 0);
}

} // namespace
