#pragma once
// The sensor's characteristic: the 32 parameters the instrument keeps at
// bank-2 addresses 0 to 31, and the seven calibration voltages they are
// derived from. Program-wide state shared by every window that reads,
// edits or writes the instrument's table, and the fixed rules that connect
// the two. Nothing here touches the port or the screen.
#include <array>
#include <span>

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

// Labels of Data_Sen entries 0 to 31 as the sensor database shows them.
inline constexpr std::array<const char*, SensorTableSize> SensorTableLabels = {
    "Алкоголь 0.0", "Алкоголь 0.1", "Алкоголь 0.2", "Алкоголь 0.3",
    "Алкоголь 0.4", "Алкоголь 0.5", "Алкоголь 0.6", "Алкоголь 0.7",
    "Алкоголь 0.8", "Алкоголь 0.9", "Алкоголь 1.0",
    "Коэффиц. U/F",
    "G_FOULL     ",
    "Служебн.    ",
    "Переход 0.0/0.1", "Переход 0.1/0.2", "Переход 0.2/0.3", "Переход 0.3/0.4",
    "Переход 0.4/0.5", "Переход 0.5/0.6", "Переход 0.6/0.7", "Переход 0.7/0.8",
    "Переход 0.8/0.9", "Переход 0.9/1.0",
    "Переход 1.0/-  ",
    "Питание        ",
    "BLOW_OUT       ",
    "Номер прибора  ",
    "Стат. 0.5-0.9  ", "Стат. 1.0-2.0  ", "Стат. от 2.1   ",
    "Номер сенсора  ",
};

// Labels of the seven points P0 to P6.
inline constexpr std::array<const char*, SensorPointCount> SensorPointLabels = {
    "\"Чистый\" воздух",
    "0.1 промиле ", "0.2 промиле ", "0.5 промиле ", "0.6 промиле ",
    "1.0 промиле ", "2.0 промиле ",
};

// Words CompleteSensorTable fixes.
inline constexpr int SupplyVoltage = 5000;   // entry 25, mV at ADC count 1023
inline constexpr int BlowStartDelta = 30;    // entry 26

// Blood-alcohol range, in hundredths of a promille, VoltageAtAlcohol serves.
inline constexpr int MinAlcohol = 0;
inline constexpr int MaxAlcohol = 800;

// Fills the characteristic entries (0 to 10, 12, 14 to 24 and 31) of a
// 32-entry table from a point table; entries 11, 13 and 25 to 30 are left
// alone. Entry 31 takes SensorNumber.
void DeriveSensorTable(const SensorPointTable& points, std::span<int, SensorTableSize> table);
// The same on the first 32 entries of a Data_Sen-shaped table.
inline void DeriveSensorTable(const SensorPointTable& points, std::array<int, DataSenSize>& table)
{
    DeriveSensorTable(points, std::span<int, SensorTableSize>(table.data(), SensorTableSize));
}

// Sets the fixed service words of Data_Sen (13 = 0, 25 = 5000, 26 = 30,
// 27 and 31 = SensorNumber, statistics 28 to 30 cleared) and fills entries
// 32 to 63 with the two copies of entries 11 to 26.
void CompleteSensorTable();

// The point table a characteristic was derived from. P0 to P5 come back
// exactly; P6 is rebuilt from the step above 1.0 promille, so it comes back
// as P5 - 10 * ((P5 - P6) div 10).
SensorPointTable PointsFromSensorTable(std::span<const int, SensorTableSize> table);
// SensorPoints := the points of Data_Sen.
void PointsFromSensorTable();

// The sensor voltage (mV) the table gives for a blood-alcohol value in
// hundredths of a promille: 0 to 100 by the nodes of the tenths, above 100
// by the step per tenth above 1.0 promille, never below 0. Values outside
// 0 to 800 are clamped to that range.
int VoltageAtAlcohol(std::span<const int, SensorTableSize> table, int alcohol);
// The same on Data_Sen.
int VoltageAtAlcohol(int alcohol);

// A typed calibration value cut to tens: endings 5 to 9 go up to the next
// ten, 0 to 4 go down.
int CutToTens(int value);
