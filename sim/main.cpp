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
        else if (a == "--log")
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
