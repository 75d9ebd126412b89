#pragma once
// A model of the breath-alcohol instrument as the program sees it over the
// line: bank 1 working registers, a 256-word bank 2, and a test cycle run
// through modes 1 to 6 with a falling sensor voltage. Pure state, no I/O:
// the caller hands it decoded frames and the time.
#include "Characteristic.h"
#include "Frames.h"

#include <array>
#include <cstdint>
#include <optional>

struct TInstrumentSetup {
    // The seven calibration voltages the characteristic is derived from
    // (clean air, 0.1, 0.2, 0.5, 0.6, 1.0, 2.0 promille), in mV.
    SensorPointTable Points{4000, 3500, 3000, 2000, 1800, 1000, 500};
    int InstrumentNumber = 1207;
    int SensorNumber = 512;
    // Blood alcohol the next tests find, hundredths of a promille (0..800).
    int Alcohol = 35;
    // Durations of the modes scale with this (0.1 runs a test ten times faster).
    double TimeScale = 1.0;
};

class TInstrument {
public:
    explicit TInstrument(const TInstrumentSetup& setup = {});

    // Answers one frame received at `nowMs` (a steady clock in ms). Read and
    // write frames get five bytes: letter, bank, address, value high, low (a
    // write echoes the value stored). A mode switch (':' '2' starts a test,
    // ':' '3' stops it) gets no answer.
    std::optional<std::array<std::uint8_t, ReplyLength>> Handle(const TFrame& frame, double nowMs);

    // Brings the test cycle and the live registers to `nowMs`.
    void Update(double nowMs);

    void StartTest(double nowMs);
    void StopTest(double nowMs);

    int Mode() const { return Bank1Words[8]; }
    int TestsCompleted() const { return testsCompleted_; }
    void SetAlcohol(int hundredths);
    int Alcohol() const { return alcohol_; }
    void SetTimeScale(double scale) { scale_ = scale > 0 ? scale : 1.0; }

    // Service bench: the true voltage at channel 1, 0..5000 mV, as a
    // voltmeter would measure it. Once set, register 11 is eight times the
    // 10-bit count the instrument's ADC gives for it (its real count-0 and
    // count-1023 voltages are AdcZeroMv and AdcFullMv, which the stored words
    // only approximate), and register 9 the millivolts the instrument
    // computes from that count with its stored words 13 (mV at count 0) and
    // 25 (mV at count 1023). Until then both follow the sensor voltage.
    void SetChannel1True(int mV);
    static constexpr int AdcZeroMv = 110;
    static constexpr int AdcFullMv = 4980;

    // The alcohol (hundredths) the characteristic gives for a voltage: the
    // smallest value whose expected voltage is at or below `mV`.
    static int AlcoholAtVoltage(std::span<const int, SensorTableSize> table, int mV);
    // Air concentration (µg/l) matching a blood alcohol in hundredths.
    static int AirFromBlood(int hundredths);

    std::array<std::int32_t, 256> Bank1Words{};   // working registers
    std::array<std::int32_t, 256> Bank2Words{};   // stored parameters

    // Durations of modes 1 to 5 at scale 1, ms; mode 6 lasts until stopped.
    static constexpr double ModeMs[6] = {0, 2000, 2000, 600, 3000, 1200};
    static constexpr double RecoveryMs = 6000;  // back to clean air after a test
    static constexpr int BlowZeroLevel = 512;     // bank 1 address 12, ADC units
    static constexpr int BlowChannelIdle = 2500;  // bank 1 address 10, mV

private:
    std::span<const int, SensorTableSize> Table() const;
    void SetVoltage(int mV, double nowMs);
    void SetResult();
    void Complete(double nowMs);
    void StoreResult(int uMin, int hundredths);

    double testStart_ = 0;     // when mode 1 began
    double completedAt_ = -1;  // when the last test completed (recovery)
    bool running_ = false;
    int alcohol_;
    int uMin_ = 0;
    int testsCompleted_ = 0;
    double scale_;
    int channel1True_ = -1;   // mV; -1: channel 1 follows the sensor voltage
    std::array<int, SensorTableSize> table_{};
};
