#pragma once
// The receive and transmit threads of the serial port component and what
// they share with it. Internal to the component.
//
// The threads touch nothing of the program: they read and write the
// descriptor and post TCommEvent notifications to the component, which the
// main thread's event loop delivers in posting order. Each event owns its
// buffer; an event that is never delivered (its receiver is gone) frees it
// with itself.
#include <QEvent>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

// Notification codes, as the component's events are numbered.
enum TCommCode : int {
    CommReceiveData = 1025,
    CommReceiveError = 1026,
    CommRequestHangup = 1027,
    CommModemStateChange = 1028,
    CommSendDataEmpty = 1029,
};

class TCommEvent : public QEvent {
public:
    TCommEvent(std::uint64_t openSerial, int code, std::uint32_t param,
               std::unique_ptr<std::uint8_t[]> buffer = {}, std::uint16_t length = 0);
    static QEvent::Type EventType();

    // Which open of the port posted the event: the component delivers only
    // the events of its current open, so nothing of an earlier open (still
    // queued when the port was closed) reaches a window that stopped.
    const std::uint64_t OpenSerial;
    const int Code;
    const std::uint32_t Param;
    std::unique_ptr<std::uint8_t[]> Buffer;   // n + 1 bytes, 0 after the last
    const std::uint16_t Length;
};

inline constexpr int ReadChunkSize = 2048;

// The names the port's threads carry (at most 15 characters).
inline constexpr const char* PortReceiveThreadName = "kavrel-port-rx";
inline constexpr const char* PortTransmitThreadName = "kavrel-port-tx";

// One open port: its descriptors and the flags both threads use. Shared by
// the component and its threads, so that the descriptors are closed only
// when the last of them lets go (never under a running thread).
struct TLinkContext {
    TLinkContext(std::uint64_t openSerial, int fd, int stopFd, int queueRead, int queueWrite, QObject* target);
    ~TLinkContext();   // frees queued transmit buffers, closes every descriptor
    TLinkContext(const TLinkContext&) = delete;
    TLinkContext& operator=(const TLinkContext&) = delete;

    const std::uint64_t OpenSerial;   // numbers the component's opens, from 1
    const int Fd;
    const int StopFd;       // eventfd: written once to stop both threads
    const int QueueRead;    // transmit queue: a pipe carrying request pointers
    const int QueueWrite;

    std::atomic<bool> Stopping{false};
    std::atomic<bool> SendDataEmpty{true};
    std::atomic<bool> WriterRunning{false};
    std::atomic<bool> HangupPosted{false};
    // Where a chunk ends: the gap after which the bytes read are handed over.
    std::atomic<std::uint32_t> IntervalMicros{3125};

    // Posts a notification unless the component has gone.
    void Post(int code, std::uint32_t param, std::unique_ptr<std::uint8_t[]> buffer = {},
              std::uint16_t length = 0);
    // One hang-up request per open port, whichever thread meets the failure.
    void PostHangup();
    // The component is being destroyed: no more posting.
    void Detach();
    // Signals the stop event.
    void SignalStop();

private:
    std::mutex targetLock_;
    QObject* target_;
};

// A request on the transmit queue: a copy of the bytes to write.
struct TWriteRequest {
    std::uint16_t Length;
    std::unique_ptr<std::uint8_t[]> Data;   // Length + 1 bytes, zero-filled
};

// Puts a request on the transmit queue; false (request freed) when it is full.
bool QueueWriteRequest(TLinkContext& link, std::unique_ptr<TWriteRequest> request);

void ReceiveThreadBody(const std::shared_ptr<TLinkContext>& link);
void TransmitThreadBody(const std::shared_ptr<TLinkContext>& link);

// A thread that can be waited for with a time limit. If it does not end in
// time it is left to end by itself (it keeps its context, and so the
// descriptors, alive until then).
class TLinkThread {
public:
    TLinkThread(void (*body)(const std::shared_ptr<TLinkContext>&), std::shared_ptr<TLinkContext> link);
    ~TLinkThread();
    bool Finish(std::chrono::milliseconds limit);

private:
    std::future<void> finished_;
    std::thread thread_;
};
