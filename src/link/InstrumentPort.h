#pragma once
// How a window joins its serial port, its exchange timer and its exchange
// engine, the same way in every window that talks to the instrument.
#include "TCommEr.h"

#include <cstdint>

class QObject;
class QTimer;
class TExchangeEngine;

// The instrument's line: 9600 baud, 8 data bits, no parity, one stop bit, no
// flow control, DTR and RTS held inactive, chunks ended after
// `readIntervalMs` without a byte.
void SetInstrumentLine(TCommEr& port, std::uint32_t readIntervalMs);

// The engine sends its frames through `port` (nothing goes out while the
// port is closed), starts and stops `timer`, and closes `port` when it gives
// up or stops.
void JoinEngine(TExchangeEngine& engine, TCommEr& port, QTimer& timer);

// A window's serial port component named `name`: the instrument's line,
// "COM3" as its device until the window gives it the configured one,
// received chunks handed to `onData`.
TCommEr* MakeInstrumentPort(QObject* owner, const char* name, std::uint32_t readIntervalMs, TReceiveDataEvent onData);

// A window's exchange timer named `name`, stopped, with its period.
QTimer* MakeExchangeTimer(QObject* owner, const char* name, int periodMs);
