#pragma once
// The bench's hand: text commands that drive a running simulator, one a
// line, each answered with one line that starts with "ok" or "error:".
// sim/README.md lists them with an example session; `help` names them.
#include "Characteristic.h"

#include <functional>
#include <string>

class TSimulator;

// Seven points "P0,P1,...,P6" in mV (1..6000 each); false, with the reason,
// when `text` is anything else.
bool ParsePointList(const std::string& text, SensorPointTable& points, std::string& error);

class TSimCommands {
public:
    explicit TSimCommands(TSimulator& sim) : sim_(sim) {}

    // Runs one command line and returns its answer (no line end).
    std::string Run(const std::string& line);

    // Called by `quit` (the program ends itself); without it `quit` is refused.
    std::function<void()> OnQuit;

private:
    TSimulator& sim_;
};
