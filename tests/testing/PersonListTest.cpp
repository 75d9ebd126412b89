#include "PersonList.h"
#include "TextCase.h"

#include "Cp1251.h"
#include "FileFaults.h"
#include "Files.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

class PersonListTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPersonList(); }
    TempDir folder_;
};

std::string FileText()
{
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(PersonFileName, bytes));
    return bytes;
}

// A file with the given names followed by empty records.
std::string FileWith(std::initializer_list<const char*> names)
{
    std::string bytes;
    int k = 0;
    for (const char* n : names) {
        bytes += ToCp1251(n) + "\r\n;\r\n";
        ++k;
    }
    for (; k < PersonSlots; ++k)
        bytes += " \r\n;\r\n";
    return bytes;
}

} // namespace

TEST_F(PersonListTest, MissingFileIsCreatedWithEmptyRecordsAndEmptyGrid)
{
    ASSERT_TRUE(LoadPersonList());
    NumberPersonList();
    EXPECT_EQ(PersonCount, 0);
    std::string expected;
    for (int k = 0; k < 501; ++k)
        expected += " \r\n;\r\n";
    EXPECT_EQ(FileText(), expected); // 1002 lines alternating " " and ";"
    EXPECT_EQ(PersonNames[500], " ");
    EXPECT_EQ(PersonMarks[0], ";");
}

TEST_F(PersonListTest, AddingToEmptyListFillsSlotZeroRowOneAndTheFile)
{
    LoadPersonList();
    NumberPersonList();
    bool saved = false;
    ASSERT_TRUE(AddPerson("Иванов Иван Иванович", &saved));
    EXPECT_TRUE(saved);
    EXPECT_EQ(PersonCount, 1);
    EXPECT_EQ(PersonNumberTexts[1], "  1");
    EXPECT_EQ(ListedNames[1], "Иванов Иван Иванович");
    EXPECT_EQ(SelectedPerson, 1);
    EXPECT_EQ(SelectedName, "Иванов Иван Иванович");
    const std::string text = FileText();
    EXPECT_EQ(text.substr(0, text.find("\r\n")), ToCp1251("Иванов Иван Иванович"));
    EXPECT_EQ(text.size(), FileWith({"Иванов Иван Иванович"}).size());

    // A later load sees the same list.
    ResetPersonList();
    LoadPersonList();
    NumberPersonList();
    EXPECT_EQ(PersonCount, 1);
    EXPECT_EQ(ListedNames[1], "Иванов Иван Иванович");
}

TEST_F(PersonListTest, AddingIsRefusedForSelectedNameInAnyCaseAndForEmptySelection)
{
    LoadPersonList();
    NumberPersonList();
    // Nothing selected and an empty edit: nothing happens.
    EXPECT_FALSE(AddPerson(""));
    EXPECT_EQ(PersonCount, 0);

    ASSERT_TRUE(AddPerson("иванов"));
    EXPECT_FALSE(AddPerson("ИВАНОВ"));
    EXPECT_FALSE(AddPerson("Иванов"));
    EXPECT_EQ(PersonCount, 1);

    // Only the selected name is compared: a duplicate of another name is added.
    ASSERT_TRUE(AddPerson("Петров"));
    EXPECT_TRUE(AddPerson("ИВАНОВ"));
    EXPECT_EQ(PersonCount, 3);
    // With a person selected an empty text is added as an empty name.
    EXPECT_TRUE(AddPerson(""));
    EXPECT_EQ(PersonCount, 4);
    EXPECT_EQ(ListedNames[4], "");
}

TEST_F(PersonListTest, CaseFoldingCoversLatinAndCyrillicLetters)
{
    EXPECT_TRUE(SameTextIgnoringCase("иванов", "ИВАНОВ"));
    EXPECT_TRUE(SameTextIgnoringCase("Ёлкин Яков", "ёЛКИН яКОВ"));
    EXPECT_TRUE(SameTextIgnoringCase("Ґудзь Їжак Єва Іван Ўладзь", "ґудзь їжак єва іван ўладзь"));
    EXPECT_TRUE(SameTextIgnoringCase("Smith J.", "SMITH j."));
    EXPECT_FALSE(SameTextIgnoringCase("Иванов", "Иванова"));
    EXPECT_FALSE(SameTextIgnoringCase("Е", "Ё")); // different letters
    EXPECT_FALSE(SameTextIgnoringCase("и", "й"));
    EXPECT_EQ(LowerCaseText("АБВ-xyz 123 ЮЯ"), "абв-xyz 123 юя");
}

TEST_F(PersonListTest, NumberingStopsAtTheFirstEmptySlot)
{
    ASSERT_TRUE(WriteFileAtomically(PersonFileName, FileWith({"Один", "Два", " ", "Четыре"})));
    LoadPersonList();
    NumberPersonList();
    EXPECT_EQ(PersonCount, 2);
    EXPECT_EQ(ListedNames[2], "Два");
    EXPECT_EQ(ListedNames[3], "");
    // Adding fills the first empty slot, keeping the later slot untouched.
    SelectPerson(1);
    ASSERT_TRUE(AddPerson("Три"));
    EXPECT_EQ(PersonNames[2], "Три");
    EXPECT_EQ(PersonCount, 4);
    EXPECT_EQ(ListedNames[4], "Четыре");
}

TEST_F(PersonListTest, ShortHandEditedFileReadsMissingLinesAsEmpty)
{
    // LF-only line ends, a lone CR, and a file that stops after three lines.
    ASSERT_TRUE(WriteFileAtomically(PersonFileName, ToCp1251("Сидоров\n;\rКузнецов")));
    LoadPersonList();
    EXPECT_EQ(PersonNames[0], "Сидоров");
    EXPECT_EQ(PersonMarks[0], ";");
    EXPECT_EQ(PersonNames[1], "Кузнецов");
    EXPECT_EQ(PersonMarks[1], "");
    EXPECT_EQ(PersonNames[2], "");
    NumberPersonList();
    // Empty slots hold "" rather than " ", so they count as persons without
    // names until the count reaches 500.
    EXPECT_EQ(PersonCount, 500);
    EXPECT_EQ(ListedNames[3], "");
}

TEST_F(PersonListTest, ListIsLimitedTo500NamesAndTheLastOneIsNumbered)
{
    LoadPersonList();
    NumberPersonList();
    for (int n = 1; n <= 500; ++n)
        ASSERT_TRUE(AddPerson("Имя " + std::to_string(n)));
    EXPECT_EQ(PersonCount, 500);
    EXPECT_EQ(PersonNumberTexts[500], "500");
    EXPECT_EQ(PersonNumberTexts[10], " 10");
    EXPECT_EQ(SelectedPerson, 500);
    EXPECT_EQ(SelectedName, "Имя 500");
    EXPECT_FALSE(AddPerson("Лишний"));
    EXPECT_EQ(PersonNames[500], " ");
    ResetPersonList();
    LoadPersonList();
    NumberPersonList();
    EXPECT_EQ(PersonCount, 500);
}

TEST_F(PersonListTest, SavingWithoutAFileWritesTheWholeList)
{
    LoadPersonList();
    NumberPersonList();
    AddPerson("Орлов");
    ASSERT_EQ(::unlink(PersonFileName), 0);
    ASSERT_TRUE(SavePersonList());
    EXPECT_EQ(FileText(), FileWith({"Орлов"}));
}

TEST_F(PersonListTest, LineBreaksInANameDoNotSplitTheRecord)
{
    LoadPersonList();
    NumberPersonList();
    ASSERT_TRUE(AddPerson("Орлов\r\nОлег"));
    EXPECT_EQ(FileText(), FileWith({"Орлов  Олег"}));
}

TEST_F(PersonListTest, SelectingOutsideTheListGivesAnEmptyName)
{
    ASSERT_TRUE(WriteFileAtomically(PersonFileName, FileWith({"Один", "Два"})));
    LoadPersonList();
    NumberPersonList();
    SelectPerson(2);
    EXPECT_EQ(SelectedName, "Два");
    SelectPerson(7);
    EXPECT_EQ(SelectedPerson, 7);
    EXPECT_EQ(SelectedName, "");
    SelectPerson(0);
    EXPECT_EQ(SelectedName, "");
}

TEST_F(PersonListTest, FailedSaveIsReported)
{
    LoadPersonList();
    NumberPersonList();
    ASSERT_EQ(::mkdir("Personal.txt.tmp", 0755), 0); // the temporary file cannot be made
    bool saved = true;
    std::string error;
    EXPECT_TRUE(AddPerson("Орлов", &saved, &error));
    EXPECT_FALSE(saved);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ListedNames[1], "Орлов"); // kept in memory for a later save
}

// A list the program may write but not read (or read only in part) must not
// come back as 500 empty names that the next save writes over every name.
TEST_F(PersonListTest, UnreadableFileIsReportedKeptAndNeverSavedOver)
{
    const std::string problem = RunUnprivileged([]() -> std::string {
        const std::string bytes = FileWith({"Иванов", "Петров"});
        {
            std::ofstream out(PersonFileName, std::ios::binary);
            out << bytes;
        }
        ::chmod(PersonFileName, 0200); // writable, not readable
        std::string error;
        if (LoadPersonList(&error))
            return "an unreadable file loaded";
        if (error != "Файл Personal.txt не удаётся прочитать: нет прав доступа.\n"
                     "Список тестируемых пуст; файл оставлен без изменений.")
            return "message: " + error;
        NumberPersonList();
        if (PersonCount != 0)
            return "persons listed: " + std::to_string(PersonCount);
        bool saved = true;
        std::string saveError;
        if (!AddPerson("Сидоров", &saved, &saveError) || saved)
            return "a name was saved over the unreadable file";
        std::string leaving;
        if (SavePersonList(&leaving) || leaving.empty())
            return "leaving the window saved over the unreadable file";
        ::chmod(PersonFileName, 0600);
        std::string now;
        ReadWholeFile(PersonFileName, now);
        if (now != bytes)
            return "the file changed";
        // Readable again: loaded as it is, and saving works.
        if (!LoadPersonList())
            return "the readable file did not load";
        NumberPersonList();
        if (PersonCount != 2 || !SavePersonList())
            return "after the repair: " + std::to_string(PersonCount);
        return "";
    });
    EXPECT_EQ(problem, "");
}

// Found by fuzzing: lines past the 501 records (a merged or hand-edited
// file) were dropped by the next save.
TEST_F(PersonListTest, FileRunningOnPastItsRecordsIsShownButNeverSavedOver)
{
    const std::string bytes = FileWith({"Иванов", "Петров"}) + ToCp1251("Сидоров\r\n;\r\n");
    {
        std::ofstream out(PersonFileName, std::ios::binary);
        out << bytes;
    }
    std::string error;
    EXPECT_FALSE(LoadPersonList(&error));
    EXPECT_EQ(error, "Файл Personal.txt длиннее списка из 501 записи: строки после 1002-й не показаны.\n"
                     "Файл оставлен без изменений, новые имена в него не записываются.");
    EXPECT_TRUE(PersonFileUnreadable);
    NumberPersonList();
    EXPECT_EQ(PersonCount, 2);
    bool saved = true;
    std::string saveError;
    EXPECT_TRUE(AddPerson("Орлов", &saved, &saveError));
    EXPECT_FALSE(saved);
    EXPECT_NE(saveError.find("длиннее"), std::string::npos);
    EXPECT_FALSE(SavePersonList());
    EXPECT_EQ(FileText(), bytes);

    // Empty records or lines after the records lose nothing: such a file is
    // saved as usual.
    {
        std::ofstream out(PersonFileName, std::ios::binary);
        out << FileWith({"Иванов"}) << " \r\n;\r\n\r\n";
    }
    EXPECT_TRUE(LoadPersonList());
    EXPECT_TRUE(SavePersonList());
}
