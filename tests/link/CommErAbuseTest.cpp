// The serial port component under abuse: a far side that sends junk of up
// to 3000 bytes at once, sends it twice, falls silent, stops reading and
// finally hangs up, while the window side opens and closes the port again
// and again and writes frames and long blocks. What must hold:
//  - every chunk handed over has 1 to 2048 bytes, followed by a zero;
//  - within one open the bytes handed over are a run of what the far side
//    sent, in order, nothing lost or doubled in between;
//  - nothing is handed over after ClosePort;
//  - ClosePort returns within one read interval plus a margin, whatever the
//    threads were doing;
//  - no thread of the component outlives ClosePort or the component.
#include "PtyHelpers.h"
#include "CommThreads.h"
#include "TCommEr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <thread>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// Generous: a loaded machine or a sanitizer slows the threads' wake-up, but
// a thread that sits out its 10 s stop limit, or a chunk gathered to its
// end, is far beyond it.
constexpr auto kCloseMargin = std::chrono::milliseconds(500);

// The port's threads alive now, by their names: other threads (the
// toolkit's, the sanitizers') may come and go meanwhile.
int ThreadCount()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            std::ifstream comm(std::string("/proc/self/task/") + e->d_name + "/comm");
            std::string name;
            std::getline(comm, name);
            if (name == PortReceiveThreadName || name == PortTransmitThreadName)
                ++n;
        }
        closedir(d);
    }
    return n;
}

// The far side of the line, on its own thread.
class AbusivePeer {
public:
    AbusivePeer(int master, unsigned seed) : master_(master), random_(seed)
    {
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        thread_ = std::thread([this] { Run(); });
    }
    ~AbusivePeer() { Stop(); }

    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    bool HungUp() const { return hungUp_; }
    // Everything written to the line so far, in order.
    Bytes Sent()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return sent_;
    }

private:
    void Run()
    {
        const auto hangUpAt = Clock::now() + std::chrono::milliseconds(1200);
        Bytes last;
        bool reading = true;
        while (!stop_ && Clock::now() < hangUpAt) {
            switch (Pick(0, 5)) {
            case 0:
            case 1: { // junk, up to 3000 bytes in one write
                last.resize(static_cast<std::size_t>(Pick(1, 3000)));
                for (std::uint8_t& b : last)
                    b = static_cast<std::uint8_t>(Pick(0, 255));
                Write(last);
                break;
            }
            case 2: // the same again
                Write(last);
                break;
            case 3: // a reply-sized piece
                Write({0x3A, 0x01, 0x08, static_cast<std::uint8_t>(Pick(0, 255)), 0x06});
                break;
            case 4: // silence
                Quiet(Pick(5, 150), reading);
                break;
            default: // start or stop reading what the component writes
                reading = !reading;
                break;
            }
            if (reading)
                Drain();
        }
        // Hang up: the device goes away under the component.
        hungUp_ = true;
        ::close(master_);
    }

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }

    void Write(const Bytes& bytes)
    {
        std::size_t done = 0;
        const auto giveUp = Clock::now() + std::chrono::milliseconds(200);
        while (done < bytes.size() && !stop_ && Clock::now() < giveUp) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                std::lock_guard<std::mutex> hold(lock_);
                sent_.insert(sent_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(done),
                             bytes.begin() + static_cast<std::ptrdiff_t>(done) + n);
                done += static_cast<std::size_t>(n);
                continue;
            }
            // Full (nobody reads the other side) or no side open: wait a little.
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 5);
            Drain();
        }
    }

    void Drain()
    {
        std::uint8_t buf[4096];
        while (::read(master_, buf, sizeof buf) > 0) {
        }
    }

    void Quiet(int ms, bool reading)
    {
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (!stop_ && Clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (reading)
                Drain();
        }
    }

    int master_;
    std::mt19937 random_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hungUp_{false};
    std::mutex lock_;
    Bytes sent_;
};

bool IsRunOf(const Bytes& part, const Bytes& whole)
{
    if (part.empty())
        return true;
    return std::search(whole.begin(), whole.end(), std::boyer_moore_horspool_searcher(part.begin(), part.end()))
           != whole.end();
}

struct RoundResult {
    int opens = 0;
    int chunks = 0;
    std::size_t bytes = 0;
    Clock::duration longestClose{};
};

// One far side, from its first byte to its hang-up, against a component
// opened and closed over and over.
RoundResult AbuseRound(unsigned seed, std::uint32_t readIntervalMs, bool leaveOpen)
{
    RoundResult result;
    const int threadsBefore = ThreadCount();
    PtyPair pty;
    EXPECT_GE(pty.master, 0);
    const std::string device = pty.slavePath;
    std::mt19937 random(seed * 7919u);
    const auto pick = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };

    AbusivePeer peer(pty.master, seed);
    pty.master = -1; // the peer closes it when it hangs up
    const auto roundStart = Clock::now();
    {
        TCommEr port;
        port.SetCommName(device);
        port.SetReadIntervalTimeout(readIntervalMs);
        const auto interval = std::chrono::microseconds(port.ReadIntervalMicros());

        std::vector<Bytes> perOpen;    // what each open handed over, joined
        int current = -1;              // index of the open in progress; -1 closed
        bool afterClose = false;
        port.OnReceiveData = [&](QObject*, void* buffer, std::uint16_t length) {
            const auto* b = static_cast<const std::uint8_t*>(buffer);
            EXPECT_GE(length, 1);
            EXPECT_LE(length, 2048);
            EXPECT_EQ(b[length], 0);
            if (current < 0) {
                afterClose = true;
                return;
            }
            perOpen[static_cast<std::size_t>(current)].insert(perOpen[static_cast<std::size_t>(current)].end(), b,
                                                             b + length);
            ++result.chunks;
            result.bytes += length;
        };
        port.OnRequestHangup = [](QObject*) {};

        // No open after the hang-up: the device's number may by then belong
        // to another program's terminal.
        for (int cycle = 0; cycle < 500 && !peer.HungUp(); ++cycle) {
            const int threadsClosed = ThreadCount();
            try {
                port.OpenPort();
            } catch (const ECommsError& e) {
                // Only a far side that hung up may keep the port from opening.
                EXPECT_TRUE(peer.HungUp()) << e.what();
                break;
            }
            ++result.opens;
            perOpen.emplace_back();
            current = static_cast<int>(perOpen.size()) - 1;

            for (int k = pick(0, 6); k > 0; --k) {
                if (pick(0, 4) == 0) {
                    Bytes block(static_cast<std::size_t>(pick(1000, 20000)), 0x55);
                    port.WriteBytes(block.data(), static_cast<std::uint16_t>(block.size()));
                } else {
                    const std::uint8_t frame[] = {0x3A, 0x01, static_cast<std::uint8_t>(k), 0x80};
                    port.WriteBytes(frame, sizeof frame);
                }
                Pump(pick(0, 40));
            }

            // Left open near the hang-up: the line dies under the open
            // port, and the component is destroyed open.
            if (leaveOpen && Clock::now() - roundStart > std::chrono::milliseconds(1000))
                break;

            const auto start = Clock::now();
            port.ClosePort();
            const auto took = Clock::now() - start;
            result.longestClose = std::max(result.longestClose, took);
            EXPECT_LT(took, interval + kCloseMargin) << "open " << cycle;
            current = -1;
            // The peer's thread may have ended meanwhile; the port's must have.
            EXPECT_LE(ThreadCount(), threadsClosed) << "a thread outlived ClosePort";
            Pump(pick(0, 30));
            EXPECT_FALSE(afterClose) << "data was handed over after ClosePort";
        }
        if (port.IsOpen())
            Pump(300); // past the hang-up, events and all
        peer.Stop();
        const Bytes sent = peer.Sent();
        for (std::size_t i = 0; i < perOpen.size(); ++i)
            EXPECT_TRUE(IsRunOf(perOpen[i], sent))
                << "open " << i << ": " << perOpen[i].size() << " bytes are not a run of what was sent";
    }
    EXPECT_EQ(ThreadCount(), threadsBefore) << "a thread outlived the component";
    return result;
}

TEST(CommErAbuse, JunkDuplicatesSilenceAndHangUpsWhileOpeningAndClosing)
{
    // ThreadSanitizer starts a thread of its own with the first thread of
    // the process: it is there before the first count.
    std::thread([] {}).join();
    RoundResult total;
    int round = 0;
    for (std::uint32_t interval : {1u, 10u, 100u, 1u, 10u, 100u}) {
        const RoundResult r = AbuseRound(static_cast<unsigned>(1000 + round), interval, round % 2 == 1);
        ++round;
        total.opens += r.opens;
        total.chunks += r.chunks;
        total.bytes += r.bytes;
        total.longestClose = std::max(total.longestClose, r.longestClose);
    }
    // The abuse did happen: opens, and data through them.
    EXPECT_GE(total.opens, 12);
    EXPECT_GT(total.chunks, 0);
    std::printf("%d opens, %d chunks, %zu bytes, longest close %.1f ms\n", total.opens, total.chunks, total.bytes,
                std::chrono::duration<double, std::milli>(total.longestClose).count());
}

} // namespace
