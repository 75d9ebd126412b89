// Measures how long a big month file holds up the windows that show it:
// the online test window's activation (the month's lines into memo_test,
// then the window painted) and the results window's refresh (the journal,
// at most 5000 lines). Month files of 2 000, 20 000 and 200 000 lines;
// the median of a few runs each. Prints figures; judges nothing.
//
//   kavrel_month_file_bench            (offscreen; see month-file-benchmark.sh)
#include "Cp1251.h"
#include "DateFields.h"
#include "PersonList.h"
#include "Settings.h"
#include "TKavNewF.h"
#include "TKavResultF.h"
#include "TestFiles.h"
#include "Text.h"

#include <QApplication>
#include <QPlainTextEdit>

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

using Ms = std::chrono::duration<double, std::milli>;

void WriteMonthFile(int lines)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(lines) * 48);
    for (int i = 0; i < lines; ++i) {
        const std::string line = TwoDigits(1 + i % 28) + ".03 " + TwoDigits(i % 24) + ":" + TwoDigits(i % 60) +
                                 " > Тестируемый" + std::to_string(i % 300) + " И.О.  -  0." + std::to_string(i % 10);
        bytes += ToCp1251(line) + "\r\n";
    }
    std::ofstream(MonthFileNameFor(3), std::ios::binary) << bytes;
}

double MedianMs(int runs, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(Ms(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long StatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(std::string(key) + ":", 0) == 0)
            return std::atol(line.c_str() + std::string(key).size() + 1);
    return -1;
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
    ReadClock = [] { return ClockReading{2024, 3, 15, 12, 0}; };
    PortIndex = AutonomousPortIndex; // no instrument: only the lists
    PortName = PortNameFor(PortIndex);
    SaveSettings();
    LoadPersonList();

    auto* online = new TKavNewF;
    online->resize(900, 600);
    online->show();
    auto* results = new TKavResultF;
    results->show();
    QApplication::processEvents();

    std::printf("platform %s, month file Test_03.txt, median of the runs\n",
                qPrintable(QGuiApplication::platformName()));
    std::printf("%9s %14s %18s %16s %12s\n", "lines", "file (MB)", "online window (ms)", "results (ms)",
                "memo lines");
    for (int lines : {2000, 20000, 200000}) {
        WriteMonthFile(lines);
        const double mb = std::filesystem::file_size(MonthFileNameFor(3)) / 1048576.0;
        const int runs = lines >= 200000 ? 3 : 7;
        // Activation as the window runs it, then its first paint.
        const double activate = MedianMs(runs, [&] {
            online->FormActivate();
            online->memo_test->viewport()->repaint();
            QApplication::processEvents();
        });
        const double refresh = MedianMs(runs, [&] {
            results->Refresh();
            QApplication::processEvents();
        });
        std::printf("%9d %14.1f %18.1f %16.1f %12d\n", lines, mb, activate, refresh,
                    online->memo_test->document()->blockCount());
    }
    std::printf("goal: online window under 200 ms for 20 000 lines, under 1 s for 200 000\n");
    std::printf("peak resident memory %.1f MB\n", StatusKb("VmHWM") / 1024.0);

    delete results;
    delete online;
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return 0;
}
