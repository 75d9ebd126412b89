#pragma once
// The results window's check of the register on opening: the whole chain
// (each record's chain value against its fields and the record before it,
// the numbers running on without a gap, none removed at the end, the
// append-only triggers in place) and the month files against the records
// (every line the program wrote has its record, every record its line).
#include "RegisterStore.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

// A line of a month file that no record has.
struct UnrecordedLine {
    int month = 1;            // of its file
    long long lineNumber = 0; // 1-based, counting the file's non-empty lines
    std::string line;
};

// What does not match, in the words of the message.
struct RegisterFinding {
    enum class Kind {
        Changed,    // the record's chain value does not match its fields
        Gap,        // numbers are missing before this record: removed
        TailGone,   // records after the last one were removed
        Unguarded,  // the append-only triggers were removed
        LineGone,   // the record's line is not in its month file
        Unrecorded, // a month-file line without a record
    };
    Kind kind = Kind::Changed;
    RegisterRecord record;     // the record named (not for Unrecorded)
    long long missingFrom = 0; // Gap, TailGone: the first number missing
    long long missingTo = 0;   // and the last
    UnrecordedLine line;       // Unrecorded
};

struct RegisterCheck {
    long long records = 0;
    // The first finding of each kind group, and how many there are.
    std::optional<RegisterFinding> chain;      // Changed, Gap, TailGone or Unguarded
    std::optional<RegisterFinding> lineGone;
    std::optional<RegisterFinding> unrecorded;
    long long chainFindings = 0;
    long long linesGone = 0;
    long long unrecordedLines = 0;
    // Every month-file line without a record (the journal lists them), in
    // month order, at most UnrecordedKept.
    std::vector<UnrecordedLine> unrecordedList;
    static constexpr std::size_t UnrecordedKept = 5000;
    // The register could not be read to its end.
    std::optional<RegisterError> failed;

    bool Clean() const { return !failed && !chain && !lineGone && !unrecorded; }
};

// Checks the register; `pending` are the records waiting in memory, whose
// lines are in the month files already.
RegisterCheck CheckRegister(RegisterStore& store, const std::deque<RegisterRecord>& pending);

// The one message telling what did not match ("" when clean): the first
// record (its number, date and name) or line of each kind of finding.
std::string CheckMessage(const RegisterCheck& check, const std::string& fileName);
