// The simulator on a real pseudo-terminal: the serial port component and
// the exchange engine talk to it as the program does.
#include "ExchangeRig.h"
#include "PtyHelpers.h"
#include "Registers.h"
#include "SimChild.h"
#include "Simulator.h"
#include "TCommEr.h"
#include "TExchangeEngine.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <sys/wait.h>

namespace {

// A window's worth of exchange: a port, the engine and a ticking timer.
TEST(Simulator, AnswersReadsAndWritesThroughThePort)
{
    TSimulator sim;
    sim.Start();
    Exchange x(sim.DevicePath(), SensorBasePolicy);
    x.engine.StartList(ReadItems(Bank2, {27, 31, 64, 65, 66, 67}), 4);
    ASSERT_TRUE(WaitUntil([&] { return x.listEnds == 1; }));
    EXPECT_EQ(Bank2Image[27], 1207);
    EXPECT_EQ(Bank2Image[31], 512);
    EXPECT_EQ(Data_Sen[31], 512);
    EXPECT_EQ(ReadCount, 6);

    std::vector<TCommandItem> items{WriteItem(Bank2, 27, 1000), WriteItem(Bank2, 0, 3950), ReadItem(Bank2, 27),
                                    ReadItem(Bank2, 0)};
    x.engine.StartList(items, 4);
    ASSERT_TRUE(WaitUntil([&] { return x.listEnds == 2; }));
    EXPECT_EQ(ReadValues[0], 1000);
    EXPECT_EQ(ReadValues[1], 3950);
    EXPECT_EQ(sim.WithInstrument([](TInstrument& i) { return i.Bank2Words[0]; }), 3950);
    EXPECT_EQ(sim.FramesReceived(), 10u);
}

TEST(Simulator, AWholeTestCycleAsTheOnlineWindowPollsIt)
{
    TSimOptions o;
    o.Instrument.TimeScale = 0.1; // a test takes under a second
    o.Instrument.Alcohol = 52;
    TSimulator sim(o);
    sim.Start();
    Exchange x(sim.DevicePath(), OnlineTestPolicy);
    x.engine.Policy.TimerPeriodMs = 50;
    std::vector<int> modes;
    bool switched = false;
    x.engine.Hooks.ModeStep = [&] {
        if (modes.empty() || modes.back() != InstrumentMode)
            modes.push_back(InstrumentMode);
        if (!switched) {
            switched = true;
            x.engine.SendModeSwitch(true);
        }
    };
    const auto poll = ReadItems(Bank1, {0, 1, 2, 3, 4, 5, 6, 7, 8});
    x.engine.Hooks.ListEnd = [&] { x.engine.StartList(poll, 7); };
    x.engine.StartList(poll, 7);
    ASSERT_TRUE(WaitUntil([&] { return !modes.empty() && modes.back() == ModeTestCompleted; }, 15000));
    EXPECT_EQ(modes.front(), 0);
    EXPECT_GE(modes.size(), 4u); // idle, then several of modes 1..5, then 6
    EXPECT_EQ(V6, 5);
    EXPECT_EQ(V7, 52);
    EXPECT_EQ(V5, TInstrument::AirFromBlood(52));
    x.engine.Stop();

    // The result is the newest stored one.
    TSimulator* s = &sim;
    EXPECT_EQ(s->WithInstrument([](TInstrument& i) { return i.Bank2Words[66]; }), 52);
    EXPECT_EQ(s->WithInstrument([](TInstrument& i) { return i.TestsCompleted(); }), 1);
}

TEST(Simulator, SplitRepliesAndStrayBytesAreSurvivedByTheEngine)
{
    TSimOptions o;
    o.SplitReplies = true;
    o.SplitGapMs = 15;      // longer than the read interval: two chunks each
    o.StrayEvery = 3;       // every third reply is followed by a stray byte
    TSimulator sim(o);
    sim.Start();
    Exchange x(sim.DevicePath(), SensorBasePolicy);
    x.engine.StartList(ReadItems(Bank1, {0, 9, 10, 11, 12, 8, 0, 9}), 4);
    ASSERT_TRUE(WaitUntil([&] { return x.listEnds == 1; }, 15000));
    EXPECT_EQ(Channel2Voltage, TInstrument::BlowChannelIdle);
    EXPECT_GT(V0, 3900);
    EXPECT_GE(sim.FramesReceived(), 8u); // stray bytes cost resends, never a wrong value
}

TEST(Simulator, SilenceMakesTheExchangeGiveUp)
{
    TSimOptions o;
    o.SilentAfter = 2;
    TSimulator sim(o);
    sim.Start();
    Exchange x(sim.DevicePath(), SensorBasePolicy);
    // Ticks well apart from the replies, so that a loaded machine cannot
    // make a tick resend a frame whose reply is still on its way.
    x.engine.Policy.TimerPeriodMs = 50;
    x.engine.StartList(ReadItems(Bank1, {0, 1, 2, 3}), 4);
    ASSERT_TRUE(WaitUntil([&] { return !x.port.IsOpen(); }, 20000));
    EXPECT_EQ(ReadCount, 2);
    EXPECT_EQ(sim.RepliesSent(), 2u);
    // The third frame and its 50 resends; the last may still be in the line.
    WaitUntil([&] { return sim.FramesReceived() >= 53u; }, 2000);
    EXPECT_EQ(sim.FramesReceived(), 2u + 1u + 50u);
}

TEST(Simulator, PacedRepliesStillArriveAsOneChunk)
{
    TSimOptions o;
    o.Pace = true;
    TSimulator sim(o);
    sim.Start();
    TCommEr port;
    port.SetCommName(sim.DevicePath());
    port.SetReadIntervalTimeout(1);
    std::vector<int> sizes;
    port.OnReceiveData = [&](QObject*, void*, std::uint16_t n) { sizes.push_back(n); };
    port.OpenPort();
    const auto frame = ReadItem(Bank1, 0);
    port.WriteBytes(frame.data(), 4);
    ASSERT_TRUE(WaitUntil([&] { return !sizes.empty() && std::accumulate(sizes.begin(), sizes.end(), 0) >= 5; }));
    EXPECT_EQ(std::accumulate(sizes.begin(), sizes.end(), 0), 5);
    port.ClosePort();
}

TEST(SimulatorProgram, RunsAsAChildWithALinkAndRemovesItOnTermination)
{
    TempDir dir;
    {
        TSimChild child({"--link", "COM3", "--instrument", "4242"});
        EXPECT_EQ(child.DevicePath().rfind("/dev/pts/", 0), 0u);
        EXPECT_TRUE(std::filesystem::is_symlink("COM3"));
        Exchange x("COM3", SensorBasePolicy);
        x.engine.StartList(ReadItems(Bank2, {27}), 4);
        ASSERT_TRUE(WaitUntil([&] { return x.listEnds == 1; }));
        EXPECT_EQ(Bank2Image[27], 4242);
        x.port.ClosePort();
        const int status = child.Terminate();
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status("COM3")));
}

} // namespace
