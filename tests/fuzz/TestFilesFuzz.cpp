// The month files "Test_MM.txt" with any content, and what is made of them.
//  - The journal holds the files' non-empty lines in month order (the
//    twelve months ending with the current one, or the chosen month), at
//    most 5000 of them; the person filter lists exactly the lines holding
//    the name.
//  - The act built from any line keeps the first page's 55 lines, each as
//    wide as in the blank form (75 characters where the form is full); the
//    print page shows at most 55 lines of at most 75 whole characters.
//  - The online window's month file shows every line; a test line appended
//    is then the file's last line, whole, whatever the file ended with.
//  - Exports append exactly the listed lines; a protocol file holds exactly
//    its pages.
//
// Input: current month, month choice, person choice, a repeat count for the
// files, the selected name, the act's line, the recorded name and value,
// then the month files' bytes, one file after another, separated by 0x1E
// (a part that is missing leaves its month without a file).
#include "FuzzSupport.h"

#include "Cp1251.h"
#include "DateFields.h"
#include "Files.h"
#include "Journal.h"
#include "ProtocolPages.h"
#include "TestFiles.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr char kSeparator = '\x1E';
// All twelve files together: room for more than 5000 short lines, small
// enough for hundreds of runs a second.
constexpr std::size_t kMostBytes = 48 * 1024;

// The non-empty lines of a file's bytes as the program shows them.
FUZZ_UNTRACED std::vector<std::string> LinesOf(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(FromCp1251(line));
        start = end + 1;
    }
    return lines;
}

// Whole UTF-8 sequences of two or three bytes (all a Windows-1251 text
// becomes), nothing cut in half.
FUZZ_UNTRACED bool ValidUtf8(const std::string& s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<std::uint8_t>(s[i]);
        const std::size_t n = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<std::uint8_t>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

FUZZ_UNTRACED bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole)
{
    std::size_t at = 0;
    for (const std::string& line : whole)
        if (at < part.size() && part[at] == line)
            ++at;
    return at == part.size();
}

FUZZ_UNTRACED void CheckAct(const std::string& line)
{
    const std::vector<std::string> act = BuildAct(line);
    const std::vector<std::string>& blank = FirstPageTemplate();
    FUZZ_CHECK(act.size() == blank.size() && act.size() == static_cast<std::size_t>(PageLineCount));
    for (std::size_t i = 0; i < act.size(); ++i) {
        if (i != 23 && i != 31 && i != 45 && i != 46) {
            FUZZ_CHECK(act[i] == blank[i]);
            continue;
        }
        FUZZ_CHECK(CharCount(act[i]) == CharCount(blank[i]));
        FUZZ_CHECK(ValidUtf8(act[i]));
    }
    FUZZ_CHECK(VisiblePage(act) == act);
}

FUZZ_UNTRACED void CheckPrintPage(const std::vector<std::string>& text)
{
    const std::vector<std::string> page = VisiblePage(text);
    FUZZ_CHECK(page.size() == std::min<std::size_t>(text.size(), PageLineCount));
    for (std::size_t i = 0; i < page.size(); ++i) {
        FUZZ_CHECK(text[i].compare(0, page[i].size(), page[i]) == 0);
        FUZZ_CHECK(CharCount(page[i]) == std::min(CharCount(text[i]), PageWidth));
        FUZZ_CHECK(ValidUtf8(page[i]));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    EnterFuzzFolder();
    FuzzInput in(data, size);
    const int month = in.Range(1, 12);
    const int monthChoice = in.Range(-1, 12);
    const int personChoice = in.Range(0, 1);
    const int repeat = in.Range(1, 256);
    const std::string selected = FromCp1251(in.Bytes(in.Byte() % 24));
    const int actPick = in.Word();
    const std::string actLine = FromCp1251(in.Bytes(in.Byte()));
    const std::string recordName = FromCp1251(in.Bytes(in.Byte() % 40));
    const int v6 = in.Word();
    const std::string rest = in.Rest();

    // The twelve files.
    std::vector<std::vector<std::string>> fileLines(13);
    std::size_t start = 0;
    std::size_t total = 0;
    for (int m = 1; m <= 12; ++m) {
        const std::string name = MonthFileNameFor(m);
        std::remove(name.c_str());
        if (start > rest.size())
            continue;
        std::size_t end = rest.find(kSeparator, start);
        if (end == std::string::npos)
            end = rest.size();
        const std::string part = rest.substr(start, end - start);
        start = end + 1;
        std::string bytes;
        for (int r = 0; r < repeat && total + part.size() <= kMostBytes; ++r) {
            bytes += part;
            total += part.size();
        }
        FuzzPutFile(name, bytes);
        fileLines[m] = LinesOf(bytes);
    }

    // The journal and its order.
    const std::vector<int> months = JournalMonths(month, monthChoice);
    if (monthChoice <= 0) {
        FUZZ_CHECK(months.size() == 12 && months.back() == month);
        for (int m = 1; m <= 12; ++m)
            FUZZ_CHECK(std::count(months.begin(), months.end(), m) == 1);
    } else {
        FUZZ_CHECK(months == std::vector<int>{monthChoice});
    }
    const std::vector<std::string> journal = LoadJournal(month, monthChoice);
    std::vector<std::string> expected;
    for (int m : months)
        for (const std::string& line : fileLines[m])
            if (expected.size() < static_cast<std::size_t>(JournalCap))
                expected.push_back(line);
    FUZZ_CHECK(journal == expected);

    // The person filter.
    const std::vector<std::string> listed = ListLines(journal, personChoice, selected);
    if (personChoice == 0) {
        FUZZ_CHECK(listed == journal);
    } else {
        const auto holding = std::count_if(journal.begin(), journal.end(), [&](const std::string& l) {
            return !selected.empty() && l.find(selected) != std::string::npos;
        });
        FUZZ_CHECK(static_cast<long>(listed.size()) == holding);
        FUZZ_CHECK(IsSubsequence(listed, journal));
    }

    // The act from a listed line, from a line of any text, from a blank row.
    if (!listed.empty())
        CheckAct(listed[static_cast<std::size_t>(actPick) % listed.size()]);
    CheckAct(actLine);
    CheckAct(" ");
    CheckPrintPage(listed);

    // The online window's month file, and a test recorded into it.
    ReadClock = [month] { return ClockReading{2024, month, 28, 23, 59}; };
    ReadDate();
    ReadTime();
    std::vector<std::string> shown;
    FUZZ_CHECK(OpenMonthFile(shown));
    FUZZ_CHECK(shown == fileLines[month]);
    const std::string line = TestLine(recordName, v6);
    FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(AppendTestLine(line));
    std::vector<std::string> after;
    FUZZ_CHECK(OpenMonthFile(after));
    FUZZ_CHECK(after.size() == shown.size() + 1 && after.back() == line);
    FUZZ_CHECK(std::equal(shown.begin(), shown.end(), after.begin()));

    // Export twice, then a protocol of the act's two pages.
    const std::string exportName = ExportFileName();
    std::remove(exportName.c_str());
    FUZZ_CHECK(AppendExport(exportName, listed));
    FUZZ_CHECK(AppendExport(exportName, listed));
    FUZZ_CHECK(FuzzFileBytes(exportName) == JoinFileLines(listed) + JoinFileLines(listed));
    std::vector<std::string> protocol = BuildAct(actLine);
    protocol.insert(protocol.end(), SecondPageTemplate().begin(), SecondPageTemplate().end());
    FUZZ_CHECK(WriteProtocol("protocol.txt", protocol));
    FUZZ_CHECK(FuzzFileBytes("protocol.txt") == JoinFileLines(protocol));
    return 0;
}
