#include "InstrumentPort.h"

#include "TCommEr.h"
#include "TExchangeEngine.h"

#include <QTimer>

void SetInstrumentLine(TCommEr& port, std::uint32_t readIntervalMs)
{
    port.SetBaudRate(9600);
    port.SetByteSize(TByteSize::_8);
    port.SetParity(TParity::None);
    port.SetStopBits(TStopBits::_1);
    port.SetDtrControl(TDtrControl::DtrDisable);
    port.SetRtsControl(TRtsControl::RtsDisable);
    port.SetReadIntervalTimeout(readIntervalMs);
}

void JoinEngine(TExchangeEngine& engine, TCommEr& port, QTimer& timer)
{
    engine.Hooks.Send = [&port](const std::uint8_t* data, std::uint16_t length) { port.WriteBytes(data, length); };
    engine.Hooks.SetTimer = [&timer](bool on, int periodMs) {
        if (on)
            timer.start(periodMs);
        else
            timer.stop();
    };
    engine.Hooks.ClosePort = [&port] { port.ClosePort(); };
}
