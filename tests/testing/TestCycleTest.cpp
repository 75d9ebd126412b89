#include "TestCycle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Runs the mode steps the window performs for each reply for the mode and
// counts the recordings.
int Recordings(TestCycle& c, const std::vector<int>& modes)
{
    int n = 0;
    for (int m : modes) {
        c.NoteMode(m);
        n += c.TakeRecording(m);
    }
    return n;
}

} // namespace

TEST(TestCycleTest, InstrumentStartedTestRecordsOnceAtTheFirstSix)
{
    TestCycle c;
    EXPECT_EQ(Recordings(c, {2, 3, 4, 4, 5, 6, 6}), 1);
    EXPECT_FALSE(c.RecordPending());
    bool start = false;
    EXPECT_FALSE(c.TakeSwitch(start)); // no button press, no switch frame
}

TEST(TestCycleTest, SixWithoutArmingRecordsNothing)
{
    TestCycle c;
    EXPECT_EQ(Recordings(c, {0, 1, 2, 6, 6, 5, 6}), 0);
    // A recording uses up its arming: a later 6 without 3 or 4 writes nothing.
    EXPECT_EQ(Recordings(c, {3, 6}), 1);
    EXPECT_EQ(Recordings(c, {6, 5, 6}), 0);
}

TEST(TestCycleTest, TestButtonArmsAndQueuesStart)
{
    TestCycle c;
    c.PressTest();
    EXPECT_TRUE(c.TestRequest());
    EXPECT_TRUE(c.RecordPending());
    bool start = false;
    ASSERT_TRUE(c.TakeSwitch(start));
    EXPECT_TRUE(start);
    EXPECT_FALSE(c.TakeSwitch(start)); // sent once
    EXPECT_EQ(Recordings(c, {6}), 1);  // armed by the button alone
}

TEST(TestCycleTest, PressingTwiceQueuesOneStop)
{
    TestCycle c;
    c.PressTest();
    c.PressTest();
    EXPECT_FALSE(c.TestRequest());
    EXPECT_TRUE(c.SwitchPending());
    EXPECT_TRUE(c.RecordPending()); // withdrawing does not disarm
    bool start = true;
    ASSERT_TRUE(c.TakeSwitch(start));
    EXPECT_FALSE(start);
    EXPECT_FALSE(c.TakeSwitch(start));
}
