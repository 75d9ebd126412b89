#include "TestCycle.h"

void TestCycle::PressTest()
{
    if (testRequest_) {
        testRequest_ = false;
        switchPending_ = true;
    } else {
        testRequest_ = true;
        switchPending_ = true;
        recordPending_ = true;
    }
}

void TestCycle::NoteMode(int mode)
{
    if (!recordPending_ && (mode == 3 || mode == 4))
        recordPending_ = true;
}

bool TestCycle::TakeRecording(int mode)
{
    if (mode != 6 || !recordPending_)
        return false;
    recordPending_ = false;
    return true;
}

bool TestCycle::TakeSwitch(bool& start)
{
    if (!switchPending_)
        return false;
    switchPending_ = false;
    start = testRequest_;
    return true;
}
