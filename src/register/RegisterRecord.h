#pragma once
// One record of the test register: a completed test with its full date and
// time, its running number, the instrument that made it and the line that
// went into the month file, chained to the record before it by SHA-256 so
// that a record changed, removed or inserted afterwards shows.
#include "DateFields.h"

#include <optional>
#include <string>

struct RegisterRecord {
    long long number = 0;           // №: 1, 2, 3, ... per register; 0 until written
    std::string date;               // DD.MM.YYYY; DD.MM for a line imported without its year
    std::string time;               // HH:MM:SS; HH:MM when imported
    std::string utcOffset;          // "+03:00"; empty when imported
    std::optional<int> year;        // none: imported, the year is unknown
    int month = 1;                  // 1..12, of the test's date (imported: of its file)
    std::string name;               // exactly as the line has it
    std::optional<int> tenths;      // V6, tenths of a promille
    std::string result;             // the line's "D.d"
    std::optional<int> instrument;  // bank 2 word 27; none when it was not read
    std::optional<int> sensor;      // bank 2 word 31; none when it was not read
    std::string monthFile;          // "Test_MM.txt"
    std::string line;               // the line written into it
    std::string note;               // NoteYearUnknown, NoteLineNotWritten or empty
    std::string chain;              // 64 hex digits; empty until written

    bool Imported() const { return !year.has_value(); }
    bool operator==(const RegisterRecord&) const = default;
};

// The notes a record may carry.
inline constexpr const char* NoteYearUnknown = "год не указан";
inline constexpr const char* NoteLineNotWritten = "строка не записана в файл";

// The record of a test completed at `at`: the name as the line has it, the
// result, the instrument and sensor as read (or none), the month file and
// the line. `lineWritten` false: the month file refused the line.
RegisterRecord TestRecordOf(const ClockReading& at, const std::string& name, int v6,
                            std::optional<int> instrument, std::optional<int> sensor,
                            const std::string& monthFile, const std::string& line, bool lineWritten);

// The record of a line that was in the month file of `month` before the
// register existed: date, time, name and result read from the line as the
// act reads them (what the line lacks stays empty), the year unknown.
RegisterRecord ImportedRecordOf(int month, const std::string& line);

// "+03:00" for +180 minutes, "-05:30" for -330.
std::string UtcOffsetText(int minutes);

// What the chain value is computed over: every field but the chain, each
// as its length, ':' and its bytes, so that no two records give one text.
std::string ChainInput(const RegisterRecord& r);

// The chain value of a record following the one whose chain value is
// `previousChain` (empty for the first): SHA-256 over the previous value's
// 32 bytes and ChainInput, as 64 lower-case hex digits.
std::string ChainValue(const std::string& previousChain, const RegisterRecord& r);

// The journal line the results window shows for a record: the number, the
// full date and time, the rest of the test line, and the note in brackets.
// "     7  31.12.2025 23:58:10 > Иванов  -  1.2"
std::string JournalLineOf(const RegisterRecord& r);

// "DD.MM.YYYY HH:MM" of a record, for the act; "DD.MM HH:MM" as the line has
// it when the year is unknown.
std::string ActDateTimeOf(const RegisterRecord& r);
