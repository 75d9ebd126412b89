// Measures the online test window polling the simulated instrument at its
// own 700 ms cadence: the CPU time this process uses as a share of one
// core, the poll passes per second, and the peak resident memory with the
// window open. The simulator runs as a child program, so its own work is
// not counted. Prints figures; judges nothing.
//
//   kavrel_online_benchmark [seconds]     (60 by default)
#include "DateFields.h"
#include "PersonList.h"
#include "ProcessFigures.h"
#include "Settings.h"
#include "SimChild.h"
#include "TKavNewF.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;

    BenchFolder folder;

    TSimChild sim({"--link", "COM3", "--pace"});
    PortIndex = 3;
    PortName = "COM3";

    QApplication app(argc, argv);
    auto* window = new TKavNewF;
    int passes = 0;
    auto step = window->Engine.Hooks.ModeStep;
    window->Engine.Hooks.ModeStep = [&] {
        step();
        ++passes;
    };

    double cpuStart = 0;
    int passesStart = 0;
    QElapsedTimer wall;
    const long rssBeforeWindow = StatusKb("VmRSS");
    window->show();

    // Measure from the first poll pass on, after start-up and the first paint.
    QTimer::singleShot(2000, [&] {
        cpuStart = CpuSeconds();
        passesStart = passes;
        wall.start();
        QTimer::singleShot(seconds * 1000, [&] {
            const double cpu = CpuSeconds() - cpuStart;
            const double elapsed = wall.elapsed() / 1000.0;
            const int measured = passes - passesStart;
            std::printf("platform            %s\n", qPrintable(QGuiApplication::platformName()));
            std::printf("measured            %.1f s of polling at %d ms ticks\n", elapsed,
                        window->Engine.Policy.TimerPeriodMs);
            std::printf("poll passes         %d (%.2f per second)\n", measured, measured / elapsed);
            std::printf("CPU time            %.3f s = %.2f %% of one core\n", cpu, 100.0 * cpu / elapsed);
            std::printf("resident memory     %.1f MB before the window, %.1f MB now\n", rssBeforeWindow / 1024.0,
                        StatusKb("VmRSS") / 1024.0);
            std::printf("peak resident (HWM) %.1f MB\n", StatusKb("VmHWM") / 1024.0);
            std::fflush(stdout);
            window->close();
            app.quit();
        });
    });
    const int rc = app.exec();
    delete window;
    sim.Terminate();
    return rc;
}
