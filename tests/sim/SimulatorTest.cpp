// The simulator on a real pseudo-terminal: the serial port component and
// the exchange engine talk to it as the program does.
#include "ExchangeRig.h"
#include "PtyHelpers.h"
#include "Registers.h"
#include "SimChild.h"
#include "Simulator.h"
#include "SimLog.h"
#include "StateFile.h"
#include "TCommEr.h"
#include "TExchangeEngine.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <set>
#include <sys/wait.h>
#include <thread>

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
    o.Instrument.Adjusted = true; // sensor and path in adjustment: the gas is what it reports
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
    EXPECT_EQ(V5, 234);
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
    EXPECT_NEAR(V0, 3794, 5); // a fresh bench's clean air (3850 mV) as its uncalibrated path measures it
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

TEST(Simulator, BankTwoSurvivesARestartThroughItsStateFile)
{
    TempDir dir;
    TSimOptions o;
    o.StateFile = "bank.txt";
    {
        TSimulator sim(o);
        sim.Start();
        EXPECT_TRUE(std::filesystem::exists("bank.txt")); // made at once
        Exchange x(sim.DevicePath(), SensorBasePolicy);
        x.engine.StartList(std::vector<TCommandItem>{WriteItem(Bank2, 27, 4242), WriteItem(Bank2, 0, 3950),
                                                     WriteItem(Bank2, 28, 0)},
                           4);
        ASSERT_TRUE(WaitUntil([&] { return x.listEnds == 1; }));
    }
    o.Instrument.InstrumentNumber = 1; // a fresh bank's number, not used: the file wins
    TSimulator sim(o);
    sim.Start();
    Exchange x(sim.DevicePath(), SensorBasePolicy);
    x.engine.StartList(ReadItems(Bank2, {27, 0, 28, 31}), 4);
    ASSERT_TRUE(WaitUntil([&] { return x.listEnds == 1; }));
    EXPECT_EQ(Bank2Image[27], 4242);
    EXPECT_EQ(Bank2Image[0], 3950);
    EXPECT_EQ(Bank2Image[28], 0);
    EXPECT_EQ(Bank2Image[31], 512);

    // A damaged file is refused and left as it is.
    sim.Stop();
    std::ofstream("bank.txt") << "kavrel-sim bank 2\n0 1\n";
    TSimulator refused(o);
    EXPECT_THROW(refused.Start(), ESimStateError);
    std::string text;
    std::getline(std::ifstream("bank.txt"), text, '\0');
    EXPECT_EQ(text, "kavrel-sim bank 2\n0 1\n");
}

// Writes word 27 = 1, 2, 3, ... over the line, each answered before the
// next, until the simulator goes away; `acked` is the last one answered.
void WriteUntilGone(const std::string& device, std::atomic<int>& acked)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    for (int k = acked + 1;; ++k) {
        const TCommandItem item = WriteItem(Bank2, 27, k);
        if (::write(fd, item.data(), WriteFrameLength) != WriteFrameLength)
            break;
        std::size_t got = 0;
        std::uint8_t reply[ReplyLength];
        while (got < ReplyLength) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0)
                break;
            const ssize_t n = ::read(fd, reply + got, ReplyLength - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        if (got < ReplyLength)
            break;
        acked = k;
    }
    ::close(fd);
}

TEST(SimulatorProgram, AKillDuringWritesLeavesTheOldOrTheNewBankNeverATornOne)
{
    TempDir dir;
    std::mt19937 random(12345);
    std::atomic<int> acked{0};
    TBank2 first{};
    for (int round = 0; round < 12; ++round) {
        // A torn file would be refused here: the program would not start.
        TSimChild child({"--state", "bank.txt"});
        TBank2 words{};
        std::string error;
        ASSERT_EQ(LoadBank2("bank.txt", words, error), TStateLoad::Loaded) << error;
        if (round == 0)
            first = words;
        const int before = acked;
        std::thread writer([&] { WriteUntilGone(child.DevicePath(), acked); });
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 60));
        ::kill(child.Pid(), SIGKILL);
        writer.join();
        child.Terminate();

        ASSERT_EQ(LoadBank2("bank.txt", words, error), TStateLoad::Loaded) << "round " << round << ": " << error;
        EXPECT_GT(acked, before) << "no write got through in round " << round;
        // The last answered write is in, or the one after it that was
        // being saved; everything else is as it was.
        EXPECT_TRUE(words[27] == acked || words[27] == acked + 1) << words[27] << " after " << acked;
        for (std::size_t a = 0; a < words.size(); ++a) {
            if (a != 27 && a != TInstrument::OperatingTimeWord) {
                EXPECT_EQ(words[a], first[a]) << "word " << a;
            }
        }
        acked = words[27];
    }
}

TEST(SimulatorProgram, ALinkPathTakenBySomethingElseIsLeftAloneAndTheProgramSaysSo)
{
    TempDir dir;
    std::ofstream("adapter") << "a real adapter's device";
    std::filesystem::create_symlink("adapter", "COM3");
    std::ofstream("COM4") << "a file";
    const std::string sim = DefaultSimProgram();
    for (const char* path : {"COM3", "COM4"}) {
        const int status = std::system((sim + " --link " + path + " > out.txt 2> err.txt < /dev/null").c_str());
        EXPECT_EQ(WEXITSTATUS(status), 3) << path;
        std::string err;
        std::getline(std::ifstream("err.txt"), err);
        EXPECT_NE(err.find(std::string("kavrel-sim: ") + path), std::string::npos) << err;
        EXPECT_NE(err.find("left alone"), std::string::npos) << err;
        EXPECT_EQ(std::filesystem::file_size("out.txt"), 0u); // no device announced
    }
    EXPECT_EQ(std::filesystem::read_symlink("COM3"), "adapter");
    EXPECT_TRUE(std::filesystem::is_regular_file("COM4"));
    std::string kept;
    std::getline(std::ifstream("adapter"), kept);
    EXPECT_EQ(kept, "a real adapter's device");

    // A dangling link (left by a killed run) is taken over and removed at exit.
    std::filesystem::create_symlink("/dev/pts/no-such", "COM5");
    {
        TSimChild child({"--link", "COM5"});
        EXPECT_EQ(std::filesystem::read_symlink("COM5"), child.DevicePath());
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status("COM5")));

    // In-process: a simulator's own link may be made again, and another
    // simulator of the process may take it over; the user's may not be.
    TSimulator first;
    first.Start();
    first.MakeLink("COM6");
    first.MakeLink("COM6");
    EXPECT_THROW(first.MakeLink("COM3"), ESimLinkRefused);
    TSimulator second;
    second.Start();
    second.MakeLink("COM6");
    first.Stop(); // no longer its link: left
    EXPECT_EQ(std::filesystem::read_symlink("COM6"), second.DevicePath());
    std::filesystem::remove("COM6");
    std::filesystem::create_symlink("adapter", "COM6"); // replaced by the user meanwhile
    second.Stop();
    EXPECT_EQ(std::filesystem::read_symlink("COM6"), "adapter");
}

TEST(Simulator, HangingUpIsSeenByThePortAndPluggingInMovesTheLink)
{
    TempDir dir;
    TSimulator sim;
    sim.Start();
    sim.MakeLink("COM3");
    {
        Exchange x("COM3", SensorBasePolicy);
        int hangups = 0;
        x.port.OnRequestHangup = [&](QObject*) { ++hangups; };
        x.engine.StartList(ReadItems(Bank2, {27}), 4);
        ASSERT_TRUE(WaitUntil([&] { return x.listEnds == 1; }));
        EXPECT_TRUE(sim.HangUp());
        EXPECT_FALSE(sim.HangUp());
        EXPECT_FALSE(sim.Connected());
        ASSERT_TRUE(WaitUntil([&] { return hangups > 0; }));
        EXPECT_FALSE(std::filesystem::exists("COM3")); // the device is gone, the link dangles
    }
    EXPECT_TRUE(sim.Plug());
    EXPECT_FALSE(sim.Plug());
    EXPECT_EQ(std::filesystem::read_symlink("COM3"), sim.DevicePath());
    Exchange again("COM3", SensorBasePolicy);
    again.engine.StartList(ReadItems(Bank2, {31}), 4);
    ASSERT_TRUE(WaitUntil([&] { return again.listEnds == 1; }));
    EXPECT_EQ(Bank2Image[31], 512);
}

// The far end of the line as a bare file descriptor: frames out, bytes in.
struct RawLine {
    int fd = -1;
    explicit RawLine(const std::string& device)
    {
        fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    ~RawLine() { ::close(fd); }
    void Send(const TCommandItem& item, int length) { ASSERT_EQ(::write(fd, item.data(), length), length); }
    // Exactly `count` bytes (10 s at most), in as many reads as they came.
    std::vector<std::uint8_t> Take(std::size_t count)
    {
        std::vector<std::uint8_t> out;
        while (out.size() < count) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10000) <= 0)
                break;
            std::uint8_t buf[64];
            const ssize_t n = ::read(fd, buf, std::min(sizeof buf, count - out.size()));
            if (n <= 0)
                break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    std::vector<std::uint8_t> Ask(const TCommandItem& item, int length, std::size_t replyBytes = ReplyLength)
    {
        Send(item, length);
        return Take(replyBytes);
    }
};

std::vector<std::uint8_t> Reply(std::uint8_t letter, std::uint8_t bank, std::uint8_t address, int value)
{
    const auto r = MakeReply(letter, bank, address, value);
    return {r.begin(), r.end()};
}

std::vector<std::uint8_t> Twice(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(Simulator, AWeakWordEchoesTheWriteButTheReadBackShowsWhatItKept)
{
    TSimulator sim;
    sim.Start();
    sim.SetWeakWord(13, std::nullopt); // keeps 140
    sim.SetWeakWord(25, 4990);
    RawLine line(sim.DevicePath());
    EXPECT_EQ(line.Ask(WriteItem(Bank2, 13, 114), WriteFrameLength), Reply(LetterWrite, Bank2, 13, 114));
    EXPECT_EQ(line.Ask(WriteItem(Bank2, 25, 5083), WriteFrameLength), Reply(LetterWrite, Bank2, 25, 5083));
    EXPECT_EQ(line.Ask(WriteItem(Bank2, 26, 6), WriteFrameLength), Reply(LetterWrite, Bank2, 26, 6));
    EXPECT_EQ(line.Ask(ReadItem(Bank2, 13), ReadFrameLength), Reply(LetterRead, Bank2, 13, 140));
    EXPECT_EQ(line.Ask(ReadItem(Bank2, 25), ReadFrameLength), Reply(LetterRead, Bank2, 25, 4990));
    EXPECT_EQ(line.Ask(ReadItem(Bank2, 26), ReadFrameLength), Reply(LetterRead, Bank2, 26, 6));
    sim.ClearWeakWords();
    line.Ask(WriteItem(Bank2, 13, 114), WriteFrameLength);
    EXPECT_EQ(line.Ask(ReadItem(Bank2, 13), ReadFrameLength), Reply(LetterRead, Bank2, 13, 114));
}

TEST(Simulator, DoubledHeldBackGarbledAndRandomlySplitRepliesComeAsTheySay)
{
    TempDir dir;
    TSimOptions o;
    o.LogPath = "sim.log";
    TSimulator sim(o);
    sim.Start();
    TCommEr port;
    port.SetCommName(sim.DevicePath());
    port.SetReadIntervalTimeout(1);
    std::vector<std::vector<std::uint8_t>> chunks;
    port.OnReceiveData = [&](QObject*, void* b, std::uint16_t n) {
        const auto* bytes = static_cast<const std::uint8_t*>(b);
        chunks.emplace_back(bytes, bytes + n);
    };
    port.OpenPort();
    std::vector<std::uint8_t> got;
    const auto ask = [&](std::uint8_t bank, std::uint8_t address, std::size_t bytes) {
        const auto frame = ReadItem(bank, address);
        port.WriteBytes(frame.data(), ReadFrameLength);
        EXPECT_TRUE(WaitUntil([&] {
            std::size_t n = 0;
            for (const auto& c : chunks)
                n += c.size();
            return n >= bytes;
        }, 10000));
        got.clear();
        for (const auto& c : chunks)
            got.insert(got.end(), c.begin(), c.end());
    };
    const auto r27 = Reply(LetterRead, Bank2, 27, 1207);
    const auto r31 = Reply(LetterRead, Bank2, 31, 512);

    // Every second reply twice, in one chunk: the second reply is 10 bytes at once.
    sim.SetDoubleEvery(2, true);
    ask(Bank2, 27, 5);
    EXPECT_EQ(got, r27);
    chunks.clear();
    ask(Bank2, 31, 10);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0], Twice(r31, r31));
    // Apart, the copy comes after the reply: the bytes are the same.
    sim.SetDoubleEvery(1, false, 20);
    chunks.clear();
    ask(Bank2, 27, 10);
    EXPECT_EQ(got, Twice(r27, r27));
    sim.SetDoubleEvery(0);

    // Every second reply held back and sent with the next one, in one chunk.
    sim.SetChunkEvery(2, 60000);
    chunks.clear();
    ask(Bank2, 27, 5);
    chunks.clear();
    const auto held = ReadItem(Bank2, 31);
    port.WriteBytes(held.data(), ReadFrameLength);
    ask(Bank2, 27, 10);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0], Twice(r31, r27));
    // No reply follows: the held one goes alone after its hold.
    sim.SetChunkEvery(1, 50);
    chunks.clear();
    ask(Bank2, 31, 5);
    EXPECT_EQ(got, r31);
    sim.SetChunkEvery(0);

    // One read reply in two carries the address byte with its top bit flipped.
    sim.SetGarbleEvery(2);
    chunks.clear();
    ask(Bank2, 27, 5);
    EXPECT_EQ(got, r27);
    chunks.clear();
    ask(Bank2, 31, 5);
    EXPECT_EQ(got, Reply(LetterRead, Bank2, 31 | 0x80, 512));
    sim.SetGarbleEvery(0);

    // Random splits: the bytes are whole, and a seed repeats the same cuts.
    sim.SetSplitRandom(true, 3);
    const auto cuts = [&](std::uint32_t seed) {
        const auto notes = [] {
            std::vector<std::string> out;
            for (const auto& l : ReadSimLog("sim.log"))
                if (!l.received)
                    out.push_back(l.note);
            return out;
        };
        const std::size_t before = notes().size();
        sim.SetSeed(seed);
        for (int k = 0; k < 20; ++k) {
            chunks.clear();
            ask(Bank2, 27, 5);
            EXPECT_EQ(got, r27);
        }
        EXPECT_TRUE(WaitUntil([&] { return notes().size() >= before + 20; })); // logged after sending
        const auto all = notes();
        return std::vector<std::string>(all.end() - 20, all.end());
    };
    const auto first = cuts(42);
    EXPECT_EQ(first, cuts(42));
    EXPECT_NE(first, cuts(43));
    for (const auto& note : first)
        EXPECT_EQ(note.rfind("in pieces ", 0), 0u) << note;
    port.ClosePort();
}

TEST(Simulator, Channel1MovingGivesEveryReadCycleOneVoltagesPair)
{
    TSimOptions o;
    o.Drift = TChannel1Drift{}; // 50..700 ms
    o.SplitRandom = true;
    o.Seed = 5;
    TSimulator sim(o);
    sim.RecordChannel1(true);
    sim.Start();
    RawLine line(sim.DevicePath());
    std::set<int> levels;
    int cycles = 0;
    // A soak of read cycles (9, then 10, then 11, as the path check reads)
    // until channel 1 has been seen at eight levels.
    while ((levels.size() < 8 || cycles < 100) && cycles < 5000) {
        const auto r9 = line.Ask(ReadItem(Bank1, 9), ReadFrameLength);
        line.Ask(ReadItem(Bank1, 10), ReadFrameLength);
        const auto r11 = line.Ask(ReadItem(Bank1, 11), ReadFrameLength);
        ASSERT_EQ(r9.size(), ReplyLength);
        ASSERT_EQ(r11.size(), ReplyLength);
        const int mv = ReplyValue(r9.data());
        const int count = ReplyValue(r11.data());
        ASSERT_TRUE(TInstrument::IsChannel1Pair(count, mv, 140, 5000)) << count << " " << mv << " cycle " << cycles;
        levels.insert(mv);
        ++cycles;
    }
    EXPECT_GE(levels.size(), 8u);
    // The log has each reply with the voltage it came from.
    const auto log = sim.TakeChannel1Replies();
    ASSERT_EQ(log.size(), 2u * cycles);
    for (std::size_t i = 0; i + 1 < log.size(); i += 2) {
        EXPECT_EQ(log[i].Register, 9);
        EXPECT_EQ(log[i + 1].Register, 11);
        EXPECT_EQ(log[i].TrueMv, log[i + 1].TrueMv);
        EXPECT_FALSE(log[i].Garbled);
        EXPECT_EQ(log[i].Value, TInstrument::MillivoltsFromCount(log[i + 1].Value / 8, log[i].ZeroWord, log[i].SupplyWord));
        EXPECT_EQ(log[i + 1].Value,
                  8 * sim.WithInstrument([&](TInstrument& inst) { return inst.AdcCount(log[i].TrueMv); }));
    }
    sim.SetChannel1Drift(std::nullopt);
    EXPECT_FALSE(sim.WithInstrument([](TInstrument& i) { return i.Channel1Drift(); }));
}

} // namespace
