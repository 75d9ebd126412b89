// Benchmark of the test register (prints figures; not a test):
//  - a test's end: the month-file line with its sync, and the register's
//    record with its commit (WAL, synchronous=FULL), each timed alone;
//  - a register of 1 000 000 records over ten years: the results window's
//    chain and month-file check, the year view of the journal (the newest
//    5000 of a year, of a person, of all years) and the window's refresh.
// Usage: register_bench [records]   (in a folder on the disk to measure)
#include "DateFields.h"
#include "RegisterCheck.h"
#include "RegisterView.h"
#include "TKavResultF.h"
#include "TPrintF.h"
#include "TestFiles.h"
#include "TestRegister.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

double Ms(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void Print(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double q) { return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * ms.size()))]; };
    std::printf("%-58s median %8.2f ms   p99 %8.2f ms   (%zu runs)\n", what, at(0.5), at(0.99), ms.size());
}

std::string Name(int i)
{
    return "Тестируемый " + std::to_string(i % 500) + " Иванович";
}

// The end of `runs` tests: the line, then the record, each timed.
void TestEnds(int runs)
{
    TestRegister reg("bench-ends.db");
    reg.Open();
    ReadClock = [] { return ClockReading{2026, 3, 15, 10, 20, 30, 180}; };
    std::vector<std::string> shown;
    ReadDate();
    OpenMonthFile(shown);
    std::vector<double> line, record;
    for (int i = 0; i < runs; ++i) {
        const ClockReading now = ReadDateTime();
        const std::string text = TestLine(Name(i), i % 30);
        QElapsedTimer t;
        t.start();
        const bool written = AppendTestLine(text);
        line.push_back(Ms(t));
        t.restart();
        reg.Add(TestRecordOf(now, Name(i), i % 30, 1207, 512, MonthFileName, text, written));
        record.push_back(Ms(t));
    }
    Print("month-file line appended and synced", line);
    Print("register record written and committed (synchronous=FULL)", record);
}

// A register of `count` records over 2017..2026, and month files with their
// lines, made quickly (one commit per 20 000 records).
void MakeRegister(long long count)
{
    std::filesystem::remove("Kavrel.db");
    std::filesystem::remove("Kavrel.db-wal");
    std::array<std::ofstream, 13> files;
    for (int m = 1; m <= 12; ++m)
        files[m].open(MonthFileNameFor(m), std::ios::binary | std::ios::trunc);
    TestRegister reg;
    reg.Open();
    std::vector<RegisterRecord> batch;
    for (long long i = 0; i < count; ++i) {
        const int year = 2017 + static_cast<int>(i * 10 / count);
        const int day = static_cast<int>(i * 3650 / count % 365);
        const ClockReading at{year, 1 + day / 31 % 12, 1 + day % 28, 8 + static_cast<int>(i % 10),
                              static_cast<int>(i % 60), static_cast<int>(i * 7 % 60), 180};
        ReadClock = [at] { return at; };
        ReadDateTime();
        const std::string line = TestLine(Name(static_cast<int>(i)), static_cast<int>(i % 25));
        files[at.month] << JoinFileLines({line});
        batch.push_back(TestRecordOf(at, Name(static_cast<int>(i)), static_cast<int>(i % 25), 1207, 512,
                                     MonthFileNameFor(at.month), line, true));
        if (batch.size() == 20000 || i + 1 == count) {
            RegisterError e;
            if (!reg.Store().Append(batch, &e))
                std::printf("append failed: %s\n", e.reason.c_str());
            batch.clear();
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const long long count = argc > 1 ? std::atoll(argv[1]) : 1000000;
    std::printf("folder %s\n", std::filesystem::current_path().c_str());

    TestEnds(300);

    QElapsedTimer t;
    t.start();
    MakeRegister(count);
    std::error_code ec;
    std::printf("register of %lld records made in %.1f s, %.1f MB\n", count, Ms(t) / 1000,
                static_cast<double>(std::filesystem::file_size("Kavrel.db", ec)) / 1e6);

    TestRegister reg;
    reg.Open();
    std::vector<double> check;
    for (int i = 0; i < 5; ++i) {
        t.restart();
        const RegisterCheck c = CheckRegister(reg.Store(), reg.Pending());
        check.push_back(Ms(t));
        if (!c.Clean() || c.records != count)
            std::printf("the check found something: %s\n", CheckMessage(c, "Kavrel.db").c_str());
    }
    Print("chain and month-file check of the whole register", check);
    // What the check is made of: reading every record as it does, and the
    // hashing alone on one core.
    std::vector<double> reading, hashing;
    for (int i = 0; i < 3; ++i) {
        RegisterError e;
        std::vector<std::pair<std::string, std::string>> inputs;
        inputs.reserve(static_cast<std::size_t>(count));
        t.restart();
        reg.Store().ReadChain([&inputs](const ChainRow& r) {
            inputs.emplace_back(ChainInputOf(r.fields), std::string(r.chain));
            return true;
        }, &e);
        reading.push_back(Ms(t));
        t.restart();
        std::string_view previous;
        long long matching = 0;
        for (const auto& [input, chain] : inputs) {
            matching += ChainMatches(previous, input, chain);
            previous = chain;
        }
        hashing.push_back(Ms(t));
        if (matching != count)
            std::printf("only %lld records match\n", matching);
    }
    Print("  of it: every record read, its chain input made", reading);
    Print("  of it: every chain value computed (one core)", hashing);

    const auto view = [&](const char* what, YearChoice year, int month, int person, const std::string& name) {
        std::vector<double> ms;
        std::size_t listed = 0;
        for (int i = 0; i < 21; ++i) {
            RegisterError e;
            t.restart();
            listed = ViewJournal(reg.Store(), year, month, person, name, reg.Pending(), {}, JournalCap, &e)
                         .entries.size();
            ms.push_back(Ms(t));
        }
        char label[120];
        std::snprintf(label, sizeof label, "%s (%zu listed)", what, listed);
        Print(label, ms);
    };
    view("year view: 2021", {YearChoice::Kind::One, 2021}, 0, 0, "");
    view("year view: 2021, one month", {YearChoice::Kind::One, 2021}, 6, 0, "");
    view("year view: 2021, one person", {YearChoice::Kind::One, 2021}, 0, 1, Name(17));
    view("year view: all years", {YearChoice::Kind::All, 0}, 0, 0, "");

    // The window: what the operator waits for at a year change.
    Register = &reg;
    TPrintF print;
    PrintF = &print;
    ReadClock = [] { return ClockReading{2021, 6, 1, 12, 0, 0, 180}; };
    TKavResultF window;
    t.restart();
    window.show();
    while (!window.RegisterShown() && Ms(t) < 60000)
        QApplication::processEvents();
    std::printf("results window opened (check included) in %.0f ms\n", Ms(t));
    std::vector<double> refresh;
    for (int i = 0; i < 11; ++i) {
        t.restart();
        window.box_Year->setCurrentIndex(i % 2 ? 0 : window.box_Year->findText(QStringLiteral("2021")));
        refresh.push_back(Ms(t));
    }
    Print("results window: year changed, journal listed", refresh);
    window.hide();
    Register = nullptr;
    return 0;
}
