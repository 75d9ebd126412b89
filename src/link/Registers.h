#pragma once
// The instrument's registers as the program uses them. Bank 1 holds the
// working registers (read only, polled), bank 2 the stored parameters (read
// and written). Every value is an unsigned 16-bit word on the wire.
#include <cstdint>

inline constexpr std::uint8_t Bank1 = 1;
inline constexpr std::uint8_t Bank2 = 2;

// Bank 1: working registers.
namespace Reg1 {
inline constexpr std::uint8_t SensorVoltage = 0;      // V0, sensor voltage, mV
inline constexpr std::uint8_t AirConcentration = 1;   // V1, µg/l, current
inline constexpr std::uint8_t BloodTenths = 2;        // V2, tenths of a promille, current
inline constexpr std::uint8_t BloodHundredths = 3;    // V3, hundredths of a promille, current
inline constexpr std::uint8_t Reserved4 = 4;          // V4, read and not shown
inline constexpr std::uint8_t ResultAir = 5;          // V5, µg/l, completed test
inline constexpr std::uint8_t ResultTenths = 6;       // V6, tenths of a promille, completed test
inline constexpr std::uint8_t ResultHundredths = 7;   // V7, hundredths, completed test
inline constexpr std::uint8_t Mode = 8;               // instrument mode 0..8
inline constexpr std::uint8_t Channel1Voltage = 9;    // sensitive layer, mV
inline constexpr std::uint8_t Channel2Voltage = 10;   // BLOW_OUT, mV
inline constexpr std::uint8_t Channel1Adc = 11;       // eight times the 10-bit count
inline constexpr std::uint8_t BlowOutZero = 12;       // BLOW_OUT zero level, ADC units
} // namespace Reg1

// Instrument modes reported at bank-1 address 8 run from 0 to 8; the
// display of each is the readings logic's. Mode 6 means a completed test
// whose result stands in V5..V7.
inline constexpr int ModeTestCompleted = 6;
inline constexpr int ModeHighest = 8;

// Bank 2: stored parameters. Addresses 0..31 are the sensor characteristic.
namespace Reg2 {
inline constexpr std::uint8_t FirstNode = 0;          // 0..10: voltage at 0.0..1.0 promille
inline constexpr std::uint8_t LastNode = 10;
inline constexpr std::uint8_t Coefficient = 11;       // 1 means the sound is off
inline constexpr std::uint8_t GFull = 12;             // just below clean air
inline constexpr std::uint8_t ZeroOffset = 13;        // mV at ADC count 0
inline constexpr std::uint8_t FirstThreshold = 14;    // 14..23: switching thresholds
inline constexpr std::uint8_t TopThreshold = 24;      // above 1.0 promille
inline constexpr std::uint8_t Supply = 25;            // mV at ADC count 1023
inline constexpr std::uint8_t BlowDelta = 26;         // blow start delta, ADC units
inline constexpr std::uint8_t InstrumentNumber = 27;
inline constexpr std::uint8_t Statistics05to09 = 28;
inline constexpr std::uint8_t Statistics10to20 = 29;
inline constexpr std::uint8_t StatisticsFrom21 = 30;
inline constexpr std::uint8_t SensorNumber = 31;
inline constexpr int CharacteristicSize = 32;         // addresses 0..31

// The last three completed tests, newest first, four words each.
inline constexpr std::uint8_t ResultBase[3] = {64, 72, 80};
inline constexpr int ResultRecords = 3;
inline constexpr std::uint8_t ResultUMin = 0;         // + base: minimum sensor voltage, mV
inline constexpr std::uint8_t ResultAir = 1;          // + base: µg/l
inline constexpr std::uint8_t ResultHundredths = 2;   // + base: hundredths of a promille
inline constexpr std::uint8_t ResultTenths = 3;       // + base: tenths of a promille
inline constexpr int ResultWords = 4;

inline constexpr int Size = 256;                      // one byte of address
} // namespace Reg2
