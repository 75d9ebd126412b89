#include "Journal.h"

#include "TestFiles.h"

std::vector<int> JournalMonths(int currentMonth, int monthChoice)
{
    std::vector<int> months;
    if (monthChoice <= 0) {
        for (int m = currentMonth + 1; m <= 12; ++m)
            months.push_back(m);
        for (int m = 1; m <= currentMonth; ++m)
            months.push_back(m);
    } else {
        months.push_back(monthChoice);
    }
    return months;
}

std::vector<std::string> LoadJournal(int currentMonth, int monthChoice)
{
    std::vector<std::string> journal;
    for (int m : JournalMonths(currentMonth, monthChoice))
        LoadMonth(m, journal);
    return journal;
}

std::vector<std::string> ListLines(const std::vector<std::string>& journal, int personChoice,
                                   const std::string& selectedName)
{
    if (personChoice == 0)
        return journal;
    std::vector<std::string> listed;
    if (selectedName.empty())
        return listed;
    for (const std::string& line : journal)
        if (line.find(selectedName) != std::string::npos)
            listed.push_back(line);
    return listed;
}
