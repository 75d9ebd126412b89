// Measures refreshing the results journal: twelve month files of 10 000
// lines each (the journal keeps the first 5000) filtered by one person.
// Prints the median of repeated runs for the file and filter work alone and
// for the whole refresh of the results window (offscreen).
#include "Cp1251.h"
#include "DateFields.h"
#include "Journal.h"
#include "PersonGrid.h"
#include "PersonList.h"
#include "TKavResultF.h"
#include "TestFiles.h"
#include "Text.h"

#include <QApplication>
#include <QRadioButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kLinesPerMonth = 10000;
constexpr int kPersons = 200;
constexpr int kRuns = 31;

std::string PersonName(int i)
{
    return "Тестируемый" + std::to_string(i) + " И.О.";
}

void WriteMonthFiles()
{
    for (int m = 1; m <= 12; ++m) {
        std::string bytes;
        for (int i = 0; i < kLinesPerMonth; ++i) {
            const std::string line = TwoDigits(1 + i % 28) + "." + TwoDigits(m) + " " + TwoDigits(i % 24) + ":" +
                                     TwoDigits(i % 60) + " > " + PersonName(i % kPersons) + "  -  0." +
                                     std::to_string(i % 10);
            bytes += ToCp1251(line) + "\r\n";
        }
        std::ofstream(MonthFileNameFor(m), std::ios::binary) << bytes;
    }
}

double MedianMs(const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    char pattern[] = "/tmp/kavrel-bench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir)
        return 1;
    std::filesystem::current_path(dir);
    ReadClock = [] { return ClockReading {2024, 3, 15, 12, 0}; };
    WriteMonthFiles();
    LoadPersonList();
    for (int i = 0; i < kPersons; ++i)
        AddPerson(PersonName(i));
    ResetPersonList();

    std::size_t listed = 0;
    const std::string person = PersonName(17);
    const double logic = MedianMs([&] {
        ReadDate();
        listed = ListLines(LoadJournal(DateMonth, 0), 1, person).size();
    });

    TKavResultF window;
    window.show();
    window.Refresh(); // the person list, as an activation loads it
    SetPersonGridRow(window.tab_FIO, 18); // the 18th name: PersonName(17)
    window.findChild<QRadioButton*>(QStringLiteral("box_List_1"))->click();
    const double oneTimes = MedianMs([&] { window.Refresh(); });
    const int windowListed = window.ListedCount();
    window.findChild<QRadioButton*>(QStringLiteral("box_List_0"))->click();
    const double allTimes = MedianMs([&] { window.Refresh(); });
    const int allListed = window.ListedCount();

    std::printf("journal: 12 month files x %d lines, journal cap %d, %d runs, median\n", kLinesPerMonth,
                JournalCap, kRuns);
    std::printf("  load + filter by a person (files only): %.2f ms, %zu lines listed\n", logic, listed);
    std::printf("  results window refresh, one person:    %.2f ms, %d lines listed\n", oneTimes, windowListed);
    std::printf("  results window refresh, whole list:    %.2f ms, %d lines listed\n", allTimes, allListed);
    std::printf("  goal: under 50 ms\n");

    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return 0;
}
