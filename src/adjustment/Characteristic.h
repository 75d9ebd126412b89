#pragma once
// The sensor's characteristic: the 32 parameters the instrument keeps at
// bank-2 addresses 0 to 31, and the seven calibration voltages they are
// derived from. Program-wide state shared by every window that reads,
// edits or writes the instrument's table.
#include <array>

inline constexpr int SensorTableSize = 32;   // entries mirrored in the instrument
inline constexpr int DataSenSize = 64;       // with the program's two copies of 11..26
inline constexpr int SensorPointCount = 7;   // P0 (clean air) .. P6 (2.0 promille)

// A characteristic table as the instrument holds it (entries 0 to 31).
using SensorTable = std::array<int, SensorTableSize>;
// Seven calibration voltages in millivolts, P0 the largest.
using SensorPointTable = std::array<int, SensorPointCount>;

// The instrument's characteristic and parameter words, in millivolts where
// they are voltages. Entries 0 to 31 mirror bank-2 addresses 0 to 31 (every
// bank-2 read of an address below 32 is stored here at the same index);
// entries 32 to 63 live only in the program.
extern std::array<int, DataSenSize> Data_Sen;

// The sensor point table: the sensor's voltage at clean air, 0.1, 0.2, 0.5,
// 0.6, 1.0 and 2.0 promille.
extern SensorPointTable SensorPoints;
