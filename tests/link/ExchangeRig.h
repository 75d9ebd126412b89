#pragma once
// A serial port component and an exchange engine joined as an exchange
// window joins them, with a timer for the engine's ticks, for tests and
// benchmarks that talk to the simulator.
#include "ExchangeGlobals.h"
#include "TCommEr.h"
#include "TExchangeEngine.h"

#include <QTimer>
#include <string>

class Exchange {
public:
    explicit Exchange(const std::string& device, const TExchangePolicy& policy) : engine(policy)
    {
        ResetExchangeGlobals();
        port.SetCommName(device);
        port.SetReadIntervalTimeout(1);
        port.OnReceiveData = [this](QObject*, void* b, std::uint16_t n) { engine.Receive(b, n); };
        engine.Hooks.Send = [this](const std::uint8_t* d, std::uint16_t n) { port.WriteBytes(d, n); };
        engine.Hooks.SetTimer = [this](bool on, int ms) { on ? timer.start(ms) : timer.stop(); };
        engine.Hooks.ClosePort = [this] { port.ClosePort(); };
        engine.Hooks.ListEnd = [this] { ++listEnds; };
        QObject::connect(&timer, &QTimer::timeout, [this] { engine.Tick(); });
        port.OpenPort();
    }
    ~Exchange() { port.ClosePort(); }

    TCommEr port;
    TExchangeEngine engine;
    QTimer timer;
    int listEnds = 0;
};
