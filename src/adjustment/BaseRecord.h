#pragma once
// The database side of the sensor database: the selected sensor's record as
// a characteristic table and a point table, kept beside the instrument side
// (Data_Sen and SensorPoints, what the program last read from or wrote to
// the instrument). Program-wide, like the instrument side.
#include "Characteristic.h"

#include <cstdint>
#include <string>
#include <string_view>

// The selected record as a characteristic table (same layout as Data_Sen
// 0..31) and its seven calibration points. Entries the derivation does not
// set keep what they held.
extern SensorTable BaseTable;
extern SensorPointTable BasePoints;

// The transfer the database window makes on activation or on closing
// (its radio group "Перенести данные  ").
enum TTransfer : int {
    TransferToBase = 0,         // "Прибор => База", on activation
    TransferToInstrument = 1,   // "База => Прибор", on closing
    TransferNone = 2,           // "Нет  переноса"
};

// Loads the group of SensorNumber, takes the record's points into
// BasePoints and derives BaseTable from them, and its note into SensorNote. A missing group file is
// reported and created empty (sensor group files). A group file that could
// not be read whole throws EInOutError; the database side then shows what
// was read of it (an unread record as zeros).
void LoadSelectedSensor();

// Stores the instrument side into the selected sensor's record (its points
// and thresholds) and saves the group: the group of SensorNumber is loaded
// first if memory holds another one. The record keeps its own note, or
// takes `note` when one is given; SensorNote is then the record's note.
void StoreRecord();
void StoreRecord(const std::string& note);

// Packs the instrument side into the record at SensorSlot with the record's
// own note (PackSensorRecord would store SensorNote, which may be another
// sensor's); SensorNote is then the record's note.
void PackKeepingNote();

// A note as an edit shows it: control and never-written bytes as blanks.
std::string NoteForEdit(const std::string& note);

// The instrument side (Data_Sen 0..31, SensorPoints) and the database side
// (BaseTable, BasePoints) change places.
void ExchangeSides();

// The database side takes the instrument side's values.
void CopyInstrumentToBase();

// A record that was never filled: all seven points 0, as in a group file
// the program created.
bool NeverFilled(const SensorPointTable& points);

// The note stored with a record copied from an instrument: "KV: ", the
// four characters with codes 48 + v div 1000, 48 + (v div 100) mod 10,
// 48 + (v mod 100) div 10 and 48 + v mod 10, then "-XX ". For 101 that is
// "KV: 0101-XX "; above 9999 the first character runs past the digits.
std::string DeviceNote(int deviceNumber);

// A typed word for the instrument, read leniently and kept within the
// 16 bits a word has, so that the word written is the word shown.
int WordFromText(std::string_view text);

// The operating time word (fifths of an hour) for a typed number of hours
// with an optional fraction ("12.5" or "12,5"): trunc(5 × hours), within
// 0..65535. Read leniently: what follows the number is ignored, empty reads 0.
int OperatingTimeWord(std::string_view text);
// The operating time word shown as hours: word / 5 with one decimal,
// right-aligned in seven characters (62 gives "   12.4").
std::string OperatingTimeText(int word);
