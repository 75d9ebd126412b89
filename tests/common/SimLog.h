#pragma once
// Reads the simulator's frame log: one line per frame received ("<-") or
// reply sent ("->"), bytes in hexadecimal, an optional note.
#include <cstdio>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

struct SimLogLine {
    bool received = false; // "<-": a frame from the program
    std::string bytes;     // "3A 02 1B 80"
    std::string note;      // "read", "skipped", ...
};

inline std::vector<SimLogLine> ReadSimLog(const std::string& path)
{
    std::vector<SimLogLine> lines;
    std::ifstream in(path);
    std::string text;
    while (std::getline(in, text)) {
        // "%10.3f <dir> <hex>[  note]"
        const auto arrow = text.find_first_of("<-", 10);
        if (arrow == std::string::npos || text.size() < arrow + 3)
            continue;
        const std::string dir = text.substr(arrow, 2);
        if (dir != "<-" && dir != "->")
            continue;
        SimLogLine line;
        line.received = dir == "<-";
        std::string rest = text.substr(arrow + 3);
        const auto gap = rest.find("  ");
        if (gap != std::string::npos) {
            line.note = rest.substr(gap + 2);
            rest = rest.substr(0, gap);
        }
        line.bytes = rest;
        lines.push_back(line);
    }
    return lines;
}

// The frames the program sent, in order (bytes the simulator skipped or
// dropped as no frame left out).
inline std::vector<std::string> SentFrames(const std::vector<SimLogLine>& log)
{
    std::vector<std::string> frames;
    for (const auto& l : log)
        if (l.received && l.note.rfind("skipped", 0) != 0 && l.note.rfind("dropped", 0) != 0)
            frames.push_back(l.bytes);
    return frames;
}

// The frames with consecutive repeats removed: the windows send a frame
// again on a timer tick, and some lists start with their first frame twice.
inline std::vector<std::string> Collapsed(const std::vector<std::string>& frames)
{
    std::vector<std::string> out;
    for (const auto& f : frames)
        if (out.empty() || out.back() != f)
            out.push_back(f);
    return out;
}

// The frames from index `from` on (none when there are fewer).
inline std::vector<std::string> FramesSince(const std::vector<std::string>& frames, std::size_t from)
{
    return {frames.begin() + static_cast<std::ptrdiff_t>(std::min(from, frames.size())), frames.end()};
}

// A frame as the log writes it: "3A 02 1B 80" for a read of bank 2
// address 27, "45 02 1B 03 E8 80" for writing 1000 there.
inline std::string ReadFrameText(int bank, int address)
{
    char b[16];
    std::snprintf(b, sizeof b, "3A %02X %02X 80", bank, address);
    return b;
}

inline std::string WriteFrameText(int bank, int address, int value)
{
    char b[32];
    std::snprintf(b, sizeof b, "45 %02X %02X %02X %02X 80", bank, address, (value >> 8) & 0xFF, value & 0xFF);
    return b;
}
