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

TCommEr* MakeInstrumentPort(QObject* owner, const char* name, std::uint32_t readIntervalMs, TReceiveDataEvent onData)
{
    auto* port = new TCommEr(owner);
    port->setObjectName(QString::fromLatin1(name));
    port->SetCommName("COM3");
    SetInstrumentLine(*port, readIntervalMs);
    port->OnReceiveData = std::move(onData);
    return port;
}

QTimer* MakeExchangeTimer(QObject* owner, const char* name, int periodMs)
{
    auto* timer = new QTimer(owner);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(periodMs);
    return timer;
}
