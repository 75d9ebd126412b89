// kavrel-sim: a simulated breath-alcohol instrument on a pseudo-terminal.
// Prints the device's name on one line when ready and answers the program's
// frames until SIGINT or SIGTERM.
#include "Simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Usage(std::FILE* to)
{
    std::fputs(
        "Usage: kavrel-sim [options]\n"
        "  --link PATH          make PATH a symbolic link to the device (removed at exit)\n"
        "  --pace               send reply bytes one character time apart, as a real line\n"
        "  --baud N             line speed for --pace (9600)\n"
        "  --turnaround MS      delay from a frame's end to the reply (0)\n"
        "  --silent-after N     stop answering after N frames\n"
        "  --split              send each reply as 2 + 3 bytes\n"
        "  --split-gap MS       gap between the two parts (20)\n"
        "  --stray-every N      follow every Nth reply with a stray byte\n"
        "  --log FILE           log every frame in and out ('-' for standard error)\n"
        "  --instrument N       instrument number (1207)\n"
        "  --sensor N           sensor number (512)\n"
        "  --alcohol N          blood alcohol the tests find, hundredths of a promille (35)\n"
        "  --points P0,...,P6   the seven calibration voltages, mV (4000,3500,3000,2000,1800,1000,500)\n"
        "  --time-scale F       scale of the test's mode durations (1; 0.1 is ten times faster)\n",
        to);
}

[[noreturn]] void Bad(const char* what)
{
    std::fprintf(stderr, "kavrel-sim: %s\n", what);
    Usage(stderr);
    std::exit(2);
}

double Number(const char* text)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0')
        Bad("not a number");
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    TSimOptions o;
    std::string link;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                Bad(("missing value for " + a).c_str());
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (a == "--link")
            link = value();
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
        else if (a == "--points") {
            std::string list = value();
            std::size_t at = 0;
            for (int p = 0; p < 7; ++p) {
                const std::size_t comma = list.find(',', at);
                if ((p < 6) != (comma != std::string::npos))
                    Bad("--points wants seven values");
                o.Instrument.Points[p] = static_cast<int>(Number(list.substr(at, comma - at).c_str()));
                at = comma + 1;
            }
        } else
            Bad(("unknown option " + a).c_str());
    }
    if (o.Baud == 0)
        Bad("--baud must be positive");

    // Signals are taken by sigwait below, not by a handler.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    TSimulator sim(o);
    try {
        sim.Start();
        if (!link.empty())
            sim.MakeLink(link);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavrel-sim: %s\n", e.what());
        return 1;
    }
    std::printf("%s\n", sim.DevicePath().c_str());
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stop, &sig);
    sim.Stop();
    return 0;
}
