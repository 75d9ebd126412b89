#pragma once
// One record of the test register: a completed test with its full date and
// time, its running number, the instrument that made it and the line that
// went into the month file, chained to the record before it by SHA-256 so
// that a record changed, removed or inserted afterwards shows.
#include "DateFields.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

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

// The fields a chain value covers: every one but the chain, as texts in
// the order of the register's columns (number, date, time, UTC offset,
// year, month, name, tenths, result, instrument, sensor, month file, line,
// note); a number is its decimal digits, a missing one empty.
inline constexpr std::size_t ChainFieldCount = 14;
using ChainFields = std::array<std::string_view, ChainFieldCount>;

// What the chain value is computed over: each field as its length in
// bytes, ':' and its bytes, so that no two records give one text.
std::string ChainInputOf(const ChainFields& fields);
// The same into `out`, replacing what it held (its room is used again).
void PutChainInput(std::string& out, const ChainFields& fields);
std::string ChainInput(const RegisterRecord& r);

// SHA-256 over the previous record's chain value (its 32 bytes; nothing
// before the first record) and a record's chain input, as 64 lower-case
// hex digits.
std::string ChainValueOf(std::string_view previousChain, std::string_view input);
std::string ChainValue(const std::string& previousChain, const RegisterRecord& r);
// ChainValueOf(previousChain, input) == chain, without making a text.
bool ChainMatches(std::string_view previousChain, std::string_view input, std::string_view chain);

// The journal line the results window shows for a record: the number, the
// full date and time, the rest of the test line, and the note in brackets.
// "     7  31.12.2025 23:58:10 > Иванов  -  1.2"
std::string JournalLineOf(const RegisterRecord& r);

// "DD.MM.YYYY HH:MM" of a record, for the act; "DD.MM HH:MM" as the line has
// it when the year is unknown.
std::string ActDateTimeOf(const RegisterRecord& r);
