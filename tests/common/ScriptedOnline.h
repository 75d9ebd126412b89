#pragma once
// The online test window against a simulator linked as "COM3" whose
// instrument reports, one per poll pass, the modes a test script gives: a
// test is the instrument going through mode 3 to mode 6 with its result in
// word 6, and the window recording it as a memo line.
#include "Simulator.h"
#include "TKavNewF.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <QtTest>

#include <memory>
#include <vector>

inline QStringList MemoLines(const QPlainTextEdit* memo)
{
    const QString text = memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

struct TScriptedOnline {
    std::unique_ptr<TSimulator> sim;
    std::unique_ptr<TKavNewF> window;
    int modeSteps = 0;
    std::vector<int> script;

    // Starts the simulator and opens the window polling every `tickMs`;
    // true once the window is active and has polled once.
    bool Open(int tickMs)
    {
        TSimOptions options;
        options.Instrument.Points = FactoryPoints;
        options.Instrument.TruePoints = FactoryPoints;
        sim = std::make_unique<TSimulator>(options);
        sim->Start();
        sim->MakeLink("COM3");
        window = std::make_unique<TKavNewF>();
        window->Engine.Policy.TimerPeriodMs = tickMs;
        auto step = window->Engine.Hooks.ModeStep;
        window->Engine.Hooks.ModeStep = [this, step] {
            step();
            ++modeSteps;
            if (!script.empty()) {
                const int next = script.front();
                script.erase(script.begin());
                sim->WithInstrument([next](TInstrument& i) { i.Bank1Words[8] = next; });
            }
        };
        window->show();
        return QTest::qWaitForWindowActive(window.get()) && WaitModeSteps(1);
    }

    // true once the window has polled `more` times more.
    bool WaitModeSteps(int more)
    {
        const int target = modeSteps + more;
        return QTest::qWaitFor([&] { return modeSteps >= target; }, 15000);
    }

    // One test with the result v6; true once the window recorded it.
    bool Test(int v6)
    {
        const int lines = MemoLines(window->memo_test).size();
        sim->WithInstrument([v6](TInstrument& i) { i.Bank1Words[6] = v6; });
        script = {3, 6, 0};
        return QTest::qWaitFor([&] { return MemoLines(window->memo_test).size() == lines + 1; }, 15000);
    }

    void Reset()
    {
        window.reset();
        sim.reset();
        modeSteps = 0;
        script.clear();
    }
};
