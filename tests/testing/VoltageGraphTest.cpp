#include "VoltageGraph.h"

#include <gtest/gtest.h>

TEST(VoltageGraphTest, RowScaleIsThirtyPixelsPerVoltAndLimited)
{
    EXPECT_EQ(GraphRow(0), 150);
    EXPECT_EQ(GraphRow(5000), 0);
    EXPECT_EQ(GraphRow(6000), 0);
    EXPECT_EQ(GraphRow(65535), 0);
    EXPECT_EQ(GraphRow(999), 121); // 29970 div 1000 = 29
    EXPECT_EQ(GraphRow(1000), 120);
    EXPECT_EQ(GraphRow(34), 149); // 1020 div 1000 = 1
}

TEST(VoltageGraphTest, HistoryShiftsTowardTheOldest)
{
    VoltageHistory h;
    for (int r : h.Rows())
        EXPECT_EQ(r, 0);
    h.Append(1000);
    h.Append(2000);
    EXPECT_EQ(h.Rows()[59], 90);
    EXPECT_EQ(h.Rows()[58], 120);
    EXPECT_EQ(h.Rows()[57], 0);
    for (int i = 0; i < 60; ++i)
        h.Append(5000);
    EXPECT_EQ(h.Rows()[0], 0);
    h.Append(0);
    EXPECT_EQ(h.Rows()[59], 150);
    h.Clear();
    EXPECT_EQ(h.Rows()[59], 0);
}

TEST(VoltageGraphTest, EmptyGraphHasOnlyTheFourWhiteRows)
{
    const GraphPicture p = EmptyGraph();
    int white = 0;
    for (int y = 0; y < GraphHeight; ++y)
        for (int x = 0; x < GraphWidth; ++x) {
            const bool row = y == 30 || y == 60 || y == 90 || y == 120;
            EXPECT_EQ(p.At(x, y), row ? GraphWhite : GraphBlack) << x << "," << y;
            white += p.At(x, y) == GraphWhite;
        }
    EXPECT_EQ(white, 4 * 240);
}

TEST(VoltageGraphTest, DrawnGraphHasGridColumnsAndRedSegmentsOnTop)
{
    VoltageHistory h;
    for (int i = 0; i < 59; ++i)
        h.Append(0); // row 150: off the picture
    h.Append(1000);  // row 120, over the white grid row
    const GraphPicture p = DrawGraph(h);
    // Entry 59 takes x = 236..239 on row 120, red over white.
    for (int x = 236; x < 240; ++x)
        EXPECT_EQ(p.At(x, 120), GraphRed);
    EXPECT_EQ(p.At(235, 120), GraphWhite);
    // Grid columns and rows.
    for (int x : {65, 130, 195}) {
        EXPECT_EQ(p.At(x, 0), GraphWhite);
        EXPECT_EQ(p.At(x, 149), GraphWhite);
    }
    EXPECT_EQ(p.At(0, 30), GraphWhite);
    EXPECT_EQ(p.At(66, 0), GraphBlack);
    EXPECT_EQ(p.At(0, 149), GraphBlack); // row 150 draws nothing
    int red = 0;
    for (auto px : p.pixels)
        red += px == GraphRed;
    EXPECT_EQ(red, 4);

    // A cleared history draws its sixty entries along the top row.
    VoltageHistory top;
    const GraphPicture q = DrawGraph(top);
    for (int x = 0; x < 240; ++x)
        EXPECT_EQ(q.At(x, 0), GraphRed);
}
