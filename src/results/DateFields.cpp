#include "DateFields.h"

#include "Text.h"

#include <ctime>

ClockReading SystemClock()
{
    std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    ClockReading r;
    r.year = local.tm_year + 1900;
    r.month = local.tm_mon + 1;
    r.day = local.tm_mday;
    r.hour = local.tm_hour;
    r.minute = local.tm_min;
    r.second = local.tm_sec;
    r.utcOffsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
    return r;
}

std::function<ClockReading()> ReadClock = SystemClock;

int DateYear = 2000;
int DateMonth = 1;
int DateDay = 1;
std::string MonthText = "01";
std::string TodayText = "01-01-2000";
int TimeHour = 0;
int TimeMinute = 0;

namespace {

ClockReading ReadNow()
{
    return ReadClock ? ReadClock() : SystemClock();
}

void TakeDate(const ClockReading& r)
{
    DateYear = r.year;
    DateMonth = r.month;
    DateDay = r.day;
    MonthText = TwoDigits(DateMonth);
    TodayText = DateText(DateDay, DateMonth, DateYear);
}

void TakeTime(const ClockReading& r)
{
    TimeHour = r.hour;
    TimeMinute = r.minute;
}

} // namespace

void ReadDate()
{
    TakeDate(ReadNow());
}

void ReadTime()
{
    TakeTime(ReadNow());
}

ClockReading ReadDateTime()
{
    const ClockReading r = ReadNow();
    TakeDate(r);
    TakeTime(r);
    return r;
}

void ResetDateFields()
{
    DateYear = 2000;
    DateMonth = 1;
    DateDay = 1;
    MonthText = "01";
    TodayText = "01-01-2000";
    TimeHour = 0;
    TimeMinute = 0;
}
