#pragma once
// The results window's journal when the register is there: the records of
// the chosen year (or of all years), with the month and person choices of
// the journal applied within it, each shown with its number and full date;
// then the records still waiting in memory and the month-file lines that
// have no record.
#include "RegisterCheck.h"

#include <deque>
#include <string>
#include <vector>

struct YearChoice {
    enum class Kind { All, One, Unknown };
    Kind kind = Kind::All;
    int year = 0; // Kind::One
    bool operator==(const YearChoice&) const = default;
};

// The items of the year choice: "Все годы", the years the register holds
// (the current one among them, even before its first record), and
// NoteYearUnknown when some records or lines have no year.
struct YearItems {
    std::vector<std::string> texts;
    std::vector<YearChoice> choices;
};
YearItems YearChoices(RegisterStore& store, int currentYear, bool linesWithoutYear, RegisterError* error);

struct JournalEntry {
    std::string shown;                    // the line listed
    std::string line;                     // the month-file line, as the act reads it
    std::optional<RegisterRecord> record; // a written record (the act shows its number)
};

struct JournalView {
    std::vector<JournalEntry> entries;
    long long total = 0; // entries that passed the choices; more than listed when capped
};

// What the journal lists: the entries passing the year, the month (0: all;
// a record's month is its test's, a line's that of its file) and the person
// choice (1: the lines holding the selected name, none for an empty name),
// in number order, at most `cap` of them, the newest kept.
JournalView ViewJournal(RegisterStore& store, YearChoice year, int monthChoice, int personChoice,
                        const std::string& selectedName, const std::deque<RegisterRecord>& pending,
                        const std::vector<UnrecordedLine>& unrecorded, std::size_t cap, RegisterError* error);

// The listed text of a record waiting in memory and of a line without one.
std::string PendingLineOf(const RegisterRecord& r);
std::string UnrecordedLineOf(const std::string& line);
