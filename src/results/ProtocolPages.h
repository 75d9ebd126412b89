#pragma once
// The protocol pages of the print window: a page of 55 lines of 75
// characters, the two page templates of the examination act, and the
// filling of the act's first page from one journal line.
#include <string>
#include <vector>

inline constexpr int PageLineCount = 55;
inline constexpr int PageWidth = 75;
inline constexpr int SecondPageLineCount = 43;

// Set by the results window when it hands an act to the print window,
// cleared when it hands a plain list.
extern bool PrintActMode;

// The act's first page (55 lines) and second page (43 lines), blank.
const std::vector<std::string>& FirstPageTemplate();
const std::vector<std::string>& SecondPageTemplate();

// What one page shows and prints of a page text: its first 55 lines, each
// cut to 75 characters. Lines beyond are neither shown on paper nor printed.
std::vector<std::string> VisiblePage(const std::vector<std::string>& text);

// The parts of a journal line ("DD.MM HH:MM > name  -  D.d") the act uses.
struct ActEntry {
    bool hasValue = false;  // the line holds "  -  "
    std::string dateTime;   // the first 11 characters
    std::string namePart;   // the name and one space; empty when no name
    std::string result;     // the value after "  -  "
};

// Reads a journal line the way the act does. Positions are characters:
// the name starts at character 15 and ends at the first "  -  ". The result
// is the run of non-blank characters after "  -  ": "1.2" for a usual line,
// "12.3" for 10.0 promille or more (at most 22 characters, the room it has
// on the page).
ActEntry ReadActEntry(const std::string& line);

// The act's first page filled from a journal line: the name part in line
// 23, the date and time in line 31, the instrument in line 45, the result,
// hour and minutes in line 46. Each value replaces as many characters as it
// has, so the edited lines keep their 75 characters; a name longer than 73
// characters is cut where line 23 ends, as the page prints it. A line
// without "  -  " (a blank grid row) gives the blank first page.
std::vector<std::string> BuildAct(const std::string& line);

// The act of a line that has its record in the test register: BuildAct,
// then the record's number in the title ("АКТ ОСВИДЕТЕЛЬСТВОВАНИЯ N 17") and
// the record's date and time with its year in line 31 ("31.12.2025 23:58",
// or "DD.MM HH:MM" as the line has it when the year is unknown).
std::vector<std::string> BuildRecordedAct(const std::string& line, long long number, const std::string& dateTime);

// The title of a saved or printed protocol: the act's title line
// "АКТ ОСВИДЕТЕЛЬСТВОВАНИЯ N _____" for an act, "Протокол" for a list.
std::string ProtocolTitle(bool act);

// Number of characters (not bytes) of a UTF-8 text.
int CharCount(const std::string& utf8);
