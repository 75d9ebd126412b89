#pragma once
// The program-wide date and time fields. They are refreshed from the clock
// only at the moments the windows ask for it (window activation, recording a
// test), and stamp the test lines and the names of the month and export files.
#include <functional>
#include <string>

// One reading of the local clock.
struct ClockReading {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;   // 0..23
    int minute = 0; // 0..59
    int second = 0; // 0..59 (60 in a leap second)
    int utcOffsetMinutes = 0; // local time minus UTC: +180 in Moscow
};

// The clock the fields are read from. The program uses the system's local
// time; tests replace it with a fixed reading.
extern std::function<ClockReading()> ReadClock;
// The system's local time (the default of ReadClock).
ClockReading SystemClock();

extern int DateYear;
extern int DateMonth;           // 1..12
extern int DateDay;             // 1..31
extern std::string MonthText;   // the month as two digits, "01" at start
extern std::string TodayText;   // DD-MM-YYYY
extern int TimeHour;
extern int TimeMinute;

// Read the date (today): fills DateYear, DateMonth, DateDay, MonthText and
// TodayText from ReadClock.
void ReadDate();
// Read the time (now): fills TimeHour and TimeMinute from ReadClock.
void ReadTime();
// Reads the clock once and fills the date and the time fields from that one
// reading, so that a test recorded at midnight gets the date and the time
// of the same moment. Returns the reading (seconds and UTC offset too).
ClockReading ReadDateTime();

// Sets every field back to its start value (tests).
void ResetDateFields();
