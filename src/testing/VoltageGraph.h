#pragma once
// The sensor voltage graph of the online test window: the last 60 voltages
// as screen rows, drawn into a 240 × 150 picture where 30 pixels stand for
// 1000 mV and 5000 mV is the top row. Every pixel is fixed here; the window
// only copies the picture to the screen.
#include <array>
#include <cstdint>
#include <vector>

inline constexpr int GraphWidth = 240;
inline constexpr int GraphHeight = 150;
inline constexpr int HistoryLength = 60;

// 0xAARRGGBB pixels.
inline constexpr std::uint32_t GraphBlack = 0xFF000000u;
inline constexpr std::uint32_t GraphWhite = 0xFFFFFFFFu;
inline constexpr std::uint32_t GraphRed = 0xFFFF0000u;

// The screen row of a voltage: 150 − (mV × 30 div 1000), limited to 0..150.
// 0 mV gives row 150, which lies just below the picture and is not drawn.
int GraphRow(int millivolts);

// The last 60 screen rows, oldest first; all 0 after clearing.
class VoltageHistory {
public:
    void Clear() { rows_.fill(0); }
    // Moves every entry one place toward the oldest; the new row is entry 59.
    void Append(int millivolts);
    const std::array<int, HistoryLength>& Rows() const { return rows_; }

private:
    std::array<int, HistoryLength> rows_{};
};

// A 240 × 150 picture, row by row from the top.
struct GraphPicture {
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(GraphWidth * GraphHeight, GraphBlack);
    std::uint32_t At(int x, int y) const { return pixels[y * GraphWidth + x]; }
    void Set(int x, int y, std::uint32_t c)
    {
        if (x >= 0 && x < GraphWidth && y >= 0 && y < GraphHeight)
            pixels[y * GraphWidth + x] = c;
    }
};

// The empty graph after clearing: black, with white rows at y = 30, 60, 90
// and 120 across the full width.
GraphPicture EmptyGraph();

// The graph of a history: black, white rows y = 30, 60, 90, 120 and white
// columns x = 65, 130, 195, then entry i as four red pixels x = 4i..4i+3 on
// its row.
GraphPicture DrawGraph(const VoltageHistory& history);
