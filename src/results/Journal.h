#pragma once
// The journal of the results window: which month files it gathers, in
// which order, and which of its lines it lists for a person.
#include <array>
#include <string>
#include <vector>

// Items of the month choice: 0 = all months, 1..12 = January..December.
inline constexpr std::array<const char*, 13> MonthChoiceItems = {
    "все  месяцы", "январь", "февраль", "март", "апрель", "май", "июнь",
    "июль", "август", "сентябрь", "октябрь", "ноябрь", "декабрь",
};

// The months to load for a month choice, the current month being
// `currentMonth`: a choice of 0 or less gives all twelve in calendar order
// ending with the current month (in March: 4..12, then 1..3); 1..12 gives
// that month alone.
std::vector<int> JournalMonths(int currentMonth, int monthChoice);

// Loads those months' files into a journal of at most 5000 lines.
std::vector<std::string> LoadJournal(int currentMonth, int monthChoice);

// The journal lines to list: all of them for person choice 0; otherwise the
// lines holding `selectedName` as a substring (letter case counts), none
// when the name is empty.
std::vector<std::string> ListLines(const std::vector<std::string>& journal, int personChoice,
                                   const std::string& selectedName);
