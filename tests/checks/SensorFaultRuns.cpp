// The sensor database and the sensor table against the simulated
// instrument (a child program, replies paced at 9600 baud) on a line that
// breaks one reply in 20 in a given way: ten reads ("Прием"), ten number
// writes ("Запись") and ten characteristic writes (the table's "Ввод" with
// the write) for each line, counted as they end: given up, unconfirmed, or
// done. A healthy window ends every one done on every line; only silence
// may give up. Prints figures; judges nothing.
//
//   kavrel_sensor_fault_runs [runs]     (10 by default)
// KAVREL_FAULT_LINE="--lose-byte 20" runs that line alone; KAVREL_SIM_LOG=FILE
// keeps the simulator's frame log.
#include "ProcessFigures.h"
#include "SensorGroup.h"
#include "Settings.h"
#include "SimChild.h"
#include "TFBazaF.h"
#include "TNewBazaF.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct TLine {
    const char* Name;
    std::vector<std::string> Args;
};

struct TCounts {
    int GivenUp = 0, Unconfirmed = 0, Done = 0;
    double LongestMs = 0;
};

// Runs `start` and waits for the exchange to be over; counts how it ended.
template <typename Start, typename Busy>
void Run(TCounts& counts, Start start, Busy busy, const bool& gaveUp, const bool& unconfirmed)
{
    QElapsedTimer clock;
    clock.start();
    start();
    while (busy() && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    counts.LongestMs = std::max(counts.LongestMs, static_cast<double>(clock.elapsed()));
    if (gaveUp)
        ++counts.GivenUp;
    else if (unconfirmed)
        ++counts.Unconfirmed;
    else
        ++counts.Done;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::vector<TLine> lines = {
        {"clean line", {}},
        {"--garble 20", {"--garble", "20"}},
        {"--garble 20 letter", {"--garble", "20", "--garble-byte", "letter"}},
        {"--garble 20 bank", {"--garble", "20", "--garble-byte", "bank"}},
        {"--double 20 together", {"--double", "20", "--double-together"}},
        {"--lose-byte 20", {"--lose-byte", "20"}},
        {"--stray-inside 20", {"--stray-inside", "20"}},
    };
    QApplication app(argc, argv);
    std::printf("each: given up / unconfirmed / done (the longest, s)\n");
    std::printf("%-22s %-22s %-22s %-22s\n", "line", "reads", "number writes", "table writes");
    for (const TLine& line : lines) {
        BenchFolder folder;
        std::vector<std::string> args = {"--link", "COM3", "--pace"};
        args.insert(args.end(), line.Args.begin(), line.Args.end());
        if (const char* only = std::getenv("KAVREL_FAULT_LINE"); only && line.Name != std::string(only))
            continue;
        if (const char* log = std::getenv("KAVREL_SIM_LOG")) { // every frame, for a closer look
            args.push_back("--log");
            args.push_back(log);
        }
        TSimChild sim(args);
        PortIndex = 3;
        PortName = "COM3";
        SaveSettings();
        SensorSlot = 12;
        SensorPoints = {4000, 3500, 3000, 2000, 1800, 1000, 500};
        PackSensorRecord();
        SaveSensorGroup(512);
        SensorNumber = 512;

        auto* base = new TNewBazaF;
        auto* table = new TFBazaF;
        base->SensorTable = table;
        bool gaveUp = false, unconfirmed = false;
        for (TSensorExchange* x : {&base->Base.Exchange, &table->Table.Exchange}) {
            const auto gave = x->Hooks.GaveUp;
            x->Hooks.GaveUp = [gave, &gaveUp](bool closed, bool cut) {
                gaveUp = true;
                gave(closed, cut);
            };
            const auto checked = x->Hooks.WriteChecked;
            x->Hooks.WriteChecked = [checked, &unconfirmed](const TWriteVerdict& v, const std::string& what) {
                unconfirmed = unconfirmed || !v.Confirmed;
                checked(v, what);
            };
        }
        base->show();
        QApplication::processEvents();
        TCounts reads, numbers, tables;
        const auto baseBusy = [base] { return base->Base.Exchange.Busy(); };
        for (int i = 0; i < runs; ++i) {
            gaveUp = unconfirmed = false;
            Run(reads, [base] { base->Key_UFinClick(); }, baseBusy, gaveUp, unconfirmed);
            gaveUp = unconfirmed = false;
            Run(numbers, [base] { base->Key_UFoutClick(); }, baseBusy, gaveUp, unconfirmed);
        }
        base->close();
        table->show();
        table->flagWrite->setChecked(true);
        QApplication::processEvents();
        for (int i = 0; i < runs; ++i) {
            gaveUp = unconfirmed = false;
            Run(tables, [table] { table->Key_DataEditClick(); }, [table] { return table->Table.Exchange.Busy(); },
                gaveUp, unconfirmed);
        }
        table->close();
        const auto cell = [](const TCounts& c) {
            char text[64];
            std::snprintf(text, sizeof text, "%d / %d / %d (%.1f s)", c.GivenUp, c.Unconfirmed, c.Done,
                          c.LongestMs / 1000.0);
            return std::string(text);
        };
        std::printf("%-22s %-22s %-22s %-22s\n", line.Name, cell(reads).c_str(), cell(numbers).c_str(),
                    cell(tables).c_str());
        std::fflush(stdout);
        delete table;
        delete base;
    }
    return 0;
}
