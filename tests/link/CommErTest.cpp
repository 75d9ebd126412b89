// The serial port component over pseudo-terminals: the test holds the
// master side and plays the instrument.
#include "PtyHelpers.h"
#include "SerialLine.h"
#include "TCommEr.h"

#include <ctime>
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <thread>
#include <time.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Received {
    std::vector<Bytes> chunks;
    Bytes All() const
    {
        Bytes all;
        for (const Bytes& c : chunks)
            all.insert(all.end(), c.begin(), c.end());
        return all;
    }
};

void Collect(TCommEr& port, Received& into)
{
    port.OnReceiveData = [&into](QObject*, void* buffer, std::uint16_t length) {
        const auto* b = static_cast<const std::uint8_t*>(buffer);
        EXPECT_EQ(b[length], 0) << "a zero follows the received bytes";
        into.chunks.emplace_back(b, b + length);
    };
}

std::string OpenError(TCommEr& port)
{
    try {
        port.OpenPort();
    } catch (const ECommsError& e) {
        return e.what();
    }
    return "(opened)";
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU time of the calling thread alone.
double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

class CommErTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GE(pty.master, 0);
        port.SetCommName(pty.slavePath);
        port.SetReadIntervalTimeout(1);
    }
    void TearDown() override { port.ClosePort(); }

    PtyPair pty;
    TCommEr port;
};

TEST(CommErProperties, DefaultsAreThoseOfTheComponent)
{
    TCommEr p;
    EXPECT_EQ(p.CommName(), "COM2");
    EXPECT_EQ(p.BaudRate(), 9600u);
    EXPECT_EQ(p.DtrControl(), TDtrControl::DtrDisable);
    EXPECT_EQ(p.RtsControl(), TRtsControl::RtsDisable);
    EXPECT_EQ(p.XonLimit(), 500);
    EXPECT_EQ(p.XoffLimit(), 500);
    EXPECT_EQ(p.ByteSize(), TByteSize::_8);
    EXPECT_EQ(p.Parity(), TParity::None);
    EXPECT_EQ(p.StopBits(), TStopBits::_1);
    EXPECT_EQ(p.XonChar(), 0x11);
    EXPECT_EQ(p.XoffChar(), 0x13);
    EXPECT_EQ(p.ReadIntervalTimeout(), 100u);
    EXPECT_EQ(p.PortHandle(), 0);
    EXPECT_TRUE(p.SendDataEmpty());
}

TEST(CommErProperties, ReadIntervalIsNeverShorterThanThreeCharacterTimes)
{
    TCommEr p;
    p.SetReadIntervalTimeout(1);
    EXPECT_EQ(p.ReadIntervalMicros(), 3125u); // 3 x 10 bits at 9600 baud
    p.SetReadIntervalTimeout(10);
    EXPECT_EQ(p.ReadIntervalMicros(), 10000u);
    p.SetReadIntervalTimeout(1);
    p.SetBaudRate(115200);
    EXPECT_EQ(p.ReadIntervalMicros(), 1000u);
    p.SetBaudRate(1200);
    p.SetParity(TParity::Even);
    p.SetStopBits(TStopBits::_2);
    EXPECT_EQ(p.ReadIntervalMicros(), 30000u); // 12 bits a character
}

TEST_F(CommErTest, EveryByteValuePassesUnchangedBothWays)
{
    Received got;
    Collect(port, got);
    port.OpenPort();
    Bytes all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<std::uint8_t>(i);
    ASSERT_TRUE(pty.Write(all));
    ASSERT_TRUE(WaitUntil([&] { return got.All().size() >= 256; }));
    EXPECT_EQ(got.All(), all);

    ASSERT_TRUE(port.WriteBytes(all.data(), 256));
    EXPECT_EQ(pty.Read(256), all);
}

TEST_F(CommErTest, ReplyPacedOneCharacterTimeApartArrivesAsOneChunk)
{
    Received got;
    Collect(port, got);
    port.OpenPort();
    // The far side writes each reply byte 1.04 ms after the previous one, as
    // a real line at 9600 baud delivers them. Replies whose own pacing
    // slipped past 2.5 ms (a busy machine) prove nothing and are not judged.
    const Bytes reply{0x3A, 0x01, 0x08, 0x00, 0x06};
    int judged = 0;
    for (int r = 0; r < 10; ++r) {
        got.chunks.clear();
        bool clean = true;
        timespec next{};
        clock_gettime(CLOCK_MONOTONIC, &next);
        timespec last = next;
        for (std::uint8_t b : reply) {
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            if (b != reply[0] && (now.tv_sec - last.tv_sec) * 1e6 + (now.tv_nsec - last.tv_nsec) / 1e3 > 2500)
                clean = false;
            last = now;
            ASSERT_TRUE(pty.Write({b}));
            next.tv_nsec += 1041667;
            if (next.tv_nsec >= 1000000000) {
                next.tv_nsec -= 1000000000;
                ++next.tv_sec;
            }
        }
        ASSERT_TRUE(WaitUntil([&] { return got.All().size() >= reply.size(); }));
        Pump(20);
        EXPECT_EQ(got.All(), reply);
        if (clean) {
            ++judged;
            EXPECT_EQ(got.chunks.size(), 1u) << "reply " << r << " was split";
        }
    }
    EXPECT_GT(judged, 0);
}

TEST_F(CommErTest, GapsLongerThanTheIntervalEndAChunk)
{
    Received got;
    Collect(port, got);
    port.SetReadIntervalTimeout(20);
    port.OpenPort();
    ASSERT_TRUE(pty.Write({1, 2, 3}));
    ASSERT_TRUE(WaitUntil([&] { return got.chunks.size() == 1; }));
    ASSERT_TRUE(pty.Write({4, 5}));
    ASSERT_TRUE(WaitUntil([&] { return got.chunks.size() == 2; }));
    EXPECT_EQ(got.chunks[0], (Bytes{1, 2, 3}));
    EXPECT_EQ(got.chunks[1], (Bytes{4, 5}));
}

TEST_F(CommErTest, BurstArrivesInChunksOfAtMost2048WithNothingLost)
{
    Received got;
    Collect(port, got);
    port.OpenPort();
    Bytes burst(5000);
    for (std::size_t i = 0; i < burst.size(); ++i)
        burst[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    std::thread writer([&] { pty.Write(burst); });
    ASSERT_TRUE(WaitUntil([&] { return got.All().size() >= burst.size(); }));
    writer.join();
    EXPECT_EQ(got.All(), burst);
    EXPECT_GE(got.chunks.size(), 3u);
    for (const Bytes& c : got.chunks)
        EXPECT_LE(c.size(), 2048u);
}

TEST_F(CommErTest, QueuedWritesGoOutInOrderAndDrainingIsReportedOnce)
{
    int drained = 0;
    port.OnSendDataEmpty = [&](QObject* sender) {
        EXPECT_EQ(sender, &port);
        ++drained;
    };
    port.OpenPort();
    // A block larger than the line's buffer holds the transmit thread until
    // the far side reads, so the three small writes queue up behind it.
    Bytes big(64 * 1024, 0x5A);
    ASSERT_TRUE(port.WriteBytes(big.data(), static_cast<std::uint16_t>(big.size() - 1)));
    big.pop_back();
    const Bytes a{'a', 'b', 'c'}, b{'d', 'e'}, c{'f'};
    EXPECT_TRUE(port.WriteBytes(a.data(), 3));
    EXPECT_TRUE(port.WriteBytes(b.data(), 2));
    EXPECT_TRUE(port.WriteBytes(c.data(), 1));
    EXPECT_FALSE(port.SendDataEmpty());
    Bytes expected = big;
    expected.insert(expected.end(), {'a', 'b', 'c', 'd', 'e', 'f'});
    EXPECT_EQ(pty.Read(expected.size(), 10000), expected);
    ASSERT_TRUE(WaitUntil([&] { return drained == 1; }));
    Pump(100);
    EXPECT_EQ(drained, 1);
    EXPECT_TRUE(port.SendDataEmpty());
}

TEST_F(CommErTest, WritesOfNothingOrOnAClosedPortAreRefused)
{
    int drained = 0;
    port.OnSendDataEmpty = [&](QObject*) { ++drained; };
    const std::uint8_t byte = 1;
    EXPECT_FALSE(port.WriteBytes(&byte, 1)); // closed
    port.OpenPort();
    EXPECT_FALSE(port.WriteBytes(&byte, 0));
    Pump(100);
    EXPECT_EQ(drained, 0);
    EXPECT_TRUE(port.SendDataEmpty());
}

TEST_F(CommErTest, ChunksWithoutAHandlerAreStillFreed)
{
    // Run under AddressSanitizer this fails on any chunk left unfreed.
    port.OpenPort();
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(pty.Write(Bytes(100, static_cast<std::uint8_t>(i))));
        Pump(10);
    }
    // Events arrive in posting order: once the marker is seen, every chunk
    // before it has been delivered and released.
    Received got;
    Pump(50);
    Collect(port, got);
    ASSERT_TRUE(pty.Write({0xEE}));
    ASSERT_TRUE(WaitUntil([&] { return !got.chunks.empty() && got.chunks.back().back() == 0xEE; }));
}

TEST_F(CommErTest, OpeningTwiceIsANoOpAndClosingTwiceIsHarmless)
{
    port.OpenPort();
    const int handle = port.PortHandle();
    EXPECT_NE(handle, 0);
    port.OpenPort();
    EXPECT_EQ(port.PortHandle(), handle);
    port.ClosePort();
    EXPECT_EQ(port.PortHandle(), 0);
    EXPECT_FALSE(port.IsOpen());
    port.ClosePort();
    port.OpenPort(); // the device is free again
    EXPECT_TRUE(port.IsOpen());
}

// A reply that was already handed to the main thread when the window closed
// its port must not reach the window: it would restart an exchange that the
// window had stopped. Nor may it surface after the port is opened again.
TEST_F(CommErTest, DataQueuedBeforeClosePortIsNeverDelivered)
{
    Received got;
    Collect(port, got);
    int hangups = 0;
    port.OnRequestHangup = [&hangups](QObject*) { ++hangups; };
    port.OpenPort();
    ASSERT_TRUE(pty.Write({0x3A, 0x01, 0x08, 0x00, 0x06}));
    // The receive thread posts the chunk after the read interval; the main
    // thread does not run its event loop meanwhile, so the event waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    port.ClosePort();
    Pump(50);
    EXPECT_TRUE(got.chunks.empty());

    port.OpenPort();
    Pump(50);
    EXPECT_TRUE(got.chunks.empty()) << "an event of the earlier open came through the new one";
    ASSERT_TRUE(pty.Write({1, 2}));
    ASSERT_TRUE(WaitUntil([&] { return !got.chunks.empty(); }));
    EXPECT_EQ(got.All(), (Bytes{1, 2}));
    EXPECT_EQ(hangups, 0);
}

TEST_F(CommErTest, SecondOpenOfTheSameDeviceFailsWhileTheFirstHoldsIt)
{
    port.OpenPort();
    TCommEr other;
    other.SetCommName(pty.slavePath);
    const std::string message = OpenError(other);
    EXPECT_EQ(message.substr(0, message.find('\n')), CommOpenErrorText);
    EXPECT_NE(message.find(pty.slavePath), std::string::npos);
    EXPECT_NE(message.find("занят"), std::string::npos);
    EXPECT_EQ(other.PortHandle(), 0);
    port.ClosePort();
    EXPECT_NO_THROW(other.OpenPort());
    other.ClosePort();
}

TEST(CommErOpen, NamesThatAreNoPortsFailWithTheirMessages)
{
    TCommEr p;
    p.SetCommName("Автоном.");
    std::string message = OpenError(p);
    EXPECT_EQ(message.substr(0, message.find('\n')), CommOpenErrorText);
    EXPECT_NE(message.find('\n'), std::string::npos);

    p.SetCommName("/nonexistent/ttyUSB7");
    message = OpenError(p);
    EXPECT_EQ(message.substr(0, message.find('\n')), CommOpenErrorText);
    EXPECT_NE(message.find("/nonexistent/ttyUSB7: "), std::string::npos);

    char file[] = "/tmp/kavrel-plainXXXXXX";
    const int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    close(fd);
    p.SetCommName(file);
    EXPECT_EQ(OpenError(p), CommNotCommHandleText);
    EXPECT_EQ(p.PortHandle(), 0);
    unlink(file);

    EXPECT_NE(OpenFailureReason("/dev/ttyUSB0", EACCES).find("dialout"), std::string::npos);
}

TEST(CommErOpen, ComNamesResolveThroughTheWorkingFolder)
{
    namespace fs = std::filesystem;
    PtyPair pty;
    const fs::path old = fs::current_path();
    char dir[] = "/tmp/kavrel-comXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    fs::current_path(dir);
    fs::create_symlink(pty.slavePath, "COM3");
    fs::create_symlink("/nonexistent/ttyUSB9", "COM4");

    TCommEr p;
    p.SetCommName("COM3");
    EXPECT_NO_THROW(p.OpenPort());
    EXPECT_TRUE(p.IsOpen());
    p.ClosePort();

    p.SetCommName("COM4");
    const std::string message = OpenError(p);
    EXPECT_EQ(message.substr(0, message.find('\n')), CommOpenErrorText);
    EXPECT_NE(message.find("COM4: "), std::string::npos);

    fs::current_path(old);
    fs::remove_all(dir);
}

TEST_F(CommErTest, FarSideHangingUpGivesOneHangupAndNoSpinning)
{
    int hangups = 0;
    port.OnRequestHangup = [&](QObject* sender) {
        EXPECT_EQ(sender, &port);
        ++hangups;
    };
    port.OpenPort();
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return hangups == 1; }));
    const std::uint8_t byte = 7;
    port.WriteBytes(&byte, 1); // meets the dead line too
    // Only the other threads count: the test's own event pumping is not the
    // component's, and is slow under a sanitizer.
    const double before = CpuSeconds() - ThreadCpuSeconds();
    Pump(500);
    const double used = CpuSeconds() - ThreadCpuSeconds() - before;
    EXPECT_EQ(hangups, 1);
    EXPECT_LT(used, 0.15) << "a thread keeps running after the hang-up";
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(CommErTest, ClosingWhileThreadsWaitReturnsPromptly)
{
    port.OpenPort();
    // The transmit thread waits for room on a line nobody reads.
    Bytes big(65535, 1);
    ASSERT_TRUE(port.WriteBytes(big.data(), static_cast<std::uint16_t>(big.size())));
    Pump(100);
    const auto start = std::chrono::steady_clock::now();
    port.ClosePort();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(3)); // far below the 10 s wait bound
    EXPECT_FALSE(port.IsOpen());
}

TEST(CommErLifetime, DestroyingAnOpenComponentStopsItsThreads)
{
    PtyPair pty;
    auto p = std::make_unique<TCommEr>();
    p->SetCommName(pty.slavePath);
    p->OpenPort();
    ASSERT_TRUE(pty.Write({1, 2, 3})); // events may still be queued for it
    Pump(20);
    p.reset();
    Pump(20);
    TCommEr again;
    again.SetCommName(pty.slavePath);
    EXPECT_NO_THROW(again.OpenPort()); // the lock went with it
}

} // namespace
