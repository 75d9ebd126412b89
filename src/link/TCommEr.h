#pragma once
// The program's serial port component. Every window that talks to the
// instrument owns one (named Port), wires OnReceiveData to its receive
// handler, sets CommName from the settings just before OpenPort, and calls
// ClosePort when it closes or hands the line over.
//
// OpenPort opens the terminal device for exclusive use, sets the line and
// starts a receive thread and a transmit thread. The threads touch nothing
// but the device: every event (data, line error, hang-up request, modem
// change, transmit queue drained) is posted to this object and delivered on
// the main thread by the Qt event loop, in posting order. Received data
// comes in chunks: after the first byte the receive thread keeps reading
// while the next byte follows within the read interval, up to 2048 bytes.
// The buffer handed to OnReceiveData belongs to the component and is freed
// after the handler returns (also when no handler is assigned).
//
// Device names: "COM1".."COM11" are the working folder's entries of that
// name when present (a link to /dev/ttyUSB0, a pseudo-terminal, ...), else
// /dev/ttyS0../dev/ttyS10; a name starting with "/" is opened as it is; any
// other name ("Автоном.") fails to open.
//
// Properties without a Linux counterpart are kept, stored and returned, and
// have no effect: Outx_DsrFlow, DsrSensitivity, TxContinueOnXoff,
// ReplaceWhenParityError, IgnoreNullChar, XonLimit, XoffLimit, ReplacedChar,
// the total read and write time-outs, DtrHandshake (DTR is simply raised),
// and RtsTransmissionAvailable (RTS is simply raised). RtsHandshake and
// Outx_CtsFlow both mean CTS/RTS flow control. The driver queue sizes are the
// kernel's.
#include "CommTypes.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

struct TLinkContext;
class TLinkThread;

// The component's exception: OpenPort's failures. The first line of the
// message is the failure's fixed text; an open failure adds a second line
// with the device and the system's reason.
class ECommsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* CommOpenErrorText = "ОШИБКА! Открытия порта";
inline constexpr const char* CommNotCommHandleText = "File handle is not a comm handle ";
inline constexpr const char* CommBufferErrorText = "Cannot setup comm buffer";
inline constexpr const char* CommEventErrorText = "Unable to create event";
inline constexpr const char* CommReadThreadErrorText = "Unable to create read thread";
inline constexpr const char* CommWriteThreadErrorText = "Unable to create write thread";

// Events, with the parameter names they are declared with.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TReceiveDataEvent = std::function<void(QObject* Sender, void* Buffer, std::uint16_t BufferLength)>;
using TReceiveErrorEvent = std::function<void(QObject* Sender, std::uint32_t EventMask)>;
using TModemStateChangeEvent = std::function<void(QObject* Sender, std::uint32_t ModemEvent)>;
using TSendDataEmptyEvent = std::function<void(QObject* Sender)>;

class TCommEr : public QObject {
    Q_OBJECT
public:
    explicit TCommEr(QObject* parent = nullptr);
    // Closes the port if a window left it open, so no thread outlives it.
    ~TCommEr() override;

    // Opens and configures the port named by CommName and starts both
    // threads. Does nothing when already open. Throws ECommsError.
    void OpenPort();
    // Stops both threads (each waited for up to 10 s), flushes the line and
    // closes it. Does nothing when closed. Events of this open still waiting
    // in the event queue are dropped, not delivered.
    void ClosePort();
    // Queues a copy of `length` bytes for the transmit thread and returns at
    // once. False when closed, when the transmit thread has ended, when
    // length is 0, or when the queue is full.
    bool WriteBytes(const void* data, std::uint16_t length);

    bool IsOpen() const { return link_ != nullptr; }
    int PortHandle() const;        // the descriptor, 0 while closed
    bool SendDataEmpty() const;    // the transmit queue has drained
    // The gap after which received bytes are handed over, in microseconds:
    // ReadIntervalTimeout, never less than three character times.
    std::uint32_t ReadIntervalMicros() const;

    // Properties, in their declared order. Setters store a value only if it
    // differs; on an open port a line setting is applied at once (Parity
    // only at the next open) and ReadIntervalTimeout takes effect with the
    // next chunk. CommName takes effect at the next OpenPort.
    const std::string& CommName() const { return FCommName; }
    void SetCommName(const std::string& v) { FCommName = v; }
    std::uint32_t BaudRate() const { return FLine.BaudRate; }
    void SetBaudRate(std::uint32_t v);
    bool ParityCheck() const { return FLine.ParityCheck; }
    void SetParityCheck(bool v);
    bool Outx_CtsFlow() const { return FLine.Outx_CtsFlow; }
    void SetOutx_CtsFlow(bool v);
    bool Outx_DsrFlow() const { return FOutx_DsrFlow; }
    void SetOutx_DsrFlow(bool v) { FOutx_DsrFlow = v; }
    TDtrControl DtrControl() const { return FLine.DtrControl; }
    void SetDtrControl(TDtrControl v);
    bool DsrSensitivity() const { return FDsrSensitivity; }
    void SetDsrSensitivity(bool v) { FDsrSensitivity = v; }
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    void SetTxContinueOnXoff(bool v) { FTxContinueOnXoff = v; }
    bool Outx_XonXoffFlow() const { return FLine.Outx_XonXoffFlow; }
    void SetOutx_XonXoffFlow(bool v);
    bool Inx_XonXoffFlow() const { return FLine.Inx_XonXoffFlow; }
    void SetInx_XonXoffFlow(bool v);
    bool ReplaceWhenParityError() const { return FReplaceWhenParityError; }
    void SetReplaceWhenParityError(bool v) { FReplaceWhenParityError = v; }
    bool IgnoreNullChar() const { return FIgnoreNullChar; }
    void SetIgnoreNullChar(bool v) { FIgnoreNullChar = v; }
    TRtsControl RtsControl() const { return FLine.RtsControl; }
    void SetRtsControl(TRtsControl v);
    std::uint16_t XonLimit() const { return FXonLimit; }
    void SetXonLimit(std::uint16_t v) { FXonLimit = v; }
    std::uint16_t XoffLimit() const { return FXoffLimit; }
    void SetXoffLimit(std::uint16_t v) { FXoffLimit = v; }
    TByteSize ByteSize() const { return FLine.ByteSize; }
    void SetByteSize(TByteSize v);
    TParity Parity() const { return FLine.Parity; }
    void SetParity(TParity v) { FLine.Parity = v; }
    TStopBits StopBits() const { return FLine.StopBits; }
    void SetStopBits(TStopBits v);
    char XonChar() const { return FLine.XonChar; }
    void SetXonChar(char v);
    char XoffChar() const { return FLine.XoffChar; }
    void SetXoffChar(char v);
    char ReplacedChar() const { return FReplacedChar; }
    void SetReplacedChar(char v) { FReplacedChar = v; }
    std::uint32_t ReadIntervalTimeout() const { return FReadIntervalTimeout; }
    void SetReadIntervalTimeout(std::uint32_t v);
    std::uint32_t ReadTotalTimeoutMultiplier() const { return FReadTotalTimeoutMultiplier; }
    void SetReadTotalTimeoutMultiplier(std::uint32_t v) { FReadTotalTimeoutMultiplier = v; }
    std::uint32_t ReadTotalTimeoutConstant() const { return FReadTotalTimeoutConstant; }
    void SetReadTotalTimeoutConstant(std::uint32_t v) { FReadTotalTimeoutConstant = v; }
    std::uint32_t WriteTotalTimeoutMultiplier() const { return FWriteTotalTimeoutMultiplier; }
    void SetWriteTotalTimeoutMultiplier(std::uint32_t v) { FWriteTotalTimeoutMultiplier = v; }
    std::uint32_t WriteTotalTimeoutConstant() const { return FWriteTotalTimeoutConstant; }
    void SetWriteTotalTimeoutConstant(std::uint32_t v) { FWriteTotalTimeoutConstant = v; }

    // Events, called on the main thread.
    TReceiveDataEvent OnReceiveData;
    TReceiveErrorEvent OnReceiveError;
    TModemStateChangeEvent OnModemStateChange;
    TNotifyEvent OnRequestHangup;
    TSendDataEmptyEvent OnSendDataEmpty;

protected:
    void customEvent(QEvent* event) override;

private:
    void ApplyLine();
    void ApplyTimeouts();
    [[noreturn]] void OpenFailed(const std::string& path, int error);
    template <typename T>
    void SetLine(T& field, T value);

    std::string FCommName = "COM2";
    TLineSettings FLine;   // BaudRate 9600, 8 data bits, no parity, 1 stop bit, DTR and RTS off
    bool FOutx_DsrFlow = false;
    bool FDsrSensitivity = false;
    bool FTxContinueOnXoff = false;
    bool FReplaceWhenParityError = false;
    bool FIgnoreNullChar = false;
    std::uint16_t FXonLimit = 500;
    std::uint16_t FXoffLimit = 500;
    char FReplacedChar = 0;
    std::uint32_t FReadIntervalTimeout = 100;
    std::uint32_t FReadTotalTimeoutMultiplier = 0;
    std::uint32_t FReadTotalTimeoutConstant = 0;
    std::uint32_t FWriteTotalTimeoutMultiplier = 0;
    std::uint32_t FWriteTotalTimeoutConstant = 0;

    std::shared_ptr<TLinkContext> link_;
    std::uint64_t openSerial_ = 0;   // counts the opens; events carry theirs
    std::unique_ptr<TLinkThread> ReadThread;
    std::unique_ptr<TLinkThread> WriteThread;
};
