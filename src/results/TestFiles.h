#pragma once
// The files of recorded tests: the twelve month files "Test_MM.txt", the
// result export file and the protocol text file. Every file is Windows-1251
// with CR LF line ends on disk; every text handed in or out here is UTF-8.
// File names without a folder refer to the working directory.
#include <cstdint>
#include <string>
#include <vector>

// The journal of the results window holds at most this many lines.
inline constexpr int JournalCap = 5000;

// "Test_" + month as two digits + ".txt".
std::string MonthFileNameFor(int month);

// The month's test file named at the last OpenMonthFile. The online test
// window keeps it until its next activation, so a test recorded after
// midnight at the end of a month still goes to the file named at activation.
extern std::string MonthFileName;

// Opens the month file (online test window activation, after ReadDate):
// MonthFileName := "Test_" + MonthText + ".txt". A missing file is created
// empty and gives no lines; otherwise `lines` receives the file's lines in
// order, empty lines skipped. False, with the reason, when the file can be
// neither read nor created.
bool OpenMonthFile(std::vector<std::string>& lines, std::string* error = nullptr);

// The blood alcohol of a test, V6 in tenths of a promille, as D.d:
// 12 gives "1.2", 0 gives "0.0"; 10.0 promille and more keep every digit
// ("12.3" for 123).
std::string PromilleText(int v6);

// The name as a test line holds it: line breaks become blanks, so that the
// record stays one line.
std::string OneLineName(const std::string& name);

// "> " + OneLineName(name) + "  -  " + PromilleText(v6).
std::string TestRecord(const std::string& name, int v6);

// The whole test line from the date and time fields: DD.MM HH:MM, a space,
// then TestRecord. 7 December 09:05, "N", 12 gives "07.12 09:05 > N  -  1.2".
// The results window relies on this layout: the first 11 characters are the
// date and time, the name starts at column 15 and the first "  -  " ends it.
std::string TestLine(const std::string& name, int v6);

// Appends one line with CR LF to MonthFileName (created if missing), flushed
// and synced to disk before returning; when the file's last line has no
// line end, the new line still starts on a line of its own. False, with the
// reason, on failure (nothing of the line stays in the file); the caller
// tells the user and keeps the line on screen.
bool AppendTestLine(const std::string& line, std::string* error = nullptr);

// Loads month m (1..12) into the journal: the non-empty lines of
// MonthFileNameFor(m) are added in order while the journal holds fewer than
// JournalCap lines; the rest are dropped. A missing file adds nothing.
void LoadMonth(int month, std::vector<std::string>& journal);

// The default name of the export and protocol files from the date fields:
// "Kav_" + DD + "_" + MM + ".txt".
std::string ExportFileName();

// Appends the lines, each with CR LF, to the named file (created if
// missing), synced to disk, starting on a line of their own. False, with
// the reason, on failure (the file is cut back to what it held).
bool AppendExport(const std::string& fileName, const std::vector<std::string>& lines,
                  std::string* error = nullptr);

// Writes the protocol file anew with the lines in order, each with CR LF.
// The new content replaces the old one in one step, so a failed write leaves
// any earlier file whole. False, with the reason, on failure.
bool WriteProtocol(const std::string& fileName, const std::vector<std::string>& lines,
                   std::string* error = nullptr);

// The protocol can also be saved as a PDF of the printed pages.
enum class ProtocolFormat { Text, Pdf };

// The format of a protocol file named in the save dialog: a name ending in
// ".pdf" is a PDF and one ending in ".txt" a text file (either case), so
// the typed name wins; any other name takes the format of the chosen filter.
ProtocolFormat ProtocolFormatFor(const std::string& fileName, ProtocolFormat chosen);

// Adds the lines of Windows-1251 file bytes to `lines` as UTF-8 (CR LF or LF
// ends, empty lines skipped) while `lines` holds fewer than `limit`.
void AddFileLines(const std::string& bytes, std::vector<std::string>& lines, std::size_t limit = SIZE_MAX);
// The lines as Windows-1251 bytes, each followed by CR LF.
std::string JoinFileLines(const std::vector<std::string>& lines);
