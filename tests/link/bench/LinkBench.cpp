// Figures for the device link, printed (not asserted):
//  (a) the program's own delay per exchange over a pseudo-terminal with the
//      simulator: from the reply's last byte to the next frame's first byte,
//      minus the read interval the component waits on purpose;
//  (b) the 46-read list with the simulator pacing at 9600 baud: total time
//      over its floor 46 x (9 bytes x 10 bits / 9600 s + turnaround + interval);
//  (c) CPU used by an open, idle component over 10 s;
//  (d) the 25-write table list when the simulator keeps bank 2 in a state
//      file (saved as one step, synced, before each reply) and when not.
#include "ExchangeRig.h"
#include "PtyHelpers.h"
#include "Registers.h"
#include "Simulator.h"
#include "TCommEr.h"
#include "TExchangeEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <sys/resource.h>
#include <vector>

namespace {

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5));
    return v[i];
}

std::vector<TCommandItem> FortySixReads()
{
    std::vector<TCommandItem> list = ReadItems(Bank2, {27, 31});
    AppendReads(list, Bank2, 64, 67);
    AppendReads(list, Bank2, 72, 75);
    AppendReads(list, Bank2, 80, 83);
    AppendReads(list, Bank2, 0, 31);
    return list;
}

void OwnDelay()
{
    TSimulator sim;
    sim.Start();
    Exchange rig(sim.DevicePath(), SensorBasePolicy);
    rig.engine.Policy.TimerPeriodMs = 1000;
    const double intervalMs = rig.port.ReadIntervalMicros() / 1000.0;
    const auto list = FortySixReads();
    std::vector<double> delays;
    for (int pass = 0; pass < 40; ++pass) {
        sim.RecordTimings(true);
        const int before = rig.listEnds;
        rig.engine.StartList(list, 4);
        if (!WaitUntil([&] { return rig.listEnds > before; }, 10000)) {
            std::printf("(a) list did not finish\n");
            return;
        }
        const auto t = sim.TakeTimings();
        for (std::size_t i = 0; i + 1 < t.size(); ++i)
            delays.push_back(t[i + 1].FrameFirstByteMs - t[i].ReplyLastByteMs - intervalMs);
    }
    std::printf("(a) own delay per exchange (pty, %zu exchanges, interval %.3f ms subtracted):\n", delays.size(),
                intervalMs);
    std::printf("    median %.3f ms, p99 %.3f ms, max %.3f ms   (goal: median < 0.3 ms, p99 < 2 ms)\n",
                Percentile(delays, 0.5), Percentile(delays, 0.99), Percentile(delays, 1.0));
}

void PacedList()
{
    TSimOptions o;
    o.Pace = true;
    o.TurnaroundMs = 1.0;
    TSimulator sim(o);
    sim.Start();
    Exchange rig(sim.DevicePath(), SensorBasePolicy);
    rig.engine.Policy.TimerPeriodMs = 1000;
    const double intervalMs = rig.port.ReadIntervalMicros() / 1000.0;
    const double floorMs = 46 * (9 * 10 * 1000.0 / 9600 + o.TurnaroundMs + intervalMs);
    const auto list = FortySixReads();
    std::vector<double> ratios;
    for (int run = 0; run < 10; ++run) {
        const int before = rig.listEnds;
        const auto start = std::chrono::steady_clock::now();
        rig.engine.StartList(list, 4);
        if (!WaitUntil([&] { return rig.listEnds > before; }, 20000)) {
            std::printf("(b) list did not finish\n");
            return;
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ratios.push_back(ms / floorMs);
    }
    std::printf("(b) 46-read list paced at 9600 baud, turnaround %.1f ms, interval %.3f ms: floor %.1f ms\n",
                o.TurnaroundMs, intervalMs, floorMs);
    std::printf("    time / floor: median %.3f, worst %.3f over %zu runs   (goal < 1.05)\n", Percentile(ratios, 0.5),
                Percentile(ratios, 1.0), ratios.size());
}

void IdleCpu()
{
    TSimulator sim;
    sim.Start();
    TCommEr port;
    port.SetCommName(sim.DevicePath());
    port.SetReadIntervalTimeout(1);
    port.OpenPort();
    const double before = CpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = CpuSeconds() - before;
    port.ClosePort();
    std::printf("(c) open idle component (with the idle simulator in-process) for 10 s: CPU %.4f s = %.3f %% of a core"
                "   (goal < 0.2 %%)\n",
                used, used / 10.0 * 100.0);
}

// One 25-write table list's time, in ms, `runs` times.
std::vector<double> TableWrites(TSimulator& sim, int runs)
{
    Exchange rig(sim.DevicePath(), SensorBasePolicy);
    rig.engine.Policy.TimerPeriodMs = 1000;
    std::vector<TCommandItem> list;
    for (int a = 0; a <= 24; ++a)
        list.push_back(WriteItem(Bank2, static_cast<std::uint8_t>(a), 3000 + a));
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        list[0] = WriteItem(Bank2, 0, 4000 + run); // every list changes the bank
        const int before = rig.listEnds;
        const auto start = std::chrono::steady_clock::now();
        rig.engine.StartList(list, 4);
        if (!WaitUntil([&] { return rig.listEnds > before; }, 20000))
            return {};
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return ms;
}

void StateFileWrites()
{
    char folder[] = "/tmp/kavrel-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return;
    TSimOptions o;
    o.StateFile = std::string(folder) + "/bank.txt";
    TSimulator kept(o);
    kept.Start();
    const auto withFile = TableWrites(kept, 20);
    kept.Stop();
    TSimulator plain;
    plain.Start();
    const auto without = TableWrites(plain, 20);
    std::remove(o.StateFile.c_str());
    ::rmdir(folder);
    if (withFile.empty() || without.empty()) {
        std::printf("(d) table write list did not finish\n");
        return;
    }
    std::printf("(d) 25-write table list, simulator keeping a state file in /tmp: median %.1f ms, worst %.1f ms;\n"
                "    without one: median %.1f ms, worst %.1f ms (20 lists each, unpaced)\n",
                Percentile(withFile, 0.5), Percentile(withFile, 1.0), Percentile(without, 0.5),
                Percentile(without, 1.0));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("Device link benchmark (%u hardware threads)\n", std::thread::hardware_concurrency());
    OwnDelay();
    PacedList();
    IdleCpu();
    StateFileWrites();
    return 0;
}
