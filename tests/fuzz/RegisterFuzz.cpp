// The test register opened over a file of any bytes, created over month
// files of any content, and a test recorded into it:
//  - a file that is no register is never written over: it is moved aside
//    byte for byte (and the message names where), or, when it cannot be,
//    left exactly as it was;
//  - a register created anew holds one record of every non-empty month
//    line, in the results window's month order, numbered 1, 2, 3, ..., and
//    its check finds nothing;
//  - a test recorded into an open register is its last record, numbered
//    after every other and chained to the one before it.
//
// Input: the current month, flags (1: a Kavrel.db is there, 2: record a
// test), the file's size (two bytes) and bytes, the test's name and V6,
// then the month files' bytes, one after another, separated by 0x1E.
#include "FuzzSupport.h"

#include "Cp1251.h"
#include "DateFields.h"
#include "Journal.h"
#include "RegisterCheck.h"
#include "TestFiles.h"
#include "TestRegister.h"

#include <QCoreApplication>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr char kSeparator = '\x1E';

// Qt SQL loads its driver through an application object, once; loaded
// before the first input, what stays loaded is no leak of an input.
FUZZ_UNTRACED void StartQt()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    static int argc = 1;
    static char name[] = "fuzz_register";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    EnterFuzzFolder();
    TestRegister warmUp("warm-up.db");
    warmUp.Open();
}

FUZZ_UNTRACED std::vector<std::string> AsideFiles()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.path().filename().string().rfind("Kavrel-damaged-", 0) == 0 &&
            entry.path().extension() == ".db")
            names.push_back(entry.path().filename().string());
    return names;
}

FUZZ_UNTRACED void Clean()
{
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.path().filename().string().rfind("Kavrel", 0) == 0 ||
            entry.path().filename().string().rfind("Test_", 0) == 0)
            std::filesystem::remove(entry.path());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StartQt();
    Clean();
    FuzzInput in(data, size);
    const int month = in.Range(1, 12);
    const std::uint8_t flags = in.Byte();
    const std::string file = in.Bytes(in.Word());
    const std::string name = FromCp1251(in.Bytes(in.Byte() % 40));
    const int v6 = in.Byte();
    const std::string rest = in.Rest();
    if (flags & 1)
        FuzzPutFile(RegisterFileName, file);
    std::vector<std::vector<std::string>> lines(13);
    std::size_t start = 0;
    for (int m = 1; m <= 12 && start <= rest.size(); ++m) {
        std::size_t end = rest.find(kSeparator, start);
        if (end == std::string::npos)
            end = rest.size();
        const std::string bytes = rest.substr(start, end - start);
        start = end + 1;
        FuzzPutFile(MonthFileNameFor(m), bytes);
        AddFileLines(bytes, lines[m]);
    }
    ReadClock = [month] { return ClockReading{2026, month, 28, 23, 59, 30, 180}; };

    TestRegister reg;
    const std::string told = reg.Open();
    const std::vector<std::string> aside = AsideFiles();
    FUZZ_CHECK(aside.size() <= 1);
    if (!aside.empty()) {
        FUZZ_CHECK(flags & 1);
        FUZZ_CHECK(FuzzFileBytes(aside.front()) == file);
        FUZZ_CHECK(told.find(aside.front()) != std::string::npos);
    }
    // Made anew when there was none, or none that could be kept.
    const bool created = reg.Created();
    if (!(flags & 1) || !aside.empty())
        FUZZ_CHECK(created);
    if ((flags & 1) && aside.empty() && !reg.Readable())
        FUZZ_CHECK(FuzzFileBytes(RegisterFileName) == file);
    RegisterError error;

    if (created) {
        FUZZ_CHECK(reg.Readable());
        std::vector<std::string> expected;
        for (int m : JournalMonths(month, 0))
            expected.insert(expected.end(), lines[m].begin(), lines[m].end());
        std::vector<std::string> imported;
        long long number = 0;
        FUZZ_CHECK(reg.Store().Read({}, [&](RegisterRecord& r) {
            FUZZ_CHECK(r.number == ++number && r.Imported() && r.note == NoteYearUnknown);
            imported.push_back(r.line);
            return true;
        }, &error));
        FUZZ_CHECK(imported == expected);
        FUZZ_CHECK(CheckRegister(reg.Store(), reg.Pending()).Clean());
    }

    if ((flags & 2) && reg.Readable() && !reg.Store().IsReadOnly()) {
        MonthFileName = MonthFileNameFor(month);
        const ClockReading now = ReadDateTime();
        const std::string line = TestLine(name, v6);
        const bool written = AppendTestLine(line);
        const long long highest = reg.Store().HighestNumber(&error);
        const std::string told =
            reg.Add(TestRecordOf(now, name, v6, 1207, std::nullopt, MonthFileName, line, written));
        // Damage the write met sends the file aside: a new register, numbered anew.
        const bool restarted = AsideFiles().size() > aside.size();
        if (restarted)
            FUZZ_CHECK(told.find(AsideFiles().back()) != std::string::npos || AsideFiles().size() > 1);
        if (reg.Pending().empty()) {
            std::vector<RegisterRecord> last;
            FUZZ_CHECK(reg.Store().Read({}, [&](RegisterRecord& r) {
                last.insert(last.begin(), r);
                return last.size() < 2;
            }, &error, true));
            FUZZ_CHECK(!last.empty() && last.back().line == line && (restarted || last.back().number > highest));
            FUZZ_CHECK(ChainValue(last.size() == 2 ? last.front().chain : std::string(), last.back()) ==
                       last.back().chain);
            if (created || restarted)
                FUZZ_CHECK(CheckRegister(reg.Store(), reg.Pending()).Clean());
        }
    }
    return 0;
}
