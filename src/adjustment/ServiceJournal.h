#pragma once
// The service journal "Service.txt": one line for every write list the
// service windows send into an instrument, confirmed or not, and one for the
// control test that follows a characteristic write. As found, what was
// changed, as left: the record of a day at the bench for the instrument's
// owner and the next engineer. The program only appends to it.
//
// A line is fields separated by ";" (no value holds one), in this order:
//   date (DD.MM.YYYY); time (HH:MM:SS); instrument number (word 27);
//   sensor number (word 31); the engineer signed in ("не указан" without
//   accounts); the service session (its start, YYYYMMDD-HHMMSS, "-" outside
//   one); what was written or happened; the read-back's verdict ("-" for
//   what wrote nothing); then the details of that kind of entry, one field
//   each; and last the end mark ".", so that a line a crash tore off is told
//   from a whole one.
// The file starts with a heading line naming the fields. Journals of the
// earlier layout (without engineer, session and end mark, heading
// ServiceJournalOldHeading) are read as they are; the first line appended to
// one is preceded by the new heading, and each heading tells the layout of
// the lines below it.
#include "Characteristic.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* ServiceJournalName = "Service.txt";
inline constexpr const char* ServiceJournalHeading =
    "дата;время;прибор;сенсор;наладчик;сеанс;запись;проверка;подробности;конец";
inline constexpr const char* ServiceJournalOldHeading = "дата;время;прибор;сенсор;запись;проверка;подробности";
inline constexpr const char* JournalEndMark = ".";
// Put after a last line that has no line end (a crash stopped its append)
// before anything else is appended: in either layout that line then reads
// as damaged.
inline constexpr const char* JournalTornMark = " (строка оборвана)";
inline constexpr const char* NoEngineer = "не указан";

// What was written.
inline constexpr const char* JournalCharacteristic = "характеристика";
inline constexpr const char* JournalPathCalibration = "калибровка тракта";
inline constexpr const char* JournalBlowDelta = "дельта запуска";
inline constexpr const char* JournalNumbers = "номера";
inline constexpr const char* JournalControlTest = "контрольный тест";
// What a service session leaves besides its writes.
inline constexpr const char* JournalSignIn = "вход";
inline constexpr const char* JournalSignInRefused = "отказ входа";
inline constexpr const char* JournalSignOut = "выход";
inline constexpr const char* JournalGas = "газ";
inline constexpr const char* JournalAsFound = "как найдено";
inline constexpr const char* JournalCertificate = "свидетельство";

struct TServiceEntry {
    std::string Date;        // DD.MM.YYYY
    std::string Time;        // HH:MM:SS
    int Instrument = 0;
    int Sensor = 0;
    std::string Engineer = NoEngineer;
    std::string Session = "-";
    std::string What;
    std::string Verdict;     // "подтверждена", "не подтверждена", or "-" (a control test)
    std::vector<std::string> Details;
    // A line that is torn or does not parse: shown as it is, never taken
    // for an entry (Date, Time and Instrument hold what could be read).
    bool Damaged = false;
    std::string Raw;
};

// The details of each kind of entry.
// A characteristic: the test gas, the newest test the instrument held at
// the write ("последний тест": the session's as found is a line of its own,
// with its time), the voltage delta used, the seven points before
// ("неизвестны" when the instrument was not read) and after.
std::vector<std::string> CharacteristicDetails(int gasAlcohol, int foundAlcohol, int foundVoltage, int voltageDelta,
                                               const std::optional<SensorPointTable>& before,
                                               const SensorPointTable& after);
// The control test after a characteristic write (as left).
std::vector<std::string> ControlTestDetails(int gasAlcohol, int alcohol, int voltage);
// A path calibration: zero offset and supply before and after, and the two
// points used (ADC count as the instrument gives it, mV).
struct TPathPoint {
    int Count = 0;
    int Millivolts = 0;
};
std::vector<std::string> PathCalibrationDetails(int zeroBefore, int supplyBefore, int zeroAfter, int supplyAfter,
                                                TPathPoint u1, TPathPoint u2);
// A characteristic that came from elsewhere than a test gas (the sensor
// database, the sensor table): where from, the seven points before (empty
// when not known) and after.
std::vector<std::string> TransferDetails(const std::string& source, const std::optional<SensorPointTable>& before,
                                         const SensorPointTable& after);
// One value before and after (the blow delta).
std::vector<std::string> ValueDetails(int before, int after);
// The numbers and statistics: words 27, 31, 28, 29, 30 before and after.
std::vector<std::string> NumberDetails(const std::vector<int>& before, const std::vector<int>& after);

inline constexpr const char* VerdictConfirmed = "подтверждена";
inline constexpr const char* VerdictUnconfirmed = "не подтверждена";

// The clock of the journal: "DD.MM.YYYY" and "HH:MM:SS" of now. Tests set
// their own.
struct TJournalClock {
    std::string Date;
    std::string Time;
};
TJournalClock JournalNow();
// Puts another clock under JournalNow (tests); an empty one gives the
// system's clock back.
void SetJournalClock(std::function<TJournalClock()> clock);

// An entry of now for the instrument as the program last read it (its
// number and sensor number, words 27 and 31 of Bank2Image: Data_Sen's may
// hold what a commit put there, not what the instrument holds).
TServiceEntry ServiceEntryNow(const std::string& what, bool confirmed, std::vector<std::string> details);
// An entry of now that wrote nothing (verdict "-") filed under the
// instrument and sensor given: a control test goes to the instrument that
// was written, whatever is on the line when it is read.
TServiceEntry NoteEntryNow(const std::string& what, int instrument, int sensor, std::vector<std::string> details);

// The entry as its line (UTF-8, no line end).
std::string ServiceLine(const TServiceEntry& entry);
// A line read back (of the present layout); nullopt for the heading, an
// entry with Damaged set for a line that is not whole.
std::optional<TServiceEntry> ParseServiceLine(const std::string& line);
// The journal's bytes as entries, oldest first, each line read in the
// layout of the heading above it; a last line without its line end is
// damaged too.
std::vector<TServiceEntry> ParseServiceJournal(const std::string& bytes);

// Appends the entry's line to the journal in the working folder (the heading
// first when the file is new or empty), synced; a failed append leaves the
// file as it was. False with the file's name and the reason in `error`.
bool AppendServiceEntry(const TServiceEntry& entry, std::string* error);

// Every entry of the journal, oldest first, damaged lines among them (an
// unreadable or missing file has none).
std::vector<TServiceEntry> ReadServiceJournal();
