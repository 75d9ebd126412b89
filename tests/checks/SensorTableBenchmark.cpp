// Measures the sensor table window against the simulated instrument (a
// child program, replies paced at 9600 baud): how long building the table
// of a group takes (loading the group file and putting 900 cells on
// screen), and how long "Ввод" with "Записать в прибор" holds the line (two
// reads of the words no table sets, 25 writes, and 25 + 12 reads to read
// them back) against the line time those frames need. Prints figures;
// judges nothing.
//
//   kavrel_sensor_table_benchmark [writes]     (10 by default)
#include "ProcessFigures.h"
#include "SensorGroup.h"
#include "Settings.h"
#include "SimChild.h"
#include "TExchangeEngine.h"
#include "TFBazaF.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int writes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    BenchFolder folder;
    TSimChild sim({"--link", "COM3", "--pace"});
    PortIndex = 3;
    PortName = "COM3";
    SaveSettings();
    // Two groups of sensors with usable points.
    for (int group : {0, 1}) {
        for (int k = 0; k < SensorGroupSize; ++k) {
            SensorSlot = k;
            SensorPoints = {4000 + k, 3500, 3000, 2000, 1800, 1000, 500};
            PackSensorRecord();
        }
        SaveSensorGroup(group * 100);
    }

    QApplication app(argc, argv);
    auto* window = new TFBazaF;
    SensorNumber = 0;
    window->show();
    window->activateWindow();
    QApplication::processEvents();

    // Building the table: every step of "+" loads a group and fills it.
    std::vector<double> builds;
    QElapsedTimer clock;
    for (int i = 0; i < 190; ++i) { // sensors 1..190: groups 0 and 1
        clock.start();
        window->upNClick();
        QApplication::processEvents();
        builds.push_back(clock.nsecsElapsed() / 1e6);
    }

    // "Ввод" alone: validation, the group file saved, the table built again.
    std::vector<double> commits;
    for (int i = 0; i < writes; ++i) {
        clock.start();
        window->Key_DataEditClick();
        QApplication::processEvents();
        commits.push_back(clock.nsecsElapsed() / 1e6);
    }

    // "Ввод" with the write: from the click until the line is free again.
    window->flagWrite->setChecked(true);
    std::vector<double> held;
    for (int i = 0; i < writes; ++i) {
        clock.start();
        window->Key_DataEditClick();
        if (!PortOpenFlag) {
            std::fprintf(stderr, "the write did not start\n");
            return 1;
        }
        while (PortOpenFlag && clock.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        held.push_back(clock.nsecsElapsed() / 1e6);
    }
    // 25 writes (6 bytes out, 5 back) and 39 reads (4 out, 5 back: words 11
    // and 13 first, then 25 read back and the 12 numbers), ten bits a byte
    // at 9600 baud; the port ends each reply's burst after the service
    // line's quiet 30 ms.
    const double charMs = 10 * 1000.0 / 9600;
    const double lineMs = (25 * 11 + 39 * 9) * charMs;
    const double floorMs = lineMs + 64 * ServiceBurstGapMs;

    std::printf("table built (group file loaded, 900 cells): median %.2f ms, worst %.2f ms (%zu builds)\n",
                Median(builds), *std::max_element(builds.begin(), builds.end()), builds.size());
    std::printf("\"Ввод\" without the write (file saved, table built again): median %.1f ms\n", Median(commits));
    std::printf("\"Ввод\" with the write and read-back, holding the line: median %.0f ms, worst %.0f ms (%d writes)\n",
                Median(held), *std::max_element(held.begin(), held.end()), writes);
    std::printf("  its 64 frames: %.0f ms on the line, %.0f ms with the end of each reply; "
                "held / (that + \"Ввод\" alone) = %.3f\n",
                lineMs, floorMs, Median(held) / (floorMs + Median(commits)));
    std::printf("peak resident memory: %.1f MB\n", StatusKb("VmHWM") / 1024.0);
    delete window;
    return 0;
}
