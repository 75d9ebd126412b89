#include "FileBytes.h"
#include "Journal.h"
#include "TempDirTest.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

using Months = std::vector<int>;

TEST(JournalMonthsTest, AllMonthsEndWithTheCurrentOne)
{
    EXPECT_EQ(JournalMonths(3, 0), Months({4, 5, 6, 7, 8, 9, 10, 11, 12, 1, 2, 3}));
    EXPECT_EQ(JournalMonths(12, 0), Months({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(JournalMonths(1, 0), Months({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 1}));
    // No item chosen reads as all months.
    EXPECT_EQ(JournalMonths(1, -1), JournalMonths(1, 0));
    EXPECT_EQ(JournalMonths(3, 7), Months({7}));
}

class JournalTest : public TempDirTest {};

TEST_F(JournalTest, FifteenthOfMarchGathersAprilToDecemberThenJanuaryToMarch)
{
    for (int m = 1; m <= 12; ++m)
        PutFile(MonthFileNameFor(m), "line of month " + std::to_string(m) + "\r\n");
    const std::vector<std::string> journal = LoadJournal(3, 0);
    ASSERT_EQ(journal.size(), 12u);
    EXPECT_EQ(journal.front(), "line of month 4");
    EXPECT_EQ(journal[8], "line of month 12");
    EXPECT_EQ(journal[9], "line of month 1");
    EXPECT_EQ(journal.back(), "line of month 3");
    EXPECT_EQ(LoadJournal(3, 5), std::vector<std::string>({"line of month 5"}));
}

TEST(ListLinesTest, PersonFilterIsACaseSensitiveSubstring)
{
    const std::vector<std::string> journal {
        "01.03 10:00 > Иванов  -  0.0",
        "01.03 10:05 > Иванова Анна  -  0.1",
        "01.03 10:10 > ИВАНОВ  -  0.2",
        "01.03 10:15 > Петров  -  0.3",
    };
    EXPECT_EQ(ListLines(journal, 0, "Петров"), journal);
    // A name inside a longer one lists both persons; other letter case does not match.
    EXPECT_EQ(ListLines(journal, 1, "Иванов"), std::vector<std::string>({journal[0], journal[1]}));
    EXPECT_EQ(ListLines(journal, 1, "ИВАНОВ"), std::vector<std::string>({journal[2]}));
    EXPECT_TRUE(ListLines(journal, 1, "").empty());
    EXPECT_TRUE(ListLines(journal, 1, "Сидоров").empty());
}

} // namespace
