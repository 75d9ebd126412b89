#include "CommThreads.h"

#include <pthread.h>

#include "HandOver.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

// ---------------------------------------------------------------- events

TCommEvent::TCommEvent(std::uint64_t openSerial, int code, std::uint32_t param,
                       std::unique_ptr<std::uint8_t[]> buffer, std::uint16_t length)
    : QEvent(EventType()), OpenSerial(openSerial), Code(code), Param(param), Buffer(std::move(buffer)), Length(length)
{
}

QEvent::Type TCommEvent::EventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// --------------------------------------------------------------- context

TLinkContext::TLinkContext(std::uint64_t openSerial, int fd, int stopFd, int queueRead, int queueWrite,
                           QObject* target)
    : OpenSerial(openSerial), Fd(fd), StopFd(stopFd), QueueRead(queueRead), QueueWrite(queueWrite), target_(target)
{
    TCommEvent::EventType(); // registered here, on the main thread
}

TLinkContext::~TLinkContext()
{
    // Requests the transmit thread never took.
    TWriteRequest* request = nullptr;
    while (read(QueueRead, &request, sizeof request) == static_cast<ssize_t>(sizeof request))
        delete request;
    close(QueueRead);
    close(QueueWrite);
    close(StopFd);
    close(Fd);
}

void TLinkContext::Post(int code, std::uint32_t param, std::unique_ptr<std::uint8_t[]> buffer,
                        std::uint16_t length)
{
    std::lock_guard<std::mutex> lock(targetLock_);
    if (target_) {
        auto* event = new TCommEvent(OpenSerial, code, param, std::move(buffer), length);
        MarkHandOver(event);
        QCoreApplication::postEvent(target_, event);
    }
}

void TLinkContext::PostHangup()
{
    if (!HangupPosted.exchange(true))
        Post(CommRequestHangup, 0);
}

void TLinkContext::Detach()
{
    std::lock_guard<std::mutex> lock(targetLock_);
    target_ = nullptr;
}

void TLinkContext::SignalStop()
{
    Stopping = true;
    const std::uint64_t one = 1;
    // An eventfd only fails when its counter would overflow: already signalled.
    if (write(StopFd, &one, sizeof one) < 0)
        return;
}

bool QueueWriteRequest(TLinkContext& link, std::unique_ptr<TWriteRequest> request)
{
    TWriteRequest* raw = request.get();
    // A pointer is far below PIPE_BUF, so it goes in whole or not at all.
    if (write(link.QueueWrite, &raw, sizeof raw) != static_cast<ssize_t>(sizeof raw))
        return false;
    request.release(); // the transmit thread (or the context) frees it now
    return true;
}

// ---------------------------------------------------------------- receive

namespace {

enum class Outcome { Go, Stop, End };

timespec Micros(std::uint32_t us)
{
    return timespec{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
}

// Hands `n` bytes to the main thread as one chunk.
bool HandOver(TLinkContext& link, const std::uint8_t* bytes, std::size_t n)
{
    if (n == 0)
        return true;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[n + 1]);
    if (!buffer) {
        link.PostHangup();
        return false;
    }
    std::memcpy(buffer.get(), bytes, n);
    buffer[n] = 0;
    link.Post(CommReceiveData, static_cast<std::uint32_t>(n), std::move(buffer),
              static_cast<std::uint16_t>(n));
    return true;
}

// Reads one chunk: after the first byte, keeps reading while the next byte
// comes within the interval, up to 2048 bytes, then hands it over.
Outcome ReadChunk(TLinkContext& link)
{
    std::uint8_t chunk[ReadChunkSize];
    std::size_t have = 0;
    for (;;) {
        const ssize_t n = read(link.Fd, chunk + have, sizeof chunk - have);
        if (n > 0) {
            have += static_cast<std::size_t>(n);
            if (have == sizeof chunk)
                return HandOver(link, chunk, have) ? Outcome::Go : Outcome::End;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN) {
            // 0 bytes with VMIN 1, EIO and the like: the device is gone.
            HandOver(link, chunk, have);
            link.PostHangup();
            return Outcome::End;
        }
        if (have == 0)
            return Outcome::Go; // woken for nothing: back to the idle wait
        pollfd fds[2] = {{link.Fd, POLLIN, 0}, {link.StopFd, POLLIN, 0}};
        const timespec gap = Micros(link.IntervalMicros.load());
        int r;
        do
            r = ppoll(fds, 2, &gap, nullptr);
        while (r < 0 && errno == EINTR);
        if (r < 0) {
            HandOver(link, chunk, have);
            link.PostHangup();
            return Outcome::End;
        }
        if (r == 0)
            return HandOver(link, chunk, have) ? Outcome::Go : Outcome::End;
        if (fds[1].revents)
            return HandOver(link, chunk, have) ? Outcome::Stop : Outcome::End;
        // More bytes, or a hang-up that the next read reports.
    }
}

// Line errors and modem lines, polled on idle ticks where the driver has them.
class LineWatch {
public:
    explicit LineWatch(int fd) : fd_(fd)
    {
        haveCounts_ = ioctl(fd_, TIOCGICOUNT, &counts_) == 0;
        haveModem_ = ioctl(fd_, TIOCMGET, &modem_) == 0;
    }
    bool Active() const { return haveCounts_ || haveModem_; }

    void Check(TLinkContext& link)
    {
        std::uint32_t errors = 0;
        std::uint32_t modem = 0;
        if (haveCounts_) {
            serial_icounter_struct now{};
            if (ioctl(fd_, TIOCGICOUNT, &now) == 0) {
                if (now.buf_overrun != counts_.buf_overrun) errors |= 0x0001; // CE_RXOVER
                if (now.overrun != counts_.overrun) errors |= 0x0002;         // CE_OVERRUN
                if (now.parity != counts_.parity) errors |= 0x0004;           // CE_RXPARITY
                if (now.frame != counts_.frame) errors |= 0x0008;             // CE_FRAME
                if (now.brk != counts_.brk) errors |= 0x0010;                 // CE_BREAK
                if (now.dcd != counts_.dcd) modem |= 8;
                if (now.rng != counts_.rng) modem |= 4;
                counts_ = now;
            } else
                haveCounts_ = false;
        }
        if (haveModem_) {
            int now = 0;
            if (ioctl(fd_, TIOCMGET, &now) == 0) {
                if ((now ^ modem_) & TIOCM_CD) modem |= 8;
                if ((now ^ modem_) & TIOCM_RI) modem |= 4;
                modem_ = now;
            } else
                haveModem_ = false;
        }
        if (errors)
            link.Post(CommReceiveError, errors);
        if (modem)
            link.Post(CommModemStateChange, modem);
    }

private:
    int fd_;
    bool haveCounts_ = false;
    bool haveModem_ = false;
    serial_icounter_struct counts_{};
    int modem_ = 0;
};

constexpr std::uint32_t kIdleTickMicros = 100000;

} // namespace

void ReceiveThreadBody(const std::shared_ptr<TLinkContext>& link)
{
    pthread_setname_np(pthread_self(), PortReceiveThreadName); // seen in debuggers and by the tests
    // The end of a chunk is found by a timed wait of a few milliseconds;
    // the default 50 us of timer slack would add to every reply's delay.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    LineWatch watch(link->Fd);
    pollfd fds[2] = {{link->Fd, POLLIN, 0}, {link->StopFd, POLLIN, 0}};
    const timespec tick = Micros(kIdleTickMicros);
    while (!link->Stopping) {
        fds[0].revents = fds[1].revents = 0;
        const int r = ppoll(fds, 2, watch.Active() ? &tick : nullptr, nullptr);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            link->PostHangup();
            break;
        }
        if (fds[1].revents)
            break;
        if (r == 0) {
            watch.Check(*link);
            continue;
        }
        if (fds[0].revents & POLLNVAL) {
            link->PostHangup();
            break;
        }
        const Outcome o = ReadChunk(*link);
        if (o != Outcome::Go)
            break;
        if ((fds[0].revents & (POLLHUP | POLLERR)) && !(fds[0].revents & POLLIN)) {
            // Hang-up with nothing to read: ReadChunk saw EAGAIN (a line
            // that hangs up without failing reads would spin otherwise).
            link->PostHangup();
            break;
        }
    }
    tcflush(link->Fd, TCIFLUSH);
}

// --------------------------------------------------------------- transmit

namespace {

// Writes all bytes; waits for room without blocking the stop signal.
Outcome WriteAll(TLinkContext& link, const std::uint8_t* data, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = write(link.Fd, data + done, length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd fds[2] = {{link.Fd, POLLOUT, 0}, {link.StopFd, POLLIN, 0}};
            int r;
            do
                r = poll(fds, 2, -1);
            while (r < 0 && errno == EINTR);
            if (r < 0) {
                link.PostHangup();
                return Outcome::End;
            }
            if (fds[1].revents)
                return Outcome::Stop;
            if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fds[0].revents & POLLOUT)) {
                link.PostHangup();
                return Outcome::End;
            }
            continue;
        }
        link.PostHangup();
        return Outcome::End;
    }
    return Outcome::Go;
}

} // namespace

void TransmitThreadBody(const std::shared_ptr<TLinkContext>& link)
{
    pthread_setname_np(pthread_self(), PortTransmitThreadName);
    bool wrote = false; // a write completed since the queue last drained
    while (!link->Stopping) {
        TWriteRequest* raw = nullptr;
        const ssize_t got = read(link->QueueRead, &raw, sizeof raw);
        if (got != static_cast<ssize_t>(sizeof raw)) {
            if (got < 0 && errno == EINTR)
                continue;
            link->SendDataEmpty = true;
            if (wrote)
                link->Post(CommSendDataEmpty, 0);
            wrote = false;
            pollfd fds[2] = {{link->StopFd, POLLIN, 0}, {link->QueueRead, POLLIN, 0}};
            int r;
            do
                r = poll(fds, 2, -1);
            while (r < 0 && errno == EINTR);
            if (r < 0) {
                link->PostHangup();
                break;
            }
            if (fds[0].revents)
                break;
            continue;
        }
        std::unique_ptr<TWriteRequest> request(raw);
        if (link->Stopping)
            break;
        if (WriteAll(*link, request->Data.get(), request->Length) != Outcome::Go)
            break;
        wrote = true;
    }
    link->WriterRunning = false;
    link->SendDataEmpty = true;
}

// ----------------------------------------------------------------- thread

TLinkThread::TLinkThread(void (*body)(const std::shared_ptr<TLinkContext>&),
                         std::shared_ptr<TLinkContext> link)
{
    std::promise<void> done;
    finished_ = done.get_future();
    thread_ = std::thread([body, link = std::move(link), done = std::move(done)]() mutable {
        body(link);
        link.reset(); // let go of the descriptors before saying so
        done.set_value();
    });
}

TLinkThread::~TLinkThread()
{
    if (thread_.joinable())
        Finish(std::chrono::seconds(10));
}

bool TLinkThread::Finish(std::chrono::milliseconds limit)
{
    if (!thread_.joinable())
        return true;
    if (finished_.wait_for(limit) == std::future_status::ready) {
        thread_.join();
        return true;
    }
    thread_.detach(); // it still holds its context and ends by itself
    return false;
}
