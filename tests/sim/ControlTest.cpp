// The bench's hand: commands against a running simulator, the control
// channel that carries them, and the program driven through its socket
// while the serial line follows the test.
#include "Commands.h"
#include "Control.h"
#include "ExchangeRig.h"
#include "PtyHelpers.h"
#include "Registers.h"
#include "SimChild.h"
#include "Simulator.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <sys/socket.h>
#include <sys/wait.h>
#include <sys/un.h>

namespace {

TEST(SimCommands, DriveTheModelAndTheLineAndRefuseWhatTheyCannotDo)
{
    TSimulator sim;
    sim.Start();
    TSimCommands hand(sim);

    // The measuring path: channel 1 held, seen through words 13 and 25.
    EXPECT_EQ(hand.Run("volt 600"), "ok channel 1 held at 600 mV: register 11 800, register 9 615 mV");
    EXPECT_EQ(hand.Run("read 1 9"), "ok 615");
    EXPECT_EQ(hand.Run("write 2 13 114"), "ok bank 2 word 13 = 114");
    EXPECT_EQ(hand.Run("write 2 25 5083"), "ok bank 2 word 25 = 5083");
    EXPECT_EQ(hand.Run("read 1 9"), "ok 600");
    EXPECT_EQ(hand.Run("volt auto"), "ok channel 1 follows the sensor again");
    EXPECT_FALSE(sim.WithInstrument([](TInstrument& i) { return i.HeldChannel1(); }));

    // The truth and the test.
    EXPECT_EQ(hand.Run("gas 30"), "ok gas 30 for the next test: the sensor will fall to 2430 mV");
    EXPECT_EQ(hand.Run("sensor shift -300"), "ok the sensor's true points are 3700,3200,2700,1700,1500,700,200");
    EXPECT_EQ(hand.Run("adjusted"), "ok the sensor and the ADC agree with what bank 2 stores");
    EXPECT_EQ(sim.WithInstrument([](TInstrument& i) { return i.TrueVoltageAt(30); }), 2580);
    EXPECT_EQ(hand.Run("adc 100 5100"), "ok the ADC's true zero offset is 100 mV, its supply 5100 mV");
    EXPECT_EQ(hand.Run("start"), "ok test started, gas 30");
    EXPECT_EQ(hand.Run("read 1 8"), "ok 1");
    EXPECT_EQ(hand.Run("mode 8"), "ok mode 8");
    EXPECT_EQ(hand.Run("read 1 8"), "ok 8");
    EXPECT_EQ(hand.Run("stop"), "ok test stopped");
    EXPECT_EQ(hand.Run("blow 1"), "ok a blow raises BLOW_OUT 1 mV (5 ADC units; start delta in use 4)");
    EXPECT_EQ(hand.Run("write 2 26 8"), "ok bank 2 word 26 = 8");
    EXPECT_EQ(hand.Run("blow 1"), "ok a blow raises BLOW_OUT 1 mV (5 ADC units; start delta in use 8, too weak to start)");

    // The line's behaviour.
    EXPECT_EQ(hand.Run("turnaround 80"), "ok turnaround 80 ms");
    EXPECT_EQ(hand.Run("split on 15"), "ok replies split 2 + 3 bytes, 15 ms apart");
    EXPECT_EQ(hand.Run("noise 3"), "ok a stray byte after one reply in 3");
    EXPECT_EQ(hand.Run("silent on"), "ok silent");
    const TSimOptions o = sim.Options();
    EXPECT_EQ(o.TurnaroundMs, 80);
    EXPECT_TRUE(o.SplitReplies);
    EXPECT_EQ(o.SplitGapMs, 15);
    EXPECT_EQ(o.StrayEvery, 3);
    EXPECT_TRUE(sim.Silent());
    EXPECT_EQ(hand.Run("silent off"), "ok answering");
    EXPECT_EQ(hand.Run("hangup").rfind("ok hung up: /dev/pts/", 0), 0u);
    EXPECT_EQ(hand.Run("hangup"), "error: the line is already hung up (plug connects it again)");
    EXPECT_NE(hand.Run("status").find("line hung up"), std::string::npos);
    EXPECT_EQ(hand.Run("plug"), "ok plugged in on " + sim.DevicePath());

    for (const char* bad : {"", "   ", "gas 900", "gas 3x", "volt", "volt -5", "mode 9", "write 1 2 3",
                            "write 2 256 1", "read 3 0", "sensor 1,2,3", "adc 500 400", "split off 5", "pace maybe",
                            "quit", "frobnicate"})
        EXPECT_EQ(hand.Run(bad).rfind("error: ", 0), 0u) << '"' << bad << "\" -> " << hand.Run(bad);
    EXPECT_EQ(hand.Run("adc 500 400"), "error: the ADC's zero offset must lie below its supply, both 0..65535 mV");
}

// Reads one line from a descriptor (5 s at most).
std::string LineFrom(int fd)
{
    std::string line;
    char c = 0;
    while (line.find('\n') == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0 || read(fd, &c, 1) != 1)
            break;
        line += c;
    }
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

TEST(SimControl, AnswersEachLineOfAStreamAndOfEverySocketClient)
{
    TempDir dir;
    TSimulator sim;
    sim.Start();
    TSimCommands hand(sim);
    TSimControl control(hand);

    // Something that is not a socket is never replaced; a stale socket is.
    std::ofstream("taken") << "notes";
    EXPECT_THROW(control.Listen("taken"), ESimControlRefused);
    {
        const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strcpy(a.sun_path, "sim.ctl");
        ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        close(stale); // bound, never listened on: what a killed run leaves
    }
    control.Listen("sim.ctl");

    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    control.Serve(in[0], out[1]);
    control.Start();

    // Two commands in one write, one split over two: one answer each.
    ASSERT_EQ(write(in[1], "read 2 27\nread 2", 16), 16);
    ASSERT_EQ(write(in[1], " 31\r\n", 5), 5);
    EXPECT_EQ(LineFrom(out[0]), "ok 1207");
    EXPECT_EQ(LineFrom(out[0]), "ok 512");

    TSimControlClient one("sim.ctl");
    TSimControlClient two("sim.ctl");
    EXPECT_EQ(one.Ask("gas 45"), "ok gas 45 for the next test: the sensor will fall to 2020 mV");
    EXPECT_EQ(two.Ask("nonsense"), "error: unknown command \"nonsense\" (help lists them)");
    EXPECT_EQ(two.Ask("read 2 27"), "ok 1207");
    EXPECT_THROW(TSimControl(hand).Listen("sim.ctl"), ESimControlRefused); // still in use

    control.Stop();
    EXPECT_FALSE(std::filesystem::exists("sim.ctl"));
    EXPECT_EQ(std::filesystem::file_size("taken"), 5u);
    for (int fd : {in[0], in[1], out[0], out[1]})
        close(fd);
}

TEST(SimulatorProgram, ATestStartedThroughTheControlSocketIsFollowedOnTheLine)
{
    TempDir dir;
    TSimChild child({"--control", "sim.ctl", "--link", "COM3", "--adjusted", "--alcohol", "52", "--time-scale", "0.5"});
    TSimControlClient hand("sim.ctl");
    EXPECT_EQ(hand.Ask("start"), "ok test started, gas 52");

    // The modes as the program polls them.
    Exchange x("COM3", SensorBasePolicy);
    std::vector<int> modes;
    for (int pass = 1; pass < 2000 && (modes.empty() || modes.back() != ModeTestCompleted); ++pass) {
        x.engine.StartList(ReadItems(Bank1, {8}), 4);
        ASSERT_TRUE(WaitUntil([&] { return x.listEnds == pass; }));
        if (modes.empty() || modes.back() != InstrumentMode)
            modes.push_back(InstrumentMode);
    }
    EXPECT_EQ(modes, (std::vector<int>{1, 2, 3, 4, 5, 6}));

    // The result, on the line and through the hand.
    const int ends = x.listEnds;
    x.engine.StartList(std::vector<TCommandItem>{ReadItem(Bank1, 5), ReadItem(Bank1, 6), ReadItem(Bank1, 7),
                                                 ReadItem(Bank2, 65), ReadItem(Bank2, 66), ReadItem(Bank2, 67)},
                       4);
    ASSERT_TRUE(WaitUntil([&] { return x.listEnds == ends + 1; }));
    EXPECT_EQ(hand.Ask("read 1 7"), "ok 52");
    EXPECT_EQ(hand.Ask("read 2 66"), "ok 52");
    EXPECT_EQ(V5, 234);
    EXPECT_EQ(V6, 5);
    EXPECT_EQ(V7, 52);
    EXPECT_EQ(Bank2Image[65], 234);
    EXPECT_EQ(Bank2Image[66], 52);
    EXPECT_EQ(Bank2Image[67], 5);

    // quit ends the program as SIGTERM does: socket and link removed.
    x.port.ClosePort();
    EXPECT_EQ(hand.Ask("quit"), "ok ending");
    EXPECT_TRUE(WaitUntil([] {
        return !std::filesystem::exists("sim.ctl") && !std::filesystem::exists(std::filesystem::symlink_status("COM3"));
    }));
    const int status = child.Terminate();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(SimCommands, TheLineFaultsWeakWordsAndAMovingChannelAreSetListedAndShown)
{
    TSimulator sim;
    sim.Start();
    TSimCommands hand(sim);
    EXPECT_EQ(hand.Run("weak 13"), "ok bank 2 word 13 keeps its old value whatever is written (the echo shows the write)");
    EXPECT_EQ(hand.Run("weak 25 140"), "ok bank 2 word 25 keeps 140 whatever is written (the echo shows the write)");
    EXPECT_EQ(hand.Run("double 3"), "ok one reply in 3 sent twice, the copy 5 ms later");
    EXPECT_EQ(hand.Run("double 1 together"), "ok every reply sent twice, both in one chunk");
    EXPECT_EQ(hand.Run("chunk 4"), "ok one reply in 4 held back and sent in one chunk with the next (alone after 300 ms)");
    EXPECT_EQ(hand.Run("garble 5"), "ok a wrong address byte in one read reply in 5");
    EXPECT_EQ(hand.Run("split random"), "ok replies split at random into 2..5 pieces, 0..5 ms apart");
    EXPECT_EQ(hand.Run("seed 9"), "ok seed 9");
    EXPECT_EQ(hand.Run("drift on 100 200"), "ok channel 1 jumps to a level 200..4800 mV every 100..200 ms (seed 9)");
    const std::string status = hand.Run("status");
    for (const char* part : {", replies split at random", ", doubled every 1 in one chunk", ", held back every 4",
                             ", garbled every 5", ", weak word 13 keeps its old value", ", weak word 25 keeps 140",
                             ", channel 1 moving every 100..200 ms", ", seed 9"})
        EXPECT_NE(status.find(part), std::string::npos) << part << " in " << status;
    const TSimOptions o = sim.Options();
    EXPECT_TRUE(o.SplitRandom);
    EXPECT_FALSE(o.SplitReplies);
    EXPECT_EQ(o.DoubleEvery, 1);
    EXPECT_TRUE(o.DoubleTogether);
    EXPECT_EQ(o.ChunkEvery, 4);
    EXPECT_EQ(o.GarbleEvery, 5);
    const std::string help = hand.Run("help");
    for (const char* name : {"weak ", "double ", "chunk ", "garble ", "split on [GAP]|random", "drift on", "seed "})
        EXPECT_NE(help.find(name), std::string::npos) << name;

    EXPECT_EQ(hand.Run("volt 600"), "ok channel 1 held at 600 mV: register 11 800, register 9 615 mV"); // stops it
    EXPECT_EQ(hand.Run("status").find("moving"), std::string::npos);
    EXPECT_EQ(hand.Run("split on"), "ok replies split 2 + 3 bytes, 20 ms apart");
    EXPECT_FALSE(sim.Options().SplitRandom);
    EXPECT_EQ(hand.Run("weak 13 off"), "ok bank 2 word 13 keeps what is written");
    EXPECT_EQ(hand.Run("weak off"), "ok no weak words");
    EXPECT_EQ(hand.Run("double 0"), "ok no doubled replies");
    EXPECT_EQ(hand.Run("chunk off"), "ok no replies held back");
    EXPECT_EQ(hand.Run("garble 0"), "ok no garbled replies");
    EXPECT_EQ(hand.Run("drift off"), "ok channel 1 follows the sensor again");
    EXPECT_EQ(hand.Run("status").find("weak"), std::string::npos);
    for (const char* bad : {"weak 256", "weak 13 70000", "weak", "double x", "double 0 together", "chunk 2 0",
                            "garble -1", "drift on 700 50", "drift on 100", "drift maybe", "seed -1", "split random x"})
        EXPECT_EQ(hand.Run(bad).rfind("error: ", 0), 0u) << '"' << bad << "\" -> " << hand.Run(bad);

    // The program's options set the same behaviour from the start.
    TempDir dir;
    TSimChild child({"--control", "opts.ctl", "--weak", "13:140", "--weak", "26", "--double", "2", "--chunk", "3",
                     "--garble", "4", "--split-random", "--seed", "11", "--drift", "--drift-ms", "60,90"});
    TSimControlClient client("opts.ctl");
    const std::string childStatus = client.Ask("status");
    for (const char* part : {", replies split at random", ", doubled every 2,", ", held back every 3",
                             ", garbled every 4", ", weak word 13 keeps 140", ", weak word 26 keeps its old value",
                             ", channel 1 moving every 60..90 ms", ", seed 11"})
        EXPECT_NE(childStatus.find(part), std::string::npos) << part << " in " << childStatus;
}

} // namespace
