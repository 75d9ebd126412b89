#include "ServiceSession.h"

#include "ServiceJournal.h"
#include "Text.h"

namespace {
int MonthLength(int year, int month)
{
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return lengths[month - 1] + (month == 2 && leap ? 1 : 0);
}
} // namespace

TServiceSession& CurrentSession()
{
    static TServiceSession session;
    return session;
}

bool SessionOpen()
{
    return !CurrentSession().Id.empty();
}

void BeginSession(const std::string& engineer, int tolerance, int intervalMonths)
{
    EndSession();
    const TJournalClock now = JournalNow();
    TServiceSession& s = CurrentSession();
    // "09.12.2026" "10:15:02" -> "20261209-101502"
    s.Id = now.Date.substr(6, 4) + now.Date.substr(3, 2) + now.Date.substr(0, 2) + "-" + now.Time.substr(0, 2)
        + now.Time.substr(3, 2) + now.Time.substr(6, 2);
    s.Engineer = engineer.empty() ? NoEngineer : engineer;
    s.Gas.reset();
    s.Tolerance = tolerance;
    s.IntervalMonths = intervalMonths;
}

void EndSession()
{
    CurrentSession() = TServiceSession{};
}

std::optional<TDay> ParseDay(const std::string& text)
{
    if (text.size() != 10 || text[2] != '.' || text[5] != '.')
        return std::nullopt;
    for (std::size_t i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    TDay d{std::stoi(text.substr(6, 4)), std::stoi(text.substr(3, 2)), std::stoi(text.substr(0, 2))};
    if (d.Month < 1 || d.Month > 12 || d.Day < 1 || d.Day > MonthLength(d.Year, d.Month) || d.Year < 1900)
        return std::nullopt;
    return d;
}

std::string DayText(const TDay& day)
{
    return TwoDigits(day.Day) + "." + TwoDigits(day.Month) + "." + std::to_string(day.Year);
}

TDay AddMonths(const TDay& day, int months)
{
    const int total = day.Year * 12 + (day.Month - 1) + months;
    TDay d{total / 12, total % 12 + 1, day.Day};
    const int last = MonthLength(d.Year, d.Month);
    if (d.Day > last)
        d.Day = last;
    return d;
}

std::string GasRefusal(const TSessionGas& gas, const TDay& today)
{
    if (gas.Alcohol < 1 || gas.Alcohol > 800)
        return "Значение газа должно быть от 0.01 до 8.00 промилле.";
    const auto expiry = ParseDay(gas.Expiry);
    if (!expiry)
        return "Срок годности газа не является датой (ДД.ММ.ГГГГ).";
    if (*expiry < today)
        return "Срок годности газа истек " + gas.Expiry + ": газ с истекшим сроком для регулировки не годится.";
    return {};
}
