#pragma once
// The program-wide settings, mirrored in the 72-byte file "kavrel_m.cnf" of
// the working folder. The file is read each time the main window becomes
// active and written at once whenever a window changes a setting.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

inline constexpr const char* SettingsFileName = "kavrel_m.cnf";
inline constexpr int SettingsFileSize = 72;
inline constexpr int AutonomousPortIndex = 12;

extern std::string PortName;        // device name for the port, or "Автоном."
extern int PortIndex;               // 1..11 = COM1..COM11, 12 = autonomous, 0 = none chosen
extern int SensorNumber;            // current sensor, 0..65535
extern std::string SensorNumberText;
extern std::uint8_t StoredDelay;    // only loaded and written back
extern bool StoredModeA;
extern bool StoredModeB;
extern std::array<int, 32> StoredTable;

// True while some window has its serial port open: a window opens its port
// only when this is clear, so one window at a time owns the line.
extern bool PortOpenFlag;

// Name of a port-table entry: 1..11 give "COM1".."COM11", 12 gives
// "Автоном."; any other index gives an empty text.
std::string PortNameFor(int portIndex);

// Sets a panel of the main window's status bar. Installed by the main window
// so that other windows can keep it current without knowing it.
extern std::function<void(int panel, const std::string& text)> SetMainStatus;
// "Сенсор № " + number: what the third status panel shows.
std::string SensorStatusText(int sensorNumber);

// Restores every setting to its built-in value (program start, tests).
void ResetSettings();

// Reads the file into the settings. A missing file shows the long warning
// and is created with defaults. A file shorter than 72 bytes throws
// EInOutError naming the file; the values read before the end keep their new
// values and the rest keep theirs.
void LoadSettings();

// Writes the settings to the file in one step. A file that cannot be
// opened or created shows the long warning and returns false; a file that
// opened but could not be written (a full disk) raises EInOutError naming
// the file and the reason. The old file stays whole either way.
bool SaveSettings();

// The 72 bytes of the file for the current settings.
std::string SettingsBytes();
