// kavrel-sim: a simulated breath-alcohol instrument on a pseudo-terminal.
// Prints the device's name on one line when ready and answers the program's
// frames until SIGINT, SIGTERM or the quit command. With --to it is instead
// the client of a running simulator's control socket.
#include "Commands.h"
#include "Control.h"
#include "Simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

// Exit statuses scripts can tell apart.
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitLinkRefused = 3;
constexpr int kExitStateFile = 4;
constexpr int kExitControl = 5;

void Usage(std::FILE* to)
{
    std::fputs(
        "Usage: kavrel-sim [options]\n"
        "       kavrel-sim --to SOCKET [COMMAND ...]\n"
        "Line:\n"
        "  --link PATH          make PATH a symbolic link to the device (removed at exit);\n"
        "                       only a link the simulator made, or a dangling one, is replaced\n"
        "  --pace               send reply bytes one character time apart, as a real line\n"
        "  --baud N             line speed for --pace (9600)\n"
        "  --turnaround MS      delay from a frame's end to the reply (0)\n"
        "  --silent-after N     stop answering after N frames\n"
        "  --split              send each reply as 2 + 3 bytes\n"
        "  --split-gap MS       gap between the two parts (20)\n"
        "  --stray-every N      follow every Nth reply with a stray byte\n"
        "  --split-random       send each reply in 2..5 pieces cut at random\n"
        "  --split-random-gap MS  most time between two pieces (5)\n"
        "  --double N           send every Nth reply twice (1: every reply)\n"
        "  --double-gap MS      the copy this long after the reply (5)\n"
        "  --double-together    the reply and its copy in one chunk\n"
        "  --chunk N            hold every Nth reply back and send it with the next one\n"
        "  --chunk-hold MS      a held reply goes alone after this long (300)\n"
        "  --garble N           a wrong address byte in every Nth read reply\n"
        "  --garble-byte B      which byte --garble spoils: letter, bank or address (address)\n"
        "  --lose-byte N        every Nth reply loses one of its bytes\n"
        "  --stray-inside N     every Nth reply gets a stray byte among its own\n"
        "  --seed N             seed of the random splits and of channel 1's moves (1)\n"
        "  --log FILE           log every frame in and out ('-' for standard error)\n"
        "Stored (a fresh bank 2; a state file replaces it):\n"
        "  --instrument N       instrument number (1207)\n"
        "  --sensor N           sensor number (512)\n"
        "  --points P0,...,P6   the characteristic's seven points, mV (4000,3500,3000,2000,1800,1000,500)\n"
        "  --state FILE         load bank 2 from FILE and save it there after every change\n"
        "Truth:\n"
        "  --true-points P0,...,P6  the sensor's true points, mV (the stored points 150 mV lower)\n"
        "  --true-zero MV       the ADC's true zero offset (114)\n"
        "  --true-supply MV     the ADC's true supply (5083)\n"
        "  --adjusted           sensor and ADC exactly as bank 2 stores them (an adjusted instrument)\n"
        "  --alcohol N          blood alcohol of the gas the tests get, hundredths of a promille (35)\n"
        "  --blow MV            how far a blow raises BLOW_OUT (400)\n"
        "  --time-scale F       scale of the test's mode durations (1; 0.1 is ten times faster)\n"
        "  --weak ADDR[:VALUE]  bank-2 word ADDR echoes writes but keeps its old value (or VALUE); repeatable\n"
        "  --drift              channel 1 jumps to a random level every 50..700 ms\n"
        "  --drift-ms MIN,MAX   the pauses between its jumps (50,700)\n"
        "  --drift-mv LOW,HIGH  its levels (200,4800)\n"
        "Hand:\n"
        "  --control PATH       take commands on a Unix socket at PATH (standard input too, when a terminal)\n"
        "  --to SOCKET [CMD]    send CMD (or each line of standard input) to a running simulator\n",
        to);
}

[[noreturn]] void Bad(const std::string& what)
{
    std::fprintf(stderr, "kavrel-sim: %s\n", what.c_str());
    Usage(stderr);
    std::exit(kExitUsage);
}

double Number(const char* text)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0')
        Bad(std::string("not a number: ") + text);
    return v;
}

// "letter", "bank" or "address": the byte --garble spoils.
int GarbleByte(const char* text)
{
    const std::string t = text;
    if (t == "letter")
        return 0;
    if (t == "bank")
        return 1;
    if (t == "address")
        return 2;
    Bad("--garble-byte wants letter, bank or address, not " + t);
    return 2;
}

// "A,B": two whole numbers.
std::pair<long, long> Pair(const char* text, const char* option)
{
    char* end = nullptr;
    const long a = std::strtol(text, &end, 10);
    if (end == text || *end != ',')
        Bad(std::string(option) + " wants two numbers A,B, not " + text);
    const char* second = end + 1;
    const long b = std::strtol(second, &end, 10);
    if (end == second || *end != '\0')
        Bad(std::string(option) + " wants two numbers A,B, not " + text);
    return {a, b};
}

// "ADDR" or "ADDR:VALUE".
void WeakWord(const char* text, TInstrumentSetup& setup)
{
    char* end = nullptr;
    const long address = std::strtol(text, &end, 10);
    std::optional<int> keeps;
    if (end != text && *end == ':') {
        const char* value = end + 1;
        keeps = static_cast<int>(std::strtol(value, &end, 10));
        if (end == value || *keeps < 0 || *keeps > 65535)
            end = const_cast<char*>(text);
    }
    if (end == text || *end != '\0' || address < 0 || address > 255)
        Bad(std::string("--weak wants ADDR or ADDR:VALUE (0..255, 0..65535), not ") + text);
    setup.WeakWords[static_cast<int>(address)] = keeps;
}

SensorPointTable PointList(const std::string& list, const char* option)
{
    SensorPointTable p{};
    std::string error;
    if (!ParsePointList(list, p, error))
        Bad(std::string(option) + " " + error);
    return p;
}

// --to: one command from the arguments, or a session on standard input.
int Client(const std::string& socket, int argc, char** argv, int first)
{
    try {
        TSimControlClient client(socket);
        if (first < argc) {
            std::string line;
            for (int i = first; i < argc; ++i)
                line += (line.empty() ? "" : " ") + std::string(argv[i]);
            const std::string answer = client.Ask(line);
            std::printf("%s\n", answer.c_str());
            return answer.rfind("ok", 0) == 0 ? 0 : kExitFailed;
        }
        const bool terminal = isatty(STDIN_FILENO);
        std::string line;
        for (;;) {
            if (terminal) {
                std::fputs("sim> ", stdout);
                std::fflush(stdout);
            }
            if (!std::getline(std::cin, line))
                break;
            std::printf("%s\n", client.Ask(line).c_str());
            std::fflush(stdout);
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavrel-sim: %s\n", e.what());
        return kExitFailed;
    }
}

} // namespace

int main(int argc, char** argv)
{
    TSimOptions o;
    std::string link;
    std::string control;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                Bad("missing value for " + a);
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (a == "--to") {
            const std::string socket = value();
            return Client(socket, argc, argv, i + 1);
        } else if (a == "--link")
            link = value();
        else if (a == "--control")
            control = value();
        else if (a == "--state")
            o.StateFile = value();
        else if (a == "--pace")
            o.Pace = true;
        else if (a == "--baud")
            o.Baud = static_cast<std::uint32_t>(Number(value()));
        else if (a == "--turnaround")
            o.TurnaroundMs = Number(value());
        else if (a == "--silent-after")
            o.SilentAfter = static_cast<int>(Number(value()));
        else if (a == "--split")
            o.SplitReplies = true;
        else if (a == "--split-gap")
            o.SplitGapMs = Number(value());
        else if (a == "--stray-every")
            o.StrayEvery = static_cast<int>(Number(value()));
        else if (a == "--split-random")
            o.SplitRandom = true;
        else if (a == "--split-random-gap")
            o.SplitRandomGapMs = Number(value());
        else if (a == "--double")
            o.DoubleEvery = static_cast<int>(Number(value()));
        else if (a == "--double-gap")
            o.DoubleGapMs = Number(value());
        else if (a == "--double-together")
            o.DoubleTogether = true;
        else if (a == "--chunk")
            o.ChunkEvery = static_cast<int>(Number(value()));
        else if (a == "--chunk-hold")
            o.ChunkHoldMs = Number(value());
        else if (a == "--garble")
            o.GarbleEvery = static_cast<int>(Number(value()));
        else if (a == "--garble-byte")
            o.GarbleByte = GarbleByte(value());
        else if (a == "--lose-byte")
            o.LoseByteEvery = static_cast<int>(Number(value()));
        else if (a == "--stray-inside")
            o.StrayInsideEvery = static_cast<int>(Number(value()));
        else if (a == "--seed")
            o.Seed = static_cast<std::uint32_t>(Number(value()));
        else if (a == "--weak")
            WeakWord(value(), o.Instrument);
        else if (a == "--drift") {
            if (!o.Drift)
                o.Drift = TChannel1Drift{};
        } else if (a == "--drift-ms") {
            const auto [low, high] = Pair(value(), "--drift-ms");
            o.Drift = o.Drift.value_or(TChannel1Drift{});
            o.Drift->MinMs = static_cast<double>(low);
            o.Drift->MaxMs = static_cast<double>(high);
        } else if (a == "--drift-mv") {
            const auto [low, high] = Pair(value(), "--drift-mv");
            o.Drift = o.Drift.value_or(TChannel1Drift{});
            o.Drift->LowMv = static_cast<int>(low);
            o.Drift->HighMv = static_cast<int>(high);
        } else if (a == "--log")
            o.LogPath = value();
        else if (a == "--instrument")
            o.Instrument.InstrumentNumber = static_cast<int>(Number(value()));
        else if (a == "--sensor")
            o.Instrument.SensorNumber = static_cast<int>(Number(value()));
        else if (a == "--alcohol")
            o.Instrument.Alcohol = static_cast<int>(Number(value()));
        else if (a == "--time-scale")
            o.Instrument.TimeScale = Number(value());
        else if (a == "--points")
            o.Instrument.Points = PointList(value(), "--points");
        else if (a == "--true-points")
            o.Instrument.TruePoints = PointList(value(), "--true-points");
        else if (a == "--true-zero")
            o.Instrument.TrueZeroOffsetMv = Number(value());
        else if (a == "--true-supply")
            o.Instrument.TrueSupplyMv = Number(value());
        else if (a == "--adjusted")
            o.Instrument.Adjusted = true;
        else if (a == "--blow")
            o.Instrument.BlowRiseMv = static_cast<int>(Number(value()));
        else
            Bad("unknown option " + a);
    }
    if (o.Baud == 0)
        Bad("--baud must be positive");
    if (o.SplitRandom)
        o.SplitReplies = false;
    if (o.Drift && !(o.Drift->MinMs > 0 && o.Drift->MinMs <= o.Drift->MaxMs && o.Drift->LowMv >= 0
                     && o.Drift->LowMv <= o.Drift->HighMv && o.Drift->HighMv <= TInstrument::MaxHeldMv))
        Bad("--drift-ms wants 0 < MIN <= MAX, --drift-mv 0 <= LOW <= HIGH <= 5000");
    if (!(o.Instrument.TrueZeroOffsetMv >= 0 && o.Instrument.TrueZeroOffsetMv < o.Instrument.TrueSupplyMv
          && o.Instrument.TrueSupplyMv <= 65535))
        Bad("--true-zero must lie below --true-supply, both 0..65535 mV");

    // Signals are taken by sigwait below, not by a handler; every thread
    // started from here on inherits the mask.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    TSimulator sim(o);
    TSimCommands commands(sim);
    commands.OnQuit = [] { kill(getpid(), SIGTERM); };
    TSimControl hand(commands);
    try {
        sim.Start();
        if (!link.empty())
            sim.MakeLink(link);
        if (!control.empty())
            hand.Listen(control);
        // A terminal is read only by the job in its foreground; started with
        // '&', reading it would stop the simulator (SIGTTIN), so a job sent
        // to the background later gets EIO instead and stops listening there.
        std::signal(SIGTTIN, SIG_IGN);
        std::signal(SIGTTOU, SIG_IGN);
        if (isatty(STDIN_FILENO) && tcgetpgrp(STDIN_FILENO) == getpgrp()) {
            hand.Serve(STDIN_FILENO, STDOUT_FILENO);
            std::fputs("kavrel-sim: type commands here, one a line (help lists them)\n", stderr);
        }
        hand.Start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavrel-sim: %s\n", e.what());
        sim.Stop();
        if (dynamic_cast<const ESimLinkRefused*>(&e))
            return kExitLinkRefused;
        if (dynamic_cast<const ESimStateError*>(&e))
            return kExitStateFile;
        if (!control.empty() && dynamic_cast<const ESimControlRefused*>(&e))
            return kExitControl;
        return kExitFailed;
    }
    std::printf("%s\n", sim.DevicePath().c_str());
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stop, &sig);
    hand.Stop();
    sim.Stop();
    return 0;
}
