// The soak: the program's own windows, as the program creates them, with the
// online test window open against the simulator (a separate kavrel-sim
// process on a pseudo-terminal), running tests one after another for the
// given time while the simulator misbehaves on command: noise bytes, split
// replies, slow answers, silent spells long enough to give up, and a hang-up
// with a new line. The operator's part is played through the windows'
// buttons: pick the person, press "ТЕСТ" to start and again to stop, leave
// and reopen the window when the instrument stopped answering.
//
// Usage: kavrel_soak WORKDIR MINUTES CONTROL_SOCKET
// WORKDIR holds COM3 (the simulator's link); the month file is checked
// against what the simulator completed. Figures go to standard output.
#include "Control.h"
#include "KavrelApplication.h"
#include "PersonList.h"
#include "Settings.h"
#include "TCommEr.h"
#include "TKavNewF.h"
#include "TKavrelF.h"
#include "TestFiles.h"
#include "Windows.h"
#include "DateFields.h"
#include "Files.h"
#include "Cp1251.h"
#include "SoakCommon.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string kPerson = "Соколов Сергей Петрович";

std::vector<std::string> MonthLines()
{
    std::string bytes;
    std::vector<std::string> lines;
    if (!ReadWholeFile(MonthFileName, bytes))
        return lines;
    std::string line;
    for (char c : bytes) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty())
                lines.push_back(FromCp1251(line));
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

// What the soak counts.
struct TFigures {
    int started = 0;
    int completed = 0;      // tests the simulator completed
    int recorded = 0;       // lines in the month file
    int lost = 0;           // completed, no line
    int duplicated = 0;     // more than one line for a test
    int misattributed = 0;  // wrong name or wrong value
    int unsure = 0;         // tests abandoned by a fault (no result to check)
    int giveUps = 0;
    int reopens = 0;
    int faults = 0;
};

// The operator and the faulty line, step by step on timers, so that the
// windows' own event loops run as they do for a user.
class TSoak : public QObject {
public:
    TSoak(const std::string& control, double minutes) : sim_(control), minutes_(minutes) {}

    void Begin()
    {
        started_ = std::chrono::steady_clock::now();
        cpuStart_ = CpuSeconds();
        OpenWindow();
        After(3000, [this] {
            rssStart_ = ResidentMb();
            NextTest();
        });
    }

    TFigures Figures;
    double CpuShare = 0;
    double RssStart = 0;
    double RssEnd = 0;

private:
    void After(int ms, std::function<void()> f) { QTimer::singleShot(ms, this, std::move(f)); }

    double ElapsedMinutes() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count() / 60.0;
    }

    std::string Ask(const std::string& line)
    {
        try {
            return sim_.Ask(line);
        } catch (const std::exception& e) {
            return std::string("error: ") + e.what();
        }
    }

    int Register(int bank, int address)
    {
        // "ok 6": the value as the program would read it now.
        const std::string answer = Ask("read " + std::to_string(bank) + " " + std::to_string(address));
        return answer.rfind("ok ", 0) == 0 ? std::atoi(answer.c_str() + 3) : -1;
    }

    // The main window's button opens the online window (modally: its own
    // event loop runs until it closes); the person is picked in its grid.
    void OpenWindow()
    {
        After(0, [] { KavrelF->Key_Master->click(); });
        After(1500, [] {
            KavNewF->tab_FIO->setCurrentCell(0, 1);
        });
    }

    void Reopen()
    {
        ++Figures.reopens;
        KavNewF->Key__Exit->click();
        After(500, [this] {
            OpenWindow();
            After(4000, [this] { NextTest(); });
        });
    }

    void NextTest()
    {
        if (ElapsedMinutes() >= minutes_) {
            Finish();
            return;
        }
        // Every fourth test brings a fault, in turn: during the test (noise,
        // split replies, slowness) or before it (silence, a hang-up).
        const int kind = (Figures.started % 4 == 3) ? nextFault_++ % 5 : -1;
        switch (kind) {
        case 0:
            Ask("noise 3");
            break;
        case 1:
            Ask("split on 15");
            break;
        case 2:
            Ask("turnaround 50");
            break;
        case 3:
        case 4:
            ++Figures.faults;
            Ask(kind == 3 ? "silent on" : "hangup");
            WaitGiveUp(kind);
            return;
        default:
            break;
        }
        if (kind >= 0)
            ++Figures.faults;
        StartTest();
    }

    // Silence or a hang-up: the window gives up after 51 ticks; the
    // operator leaves it and opens it again.
    void WaitGiveUp(int kind)
    {
        spell_ = std::chrono::steady_clock::now();
        After(500, [this, kind] { CheckGiveUp(kind); });
    }

    void CheckGiveUp(int kind)
    {
        const bool gaveUp = !KavNewF->TimerIO->isActive() && !KavNewF->Port->IsOpen();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - spell_).count();
        if (!gaveUp && seconds < 90) {
            After(500, [this, kind] { CheckGiveUp(kind); });
            return;
        }
        if (gaveUp)
            ++Figures.giveUps;
        Ask(kind == 3 ? "silent off" : "plug");
        Reopen();
    }

    void StartTest()
    {
        ++Figures.started;
        linesBefore_ = static_cast<int>(MonthLines().size());
        Ask("gas " + std::to_string(random_() % 120));
        KavNewF->Key_T->click(); // the operator starts the test
        testStart_ = std::chrono::steady_clock::now();
        After(500, [this] { WaitCompleted(); });
    }

    void WaitCompleted()
    {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - testStart_).count();
        if (Register(1, 8) != 6 && seconds < 60) {
            After(300, [this] { WaitCompleted(); });
            return;
        }
        if (Register(1, 8) != 6) {
            ++Figures.unsure; // the test never completed (the switch frame was lost)
            EndTest(-1);
            return;
        }
        EndTest(Register(1, 6));
    }

    // The window records at the first mode 6 it reads, which a faulty line
    // may delay by many ticks: wait for the line (30 s at most), then a
    // little longer for any second one.
    void EndTest(int tenths)
    {
        waitFrom_ = std::chrono::steady_clock::now();
        After(500, [this, tenths] { WaitLine(tenths); });
    }

    void WaitLine(int tenths)
    {
        const int added = static_cast<int>(MonthLines().size()) - linesBefore_;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - waitFrom_).count();
        if (tenths >= 0 && added == 0 && seconds < 30) {
            After(500, [this, tenths] { WaitLine(tenths); });
            return;
        }
        After(2000, [this, tenths] { Judge(tenths); });
    }

    void Judge(int tenths)
    {
        ClearFaults();
        const auto lines = MonthLines();
        const int added = static_cast<int>(lines.size()) - linesBefore_;
        if (tenths >= 0) {
            ++Figures.completed;
            if (added == 0)
                ++Figures.lost;
            if (added > 1)
                Figures.duplicated += added - 1;
            const std::string want = "> " + kPerson + "  -  " + std::to_string(tenths / 10) + "."
                + std::to_string(tenths % 10);
            for (int k = 0; k < added; ++k)
                if (lines[lines.size() - 1 - k].substr(12) != want)
                    ++Figures.misattributed;
        }
        Figures.recorded = static_cast<int>(lines.size());
        KavNewF->Key_T->click(); // the operator stops the test
        After(2500, [this] { NextTest(); });
    }

    void ClearFaults()
    {
        Ask("noise 0");
        Ask("split off");
        Ask("turnaround 0");
    }

    void Finish()
    {
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        CpuShare = (CpuSeconds() - cpuStart_) / wall * 100.0;
        RssStart = rssStart_;
        RssEnd = ResidentMb();
        KavNewF->Key__Exit->click();
        After(500, [] { KavrelF->close(); });
    }

    TSimControlClient sim_;
    double minutes_;
    std::mt19937 random_{20261208};
    int nextFault_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point testStart_;
    double cpuStart_ = 0;
    double rssStart_ = 0;
    std::chrono::steady_clock::time_point spell_;
    std::chrono::steady_clock::time_point waitFrom_;
    int linesBefore_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: kavrel_soak WORKDIR MINUTES CONTROL_SOCKET\n";
        return 2;
    }
    if (chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 2;
    }
    const double minutes = std::atof(argv[2]);

    // COM3 of the working folder is the simulator; one person on the list.
    PortIndex = 3;
    PortName = "COM3";
    SaveSettings();
    LoadPersonList();
    NumberPersonList();
    if (PersonCount == 0)
        AddPerson(kPerson);

    KavrelApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    CreateWindows();
    KavrelF->show();
    TSoak soak(argv[3], minutes);
    QObject::connect(KavrelF, &QObject::destroyed, &app, &QApplication::quit);
    QTimer::singleShot(500, &soak, [&soak] { soak.Begin(); });
    QTimer closing;
    QObject::connect(&closing, &QTimer::timeout, &app, [&app] {
        if (!KavrelF->isVisible())
            app.quit();
    });
    closing.start(1000);
    app.exec();

    const TFigures& f = soak.Figures;
    std::printf("soak: %.1f minutes\n", minutes);
    std::printf("tests started                  %d\n", f.started);
    std::printf("results the simulator completed %d\n", f.completed);
    std::printf("tests abandoned by a fault      %d\n", f.unsure);
    std::printf("lines in %s            %d\n", MonthFileName.c_str(), f.recorded);
    std::printf("lines lost                     %d\n", f.lost);
    std::printf("lines duplicated               %d\n", f.duplicated);
    std::printf("lines misattributed            %d\n", f.misattributed);
    std::printf("fault episodes                 %d\n", f.faults);
    std::printf("give-ups                       %d\n", f.giveUps);
    std::printf("reopens                        %d\n", f.reopens);
    std::printf("CPU share of the program       %.2f %% of a core\n", soak.CpuShare);
    std::printf("resident memory                %.1f MB at start, %.1f MB at end\n", soak.RssStart, soak.RssEnd);
    DestroyWindows();
    return (f.lost || f.duplicated || f.misattributed) ? 1 : 0;
}
