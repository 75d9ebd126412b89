#include "Commands.h"

#include "Registers.h"
#include "Simulator.h"

#include <algorithm>
#include <charconv>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

// A command's complaint about its words; Run answers it as "error: ...".
struct EUsage : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

long Integer(const std::string& text, long low, long high, const char* what)
{
    long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
        throw EUsage(std::string(what) + " wants a whole number " + std::to_string(low) + ".." + std::to_string(high)
                     + ", not \"" + text + "\"");
    return v;
}

double Decimal(const std::string& text, const char* what)
{
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size())
        throw EUsage(std::string(what) + " wants a number, not \"" + text + "\"");
    return v;
}

bool OnOff(const std::string& text, const char* what)
{
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    throw EUsage(std::string(what) + " wants on or off, not \"" + text + "\"");
}

void Want(const std::vector<std::string>& w, std::size_t low, std::size_t high, const char* usage)
{
    if (w.size() < low || w.size() > high)
        throw EUsage(std::string("usage: ") + usage);
}

std::string Points(const SensorPointTable& p)
{
    std::string out;
    for (int v : p)
        out += (out.empty() ? "" : ",") + std::to_string(v);
    return out;
}

// Seven points, written "P0,P1,...,P6" or as seven words.
SensorPointTable ReadPoints(const std::vector<std::string>& w, std::size_t from)
{
    std::string joined;
    for (std::size_t i = from; i < w.size(); ++i)
        joined += (joined.empty() ? "" : ",") + w[i];
    SensorPointTable p{};
    std::string error;
    if (!ParsePointList(joined, p, error))
        throw EUsage("sensor " + error);
    return p;
}

constexpr const char* kHelp =
    "ok commands: status, start, stop, gas H, volt MV|auto, mode N, blow MV, sensor P0,...,P6|shift MV|adjusted, "
    "adc ZERO SUPPLY|adjusted, adjusted, read BANK ADDR, write 2 ADDR VALUE, silent on|off|after N, turnaround MS, "
    "split on [GAP]|random [MAXGAP]|off, noise N, double N [GAP|together], chunk N [HOLD], "
    "garble N [letter|bank|address], lose N, inside N, "
    "weak ADDR [VALUE]|ADDR off|off, drift on [MIN_MS MAX_MS [LOW_MV HIGH_MV]]|off, seed N, pace on|off, hangup, "
    "plug, quit (sim/README.md tells each)";

std::string Ms(double ms)
{
    std::ostringstream s;
    s << ms;
    return s.str();
}

std::string Weak(int address, const std::optional<int>& keeps)
{
    return std::to_string(address) + (keeps ? " keeps " + std::to_string(*keeps) : " keeps its old value");
}

} // namespace

bool ParsePointList(const std::string& text, SensorPointTable& points, std::string& error)
{
    SensorPointTable p{};
    std::size_t at = 0;
    try {
        for (int i = 0; i < SensorPointCount; ++i) {
            const std::size_t comma = text.find(',', at);
            if ((i < SensorPointCount - 1) != (comma != std::string::npos))
                throw EUsage("wants seven points P0,...,P6 in mV");
            p[i] = static_cast<int>(Integer(text.substr(at, comma - at), 1, 6000, "a point"));
            at = comma + 1;
        }
    } catch (const EUsage& e) {
        error = e.what();
        return false;
    }
    points = p;
    return true;
}

std::string TSimCommands::Run(const std::string& line)
{
    const std::vector<std::string> w = Words(line);
    if (w.empty())
        return "error: no command (help lists them)";
    const std::string& c = w[0];
    const double now = sim_.NowMs();
    try {
        if (c == "help")
            return kHelp;

        if (c == "status") {
            Want(w, 1, 1, "status");
            const TSimOptions o = sim_.Options();
            std::string line = sim_.WithInstrument([&](TInstrument& i) {
                i.Update(now);
                std::ostringstream s;
                s << "ok mode " << i.Mode() << (i.TestRunning() ? " (test running)" : "") << ", sensor "
                  << i.Bank1Words[Reg1::SensorVoltage] << " mV, channel 1 "
                  << (i.HeldChannel1() ? "held" : "follows the sensor") << ": register 9 "
                  << i.Bank1Words[Reg1::Channel1Voltage] << " mV, register 11 " << i.Bank1Words[Reg1::Channel1Adc]
                  << ", BLOW_OUT " << i.Bank1Words[Reg1::Channel2Voltage] << " mV, gas " << i.Alcohol();
                return s.str();
            });
            line += sim_.Connected() ? ", line " + sim_.DevicePath() : ", line hung up";
            if (sim_.Silent())
                line += ", silent";
            if (o.TurnaroundMs > 0)
                line += ", turnaround " + std::to_string(static_cast<long>(o.TurnaroundMs)) + " ms";
            if (o.SplitReplies)
                line += ", split replies";
            if (o.SplitRandom)
                line += ", replies split at random";
            if (o.StrayEvery > 0)
                line += ", noise every " + std::to_string(o.StrayEvery);
            if (o.DoubleEvery > 0)
                line += ", doubled every " + std::to_string(o.DoubleEvery) + (o.DoubleTogether ? " in one chunk" : "");
            if (o.ChunkEvery > 0)
                line += ", held back every " + std::to_string(o.ChunkEvery);
            if (o.GarbleEvery > 0)
                line += ", garbled every " + std::to_string(o.GarbleEvery);
            if (o.LoseByteEvery > 0)
                line += ", a byte lost every " + std::to_string(o.LoseByteEvery);
            if (o.StrayInsideEvery > 0)
                line += ", a stray byte inside every " + std::to_string(o.StrayInsideEvery);
            const auto [weak, drift] = sim_.WithInstrument(
                [](TInstrument& i) { return std::make_pair(i.WeakWords(), i.Channel1Drift()); });
            for (const auto& [address, keeps] : weak)
                line += ", weak word " + Weak(address, keeps);
            if (drift)
                line += ", channel 1 moving every " + Ms(drift->MinMs) + ".." + Ms(drift->MaxMs) + " ms";
            if (o.SplitRandom || drift)
                line += ", seed " + std::to_string(o.Seed);
            return line;
        }

        if (c == "start" || c == "stop") {
            Want(w, 1, 1, c.c_str());
            const bool start = c == "start";
            const int gas = sim_.WithInstrument([&](TInstrument& i) {
                start ? i.StartTest(now) : i.StopTest(now);
                return i.Alcohol();
            });
            return start ? "ok test started, gas " + std::to_string(gas) : "ok test stopped";
        }

        if (c == "gas") {
            Want(w, 2, 2, "gas HUNDREDTHS (0..800)");
            const int gas = static_cast<int>(Integer(w[1], MinAlcohol, MaxAlcohol, "gas"));
            const int mV = sim_.WithInstrument([&](TInstrument& i) {
                i.SetAlcohol(gas);
                return i.TrueVoltageAt(gas);
            });
            return "ok gas " + std::to_string(gas) + " for the next test: the sensor will fall to " + std::to_string(mV)
                + " mV";
        }

        if (c == "volt") {
            Want(w, 2, 2, "volt MV (0..5000) | volt auto");
            if (w[1] == "auto") {
                sim_.WithInstrument([&](TInstrument& i) {
                    i.HoldChannel1(std::nullopt);
                    i.SetChannel1Drift(std::nullopt, 0, now);
                    i.Update(now);
                });
                return "ok channel 1 follows the sensor again";
            }
            const int mV = static_cast<int>(Integer(w[1], 0, TInstrument::MaxHeldMv, "volt"));
            return sim_.WithInstrument([&](TInstrument& i) {
                i.HoldChannel1(mV);
                i.Update(now);
                return "ok channel 1 held at " + std::to_string(mV) + " mV: register 11 "
                    + std::to_string(i.Bank1Words[Reg1::Channel1Adc]) + ", register 9 "
                    + std::to_string(i.Bank1Words[Reg1::Channel1Voltage]) + " mV";
            });
        }

        if (c == "mode") {
            Want(w, 2, 2, "mode N (0..8)");
            const int mode = static_cast<int>(Integer(w[1], 0, ModeHighest, "mode"));
            sim_.WithInstrument([&](TInstrument& i) { i.ShowMode(mode, now); });
            return "ok mode " + std::to_string(mode);
        }

        if (c == "blow") {
            Want(w, 2, 2, "blow MV");
            const int mV = static_cast<int>(Integer(w[1], 0, 5000, "blow"));
            const int delta = sim_.WithInstrument([&](TInstrument& i) {
                i.SetBlowRise(mV);
                return i.EffectiveBlowDelta();
            });
            const int units = mV * 16 / 3;
            return "ok a blow raises BLOW_OUT " + std::to_string(mV) + " mV (" + std::to_string(units)
                + " ADC units; start delta in use " + std::to_string(delta) + (units > delta ? ")" : ", too weak to start)");
        }

        if (c == "sensor") {
            Want(w, 2, 8, "sensor P0,...,P6 | sensor shift MV | sensor adjusted");
            const SensorPointTable truth = sim_.WithInstrument([&](TInstrument& i) {
                if (w[1] == "adjusted") {
                    Want(w, 2, 2, "sensor adjusted");
                    i.AdjustSensorToStored();
                } else if (w[1] == "shift") {
                    Want(w, 3, 3, "sensor shift MV");
                    SensorPointTable p = PointsFromSensorTable(
                        std::span<const int, SensorTableSize>(i.Bank2Words.data(), SensorTableSize));
                    const int by = static_cast<int>(Integer(w[2], -3000, 3000, "shift"));
                    for (int& v : p)
                        v += by;
                    i.SetTruePoints(p);
                } else
                    i.SetTruePoints(ReadPoints(w, 1));
                return PointsFromSensorTable(std::span<const int, SensorTableSize>(i.TrueTable()));
            });
            return "ok the sensor's true points are " + Points(truth);
        }

        if (c == "adc") {
            Want(w, 2, 3, "adc ZERO SUPPLY | adc adjusted");
            const auto [zero, supply] = sim_.WithInstrument([&](TInstrument& i) {
                if (w[1] == "adjusted") {
                    Want(w, 2, 2, "adc adjusted");
                    i.AdjustAdcToStored();
                } else {
                    Want(w, 3, 3, "adc ZERO SUPPLY");
                    try {
                        i.SetTrueAdc(Decimal(w[1], "adc"), Decimal(w[2], "adc"));
                    } catch (const std::invalid_argument& e) {
                        throw EUsage(e.what());
                    }
                }
                return std::pair<double, double>(i.TrueZeroOffset(), i.TrueSupply());
            });
            std::ostringstream s;
            s << "ok the ADC's true zero offset is " << zero << " mV, its supply " << supply << " mV";
            return s.str();
        }

        if (c == "adjusted") {
            Want(w, 1, 1, "adjusted");
            sim_.WithInstrument([&](TInstrument& i) { i.AdjustTruthToStored(); });
            return "ok the sensor and the ADC agree with what bank 2 stores";
        }

        if (c == "read") {
            Want(w, 3, 3, "read BANK ADDR");
            const int bank = static_cast<int>(Integer(w[1], 1, 2, "bank"));
            const int address = static_cast<int>(Integer(w[2], 0, 255, "address"));
            const int value = sim_.WithInstrument([&](TInstrument& i) {
                i.Update(now);
                return (bank == 1 ? i.Bank1Words : i.Bank2Words)[address] & 0xFFFF;
            });
            return "ok " + std::to_string(value);
        }

        if (c == "write") {
            Want(w, 4, 4, "write 2 ADDR VALUE");
            Integer(w[1], 2, 2, "bank (only bank 2 is written)");
            const int address = static_cast<int>(Integer(w[2], 0, 255, "address"));
            const int value = static_cast<int>(Integer(w[3], 0, 65535, "value"));
            sim_.WithInstrument([&](TInstrument& i) { i.Bank2Words[address] = value; });
            const std::string failed = sim_.StateError();
            if (!failed.empty())
                return "error: stored, but the state file was not saved: " + failed;
            return "ok bank 2 word " + std::to_string(address) + " = " + std::to_string(value);
        }

        if (c == "silent") {
            Want(w, 2, 3, "silent on|off | silent after N");
            if (w[1] == "after") {
                Want(w, 3, 3, "silent after N");
                const int n = static_cast<int>(Integer(w[2], 0, 1000000, "silent after"));
                sim_.SetSilent(false);
                sim_.SetSilentAfter(n);
                return "ok silent after " + std::to_string(n) + " more replies";
            }
            Want(w, 2, 2, "silent on|off");
            const bool on = OnOff(w[1], "silent");
            sim_.SetSilent(on);
            if (!on)
                sim_.SetSilentAfter(-1);
            return on ? "ok silent" : "ok answering";
        }

        if (c == "turnaround") {
            Want(w, 2, 2, "turnaround MS");
            const long ms = Integer(w[1], 0, 60000, "turnaround");
            sim_.SetTurnaroundMs(static_cast<double>(ms));
            return "ok turnaround " + std::to_string(ms) + " ms";
        }

        if (c == "split") {
            Want(w, 2, 3, "split on [GAP_MS] | split random [MAX_GAP_MS] | split off");
            if (w[1] == "random") {
                const long gap = w.size() == 3 ? Integer(w[2], 0, 10000, "split gap") : 5;
                sim_.SetSplitRandom(true, static_cast<double>(gap));
                return "ok replies split at random into 2..5 pieces, 0.." + std::to_string(gap) + " ms apart";
            }
            const bool on = OnOff(w[1], "split");
            const long gap = w.size() == 3 ? Integer(w[2], 0, 10000, "split gap") : 20;
            if (!on && w.size() == 3)
                throw EUsage("usage: split off");
            sim_.SetSplitReplies(on, static_cast<double>(gap));
            return on ? "ok replies split 2 + 3 bytes, " + std::to_string(gap) + " ms apart" : "ok replies whole";
        }

        if (c == "noise") {
            Want(w, 2, 2, "noise N (0: off)");
            const int n = static_cast<int>(Integer(w[1], 0, 1000000, "noise"));
            sim_.SetStrayEvery(n);
            return n ? "ok a stray byte after one reply in " + std::to_string(n) : "ok no stray bytes";
        }

        if (c == "double") {
            Want(w, 2, 3, "double N [GAP_MS | together] (0: off)");
            const int n = w[1] == "off" ? 0 : static_cast<int>(Integer(w[1], 0, 1000000, "double"));
            const bool together = w.size() == 3 && w[2] == "together";
            const long gap = w.size() == 3 && !together ? Integer(w[2], 0, 10000, "double gap") : 5;
            if (n == 0 && w.size() == 3)
                throw EUsage("usage: double 0");
            sim_.SetDoubleEvery(n, together, static_cast<double>(gap));
            if (n == 0)
                return "ok no doubled replies";
            const std::string which = n == 1 ? "every reply" : "one reply in " + std::to_string(n);
            return "ok " + which + " sent twice, "
                + (together ? std::string("both in one chunk") : "the copy " + std::to_string(gap) + " ms later");
        }

        if (c == "chunk") {
            Want(w, 2, 3, "chunk N [HOLD_MS] (0: off)");
            const int n = w[1] == "off" ? 0 : static_cast<int>(Integer(w[1], 0, 1000000, "chunk"));
            const long hold = w.size() == 3 ? Integer(w[2], 1, 60000, "chunk hold") : 300;
            if (n == 0 && w.size() == 3)
                throw EUsage("usage: chunk 0");
            sim_.SetChunkEvery(n, static_cast<double>(hold));
            if (n == 0)
                return "ok no replies held back";
            return "ok one reply in " + std::to_string(n)
                + " held back and sent in one chunk with the next (alone after " + std::to_string(hold) + " ms)";
        }

        if (c == "garble") {
            Want(w, 2, 3, "garble N [letter|bank|address] (0: off)");
            const int n = w[1] == "off" ? 0 : static_cast<int>(Integer(w[1], 0, 1000000, "garble"));
            static const char* const bytes[] = {"letter", "bank", "address"};
            int byte = 2;
            if (w.size() == 3) {
                const auto it = std::find(std::begin(bytes), std::end(bytes), w[2]);
                if (it == std::end(bytes))
                    throw EUsage("usage: garble N [letter|bank|address]");
                byte = static_cast<int>(it - std::begin(bytes));
            }
            sim_.SetGarbleEvery(n, byte);
            return n ? "ok a wrong " + std::string(bytes[byte]) + " byte in one read reply in " + std::to_string(n)
                     : "ok no garbled replies";
        }

        if (c == "lose") {
            Want(w, 2, 2, "lose N (0: off)");
            const int n = w[1] == "off" ? 0 : static_cast<int>(Integer(w[1], 0, 1000000, "lose"));
            sim_.SetLoseByteEvery(n);
            return n ? "ok one reply in " + std::to_string(n) + " loses a byte" : "ok no bytes lost";
        }

        if (c == "inside") {
            Want(w, 2, 2, "inside N (0: off)");
            const int n = w[1] == "off" ? 0 : static_cast<int>(Integer(w[1], 0, 1000000, "inside"));
            sim_.SetStrayInsideEvery(n);
            return n ? "ok one reply in " + std::to_string(n) + " gets a stray byte among its own"
                     : "ok no stray bytes inside replies";
        }

        if (c == "weak") {
            Want(w, 2, 3, "weak ADDR [VALUE] | weak ADDR off | weak off");
            if (w[1] == "off") {
                Want(w, 2, 2, "weak off");
                sim_.ClearWeakWords();
                return "ok no weak words";
            }
            const int address = static_cast<int>(Integer(w[1], 0, 255, "address"));
            if (w.size() == 3 && w[2] == "off") {
                sim_.WithInstrument([&](TInstrument& i) { i.ClearWeakWord(address); });
                return "ok bank 2 word " + std::to_string(address) + " keeps what is written";
            }
            std::optional<int> keeps;
            if (w.size() == 3)
                keeps = static_cast<int>(Integer(w[2], 0, 65535, "value"));
            sim_.SetWeakWord(address, keeps);
            return "ok bank 2 word " + Weak(address, keeps) + " whatever is written (the echo shows the write)";
        }

        if (c == "drift") {
            Want(w, 2, 6, "drift on [MIN_MS MAX_MS [LOW_MV HIGH_MV]] | drift off");
            if (!OnOff(w[1], "drift")) {
                Want(w, 2, 2, "drift off");
                sim_.SetChannel1Drift(std::nullopt);
                return "ok channel 1 follows the sensor again";
            }
            if (w.size() == 3 || w.size() == 5)
                throw EUsage("usage: drift on [MIN_MS MAX_MS [LOW_MV HIGH_MV]]");
            TChannel1Drift d;
            if (w.size() >= 4) {
                d.MinMs = static_cast<double>(Integer(w[2], 1, 600000, "drift pause"));
                d.MaxMs = static_cast<double>(Integer(w[3], 1, 600000, "drift pause"));
            }
            if (w.size() == 6) {
                d.LowMv = static_cast<int>(Integer(w[4], 0, TInstrument::MaxHeldMv, "drift level"));
                d.HighMv = static_cast<int>(Integer(w[5], 0, TInstrument::MaxHeldMv, "drift level"));
            }
            try {
                sim_.SetChannel1Drift(d);
            } catch (const std::invalid_argument& e) {
                throw EUsage(e.what());
            }
            return "ok channel 1 jumps to a level " + std::to_string(d.LowMv) + ".." + std::to_string(d.HighMv)
                + " mV every " + Ms(d.MinMs) + ".." + Ms(d.MaxMs) + " ms (seed " + std::to_string(sim_.Options().Seed)
                + ")";
        }

        if (c == "seed") {
            Want(w, 2, 2, "seed N");
            const auto seed = static_cast<std::uint32_t>(Integer(w[1], 0, 4294967295L, "seed"));
            sim_.SetSeed(seed);
            return "ok seed " + std::to_string(seed);
        }

        if (c == "pace") {
            Want(w, 2, 2, "pace on|off");
            const bool on = OnOff(w[1], "pace");
            sim_.SetPace(on);
            return on ? "ok replies paced at the line speed" : "ok replies at once";
        }

        if (c == "hangup") {
            Want(w, 1, 1, "hangup");
            const std::string device = sim_.DevicePath();
            if (!sim_.HangUp())
                return "error: the line is already hung up (plug connects it again)";
            return "ok hung up: " + device + " is gone";
        }

        if (c == "plug") {
            Want(w, 1, 1, "plug");
            if (!sim_.Plug())
                return "error: the line is connected already";
            return "ok plugged in on " + sim_.DevicePath();
        }

        if (c == "quit") {
            Want(w, 1, 1, "quit");
            if (!OnQuit)
                return "error: quit is not available here";
            OnQuit();
            return "ok ending";
        }
        return "error: unknown command \"" + c + "\" (help lists them)";
    } catch (const EUsage& e) {
        return std::string("error: ") + e.what();
    } catch (const std::exception& e) {
        return std::string("error: ") + e.what();
    }
}
