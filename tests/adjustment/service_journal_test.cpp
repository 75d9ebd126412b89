// The service journal, the certificate and the instrument's history built
// from it, without windows.
#include "Certificate.h"
#include "InstrumentHistory.h"
#include "ServiceJournal.h"
#include "ServiceSession.h"

#include "Cp1251.h"
#include "Files.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// A session's lines as the windows write them, at the clock given.
struct Day {
    std::string date = "09.12.2026";
    std::string time = "10:00:00";
    Day()
    {
        SetJournalClock([this] { return TJournalClock{date, time}; });
    }
    ~Day()
    {
        SetJournalClock({});
        EndSession();
    }
    void Append(const TServiceEntry& e)
    {
        std::string error;
        ASSERT_TRUE(AppendServiceEntry(e, &error)) << error;
    }
    void Note(const std::string& at, const char* what, int instrument, std::vector<std::string> details)
    {
        time = at;
        Append(NoteEntryNow(what, instrument, instrument ? 512 : 0, std::move(details)));
    }
    void Write(const std::string& at, int instrument, bool confirmed, int delta)
    {
        time = at;
        TServiceEntry e = NoteEntryNow(JournalCharacteristic, instrument, 512,
                                       CharacteristicDetails(30, 35, 2430, delta, std::nullopt,
                                                             {3850, 3350, 2850, 1850, 1650, 850, 350}));
        e.Verdict = confirmed ? VerdictConfirmed : VerdictUnconfirmed;
        Append(e);
    }
};

std::size_t Certificate(const std::vector<TServiceEntry>& journal)
{
    for (std::size_t i = journal.size(); i-- > 0;)
        if (journal[i].What == JournalCertificate)
            return i;
    return journal.size();
}

std::string Issue(Day& day, const std::string& at, int instrument)
{
    day.time = at;
    const auto journal = ReadServiceJournal();
    const TSessionFindings found = FindSession(journal, CurrentSession().Id, instrument);
    const std::string number = NextCertificateNumber(journal, 2026);
    day.Append(CertificateEntryNow(found, number));
    return found.Verdict;
}

} // namespace

// A whole session: sign-in, gas, as found, 15 writes, the control test, the
// certificate over two pages; the next session fails and gets the next number.
TEST(ServiceJournal, ASessionLeavesItsLinesAndANumberedCertificateOfEveryEntry)
{
    TempDir dir;
    Day day;
    BeginSession("Петров П.П.", 5, 12);
    EXPECT_EQ(CurrentSession().Id, "20261209-100000");
    day.Note("10:00:05", JournalSignIn, 0, EngineerDetails("Петров П.П."));
    day.Note("10:00:30", JournalGas, 0, GasDetails({30, "Б-17", "31.12.2027"}, 5, 12));
    day.Note("10:02:00", JournalAsFound, 1207, AsFoundDetails(30, 35, 2430));
    for (int i = 0; i < 15; ++i)
        day.Write("10:1" + std::to_string(i / 10) + ":" + std::to_string(10 + i), 1207, i != 3, -10 * i);
    day.Note("10:30:00", JournalControlTest, 1207, ControlTestDetails(30, 30, 2430));
    EXPECT_EQ(Issue(day, "10:31:00", 1207), VerdictAdjusted);

    std::string bytes;
    ASSERT_TRUE(ReadWholeFile("Service.txt", bytes));
    const std::string text = FromCp1251(bytes);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), ServiceJournalHeading);
    EXPECT_NE(text.find("\r\n09.12.2026;10:00:30;0;0;Петров П.П.;20261209-100000;газ;-;газ 0.30;партия Б-17;"
                        "годен до 31.12.2027;допуск 0.05;интервал 12 мес.;.\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\n09.12.2026;10:31:00;1207;512;Петров П.П.;20261209-100000;свидетельство;-;№ 2026-0001;"
                        "вывод отрегулирован, годен;следующая регулировка 09.12.2027;.\r\n"),
              std::string::npos);

    const auto journal = ReadServiceJournal();
    const auto pages = CertificatePages(journal, Certificate(journal));
    ASSERT_EQ(pages.size(), 2u);
    std::vector<std::string> all;
    for (const auto& page : pages) {
        EXPECT_EQ(page.size(), 55u);
        all.insert(all.end(), page.begin(), page.end());
    }
    EXPECT_EQ(pages[0][0], "                   СВИДЕТЕЛЬСТВО О РЕГУЛИРОВКЕ № 2026-0001");
    EXPECT_EQ(pages[0][54], std::string(64, ' ') + "Лист 1 из 2");
    EXPECT_EQ(pages[1][0], "Свидетельство о регулировке № 2026-0001 (продолжение)");
    EXPECT_EQ(pages[1][54], std::string(64, ' ') + "Лист 2 из 2");
    auto has = [&](const std::string& line) { return std::find(all.begin(), all.end(), line) != all.end(); };
    EXPECT_TRUE(has("Газ: 0.30 промилле, партия Б-17, годен до 31.12.2027"));
    EXPECT_TRUE(has("Как найдено: тест 09.12.2026 10:02:00: 0.35 2430 мВ, разница +0.05"));
    EXPECT_TRUE(has("4. 09.12.2026 10:10:13  Характеристика: ЗАПИСЬ НЕ ПОДТВЕРЖДЕНА"));
    EXPECT_TRUE(has("15. 09.12.2026 10:11:24  Характеристика: запись подтверждена"));
    EXPECT_TRUE(has("Как оставлено: тест 09.12.2026 10:30:00: 0.30 2430 мВ, разница 0.00"));
    EXPECT_TRUE(has("Вывод: отрегулирован, годен"));
    EXPECT_TRUE(has("Следующая регулировка: до 09.12.2027"));
    EXPECT_TRUE(has("Подпись: ____________________             Дата: 09.12.2026"));

    // The next session of the day: adjusted, left outside the tolerance.
    day.time = "11:00:00";
    BeginSession("Петров П.П.", 5, 12);
    day.Note("11:00:10", JournalGas, 0, GasDetails({30, "Б-17", "31.12.2027"}, 5, 12));
    day.Note("11:01:00", JournalAsFound, 1207, AsFoundDetails(30, 36, 2400));
    day.Write("11:02:00", 1207, true, -160);
    day.Note("11:03:00", JournalControlTest, 1207, ControlTestDetails(30, 24, 2600));
    EXPECT_EQ(Issue(day, "11:04:00", 1207), VerdictFailed);
    const auto second = ReadServiceJournal();
    const auto failed = CertificatePages(second, Certificate(second));
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0][0], "                   СВИДЕТЕЛЬСТВО О РЕГУЛИРОВКЕ № 2026-0002");
    EXPECT_NE(std::find(failed[0].begin(), failed[0].end(),
                        "    (как оставлено 0.24 при газе 0.30, разница -0.06, допуск ±0.05)"),
              failed[0].end());
    EXPECT_NE(std::find(failed[0].begin(), failed[0].end(), "Следующая регулировка: не назначается"), failed[0].end());
    // The first certificate prints again the same, whatever came after it.
    EXPECT_EQ(CertificatePages(second, Certificate(journal)), pages);
    EXPECT_EQ(NextCertificateNumber(second, 2026), "2026-0003");
    TServiceEntry torn;
    torn.Damaged = true;
    torn.Raw = "09.12.2026;12:00:00;1207;512;Петров П.П.;20261209-110000;свидетельство;-;№ 2026-0007;вывод";
    std::vector<TServiceEntry> withTorn = second;
    withTorn.push_back(torn);
    EXPECT_EQ(NextCertificateNumber(withTorn, 2026), "2026-0008");   // a torn line's number stays taken
    EXPECT_EQ(NextCertificateNumber(second, 2027), "2027-0001");
}

// Within the tolerance as found and nothing written; across midnight and
// through a renumbering the history finds every line, and the certificate
// knows both numbers.
TEST(ServiceJournal, TheHistoryFollowsTheInstrumentAcrossMidnightAndRenumbering)
{
    TempDir dir;
    Day day;
    day.date = "09.12.2026";
    day.time = "23:58:00";
    BeginSession(NoEngineer, 5, 6);
    day.Note("23:58:10", JournalGas, 0, GasDetails({30, "7", "09.12.2026"}, 5, 6));
    day.Note("23:59:30", JournalAsFound, 1207, AsFoundDetails(30, 33, 2480));
    day.date = "10.12.2026";
    day.time = "00:01:00";
    TServiceEntry renumber = NoteEntryNow(JournalNumbers, 1400, 512,
                                          NumberDetails({1207, 512, 62, 3, 1}, {1400, 512, 62, 3, 1}));
    renumber.Verdict = VerdictConfirmed;
    day.Append(renumber);
    EXPECT_EQ(Issue(day, "00:02:00", 1400), VerdictAsFound);
    day.time = "00:03:00";   // another instrument, another sensor
    day.Append(NoteEntryNow(JournalBlowDelta, 999, 77, ValueDetails(4, 6)));

    const auto journal = ReadServiceJournal();
    const auto rows = InstrumentHistory(journal, 1207, std::nullopt, std::nullopt);
    ASSERT_EQ(rows.size(), 4u);   // newest first, the other instrument left out
    EXPECT_EQ(journal[rows[0]].What, JournalCertificate);
    EXPECT_EQ(journal[rows[3]].What, JournalGas);
    EXPECT_EQ(InstrumentHistory(journal, 1400, TDay{2026, 12, 10}, std::nullopt).size(), 2u);
    const auto pages = CertificatePages(journal, rows[0]);
    ASSERT_EQ(pages.size(), 1u);
    auto has = [&](const std::string& line) {
        return std::find(pages[0].begin(), pages[0].end(), line) != pages[0].end();
    };
    EXPECT_TRUE(has("Прибор N 1400      Сенсор N 512      Дата 10.12.2026"));
    EXPECT_TRUE(has("Номера прибора в этом сеансе: 1400, 1207"));
    EXPECT_TRUE(has("Вывод: годен без регулировки"));
    EXPECT_TRUE(has("Следующая регулировка: до 10.06.2027"));
    EXPECT_TRUE(has("1. 10.12.2026 00:01:00  Номера: запись подтверждена"));
    EXPECT_TRUE(has("Как оставлено: как найдено (характеристика не записывалась)"));

    const std::string csv = FromCp1251(HistoryCsv(journal, {rows[0], rows[2]}));
    EXPECT_EQ(csv, std::string(HistoryCsvHeading) + "\r\n"
                       "10.12.2026;00:02:00;1400;512;не указан;20261209-235800;свидетельство;-;"
                       "\"№ 2026-0001; вывод годен без регулировки; следующая регулировка 10.06.2027\"\r\n"
                       "09.12.2026;23:59:30;1207;512;не указан;20261209-235800;как найдено;-;"
                       "\"газ 0.30; как найдено 0.33 2480 мВ; разница +0.03\"\r\n");

    // An expired gas is refused, one on its last day is not.
    EXPECT_EQ(GasRefusal({30, "7", "09.12.2026"}, {2026, 12, 9}), "");
    EXPECT_EQ(GasRefusal({30, "7", "09.12.2026"}, {2026, 12, 10}),
              "Срок годности газа истек 09.12.2026: газ с истекшим сроком для регулировки не годится.");
    EXPECT_EQ(GasRefusal({30, "7", "31.02.2027"}, {2026, 12, 10}), "Срок годности газа не является датой (ДД.ММ.ГГГГ).");
}

// A line a crash tore off, garbage, and a journal of the earlier layout:
// damaged lines are told as such, never taken for writes; the next append
// starts a line of its own under the new heading.
TEST(ServiceJournal, TornAndForeignLinesAreDamagedAndOldJournalsStayReadable)
{
    TempDir dir;
    const std::string old = ToCp1251(std::string(ServiceJournalOldHeading) + "\r\n"
                                     "09.12.2026;10:15:02;1207;512;характеристика;подтверждена;газ 0.30\r\n"
                                     "мусор без полей\r\n"
                                     "09.12.2026;10:16:00;1207;512;характеристика;подтверж");
    ASSERT_TRUE(WriteFileAtomically("Service.txt", old));
    auto journal = ReadServiceJournal();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_FALSE(journal[0].Damaged);
    EXPECT_EQ(journal[0].Engineer, NoEngineer);
    EXPECT_EQ(journal[0].Verdict, VerdictConfirmed);
    EXPECT_TRUE(journal[1].Damaged);
    EXPECT_TRUE(journal[2].Damaged);   // torn: no line end
    EXPECT_EQ(journal[2].Instrument, 1207);

    Day day;
    day.Note("10:20:00", JournalControlTest, 1207, ControlTestDetails(30, 30, 2430));
    journal = ReadServiceJournal();
    ASSERT_EQ(journal.size(), 4u);
    EXPECT_TRUE(journal[2].Damaged);   // still torn: the end mark never came
    EXPECT_FALSE(journal[3].Damaged);
    EXPECT_EQ(journal[3].What, JournalControlTest);
    const auto lines = HistoryLines(journal, InstrumentHistory(journal, 1207, std::nullopt, std::nullopt), 1207);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "ПОВРЕЖДЕННАЯ СТРОКА ЖУРНАЛА (не запись):"), 2);

    // A field holding the separator cannot shift the fields after it.
    TServiceEntry e = NoteEntryNow(JournalGas, 0, 0, {"партия 1;2"});
    e.Engineer = "А;Б";
    auto back = ParseServiceLine(ServiceLine(e));
    ASSERT_TRUE(back && !back->Damaged);
    EXPECT_EQ(back->Engineer, "А Б");
    EXPECT_EQ(back->Details, std::vector<std::string>{"партия 1 2"});
}

TEST(ServiceJournal, AJournalThatCannotBeWrittenIsToldAndLeftAsItWas)
{
    TempDir dir;
    std::filesystem::create_directory("Service.txt");
    std::string error;
    TServiceEntry e = NoteEntryNow(JournalBlowDelta, 1207, 512, ValueDetails(4, 6));
    EXPECT_FALSE(AppendServiceEntry(e, &error));
    EXPECT_EQ(error.rfind("Не удалось дописать файл Service.txt.\n", 0), 0u) << error;
    EXPECT_TRUE(ReadServiceJournal().empty());
}
