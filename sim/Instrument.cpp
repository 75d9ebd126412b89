#include "Instrument.h"

#include "Registers.h"

#include <algorithm>
#include <cmath>

namespace {

// A small steady wobble so that an idle sensor does not draw a flat line.
int Wobble(double nowMs)
{
    return static_cast<int>(std::lround(4.0 * std::sin(nowMs / 900.0)));
}

} // namespace

TInstrument::TInstrument(const TInstrumentSetup& setup)
    : alcohol_(std::clamp(setup.Alcohol, MinAlcohol, MaxAlcohol)), scale_(setup.TimeScale > 0 ? setup.TimeScale : 1.0)
{
    DeriveSensorTable(setup.Points, std::span<int, SensorTableSize>(table_));
    table_[Reg2::Coefficient] = 0;
    table_[Reg2::ZeroOffset] = 140;
    table_[Reg2::Supply] = SupplyVoltage;
    table_[Reg2::BlowDelta] = 4;
    table_[Reg2::InstrumentNumber] = setup.InstrumentNumber;
    table_[Reg2::Statistics05to09] = 3;
    table_[Reg2::Statistics10to20] = 1;
    table_[Reg2::StatisticsFrom21] = 0;
    table_[Reg2::SensorNumber] = setup.SensorNumber;
    for (int i = 0; i < SensorTableSize; ++i)
        Bank2Words[i] = table_[i];
    // Three earlier tests, newest first.
    for (int hundredths : {0, 12, 54})
        StoreResult(VoltageAtAlcohol(Table(), hundredths), hundredths);
    Bank1Words[Reg1::BlowOutZero] = BlowZeroLevel;
    Bank1Words[Reg1::Channel2Voltage] = BlowChannelIdle;
    SetVoltage(setup.Points[0], 0);
}

std::span<const int, SensorTableSize> TInstrument::Table() const
{
    return std::span<const int, SensorTableSize>(table_);
}

int TInstrument::AlcoholAtVoltage(std::span<const int, SensorTableSize> table, int mV)
{
    for (int a = MinAlcohol; a <= MaxAlcohol; ++a)
        if (VoltageAtAlcohol(table, a) <= mV)
            return a;
    return MaxAlcohol;
}

int TInstrument::AirFromBlood(int hundredths)
{
    // Breath to blood 1 : 2100: 1 promille is about 0.476 mg/l.
    return hundredths * 1000 / 210;
}

void TInstrument::SetAlcohol(int hundredths)
{
    alcohol_ = std::clamp(hundredths, MinAlcohol, MaxAlcohol);
}

void TInstrument::SetVoltage(int mV, double nowMs)
{
    const int v = std::max(0, mV + Wobble(nowMs));
    Bank1Words[Reg1::SensorVoltage] = v;
    Bank1Words[Reg1::Channel1Voltage] = v;
    // The ADC sees 0..1023 between the zero offset and the supply; the
    // register holds eight times the count.
    const int zero = Bank2Words[Reg2::ZeroOffset];
    const int supply = std::max(Bank2Words[Reg2::Supply], zero + 1);
    const int count = std::clamp((v - zero) * 1023 / (supply - zero), 0, 1023);
    Bank1Words[Reg1::Channel1Adc] = count * 8;
    if (channel1True_ < 0)
        return;
    // The bench's channel 1: the ADC converts the true voltage, the
    // instrument turns the count back into millivolts with its words.
    const int trueCount = std::clamp(
        static_cast<int>(std::lround((channel1True_ - AdcZeroMv) * 1023.0 / (AdcFullMv - AdcZeroMv))), 0, 1023);
    Bank1Words[Reg1::Channel1Adc] = trueCount * 8;
    Bank1Words[Reg1::Channel1Voltage] =
        zero + trueCount * (Bank2Words[Reg2::Supply] - zero) / 1023;
}

void TInstrument::SetChannel1True(int mV)
{
    channel1True_ = std::clamp(mV, 0, 5000);
}

void TInstrument::StoreResult(int uMin, int hundredths)
{
    for (int word = 0; word < Reg2::ResultWords; ++word) {
        Bank2Words[Reg2::ResultBase[2] + word] = Bank2Words[Reg2::ResultBase[1] + word];
        Bank2Words[Reg2::ResultBase[1] + word] = Bank2Words[Reg2::ResultBase[0] + word];
    }
    const int base = Reg2::ResultBase[0];
    Bank2Words[base + Reg2::ResultUMin] = uMin;
    Bank2Words[base + Reg2::ResultAir] = AirFromBlood(hundredths);
    Bank2Words[base + Reg2::ResultHundredths] = hundredths;
    Bank2Words[base + Reg2::ResultTenths] = hundredths / 10;
}

void TInstrument::StartTest(double nowMs)
{
    running_ = true;
    testStart_ = nowMs;
    completedAt_ = -1;
    for (int a = Reg1::AirConcentration; a <= Reg1::BloodHundredths; ++a)
        Bank1Words[a] = 0;
    Bank1Words[Reg1::Mode] = 1;
    Update(nowMs);
}

void TInstrument::StopTest(double nowMs)
{
    running_ = false;
    if (Bank1Words[Reg1::Mode] != ModeTestCompleted || completedAt_ < 0)
        completedAt_ = -1;
    Bank1Words[Reg1::Mode] = 0;
    Update(nowMs);
}

void TInstrument::SetResult()
{
    const int hundredths = AlcoholAtVoltage(Table(), uMin_);
    Bank1Words[Reg1::ResultAir] = AirFromBlood(hundredths);
    Bank1Words[Reg1::ResultTenths] = hundredths / 10;
    Bank1Words[Reg1::ResultHundredths] = hundredths;
}

void TInstrument::Complete(double nowMs)
{
    SetResult();
    const int hundredths = Bank1Words[Reg1::ResultHundredths];
    Bank1Words[Reg1::Mode] = ModeTestCompleted;
    StoreResult(uMin_, hundredths);
    // The statistics count completed tests by their tenths.
    const int tenths = hundredths / 10;
    if (tenths >= 5 && tenths <= 9)
        ++Bank2Words[Reg2::Statistics05to09];
    else if (tenths >= 10 && tenths <= 20)
        ++Bank2Words[Reg2::Statistics10to20];
    else if (tenths >= 21)
        ++Bank2Words[Reg2::StatisticsFrom21];
    ++testsCompleted_;
    completedAt_ = nowMs;
}

void TInstrument::Update(double nowMs)
{
    const int cleanAir = table_[0];
    if (!running_) {
        int v = cleanAir;
        if (completedAt_ >= 0) {
            const double f = std::min(1.0, (nowMs - completedAt_) / (RecoveryMs * scale_));
            v = static_cast<int>(uMin_ + (cleanAir - uMin_) * f);
        }
        SetVoltage(v, nowMs);
        return;
    }
    if (Bank1Words[Reg1::Mode] == ModeTestCompleted) {
        const double f = std::min(1.0, (nowMs - completedAt_) / (RecoveryMs * scale_));
        SetVoltage(static_cast<int>(uMin_ + (cleanAir - uMin_) * f), nowMs);
        return;
    }
    // Which mode the time since the start falls in.
    double t = nowMs - testStart_;
    int mode = 1;
    while (mode <= 5 && t >= ModeMs[mode] * scale_) {
        t -= ModeMs[mode] * scale_;
        ++mode;
    }
    const int target = VoltageAtAlcohol(Table(), alcohol_);
    if (mode <= 3) {
        Bank1Words[Reg1::Mode] = mode;
        SetVoltage(cleanAir, nowMs);
        Bank1Words[Reg1::Channel2Voltage] = mode == 3 ? BlowChannelIdle - 600 : BlowChannelIdle;
        return;
    }
    Bank1Words[Reg1::Channel2Voltage] = BlowChannelIdle;
    if (mode == 4) {
        // The sensor voltage falls toward its minimum during the measurement.
        const double f = t / (ModeMs[4] * scale_);
        const int v = static_cast<int>(cleanAir - (cleanAir - target) * (1 - (1 - f) * (1 - f)));
        uMin_ = v;
        Bank1Words[Reg1::Mode] = 4;
        SetVoltage(v, nowMs);
    } else if (mode == 5) {
        // The result is known from here on, so a poll that reads the
        // result registers before the mode finds them ready at mode 6.
        uMin_ = target;
        SetResult();
        Bank1Words[Reg1::Mode] = 5;
        SetVoltage(target, nowMs);
    } else {
        uMin_ = target;
        Complete(testStart_ + (ModeMs[1] + ModeMs[2] + ModeMs[3] + ModeMs[4] + ModeMs[5]) * scale_);
        Update(nowMs);
        return;
    }
    // Current readings follow the voltage.
    const int now = AlcoholAtVoltage(Table(), Bank1Words[Reg1::SensorVoltage]);
    Bank1Words[Reg1::AirConcentration] = AirFromBlood(now);
    Bank1Words[Reg1::BloodTenths] = now / 10;
    Bank1Words[Reg1::BloodHundredths] = now;
}

std::optional<std::array<std::uint8_t, ReplyLength>> TInstrument::Handle(const TFrame& frame, double nowMs)
{
    switch (frame.kind) {
    case TFrame::Read: {
        Update(nowMs);
        std::int32_t value = 0;
        if (frame.bank == Bank1)
            value = Bank1Words[frame.address];
        else if (frame.bank == Bank2)
            value = Bank2Words[frame.address];
        return MakeReply(LetterRead, frame.bank, frame.address, value & 0xFFFF);
    }
    case TFrame::Write: {
        std::int32_t value = frame.value;
        if (frame.bank == Bank2) {
            if (frame.address == Reg2::BlowDelta && (value < 1 || value > 8))
                value = 2; // the instrument's own rule for the start delta
            Bank2Words[frame.address] = value;
            if (frame.address < SensorTableSize)
                table_[frame.address] = value;
        }
        return MakeReply(LetterWrite, frame.bank, frame.address, value);
    }
    case TFrame::ModeSwitch:
        if (frame.start)
            StartTest(nowMs);
        else
            StopTest(nowMs);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}
