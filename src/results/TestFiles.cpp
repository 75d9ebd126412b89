#include "TestFiles.h"

#include "Cp1251.h"
#include "DateFields.h"
#include "Files.h"
#include "Text.h"

std::string MonthFileName = "Test_01.txt";

std::string MonthFileNameFor(int month)
{
    return "Test_" + TwoDigits(month) + ".txt";
}

void AddFileLines(const std::string& bytes, std::vector<std::string>& lines, std::size_t limit)
{
    std::size_t start = 0;
    while (start < bytes.size() && lines.size() < limit) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::size_t stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        if (stop > start)
            lines.push_back(FromCp1251(std::string_view(bytes).substr(start, stop - start)));
        start = end + 1;
    }
}

std::string JoinFileLines(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += ToCp1251(line);
        bytes += "\r\n";
    }
    return bytes;
}

bool OpenMonthFile(std::vector<std::string>& lines, std::string* error)
{
    MonthFileName = "Test_" + MonthText + ".txt";
    lines.clear();
    if (!FileExists(MonthFileName))
        return AppendToFile(MonthFileName, std::string(), error);
    std::string bytes;
    if (!ReadWholeFile(MonthFileName, bytes)) {
        if (error)
            *error = MonthFileName + ": не удалось прочитать файл";
        return false;
    }
    AddFileLines(bytes, lines);
    return true;
}

std::string PromilleText(int v6)
{
    return FormatFixed(v6, 1, 3);
}

std::string OneLineName(const std::string& name)
{
    // A line break inside the name would split the test line in two.
    std::string oneLine = name;
    for (char& c : oneLine)
        if (c == '\r' || c == '\n')
            c = ' ';
    return oneLine;
}

std::string TestRecord(const std::string& name, int v6)
{
    return "> " + OneLineName(name) + "  -  " + PromilleText(v6);
}

std::string TestLine(const std::string& name, int v6)
{
    return TwoDigits(DateDay) + "." + TwoDigits(DateMonth) + " " + TwoDigits(TimeHour) + ":" +
           TwoDigits(TimeMinute) + " " + TestRecord(name, v6);
}

bool AppendTestLine(const std::string& line, std::string* error)
{
    return AppendTextLines(MonthFileName, JoinFileLines({line}), error);
}

void LoadMonth(int month, std::vector<std::string>& journal)
{
    if (journal.size() >= static_cast<std::size_t>(JournalCap))
        return;
    std::string bytes;
    if (ReadWholeFile(MonthFileNameFor(month), bytes))
        AddFileLines(bytes, journal, JournalCap);
}

std::string ExportFileName()
{
    return "Kav_" + TwoDigits(DateDay) + "_" + TwoDigits(DateMonth) + ".txt";
}

bool AppendExport(const std::string& fileName, const std::vector<std::string>& lines, std::string* error)
{
    return AppendTextLines(fileName, JoinFileLines(lines), error);
}

bool WriteProtocol(const std::string& fileName, const std::vector<std::string>& lines, std::string* error)
{
    return WriteFileAtomically(fileName, JoinFileLines(lines), error);
}

namespace {

bool EndsWithNoCase(const std::string& name, const std::string& tail)
{
    if (name.size() < tail.size())
        return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const char c = name[name.size() - tail.size() + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != tail[i])
            return false;
    }
    return true;
}

} // namespace

ProtocolFormat ProtocolFormatFor(const std::string& fileName, ProtocolFormat chosen)
{
    if (EndsWithNoCase(fileName, ".pdf"))
        return ProtocolFormat::Pdf;
    if (EndsWithNoCase(fileName, ".txt"))
        return ProtocolFormat::Text;
    return chosen;
}
