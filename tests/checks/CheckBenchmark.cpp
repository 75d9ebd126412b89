// Measures the measuring path check polling the simulated instrument at its
// own 100 ms cadence: the CPU time this process uses as a share of one
// core, the polling cycles per second and the peak resident memory with the
// window open. The simulator runs as a child program with replies paced at
// 9600 baud, so its own work is not counted. Prints figures; judges nothing.
//
//   kavrel_checks_benchmark [seconds]     (60 by default)
#include "ProcessFigures.h"
#include "Settings.h"
#include "SimChild.h"
#include "TADCF.h"

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
    auto* window = new TADCF;
    int cycles = 0;
    int frames = 0;
    auto end = window->Check.Engine.Hooks.ListEnd;
    window->Check.Engine.Hooks.ListEnd = [&] {
        end();
        ++cycles;
    };
    auto send = window->Check.Engine.Hooks.Send;
    window->Check.Engine.Hooks.Send = [&](const std::uint8_t* d, std::uint16_t n) {
        send(d, n);
        ++frames;
    };

    double cpuStart = 0;
    int cyclesStart = 0;
    int framesStart = 0;
    QElapsedTimer wall;
    const long rssBeforeWindow = StatusKb("VmRSS");
    window->show();
    window->activateWindow(); // not modal: nothing else gives it the activation without a window manager

    // Measure from the first cycles on, after the first paint.
    QTimer::singleShot(2000, [&] {
        cpuStart = CpuSeconds();
        cyclesStart = cycles;
        framesStart = frames;
        wall.start();
        QTimer::singleShot(seconds * 1000, [&] {
            const double cpu = CpuSeconds() - cpuStart;
            const double elapsed = wall.elapsed() / 1000.0;
            const int measured = cycles - cyclesStart;
            std::printf("platform            %s\n", qPrintable(QGuiApplication::platformName()));
            std::printf("measured            %.1f s of polling at %d ms ticks\n", elapsed,
                        window->Check.Engine.Policy.TimerPeriodMs);
            std::printf("polling cycles      %d (%.2f per second), %d frames sent\n", measured, measured / elapsed,
                        frames - framesStart);
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
