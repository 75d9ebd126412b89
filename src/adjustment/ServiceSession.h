#pragma once
// The service session: from the engineer's sign-in (or, without accounts,
// from the adjustment window's opening) to the adjustment window's
// closing. Every journal line written meanwhile carries its engineer and its
// id; the test gas the engineer stated, the tolerance and the service
// interval of Kavrel.ini are the session's. Program-wide, one at a time.
#include <optional>
#include <string>

// The test gas: blood alcohol in hundredths of a promille, lot or cylinder
// number, expiry date (DD.MM.YYYY).
struct TSessionGas {
    int Alcohol = 0;
    std::string Lot;
    std::string Expiry;
};

struct TServiceSession {
    std::string Id;                    // YYYYMMDD-HHMMSS of its start; empty: none open
    std::string Engineer;
    std::optional<TSessionGas> Gas;
    int Tolerance = 5;                 // hundredths of a promille, either way
    int IntervalMonths = 12;
};

TServiceSession& CurrentSession();
bool SessionOpen();
// Opens a session of now for `engineer` (NoEngineer without accounts) with
// the tolerance and interval given; a session still open is closed first.
void BeginSession(const std::string& engineer, int tolerance, int intervalMonths);
void EndSession();

// Dates as the journal writes them, DD.MM.YYYY.
struct TDay {
    int Year = 0, Month = 0, Day = 0;
    auto operator<=>(const TDay&) const = default;
};
std::optional<TDay> ParseDay(const std::string& text);
std::string DayText(const TDay& day);
// The day `months` later; the 31st of a shorter month becomes its last day.
TDay AddMonths(const TDay& day, int months);

// Why the gas cannot serve on `today`, empty when it can: an expiry date
// that is not a date, or one already passed (the gas may be used on its
// expiry day itself), a value outside 0.01..8.00 promille.
std::string GasRefusal(const TSessionGas& gas, const TDay& today);
