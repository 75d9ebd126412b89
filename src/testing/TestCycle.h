#pragma once
// The three flags that tie a test request to the line recorded for it.
//
// The operator's test button arms a recording and queues a mode switch; the
// instrument's own modes 3 and 4 arm a recording as well (a test started at
// the instrument). Mode 6 records once per arming. The queued mode switch
// goes out after the next reply for the instrument mode: ':' '2' when a test
// is requested, ':' '3' when the request was withdrawn.
class TestCycle {
public:
    bool TestRequest() const { return testRequest_; }
    bool SwitchPending() const { return switchPending_; }
    bool RecordPending() const { return recordPending_; }

    // The test button: the first press requests a test, queues the switch
    // and arms a recording; the next press withdraws the request and queues
    // the switch again, leaving the recording armed.
    void PressTest();

    // First step for a new instrument mode: modes 3 and 4 arm a recording.
    void NoteMode(int mode);

    // True (once per arming) when the mode is 6 and a recording is armed;
    // the arming is used up.
    bool TakeRecording(int mode);

    // Whether a mode switch is queued; `start` tells which digit ('2' for a
    // requested test, '3' otherwise). The queue is emptied.
    bool TakeSwitch(bool& start);

private:
    bool testRequest_ = false;
    bool switchPending_ = false;
    bool recordPending_ = false;
};
