#include "VoltageGraph.h"

#include <algorithm>

int GraphRow(int millivolts)
{
    return std::clamp(150 - millivolts * 30 / 1000, 0, 150);
}

void VoltageHistory::Append(int millivolts)
{
    std::copy(rows_.begin() + 1, rows_.end(), rows_.begin());
    rows_.back() = GraphRow(millivolts);
}

namespace {

void DrawGridRows(GraphPicture& p)
{
    for (int y = 30; y <= 120; y += 30)
        for (int x = 0; x < GraphWidth; ++x)
            p.Set(x, y, GraphWhite);
}

} // namespace

GraphPicture EmptyGraph()
{
    GraphPicture p;
    DrawGridRows(p);
    return p;
}

GraphPicture DrawGraph(const VoltageHistory& history)
{
    // The black strokes 10 pixels wide at x = 5, 15, ... 235 cover the whole
    // picture, so the picture starts black.
    GraphPicture p;
    DrawGridRows(p);
    for (int x = 65; x <= 195; x += 65)
        for (int y = 0; y < GraphHeight; ++y)
            p.Set(x, y, GraphWhite);
    const auto& rows = history.Rows();
    for (int i = 0; i < HistoryLength; ++i)
        for (int x = 4 * i; x < 4 * i + 4; ++x)
            p.Set(x, rows[i], GraphRed);
    return p;
}
