#pragma once
// Sensor group files: the calibration data of 100 sensors per file in the
// working folder, "Hun" + group number (at least two digits) + ".fig".
// A sensor number n lives in group n div 100, slot n mod 100. The sensor
// windows load the group, unpack the current sensor's record into the
// shared calibration tables, edit or exchange them, pack them back and
// save the group.
#include "Characteristic.h"

#include <array>
#include <cstdint>
#include <string>

inline constexpr int SensorGroupSize = 100;       // records per group
inline constexpr int SensorRecordSize = 80;       // stored bytes per record
inline constexpr int SensorGroupFileSize = SensorGroupSize * SensorRecordSize;
inline constexpr int SensorNoteOffset = 42;       // note field: offsets 42..79
inline constexpr int SensorNoteLength = 38;       // characters the field holds

// Record layout (16-bit words, high byte first):
//   0  P0..P6            14  Data_Sen 14..23      34  Data_Sen 25
//   36 Data_Sen 23 - 24  38  Data_Sen 12          40  Data_Sen 11
//   42 note, 19 pairs of Windows-1251 characters, each pair exchanged
using SensorRecord = std::array<std::uint8_t, SensorRecordSize>;

// The group in memory: record k holds the sensor in slot k.
extern std::array<SensorRecord, SensorGroupSize> SensorGroup;
// Group and slot of the number given to the last load or save.
extern int SensorGroupNo;
extern int SensorSlot;
// Free text of the current sensor (UTF-8); built-in value twenty blanks.
extern std::string SensorNote;
// The group whose file was last found unreadable or short (-1: none). It is
// never saved over until a later load of that group succeeds.
extern int UnreadSensorGroup;
// Records of the group in memory that came from its file at the last load:
// 100 after a whole read (or a new file), fewer after a short file, 0 when
// the file could not be read at all.
extern int SensorRecordsRead;

// "Hun" + (number div 100, at least two digits) + ".fig": 7 gives
// "Hun00.fig", 1234 "Hun12.fig", 12345 "Hun123.fig".
std::string SensorGroupFileName(int number);

// Fills SensorGroup from the group file of `number` and sets SensorGroupNo
// and SensorSlot. A missing file shows the short warning, and the group
// becomes all zeros and is saved as a new file. A file shorter than 8000
// bytes throws EInOutError naming the file; the whole records read before
// its end keep their new contents, the rest keep theirs. A file that exists
// but cannot be read throws EInOutError and is left untouched. A negative
// number throws std::out_of_range.
void LoadSensorGroup(int number);

// LoadSensorGroup for the windows that show a group: when its file could
// not be read whole, the records that did not come from it are cleared
// before the error goes on, so that nothing of the group loaded before is
// shown as this group's (the group is not saved either way).
void LoadSensorGroupShown(int number);

// Writes SensorGroup to the group file of `number` in one step (temporary
// file renamed over the old one) and sets SensorGroupNo and SensorSlot. A
// file that cannot be opened or created shows the long warning and returns
// false; one that opened but could not be written (a full disk) raises
// EInOutError naming the file and the reason. The old file stays whole.
// A group whose file could not be read whole (UnreadSensorGroup) is not
// saved: EInOutError says so. A negative number throws std::out_of_range.
bool SaveSensorGroup(int number);

// The seven points stored in a record.
SensorPointTable RecordPoints(const SensorRecord& record);
// The note stored in a record, pairs put back in order, as UTF-8; trailing
// zero bytes of the field (never written) are left out.
std::string RecordNote(const SensorRecord& record);

// SensorPoints := the points of the record at SensorSlot, and Data_Sen is
// derived from them. The other stored words and the note are not read.
void UnpackSensorRecord();

// Stores SensorPoints, Data_Sen 14..23, 25, 23 - 24, 12 and 11 and
// SensorNote into the record at SensorSlot. The note's first
// min(L div 2, 19) pairs go into the note field (L its length in
// characters), the rest of the field keeps its content; SensorNote gets two
// blanks appended.
void PackSensorRecord();

// Built-in state: all records zero, group and slot 0, note twenty blanks.
void ResetSensorGroup();
