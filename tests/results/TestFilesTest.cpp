#include "Cp1251.h"
#include "DateFields.h"
#include "FileBytes.h"
#include "Files.h"
#include "TempDirTest.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

ClockReading At(int year, int month, int day, int hour, int minute)
{
    return ClockReading {year, month, day, hour, minute};
}

class TestFilesTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ResetDateFields();
        SetClock(At(2023, 12, 7, 9, 5));
    }
    void TearDown() override
    {
        ReadClock = SystemClock;
        TempDirTest::TearDown();
    }
    void SetClock(ClockReading r)
    {
        ReadClock = [r] { return r; };
    }
};

TEST_F(TestFilesTest, DateAndTimeFieldsFollowTheClock)
{
    EXPECT_EQ(MonthText, "01");
    ReadDate();
    EXPECT_EQ(DateDay, 7);
    EXPECT_EQ(DateMonth, 12);
    EXPECT_EQ(DateYear, 2023);
    EXPECT_EQ(MonthText, "12");
    EXPECT_EQ(TodayText, "07-12-2023");
    // The time is read separately and leaves the date alone.
    EXPECT_EQ(TimeHour, 0);
    SetClock(At(2024, 3, 15, 23, 59));
    ReadTime();
    EXPECT_EQ(TimeHour, 23);
    EXPECT_EQ(TimeMinute, 59);
    EXPECT_EQ(DateDay, 7);
    EXPECT_EQ(ExportFileName(), "Kav_07_12.txt");
}

TEST_F(TestFilesTest, RecordedTestOnSeventhOfDecemberGoesToDecemberFile)
{
    ReadDate();
    std::vector<std::string> shown;
    ASSERT_TRUE(OpenMonthFile(shown));
    ReadTime();
    const std::string line = TestLine("Иванов И.И.", 12);
    EXPECT_EQ(line, "07.12 09:05 > Иванов И.И.  -  1.2");
    ASSERT_TRUE(AppendTestLine(line));
    EXPECT_EQ(FileBytes("Test_12.txt"), ToCp1251("07.12 09:05 > Иванов И.И.  -  1.2") + "\r\n");
}

TEST_F(TestFilesTest, EmptyNameAndPromilleValues)
{
    ReadDate();
    ReadTime();
    EXPECT_EQ(TestLine("", 7), "07.12 09:05 >   -  0.7");
    EXPECT_EQ(TestRecord("N", 0), "> N  -  0.0");
    EXPECT_EQ(PromilleText(99), "9.9");
    // 10.0 promille and more keep every digit instead of a non-digit character.
    EXPECT_EQ(PromilleText(100), "10.0");
    EXPECT_EQ(PromilleText(123), "12.3");
    EXPECT_EQ(PromilleText(65535), "6553.5");
}

// Found by fuzzing: a name with a line break made two lines of one test,
// and a line appended to a file whose last line had no line end (edited by
// hand, or an append cut short by a crash) was glued onto that line.
TEST_F(TestFilesTest, ATestLineStaysOneLineOfItsOwn)
{
    ReadDate();
    ReadTime();
    EXPECT_EQ(TestLine("Иванов\r\nИван", 3), "07.12 09:05 > Иванов  Иван  -  0.3");

    MonthFileName = "Test_12.txt";
    for (const std::string& before : {std::string("07.12 08:00 > A  -  0.1"), std::string("07.12 08:00 > A  -  0.1\r")}) {
        PutFile("Test_12.txt", before);
        ASSERT_TRUE(AppendTestLine(TestLine("B", 2)));
        EXPECT_EQ(FileBytes("Test_12.txt"), "07.12 08:00 > A  -  0.1\r\n07.12 09:05 > B  -  0.2\r\n");
    }
    PutFile("Kav_07_12.txt", "X");
    ASSERT_TRUE(AppendExport("Kav_07_12.txt", {"Y"}));
    EXPECT_EQ(FileBytes("Kav_07_12.txt"), "X\r\nY\r\n");
}

TEST_F(TestFilesTest, OpeningAMonthWithoutFileCreatesItEmpty)
{
    ReadDate();
    std::vector<std::string> shown {"left over"};
    ASSERT_TRUE(OpenMonthFile(shown));
    EXPECT_EQ(MonthFileName, "Test_12.txt");
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(FileExists("Test_12.txt"));
    EXPECT_EQ(FileBytes("Test_12.txt"), "");
}

TEST_F(TestFilesTest, OpeningAMonthShowsItsLinesSkippingEmptyOnes)
{
    ReadDate();
    PutFile("Test_12.txt", ToCp1251("01.12 10:00 > Петров  -  0.0") + "\r\n\r\n" + "02.12 11:00 > A  -  0.3\n" +
                               "03.12 12:00 > B  -  0.4");
    std::vector<std::string> shown;
    ASSERT_TRUE(OpenMonthFile(shown));
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], "01.12 10:00 > Петров  -  0.0");
    EXPECT_EQ(shown[1], "02.12 11:00 > A  -  0.3");
    EXPECT_EQ(shown[2], "03.12 12:00 > B  -  0.4");
}

TEST_F(TestFilesTest, MonthFileStaysTheOneNamedAtActivation)
{
    SetClock(At(2023, 1, 31, 23, 58));
    ReadDate();
    std::vector<std::string> shown;
    ASSERT_TRUE(OpenMonthFile(shown));
    // Past midnight: the test belongs to February but is kept with January's.
    SetClock(At(2023, 2, 1, 0, 2));
    ReadDate();
    ReadTime();
    ASSERT_TRUE(AppendTestLine(TestLine("N", 5)));
    ASSERT_TRUE(AppendTestLine(TestLine("M", 6)));
    EXPECT_EQ(FileBytes("Test_01.txt"), "01.02 00:02 > N  -  0.5\r\n01.02 00:02 > M  -  0.6\r\n");
    EXPECT_FALSE(FileExists("Test_02.txt"));
}

TEST_F(TestFilesTest, FailedAppendIsReported)
{
    MonthFileName = "no_such_folder/Test_12.txt";
    std::string error;
    EXPECT_FALSE(AppendTestLine("07.12 09:05 > N  -  1.2", &error));
    EXPECT_NE(error.find("no_such_folder"), std::string::npos);
}

TEST_F(TestFilesTest, JournalKeepsTheFirstFiveThousandLinesInLoadOrder)
{
    for (int m = 1; m <= 12; ++m) {
        std::string bytes;
        for (int i = 0; i < 500; ++i)
            bytes += "01." + std::string(m < 10 ? "0" : "") + std::to_string(m) + " 10:00 > P" + std::to_string(i) +
                     "  -  0.1\r\n";
        PutFile(MonthFileNameFor(m), bytes);
    }
    std::vector<std::string> journal;
    for (int m : {5, 6, 7, 8, 9, 10, 11, 12, 1, 2, 3, 4})
        LoadMonth(m, journal);
    ASSERT_EQ(journal.size(), 5000u);
    EXPECT_EQ(journal.front(), "01.05 10:00 > P0  -  0.1");
    EXPECT_EQ(journal[500], "01.06 10:00 > P0  -  0.1");
    // Ten months of 500 lines fill the journal: February ends it, March and
    // April add nothing.
    EXPECT_EQ(journal.back(), "01.02 10:00 > P499  -  0.1");
}

TEST_F(TestFilesTest, LoadingAMissingMonthAddsNothing)
{
    PutFile("Test_03.txt", "15.03 08:00 > X  -  0.0\r\n");
    std::vector<std::string> journal;
    LoadMonth(2, journal);
    EXPECT_TRUE(journal.empty());
    LoadMonth(3, journal);
    EXPECT_EQ(journal, std::vector<std::string>({"15.03 08:00 > X  -  0.0"}));
    EXPECT_FALSE(FileExists("Test_02.txt"));
}

TEST_F(TestFilesTest, TwoExportsAppendOneAfterTheOther)
{
    const std::vector<std::string> lines {"07.12 09:05 > Сидоров  -  1.2", "07.12 09:15 > N  -  0.0"};
    ASSERT_TRUE(AppendExport("Kav_07_12.txt", lines));
    ASSERT_TRUE(AppendExport("Kav_07_12.txt", lines));
    const std::string once = ToCp1251(lines[0]) + "\r\n" + lines[1] + "\r\n";
    EXPECT_EQ(FileBytes("Kav_07_12.txt"), once + once);
    std::string error;
    EXPECT_FALSE(AppendExport("missing/dir.txt", lines, &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(TestFilesTest, ProtocolFileIsWrittenAnew)
{
    PutFile("Kav_07_12.txt", "old content that is longer than the new one\r\n");
    ASSERT_TRUE(WriteProtocol("Kav_07_12.txt", {"", "Штамп", ""}));
    EXPECT_EQ(FileBytes("Kav_07_12.txt"), "\r\n" + ToCp1251("Штамп") + "\r\n\r\n");
    std::string error;
    EXPECT_FALSE(WriteProtocol("missing/Kav.txt", {"x"}, &error));
    EXPECT_FALSE(error.empty());
}

} // namespace

TEST(ProtocolFormatTest, TypedSuffixWinsOverTheFilterElseTheFilterDecides)
{
    const auto text = ProtocolFormat::Text;
    const auto pdf = ProtocolFormat::Pdf;
    // ".pdf" or ".txt" in any case decides whatever the filter.
    EXPECT_EQ(ProtocolFormatFor("/w/Kav_21_03.PDF", text), pdf);
    EXPECT_EQ(ProtocolFormatFor("/w/act.Pdf", text), pdf);
    EXPECT_EQ(ProtocolFormatFor("/w/act.TXT", pdf), text);
    // Other names, ".pdf" inside a name and a bare "pdf" follow the filter.
    EXPECT_EQ(ProtocolFormatFor("/w/act.doc", pdf), pdf);
    EXPECT_EQ(ProtocolFormatFor("/w/act.pdf.bak", text), text);
    EXPECT_EQ(ProtocolFormatFor("/w/protocolpdf", text), text);
    EXPECT_EQ(ProtocolFormatFor("pdf", pdf), pdf);
}
