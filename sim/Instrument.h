#pragma once
// A model of the breath-alcohol instrument as the program sees it over the
// line, with a hidden physical truth behind its registers:
//   - the sensor's true response (a characteristic table of its own) gives
//     the voltage a gas drives the sensor to; the instrument turns that
//     voltage into its readings through the characteristic stored in its
//     bank 2, which is whatever the program wrote there;
//   - the ADC of channel 1 has a true zero offset and supply; register 11 is
//     the count the true voltage gives, register 9 the millivolts the
//     instrument makes of that count with its stored words 13 and 25.
// So a mis-adjusted instrument measures wrongly and the service windows'
// corrections put it right. Pure state, no I/O: the caller hands it decoded
// frames and the time (ms on any steady clock).
#include "Characteristic.h"
#include "Frames.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <random>

// The characteristic points an instrument leaves the factory with.
inline constexpr SensorPointTable FactoryPoints{4000, 3500, 3000, 2000, 1800, 1000, 500};
// A fresh bench's sensor reads this much lower than its stored points say.
inline constexpr int BenchSensorShiftMv = -150;

// Channel 1 moving: its true voltage jumps to a new level, uniform in
// LowMv..HighMv, after a pause uniform in MinMs..MaxMs, again and again.
struct TChannel1Drift {
    double MinMs = 50;
    double MaxMs = 700;
    int LowMv = 200;
    int HighMv = 4800;
};

struct TInstrumentSetup {
    // Stored: the seven points bank 2's characteristic is derived from
    // (clean air, 0.1, 0.2, 0.5, 0.6, 1.0, 2.0 promille), in mV, and the
    // measuring path's stored zero offset (word 13) and supply (word 25).
    // A state file, when loaded, replaces all of bank 2.
    SensorPointTable Points = FactoryPoints;
    int ZeroOffset = 140;
    int Supply = 5000;
    int InstrumentNumber = 1207;
    int SensorNumber = 512;

    // Truth. The sensor's true points; unset: Points shifted by
    // BenchSensorShiftMv, so a fresh bench is out of adjustment.
    std::optional<SensorPointTable> TruePoints;
    // The ADC's true zero offset (mV at count 0) and supply (mV at 1023).
    double TrueZeroOffsetMv = 114;
    double TrueSupplyMv = 5083;
    // Both truths taken from what is stored (after a state file is loaded):
    // an instrument in adjustment.
    bool Adjusted = false;

    // True blood alcohol of the gas the next tests get, hundredths of a
    // promille (0..800).
    int Alcohol = 35;
    // BLOW_OUT: its idle output and how far a blow raises it, mV.
    int BlowIdleMv = 3;
    int BlowRiseMv = 400;
    // Durations of the modes scale with this (0.1 runs a test ten times faster).
    double TimeScale = 1.0;

    // Weak words of bank 2 (SetWeakWord): address -> what the word keeps.
    std::map<int, std::optional<int>> WeakWords;
};

class TInstrument {
public:
    explicit TInstrument(const TInstrumentSetup& setup = {});

    // Answers one frame received at `nowMs`. Read and write frames get five
    // bytes: letter, bank, address, value high, low (a write echoes the
    // value stored). A mode switch (':' '2' starts a test, ':' '3' stops
    // it) gets no answer.
    std::optional<std::array<std::uint8_t, ReplyLength>> Handle(const TFrame& frame, double nowMs);

    // Brings the test cycle, the operating time and the live registers to
    // `nowMs`. Reads do it themselves.
    void Update(double nowMs);

    // The instrument's own button: starts a test (also ':' '2'). Releases a
    // held channel 1, since the sensor drives it during a test.
    void StartTest(double nowMs);
    // Stops a test (':' '3'): mode 0, nothing stored unless it completed.
    void StopTest(double nowMs);
    // Shows `mode` (0..8; 7 is "ПП", 8 "ОС") until the next test; a running
    // test is abandoned.
    void ShowMode(int mode, double nowMs);

    int Mode() const { return Bank1Words[8]; }
    bool TestRunning() const { return running_; }
    int TestsCompleted() const { return testsCompleted_; }

    // Truth, changeable at any time.
    void SetAlcohol(int hundredths);   // the gas of the next tests, 0..800
    int Alcohol() const { return alcohol_; }
    void SetTruePoints(const SensorPointTable& points);
    const SensorTable& TrueTable() const { return trueTable_; }
    // Throws std::invalid_argument unless 0 <= zero < supply <= 65535.
    void SetTrueAdc(double zeroMv, double supplyMv);
    double TrueZeroOffset() const { return trueZero_; }
    double TrueSupply() const { return trueSupply_; }
    // The sensor, the ADC or both become exactly what bank 2 stores.
    void AdjustSensorToStored();
    void AdjustAdcToStored();
    void AdjustTruthToStored()
    {
        AdjustSensorToStored();
        AdjustAdcToStored();
    }
    // Holds channel 1 (the sensor's output) at `mV` (clamped to 0..5000)
    // until released or a test starts; std::nullopt releases it.
    void HoldChannel1(std::optional<int> mV);
    std::optional<int> HeldChannel1() const { return held_; }
    // Channel 1's true voltage at the last read (register 0 is what the
    // instrument measures of it).
    int TrueChannel1Mv() const { return trueMv_; }
    // Channel 1 moves (TChannel1Drift) from `nowMs` on, its levels and
    // pauses drawn from `seed`; std::nullopt stops it where it is not held.
    // Holding channel 1 or starting a test stops it too. A jump that falls
    // between a read of register 9 and the next of 11 (or of 11 and the
    // next of 9) waits until that other read, so that a read cycle that
    // reads both always gets one voltage's pair: at most DriftPairWaitMs
    // once the reader was seen to read a pair, DriftFirstPairWaitMs before
    // (a reader of one of them alone sees it move a little later).
    // Throws std::invalid_argument for empty or reversed bounds.
    void SetChannel1Drift(std::optional<TChannel1Drift> drift, std::uint32_t seed, double nowMs);
    std::optional<TChannel1Drift> Channel1Drift() const { return drift_; }
    static constexpr double DriftPairWaitMs = 2000;
    static constexpr double DriftFirstPairWaitMs = 200;

    // A weak word of bank 2: a write is answered with the value written, as
    // ever, but the word keeps its old value (`keeps` unset) or `keeps`.
    // Words written by the hand (Bank2Words) are not affected.
    void SetWeakWord(int address, std::optional<int> keeps);
    void ClearWeakWord(int address);
    void ClearWeakWords() { weak_.clear(); }
    const std::map<int, std::optional<int>>& WeakWords() const { return weak_; }
    void SetBlowRise(int mV) { blowRise_ = mV < 0 ? 0 : mV; }
    int BlowRise() const { return blowRise_; }
    void SetTimeScale(double scale) { scale_ = scale > 0 ? scale : 1.0; }

    // What the instrument makes of things, through what it stores.
    // The sensor's true voltage for a gas (mV).
    int TrueVoltageAt(int hundredths) const;
    // The ADC count (0..1023) the true voltage `mV` gives.
    int AdcCount(double mV) const;
    // The millivolts the instrument makes of a true voltage: its ADC's
    // count (unrounded: the instrument averages its samples) converted with
    // the stored words 13 and 25. Registers 0 and 5..7, the test's U_min and
    // the alcohol come from this, so a wrong word 13 or 25 shows in them;
    // when the truth is what bank 2 stores it is the true voltage itself.
    int MeasuredMv(double mV) const;
    // The millivolts the instrument computes from a count with words 13, 25.
    int MillivoltsFromCount(int count) const;
    // The same with given words 13 and 25: the pure function a test checks
    // a (register 11, register 9) pair with. Register 9 always equals
    // MillivoltsFromCount(register 11 / 8, word 13, word 25) when both came
    // from one voltage (the truth's zero and supply do not enter).
    static int MillivoltsFromCount(int count, int zeroWord, int supplyWord);
    static bool IsChannel1Pair(int reg11, int reg9, int zeroWord, int supplyWord)
    {
        return reg11 % 8 == 0 && reg9 == MillivoltsFromCount(reg11 / 8, zeroWord, supplyWord);
    }
    // The start delta in use: word 26 when it is 1..8, else 2.
    int EffectiveBlowDelta() const;

    // The alcohol (hundredths) a characteristic gives for a voltage: the
    // smallest value from 0 to 800 whose VoltageAtAlcohol is at or below
    // `mV` (800 when none is). Exact on the table's own voltages.
    static int AlcoholAtVoltage(std::span<const int, SensorTableSize> table, int mV);
    // Air concentration (µg/l) for a blood alcohol in hundredths: 4.5 times
    // it, truncated (30 hundredths, 0.3 promille, is 135 µg/l).
    static int AirFromBlood(int hundredths);

    std::array<std::int32_t, 256> Bank1Words{};   // working registers
    std::array<std::int32_t, 256> Bank2Words{};   // stored parameters (the EEPROM)

    // Durations of modes 1 to 5 at scale 1, ms; mode 2 lasts until a blow
    // is seen, mode 6 until stopped.
    static constexpr double ModeMs[6] = {0, 2000, 2000, 600, 3000, 1200};
    static constexpr double RecoveryMs = 6000;       // back to clean air after a test
    static constexpr double OperatingStepMs = 720000; // word 28 counts fifths of an hour
    static constexpr int BlowChannelIdle = 3;         // default BLOW_OUT idle, mV
    static constexpr int BlowZeroLevel = 16;          // its level in ADC units (16/3 per mV)
    static constexpr int MaxHeldMv = 5000;

    // What the statistics words count (the number and statistics window's
    // captions): operating time in fifths of an hour, completed tests, and
    // completed tests of 0.3 promille or more.
    static constexpr std::uint8_t OperatingTimeWord = 28;
    static constexpr std::uint8_t TestCountWord = 29;
    static constexpr std::uint8_t TestsFrom03Word = 30;

private:
    std::span<const int, SensorTableSize> Stored() const;
    int CleanAir() const { return trueTable_[0]; }
    bool BlowSeen() const;
    void Advance(double nowMs);
    int SensorVoltage(double nowMs) const;
    int Mode5Voltage() const;
    void SetResult();
    void Complete(double atMs);
    void StoreResult(int uMin, int hundredths);
    void AdvanceDrift(double nowMs);
    void NotePairRead(int address);

    SensorTable trueTable_{};
    double trueZero_;
    double trueSupply_;
    std::optional<int> held_;
    std::optional<TChannel1Drift> drift_;
    std::mt19937 driftRandom_;
    int driftMv_ = 0;            // channel 1's level while it moves
    double driftNext_ = 0;       // when the next jump is due
    int driftOpenHalf_ = 0;      // 9 or 11: read, its partner not yet (0: none)
    int driftClosedBy_ = 0;      // the register whose read completed the last pair
    bool driftPairReader_ = false; // a pair was read whole
    std::map<int, std::optional<int>> weak_;
    int alcohol_;
    int testGas_ = 0;           // the running test's gas
    int blowIdle_;
    int blowRise_;
    double scale_;

    bool running_ = false;
    double modeStart_ = 0;      // when the current mode of a running test began
    double completedAt_ = -1;   // when the last test completed (recovery)
    int uMin_ = 0;              // the running or last test's lowest voltage (true)
    int trueMv_ = 0;            // channel 1's true voltage at the last update
    int testsCompleted_ = 0;
    double operatingFrom_ = 0;  // start of the operating-time step under way
};
