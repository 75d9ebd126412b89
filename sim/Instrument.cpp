#include "Instrument.h"

#include "Registers.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// A small steady wobble so that a sensor in clean air does not draw a flat
// line. Held voltages and a test's measurement have none.
int Wobble(double nowMs)
{
    return static_cast<int>(std::lround(4.0 * std::sin(nowMs / 900.0)));
}

std::int32_t Word(long long v)
{
    return static_cast<std::int32_t>(std::clamp<long long>(v, 0, 65535));
}

// Gases of the three tests a new instrument remembers, oldest first.
constexpr int kEarlierGases[3] = {0, 12, 54};

} // namespace

TInstrument::TInstrument(const TInstrumentSetup& setup)
    : trueZero_(setup.TrueZeroOffsetMv),
      trueSupply_(setup.TrueSupplyMv),
      alcohol_(std::clamp(setup.Alcohol, MinAlcohol, MaxAlcohol)),
      blowIdle_(std::max(0, setup.BlowIdleMv)),
      blowRise_(std::max(0, setup.BlowRiseMv)),
      scale_(setup.TimeScale > 0 ? setup.TimeScale : 1.0)
{
    DeriveSensorTable(setup.Points, std::span<int, SensorTableSize>(Bank2Words.data(), SensorTableSize));
    Bank2Words[Reg2::Coefficient] = 0;
    Bank2Words[Reg2::ZeroOffset] = setup.ZeroOffset;
    Bank2Words[Reg2::Supply] = setup.Supply;
    Bank2Words[Reg2::BlowDelta] = 4;
    Bank2Words[Reg2::InstrumentNumber] = setup.InstrumentNumber;
    Bank2Words[Reg2::SensorNumber] = setup.SensorNumber;

    SensorPointTable truth = setup.Points;
    if (setup.TruePoints)
        truth = *setup.TruePoints;
    else
        for (int& p : truth)
            p += BenchSensorShiftMv;
    SetTruePoints(truth);
    SetTrueAdc(setup.TrueZeroOffsetMv, setup.TrueSupplyMv);
    if (setup.Adjusted)
        AdjustTruthToStored();

    // Three earlier tests as this sensor measured them, and the statistics
    // they leave: 12.4 hours of work, three tests.
    int atOrAbove03 = 0;
    for (int gas : kEarlierGases) {
        const int uMin = TrueVoltageAt(gas);
        const int hundredths = AlcoholAtVoltage(Stored(), uMin);
        StoreResult(uMin, hundredths);
        atOrAbove03 += hundredths >= 30;
    }
    Bank2Words[OperatingTimeWord] = 62;
    Bank2Words[TestCountWord] = 3;
    Bank2Words[TestsFrom03Word] = atOrAbove03;
    for (const auto& [address, keeps] : setup.WeakWords)
        SetWeakWord(address, keeps);
    Update(0);
}

std::span<const int, SensorTableSize> TInstrument::Stored() const
{
    return std::span<const int, SensorTableSize>(Bank2Words.data(), SensorTableSize);
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
    return hundredths * 45 / 10;
}

void TInstrument::SetAlcohol(int hundredths)
{
    alcohol_ = std::clamp(hundredths, MinAlcohol, MaxAlcohol);
}

void TInstrument::SetTruePoints(const SensorPointTable& points)
{
    DeriveSensorTable(points, std::span<int, SensorTableSize>(trueTable_));
}

void TInstrument::SetTrueAdc(double zeroMv, double supplyMv)
{
    if (!(zeroMv >= 0 && zeroMv < supplyMv && supplyMv <= 65535))
        throw std::invalid_argument("the ADC's zero offset must lie below its supply, both 0..65535 mV");
    trueZero_ = zeroMv;
    trueSupply_ = supplyMv;
}

void TInstrument::AdjustSensorToStored()
{
    for (int i = 0; i < SensorTableSize; ++i)
        trueTable_[i] = Bank2Words[i];
}

void TInstrument::AdjustAdcToStored()
{
    const int zero = Bank2Words[Reg2::ZeroOffset];
    trueZero_ = zero;
    trueSupply_ = std::max(Bank2Words[Reg2::Supply], zero + 1);
}

void TInstrument::HoldChannel1(std::optional<int> mV)
{
    held_ = mV ? std::optional<int>(std::clamp(*mV, 0, MaxHeldMv)) : std::nullopt;
    if (held_)
        drift_.reset();
}

void TInstrument::SetChannel1Drift(std::optional<TChannel1Drift> drift, std::uint32_t seed, double nowMs)
{
    if (drift
        && !(drift->MinMs > 0 && drift->MinMs <= drift->MaxMs && drift->LowMv >= 0 && drift->LowMv <= drift->HighMv
             && drift->HighMv <= MaxHeldMv))
        throw std::invalid_argument("channel 1 moves with pauses 0 < MIN_MS <= MAX_MS and levels 0 <= LOW_MV <= "
                                    "HIGH_MV <= 5000");
    Update(nowMs);
    drift_ = drift;
    if (!drift_)
        return;
    held_.reset();
    driftRandom_.seed(seed);
    driftNext_ = nowMs; // the first level at once
    driftOpenHalf_ = 0;
    driftClosedBy_ = 0;
    driftPairReader_ = false;
    Update(nowMs);
}

void TInstrument::AdvanceDrift(double nowMs)
{
    while (drift_ && nowMs >= driftNext_) {
        // Half of a (9, 11) pair read: the jump waits for the other half,
        // long for a reader known to read pairs, briefly for any other.
        const double patience = driftPairReader_ ? DriftPairWaitMs : DriftFirstPairWaitMs;
        if (driftOpenHalf_ && nowMs - driftNext_ < patience)
            break;
        driftMv_ = std::uniform_int_distribution<int>(drift_->LowMv, drift_->HighMv)(driftRandom_);
        driftNext_ += std::uniform_real_distribution<double>(drift_->MinMs, drift_->MaxMs)(driftRandom_);
        driftOpenHalf_ = 0;
    }
}

void TInstrument::NotePairRead(int address)
{
    if (address != Reg1::Channel1Voltage && address != Reg1::Channel1Adc)
        return;
    if (driftOpenHalf_ && driftOpenHalf_ != address) {
        driftOpenHalf_ = 0; // the pair is complete
        driftClosedBy_ = address;
        driftPairReader_ = true;
    } else if (!driftOpenHalf_ && address != driftClosedBy_) {
        driftOpenHalf_ = address;
        driftClosedBy_ = 0;
    }
    // Otherwise the same register again: a frame sent again keeps the pair
    // as it is (open, or closed by this register).
}

void TInstrument::SetWeakWord(int address, std::optional<int> keeps)
{
    if (address < 0 || address > 255 || (keeps && (*keeps < 0 || *keeps > 65535)))
        throw std::invalid_argument("a weak word wants an address 0..255 and a kept value 0..65535");
    weak_[address] = keeps;
}

void TInstrument::ClearWeakWord(int address)
{
    weak_.erase(address);
}

int TInstrument::TrueVoltageAt(int hundredths) const
{
    return VoltageAtAlcohol(std::span<const int, SensorTableSize>(trueTable_), hundredths);
}

int TInstrument::AdcCount(double mV) const
{
    const long count = std::lround((mV - trueZero_) * 1023.0 / (trueSupply_ - trueZero_));
    return static_cast<int>(std::clamp<long>(count, 0, 1023));
}

int TInstrument::MeasuredMv(double mV) const
{
    const double count = std::clamp((mV - trueZero_) * 1023.0 / (trueSupply_ - trueZero_), 0.0, 1023.0);
    const double zero = Bank2Words[Reg2::ZeroOffset];
    const double supply = Bank2Words[Reg2::Supply];
    return Word(std::lround(zero + count * (supply - zero) / 1023.0));
}

int TInstrument::MillivoltsFromCount(int count) const
{
    return MillivoltsFromCount(count, Bank2Words[Reg2::ZeroOffset], Bank2Words[Reg2::Supply]);
}

int TInstrument::MillivoltsFromCount(int count, int zeroWord, int supplyWord)
{
    const double zero = zeroWord;
    const double supply = supplyWord;
    return Word(std::lround(zero + count * (supply - zero) / 1023.0));
}

int TInstrument::EffectiveBlowDelta() const
{
    const int delta = Bank2Words[Reg2::BlowDelta];
    return delta >= 1 && delta <= 8 ? delta : 2;
}

bool TInstrument::BlowSeen() const
{
    // The blow starts the measurement when BLOW_OUT rises above its zero
    // level by more than the start delta (ADC units, 16/3 per mV).
    return blowRise_ * 16 / 3 > EffectiveBlowDelta();
}

void TInstrument::StoreResult(int uMin, int hundredths)
{
    for (int word = 0; word < Reg2::ResultWords; ++word) {
        Bank2Words[Reg2::ResultBase[2] + word] = Bank2Words[Reg2::ResultBase[1] + word];
        Bank2Words[Reg2::ResultBase[1] + word] = Bank2Words[Reg2::ResultBase[0] + word];
    }
    const int base = Reg2::ResultBase[0];
    Bank2Words[base + Reg2::ResultUMin] = Word(uMin);
    Bank2Words[base + Reg2::ResultAir] = AirFromBlood(hundredths);
    Bank2Words[base + Reg2::ResultHundredths] = hundredths;
    Bank2Words[base + Reg2::ResultTenths] = hundredths / 10;
}

void TInstrument::StartTest(double nowMs)
{
    Update(nowMs);
    running_ = true;
    held_.reset();
    drift_.reset();
    testGas_ = alcohol_;
    modeStart_ = nowMs;
    completedAt_ = -1;
    for (int a = Reg1::AirConcentration; a <= Reg1::BloodHundredths; ++a)
        Bank1Words[a] = 0;
    Bank1Words[Reg1::Mode] = 1;
    Update(nowMs);
}

void TInstrument::StopTest(double nowMs)
{
    Update(nowMs);
    if (running_) {
        // The sensor recovers from wherever the abandoned test left it.
        uMin_ = SensorVoltage(nowMs);
        completedAt_ = nowMs;
    }
    running_ = false;
    Bank1Words[Reg1::Mode] = 0;
    Update(nowMs);
}

void TInstrument::ShowMode(int mode, double nowMs)
{
    Update(nowMs);
    running_ = false;
    Bank1Words[Reg1::Mode] = std::clamp(mode, 0, ModeHighest);
    Update(nowMs);
}

int TInstrument::Mode5Voltage() const
{
    return held_ ? *held_ : TrueVoltageAt(testGas_);
}

void TInstrument::SetResult()
{
    const int hundredths = AlcoholAtVoltage(Stored(), MeasuredMv(uMin_));
    Bank1Words[Reg1::ResultAir] = AirFromBlood(hundredths);
    Bank1Words[Reg1::ResultTenths] = hundredths / 10;
    Bank1Words[Reg1::ResultHundredths] = hundredths;
}

void TInstrument::Complete(double atMs)
{
    uMin_ = std::min(uMin_, Mode5Voltage());
    SetResult();
    const int hundredths = Bank1Words[Reg1::ResultHundredths];
    running_ = false;
    Bank1Words[Reg1::Mode] = ModeTestCompleted;
    completedAt_ = atMs;
    StoreResult(MeasuredMv(uMin_), hundredths);
    Bank2Words[TestCountWord] = Word(Bank2Words[TestCountWord] + 1);
    if (hundredths >= 30)
        Bank2Words[TestsFrom03Word] = Word(Bank2Words[TestsFrom03Word] + 1);
    ++testsCompleted_;
}

void TInstrument::Advance(double nowMs)
{
    while (running_) {
        const int mode = Bank1Words[Reg1::Mode];
        if (mode < 1 || mode > 5) { // someone set the mode register meanwhile
            running_ = false;
            break;
        }
        const double span = ModeMs[mode] * scale_;
        if (nowMs - modeStart_ < span)
            break;
        if (mode == 2 && !BlowSeen()) {
            modeStart_ = nowMs - span; // ready, waiting for a blow strong enough
            break;
        }
        modeStart_ += span;
        if (mode == 5) {
            Complete(modeStart_);
            break;
        }
        Bank1Words[Reg1::Mode] = mode + 1;
        if (mode + 1 == 4)
            uMin_ = CleanAir();
        else if (mode + 1 == 5) {
            uMin_ = std::min(uMin_, Mode5Voltage());
            SetResult(); // known from here on, so mode 6 finds it ready
        }
    }
}

int TInstrument::SensorVoltage(double nowMs) const
{
    if (drift_)
        return driftMv_;
    if (held_)
        return *held_;
    const int clean = CleanAir();
    if (running_) {
        const int mode = Bank1Words[Reg1::Mode];
        if (mode == 4) {
            // The voltage falls toward the gas's voltage while measuring.
            const int target = TrueVoltageAt(testGas_);
            const double f = std::clamp((nowMs - modeStart_) / (ModeMs[4] * scale_), 0.0, 1.0);
            return static_cast<int>(clean - (clean - target) * (1 - (1 - f) * (1 - f)));
        }
        if (mode == 5)
            return TrueVoltageAt(testGas_);
    } else if (completedAt_ >= 0) {
        const double f = (nowMs - completedAt_) / (RecoveryMs * scale_);
        if (f < 1)
            return static_cast<int>(uMin_ + (clean - uMin_) * std::max(f, 0.0));
    }
    return std::max(0, clean + Wobble(nowMs));
}

void TInstrument::Update(double nowMs)
{
    while (nowMs - operatingFrom_ >= OperatingStepMs) {
        Bank2Words[OperatingTimeWord] = Word(Bank2Words[OperatingTimeWord] + 1);
        operatingFrom_ += OperatingStepMs;
    }
    Advance(nowMs);
    AdvanceDrift(nowMs);

    const int v = SensorVoltage(nowMs);
    trueMv_ = v;
    const int count = AdcCount(v);
    Bank1Words[Reg1::SensorVoltage] = MeasuredMv(v);
    Bank1Words[Reg1::Channel1Voltage] = MillivoltsFromCount(count);
    Bank1Words[Reg1::Channel1Adc] = count * 8;
    const bool blowing = running_ && Bank1Words[Reg1::Mode] == 3;
    Bank1Words[Reg1::Channel2Voltage] = Word(blowIdle_ + (blowing ? blowRise_ : 0));
    Bank1Words[Reg1::BlowOutZero] = Word(blowIdle_ * 16 / 3);

    const int mode = Bank1Words[Reg1::Mode];
    if (running_ && (mode == 4 || mode == 5)) {
        if (mode == 4)
            uMin_ = std::min(uMin_, v);
        // Current readings follow the voltage through the stored table.
        const int now = AlcoholAtVoltage(Stored(), MeasuredMv(v));
        Bank1Words[Reg1::AirConcentration] = AirFromBlood(now);
        Bank1Words[Reg1::BloodTenths] = now / 10;
        Bank1Words[Reg1::BloodHundredths] = now;
    }
}

std::optional<std::array<std::uint8_t, ReplyLength>> TInstrument::Handle(const TFrame& frame, double nowMs)
{
    switch (frame.kind) {
    case TFrame::Read: {
        Update(nowMs);
        std::int32_t value = 0;
        if (frame.bank == Bank1) {
            value = Bank1Words[frame.address];
            NotePairRead(frame.address);
        }
        else if (frame.bank == Bank2)
            value = Bank2Words[frame.address];
        return MakeReply(LetterRead, frame.bank, frame.address, value & 0xFFFF);
    }
    case TFrame::Write: {
        // Bank 2 keeps what is written, as it is: the instrument applies its
        // own rules (the start delta) where it uses a word, not here.
        std::int32_t value = frame.value;
        if (frame.bank == Bank2) {
            const auto weak = weak_.find(frame.address);
            if (weak == weak_.end())
                Bank2Words[frame.address] = value;
            else if (weak->second)
                Bank2Words[frame.address] = *weak->second;
            // else: the word keeps its old value; the echo still shows the written one
        }
        else if (frame.bank == Bank1)
            value = Bank1Words[frame.address]; // working registers are read only
        return MakeReply(LetterWrite, frame.bank, frame.address, value & 0xFFFF);
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
