// The test register on its own, in a temporary working folder: creation with
// the old month lines, records of tests, the check against tampering done
// with SQLite's own library, the journal view and the CSV export, and a
// register that cannot be written or is damaged.
#include "Cp1251.h"
#include "DateFields.h"
#include "FileBytes.h"
#include "FileFaults.h"
#include "RegisterCsv.h"
#include "RegisterDb.h"
#include "RegisterView.h"
#include "TempDir.h"
#include "TestFiles.h"
#include "TestRegister.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string bytes;
    for (const auto& l : lines)
        bytes += ToCp1251(l) + "\r\n";
    return bytes;
}

class RegisterTest : public ::testing::Test {
protected:
    void SetUp() override { SetClock({2024, 3, 15, 10, 20, 0, 180}); }
    void TearDown() override { ReadClock = SystemClock; }

    void SetClock(ClockReading at)
    {
        ReadClock = [at] { return at; };
    }

    // A test completed at `at`, as the online window records it: the month
    // file named at activation, the line appended, then the record.
    std::string RecordTest(TestRegister& reg, ClockReading at, const std::string& name, int v6,
                           std::optional<int> instrument = 1207, std::optional<int> sensor = 512)
    {
        SetClock(at);
        const ClockReading now = ReadDateTime();
        const std::string line = TestLine(name, v6);
        const bool written = AppendTestLine(line);
        return reg.Add(TestRecordOf(now, name, v6, instrument, sensor, MonthFileName, line, written));
    }

    std::string Message(TestRegister& reg)
    {
        return CheckMessage(CheckRegister(reg.Store(), reg.Pending()), reg.FileName());
    }

    TempDir dir_;
};

TEST_F(RegisterTest, CreatedWithTheOldLinesThenOneRecordPerTestChainedAndExported)
{
    PutFile("Test_03.txt", Lines({"14.03 09:00 > Иванов  -  0.0", "15.03 08:15 > Петров; Пётр \"Пе\"  -  12.3"}));
    PutFile("Test_12.txt", Lines({"20.12 11:30 > Сидоров  -  0.2", "руками: без даты"}));
    {
        TestRegister reg;
        EXPECT_EQ(reg.Open(), "");
        EXPECT_TRUE(reg.Readable());
        MonthFileName = "Test_03.txt"; // the online window's activation in March
        EXPECT_EQ(RecordTest(reg, {2024, 3, 15, 10, 20, 5, 180}, "Орлов О. О.", 4), "");
        EXPECT_EQ(RecordTest(reg, {2024, 3, 15, 23, 59, 59, 180}, "=СУММ(A1)", 7, std::nullopt, std::nullopt), "");
        EXPECT_EQ(Message(reg), "");
    }
    // Numbers continue after a restart; nothing is imported twice.
    TestRegister reg;
    EXPECT_EQ(reg.Open(), "");
    EXPECT_EQ(RecordTest(reg, {2024, 3, 16, 0, 0, 1, 180}, "Орлов\r\nО. О.", 0), "");
    EXPECT_EQ(SqliteRows("Kavrel.db", RegisterRowsSql),
              std::vector<std::string>({
                  "1|20.12|11:30|||12|Сидоров|2|0.2|||Test_12.txt|20.12 11:30 > Сидоров  -  0.2|год не указан",
                  "2|||||12||||||Test_12.txt|руками: без даты|год не указан",
                  "3|14.03|09:00|||3|Иванов|0|0.0|||Test_03.txt|14.03 09:00 > Иванов  -  0.0|год не указан",
                  "4|15.03|08:15|||3|Петров; Пётр \"Пе\"|123|12.3|||Test_03.txt|15.03 08:15 > Петров; Пётр \"Пе\"  -  "
                  "12.3|год не указан",
                  "5|15.03.2024|10:20:05|+03:00|2024|3|Орлов О. О.|4|0.4|1207|512|Test_03.txt|15.03 10:20 > Орлов О. О.  "
                  "-  0.4|",
                  "6|15.03.2024|23:59:59|+03:00|2024|3|=СУММ(A1)|7|0.7|||Test_03.txt|15.03 23:59 > =СУММ(A1)  -  0.7|",
                  "7|16.03.2024|00:00:01|+03:00|2024|3|Орлов  О. О.|0|0.0|1207|512|Test_03.txt|16.03 00:00 > Орлов  О. "
                  "О.  -  0.0|",
              }));
    EXPECT_EQ(SqliteRows("Kavrel.db", "PRAGMA journal_mode"), std::vector<std::string>({"wal"}));
    EXPECT_EQ(Message(reg), "");
    // The program's own tables refuse a change.
    EXPECT_NE(SqliteExec("Kavrel.db", "UPDATE tests SET result = '0.0' WHERE no = 5"), "");
    EXPECT_NE(SqliteExec("Kavrel.db", "DELETE FROM tests WHERE no = 7"), "");

    // The journal of 2024 in March, then of no known year.
    RegisterError e;
    JournalView view = ViewJournal(reg.Store(), {YearChoice::Kind::One, 2024}, 3, 0, "", reg.Pending(), {}, 5000, &e);
    ASSERT_EQ(view.entries.size(), 3u);
    EXPECT_EQ(view.entries[0].shown, "     5  15.03.2024 10:20:05 > Орлов О. О.  -  0.4");
    EXPECT_EQ(view.entries[2].shown, "     7  16.03.2024 00:00:01 > Орлов  О. О.  -  0.0");
    view = ViewJournal(reg.Store(), {YearChoice::Kind::Unknown, 0}, 0, 1, "Сидоров", reg.Pending(), {}, 5000, &e);
    ASSERT_EQ(view.entries.size(), 1u);
    EXPECT_EQ(view.entries[0].shown, "     1  20.12 11:30 > Сидоров  -  0.2  (год не указан)");
    view = ViewJournal(reg.Store(), {YearChoice::Kind::All, 0}, 0, 0, "", reg.Pending(), {}, 2, &e);
    EXPECT_EQ(view.total, 7);
    ASSERT_EQ(view.entries.size(), 2u); // the newest two
    EXPECT_EQ(view.entries[0].record->number, 6);
    const YearItems years = YearChoices(reg.Store(), 2026, false, &e);
    EXPECT_EQ(years.texts, std::vector<std::string>({"Все годы", "2024", "2026", "год не указан"}));

    long long written = 0;
    std::string error;
    ASSERT_TRUE(WriteJournalCsv(reg.Store(), {YearChoice::Kind::All, 0}, "j.csv", &written, &error)) << error;
    EXPECT_EQ(written, 7);
    EXPECT_EQ(FileBytes("j.csv"),
              ToCp1251("№;дата;время;ФИО;результат;прибор;сенсор;примечание\r\n"
                       "1;20.12.????;11:30;Сидоров;0,2;;;год не указан\r\n"
                       "2;;;;;;;год не указан\r\n"
                       "3;14.03.????;09:00;Иванов;0,0;;;год не указан\r\n"
                       "4;15.03.????;08:15;\"Петров; Пётр \"\"Пе\"\"\";12,3;;;год не указан\r\n"
                       "5;15.03.2024;10:20:05;Орлов О. О.;0,4;1207;512;\r\n"
                       "6;15.03.2024;23:59:59;'=СУММ(A1);0,7;;;\r\n"
                       "7;16.03.2024;00:00:01;Орлов  О. О.;0,0;1207;512;\r\n"));
}

// Each change made with SQLite's own library, and each hand edit of a month
// file, on a copy of one untouched register.
TEST_F(RegisterTest, TamperingIsToldWithTheFirstRecordThatDoesNotMatch)
{
    {
        TestRegister reg;
        ASSERT_EQ(reg.Open(), "");
        MonthFileName = "Test_03.txt";
        for (int i = 0; i < 5; ++i)
            RecordTest(reg, {2024, 3, 15, 10, 20 + i, 30, 180}, "Тестируемый " + std::to_string(i + 1), i);
    }
    const std::string month = FileBytes("Test_03.txt");
    ASSERT_EQ(SqliteRows("Kavrel.db", "PRAGMA wal_checkpoint(TRUNCATE)").size(), 1u);
    const std::string whole = FileBytes("Kavrel.db");
    const auto told = [&](const std::string& sql, const std::string& monthBytes) {
        PutFile("Kavrel.db", whole);
        fs::remove("Kavrel.db-wal");
        fs::remove("Kavrel.db-shm");
        PutFile("Test_03.txt", monthBytes);
        if (!sql.empty()) {
            EXPECT_EQ(SqliteExec("Kavrel.db", sql), "");
        }
        TestRegister reg;
        EXPECT_EQ(reg.Open(), "");
        return Message(reg);
    };
    const std::string unguard = "DROP TRIGGER tests_no_update; DROP TRIGGER tests_no_delete;";
    const std::string reguard =
        "CREATE TRIGGER tests_no_update BEFORE UPDATE ON tests BEGIN SELECT RAISE(ABORT, 'x'); END;"
        "CREATE TRIGGER tests_no_delete BEFORE DELETE ON tests BEGIN SELECT RAISE(ABORT, 'x'); END;";

    EXPECT_EQ(told("", month), "");
    EXPECT_EQ(told(unguard + "UPDATE tests SET result = '0.0', tenths = 0 WHERE no = 3;" + reguard, month),
              "Журнал тестов Kavrel.db не совпадает с тем, что записала в него программа:\n"
              "- запись № 3 от 15.03.2024 10:22:30, Тестируемый 3 изменена или вставлена не программой: её "
              "контрольная сумма не совпадает.\n\nВсе записи и строки показаны.");
    EXPECT_EQ(told(unguard + "DELETE FROM tests WHERE no = 2;" + reguard, month),
              "Журнал тестов Kavrel.db не совпадает с тем, что записала в него программа:\n"
              "- перед записью № 3 от 15.03.2024 10:22:30, Тестируемый 3 нет записи № 2: удалены;\n"
              "- строка 2 файла Test_03.txt «15.03 10:21 > Тестируемый 2  -  0.1» не имеет записи в журнале "
              "(вписана вручную?).\n\nВсе записи и строки показаны.");
    EXPECT_EQ(told(unguard + "DELETE FROM tests WHERE no >= 4;" + reguard, month),
              "Журнал тестов Kavrel.db не совпадает с тем, что записала в него программа:\n"
              "- после последней записи нет записей № 4–5: удалены;\n"
              "- строка 4 файла Test_03.txt «15.03 10:23 > Тестируемый 4  -  0.3» не имеет записи в журнале "
              "(вписана вручную?) (и ещё несовпадений: 1).\n\nВсе записи и строки показаны.");
    EXPECT_EQ(told(unguard, month),
              "Журнал тестов Kavrel.db не совпадает с тем, что записала в него программа:\n"
              "- снята защита журнала от изменения и удаления записей.\n\nВсе записи и строки показаны.");
    // A record made up with its own chain value computed wrong.
    EXPECT_EQ(told("INSERT INTO tests VALUES (6, '16.03.2024', '09:00:00', '+03:00', 2024, 3, 'Никто', 0, '0.0', "
                   "1207, 512, 'Test_03.txt', '16.03 09:00 > Никто  -  0.0', '', 'abc')",
                   month + ToCp1251("16.03 09:00 > Никто  -  0.0\r\n")),
              "Журнал тестов Kavrel.db не совпадает с тем, что записала в него программа:\n"
              "- запись № 6 от 16.03.2024 09:00:00, Никто изменена или вставлена не программой: её контрольная "
              "сумма не совпадает.\n\nВсе записи и строки показаны.");
    // The month file edited by hand: a line typed in, a result changed.
    std::string edited = month;
    edited.insert(edited.find("15.03 10:22"), ToCp1251("15.03 10:21 > Вписанный  -  0.0\r\n"));
    EXPECT_EQ(told("", edited),
              "Журнал тестов Kavrel.db не совпадает с тем, что записала в него программа:\n"
              "- строка 3 файла Test_03.txt «15.03 10:21 > Вписанный  -  0.0» не имеет записи в журнале (вписана "
              "вручную?).\n\nВсе записи и строки показаны.");
    edited = month;
    edited.replace(edited.find("0.4"), 3, "0.0");
    EXPECT_EQ(told("", edited),
              "Журнал тестов Kavrel.db не совпадает с тем, что записала в него программа:\n"
              "- у записи № 5 от 15.03.2024 10:24:30, Тестируемый 5 нет её строки «15.03 10:24 > Тестируемый 5  -  "
              "0.4» в файле Test_03.txt;\n"
              "- строка 5 файла Test_03.txt «15.03 10:24 > Тестируемый 5  -  0.0» не имеет записи в журнале "
              "(вписана вручную?).\n\nВсе записи и строки показаны.");
    EXPECT_EQ(told("", month), "");
}

// A register that cannot be written keeps the records in memory, tells it
// once, and writes them, in order, as soon as it can; the month lines are
// written all along.
TEST_F(RegisterTest, UnwritableRegisterKeepsTheRecordsAndTellsOnce)
{
    ASSERT_EQ(::mkdir("Kavrel.db", 0755), 0);
    TestRegister reg;
    const std::string atStart = reg.Open();
    EXPECT_EQ(atStart, "Журнал тестов Kavrel.db не может быть записан:\nна этом месте папка, а не файл\n\n"
                       "Результаты тестов по-прежнему записываются в файлы Test_MM.txt; записи журнала хранятся "
                       "в памяти программы и будут записаны в журнал, как только это станет возможно.");
    MonthFileName = "Test_03.txt";
    EXPECT_EQ(RecordTest(reg, {2024, 3, 15, 10, 21, 0, 180}, "Первый", 1), ""); // told at the start already
    EXPECT_EQ(reg.Pending().size(), 1u);
    ASSERT_EQ(::rmdir("Kavrel.db"), 0);
    EXPECT_EQ(RecordTest(reg, {2024, 3, 15, 10, 22, 0, 180}, "Второй", 2), "");
    EXPECT_TRUE(reg.Pending().empty());
    // Created now: the month's lines of the waiting tests are theirs, not
    // imported.
    EXPECT_EQ(SqliteRows("Kavrel.db", "SELECT no, name, ifnull(year, '?') FROM tests"),
              std::vector<std::string>({"1|Первый|2024", "2|Второй|2024"}));

    // Full: the size limit stops the register's next write.
    {
        FileSizeLimit limit(fs::file_size("Kavrel.db-wal") + 100);
        const std::string told = RecordTest(reg, {2024, 3, 15, 10, 23, 0, 180}, "Третий", 3);
        EXPECT_EQ(told, "Результат теста не записан в журнал тестов Kavrel.db:\nпревышен допустимый размер файла\n\n"
                        "Запись хранится в памяти программы и будет записана в журнал, как только это станет "
                        "возможно.");
        EXPECT_EQ(RecordTest(reg, {2024, 3, 15, 10, 24, 0, 180}, "Четвёртый", 4), "");
        EXPECT_FALSE(reg.Flush());
    }
    EXPECT_EQ(reg.Pending().size(), 2u);
    EXPECT_EQ(Message(reg), ""); // the waiting tests' lines are theirs
    EXPECT_TRUE(reg.Flush());
    EXPECT_EQ(SqliteRows("Kavrel.db", "SELECT no, name FROM tests"),
              std::vector<std::string>({"1|Первый", "2|Второй", "3|Третий", "4|Четвёртый"}));
    EXPECT_EQ(Message(reg), "");
    EXPECT_EQ(FileBytes("Test_03.txt"), Lines({"15.03 10:21 > Первый  -  0.1", "15.03 10:22 > Второй  -  0.2",
                                               "15.03 10:23 > Третий  -  0.3", "15.03 10:24 > Четвёртый  -  0.4"}));

    // Read-only for the user the program runs as (root may write anything).
    reg.Store().Close();
    ASSERT_EQ(::chmod("Kavrel.db", 0444), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(::chown("Kavrel.db", 65534, 65534), 0);
    }
    const std::string problem = RunUnprivileged([this] {
        TestRegister readOnly;
        const std::string open = readOnly.Open();
        if (open.find("файл доступен только для чтения") == std::string::npos)
            return "not told at the start: " + open;
        MonthFileName = "Test_03.txt";
        if (const std::string t = RecordTest(readOnly, {2024, 3, 15, 10, 25, 0, 180}, "Пятый", 5); !t.empty())
            return "told twice: " + t;
        if (readOnly.Pending().size() != 1 || !readOnly.Readable())
            return std::string("not kept, or the register cannot be read");
        if (CheckMessage(CheckRegister(readOnly.Store(), readOnly.Pending()), "Kavrel.db") != "")
            return std::string("the waiting test's line is told");
        ::chmod("Kavrel.db", 0644);
        if (!readOnly.Flush())
            return "not written once writable: " + readOnly.LastError().reason;
        return std::string();
    });
    EXPECT_EQ(problem, "");
    EXPECT_EQ(SqliteRows("Kavrel.db", "SELECT count(*), max(name) FROM tests"),
              std::vector<std::string>({"5|Четвёртый"}));
}

// A file that is no register is kept, renamed aside, byte for byte; a new
// register takes its place with the month lines.
TEST_F(RegisterTest, DamagedOrForeignFileIsKeptAsideNeverOverwritten)
{
    PutFile("Test_03.txt", Lines({"14.03 09:00 > Иванов  -  0.0"}));
    const std::string garbage = "SQLite format 3\0 это не база данных, а кусок текста" + std::string(300, 'x');
    PutFile("Kavrel.db", garbage);
    SetClock({2024, 3, 15, 10, 20, 7, 180});
    {
        TestRegister reg;
        EXPECT_EQ(reg.Open(), "Файл Kavrel.db не является журналом тестов этой программы или повреждён: это не "
                              "файл базы данных (файл повреждён или чужой).\nФайл не изменён и сохранён под "
                              "именем Kavrel-damaged-20240315-102007.db.\nНачат новый журнал тестов; строки "
                              "файлов Test_MM.txt перенесены в него с пометкой «год не указан».");
        EXPECT_EQ(FileBytes("Kavrel-damaged-20240315-102007.db"), garbage);
        EXPECT_EQ(SqliteRows("Kavrel.db", "SELECT no, line FROM tests"),
                  std::vector<std::string>({"1|14.03 09:00 > Иванов  -  0.0"}));
    }
    // Another program's database.
    fs::remove("Kavrel.db");
    fs::remove("Kavrel.db-wal");
    fs::remove("Kavrel.db-shm");
    ASSERT_EQ(SqliteExec("Kavrel.db", "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('моё')"), "");
    const std::string foreign = FileBytes("Kavrel.db");
    TestRegister reg;
    EXPECT_NE(reg.Open().find("это база данных другой программы, а не журнал тестов.\nФайл не изменён и "
                              "сохранён под именем Kavrel-damaged-20240315-102007-2.db."),
              std::string::npos);
    EXPECT_EQ(FileBytes("Kavrel-damaged-20240315-102007-2.db"), foreign);
    EXPECT_EQ(SqliteRows("Kavrel-damaged-20240315-102007-2.db", "SELECT text FROM notes"),
              std::vector<std::string>({"моё"}));
    EXPECT_TRUE(reg.Readable());
    reg.Store().Close();

    // Damage deep inside, where only reading every record finds it: the
    // results window's check finds it, and the file goes aside the same way.
    std::string month;
    for (int i = 0; i < 400; ++i)
        month += "15.03 10:20 > Тестируемый с длинным именем номер " + std::to_string(i) + "  -  0.1\n";
    PutFile("Test_03.txt", ToCp1251(month));
    for (const char* f : {"Kavrel.db", "Kavrel.db-wal", "Kavrel.db-shm"})
        fs::remove(f);
    {
        TestRegister made;
        ASSERT_EQ(made.Open(), "");
    }
    std::string damaged = FileBytes("Kavrel.db");
    ASSERT_GT(damaged.size(), 8u * 4096);
    // The head of the table page holding record 200.
    const std::size_t page = damaged.find("номер 199  -") / 4096 * 4096;
    ASSERT_GT(page, 0u);
    for (std::size_t i = page; i < page + 64; ++i)
        damaged[i] = '\xA5';
    PutFile("Kavrel.db", damaged);
    SetClock({2024, 3, 15, 10, 30, 0, 180});
    TestRegister deep;
    EXPECT_EQ(deep.Open(), "");
    const RegisterCheck check = CheckRegister(deep.Store(), deep.Pending());
    ASSERT_TRUE(check.failed);
    EXPECT_EQ(check.failed->fault, RegisterFault::Damaged);
    EXPECT_NE(deep.SetAside(*check.failed).find("сохранён под именем Kavrel-damaged-20240315-103000.db"),
              std::string::npos);
    EXPECT_EQ(FileBytes("Kavrel-damaged-20240315-103000.db"), damaged);
    EXPECT_TRUE(CheckRegister(deep.Store(), deep.Pending()).Clean());
    EXPECT_EQ(SqliteRows("Kavrel.db", "SELECT count(*) FROM tests"), std::vector<std::string>({"400"}));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // Qt SQL loads its SQLite driver as a plugin
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
