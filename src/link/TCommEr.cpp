#include "TCommEr.h"

#include "HandOver.h"

#include "CommThreads.h"
#include "PortNames.h"
#include "SerialLine.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr auto kThreadStopLimit = std::chrono::seconds(10);
// A read interval longer than this is taken as this (it only bounds how long
// a steady stream is gathered before it is handed over).
constexpr std::uint32_t kLongestIntervalMs = 10000;

} // namespace

TCommEr::TCommEr(QObject* parent) : QObject(parent) {}

TCommEr::~TCommEr()
{
    if (link_)
        link_->Detach(); // nothing more is posted to an object being destroyed
    ClosePort();
}

int TCommEr::PortHandle() const
{
    return link_ ? link_->Fd : 0;
}

bool TCommEr::SendDataEmpty() const
{
    return link_ ? link_->SendDataEmpty.load() : true;
}

std::uint32_t TCommEr::ReadIntervalMicros() const
{
    const double charMicros = CharacterBits(FLine) * 1e6 / std::max<std::uint32_t>(FLine.BaudRate, 1);
    const auto floor = static_cast<std::uint32_t>(std::ceil(3 * charMicros));
    const std::uint32_t asked = std::min(FReadIntervalTimeout, kLongestIntervalMs) * 1000;
    return std::max(asked, floor);
}

void TCommEr::OpenFailed(const std::string& path, int error)
{
    throw ECommsError(std::string(CommOpenErrorText) + "\n" + OpenFailureReason(path, error));
}

void TCommEr::OpenPort()
{
    if (link_)
        return;
    const std::string path = PortDevicePath(FCommName);
    if (path.empty())
        throw ECommsError(std::string(CommOpenErrorText) + "\n\"" + FCommName + "\" не является именем порта");

    const int fd = OpenLineDevice(path);
    if (fd < 0)
        OpenFailed(path, errno);
    if (!isatty(fd)) {
        close(fd);
        throw ECommsError(CommNotCommHandleText);
    }
    if (!LockLineDevice(fd)) {
        const int error = errno;
        close(fd);
        OpenFailed(path, error);
    }
    std::string why;
    if (!ApplyLineSettings(fd, FLine, &why)) {
        UnlockLineDevice(fd);
        close(fd);
        throw ECommsError(std::string(CommOpenErrorText) + "\n" + path + ": " + why);
    }
    TryLowLatency(fd);
    tcflush(fd, TCIOFLUSH);

    const int stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    int queue[2] = {-1, -1};
    if (stopFd < 0 || pipe2(queue, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (stopFd >= 0)
            close(stopFd);
        UnlockLineDevice(fd);
        close(fd);
        throw ECommsError(CommEventErrorText);
    }
    link_ = std::make_shared<TLinkContext>(++openSerial_, fd, stopFd, queue[0], queue[1], this);
    link_->IntervalMicros = ReadIntervalMicros();

    try {
        ReadThread = std::make_unique<TLinkThread>(ReceiveThreadBody, link_);
    } catch (const std::exception&) {
        UnlockLineDevice(fd);
        link_.reset();
        throw ECommsError(CommReadThreadErrorText);
    }
    link_->WriterRunning = true;
    try {
        WriteThread = std::make_unique<TLinkThread>(TransmitThreadBody, link_);
    } catch (const std::exception&) {
        link_->SignalStop();
        ReadThread->Finish(kThreadStopLimit);
        ReadThread.reset();
        UnlockLineDevice(fd);
        link_.reset();
        throw ECommsError(CommWriteThreadErrorText);
    }
}

void TCommEr::ClosePort()
{
    if (!link_)
        return;
    link_->SignalStop();
    tcflush(link_->Fd, TCOFLUSH);
    if (ReadThread)
        ReadThread->Finish(kThreadStopLimit);
    ReadThread.reset();
    if (WriteThread)
        WriteThread->Finish(kThreadStopLimit);
    WriteThread.reset();
    link_->SendDataEmpty = true;
    UnlockLineDevice(link_->Fd);
    link_.reset(); // closes the descriptors (unless a stuck thread still holds them)
}

bool TCommEr::WriteBytes(const void* data, std::uint16_t length)
{
    if (!link_ || !link_->WriterRunning || length == 0)
        return false;
    auto request = std::make_unique<TWriteRequest>();
    request->Length = length;
    request->Data.reset(new std::uint8_t[length + 1]());
    std::copy_n(static_cast<const std::uint8_t*>(data), length, request->Data.get());
    link_->SendDataEmpty = false;
    if (!QueueWriteRequest(*link_, std::move(request)))
        return false;
    return true;
}

void TCommEr::customEvent(QEvent* event)
{
    MarkTakeOver(event);
    if (event->type() != TCommEvent::EventType())
        return;
    auto* e = static_cast<TCommEvent*>(event);
    // An event of an open that has since been closed is dropped (its buffer
    // freed with it): after ClosePort the window hears nothing more of it.
    if (!link_ || e->OpenSerial != link_->OpenSerial)
        return;
    switch (e->Code) {
    case CommReceiveData:
        if (OnReceiveData)
            OnReceiveData(this, e->Buffer.get(), e->Length);
        e->Buffer.reset();
        break;
    case CommReceiveError:
        if (OnReceiveError)
            OnReceiveError(this, e->Param);
        break;
    case CommRequestHangup:
        if (OnRequestHangup)
            OnRequestHangup(this);
        break;
    case CommModemStateChange:
        if (OnModemStateChange)
            OnModemStateChange(this, e->Param);
        break;
    case CommSendDataEmpty:
        if (OnSendDataEmpty)
            OnSendDataEmpty(this);
        break;
    default:
        break; // any other notification is ignored
    }
}

void TCommEr::ApplyLine()
{
    if (!link_)
        return;
    ApplyLineSettings(link_->Fd, FLine, nullptr); // as on open; a refusal leaves the old settings
    link_->IntervalMicros = ReadIntervalMicros();
}

void TCommEr::ApplyTimeouts()
{
    if (link_)
        link_->IntervalMicros = ReadIntervalMicros();
}

template <typename T>
void TCommEr::SetLine(T& field, T value)
{
    if (field == value)
        return;
    field = value;
    ApplyLine();
}

void TCommEr::SetBaudRate(std::uint32_t v) { SetLine(FLine.BaudRate, v); }
void TCommEr::SetParityCheck(bool v) { SetLine(FLine.ParityCheck, v); }
void TCommEr::SetOutx_CtsFlow(bool v) { SetLine(FLine.Outx_CtsFlow, v); }
void TCommEr::SetDtrControl(TDtrControl v) { SetLine(FLine.DtrControl, v); }
void TCommEr::SetOutx_XonXoffFlow(bool v) { SetLine(FLine.Outx_XonXoffFlow, v); }
void TCommEr::SetInx_XonXoffFlow(bool v) { SetLine(FLine.Inx_XonXoffFlow, v); }
void TCommEr::SetRtsControl(TRtsControl v) { SetLine(FLine.RtsControl, v); }
void TCommEr::SetByteSize(TByteSize v) { SetLine(FLine.ByteSize, v); }
void TCommEr::SetStopBits(TStopBits v) { SetLine(FLine.StopBits, v); }
void TCommEr::SetXonChar(char v) { SetLine(FLine.XonChar, v); }
void TCommEr::SetXoffChar(char v) { SetLine(FLine.XoffChar, v); }

void TCommEr::SetReadIntervalTimeout(std::uint32_t v)
{
    if (FReadIntervalTimeout == v)
        return;
    FReadIntervalTimeout = v;
    ApplyTimeouts();
}
