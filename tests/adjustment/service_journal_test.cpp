// The service journal and the adjustment protocol built from it.
#include "ServiceJournal.h"
#include "ServiceProtocol.h"

#include "Files.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TServiceEntry Entry(const std::string& time, const std::string& what, const std::string& verdict,
                    std::vector<std::string> details, int instrument = 1207)
{
    return {"09.12.2026", time, instrument, 512, what, verdict, std::move(details)};
}

} // namespace

TEST(ServiceJournal, LinesAreAppendedInTheFileFormatAndReadBack)
{
    TempDir dir;
    const SensorPointTable before{4000, 3500, 3000, 2000, 1800, 1000, 500};
    const SensorPointTable after{3850, 3350, 2850, 1850, 1650, 850, 350};
    std::string error;
    ASSERT_TRUE(AppendServiceEntry(Entry("10:15:02", JournalCharacteristic, VerdictConfirmed,
                                         CharacteristicDetails(30, 35, 2277, -150, before, after)),
                                   &error))
        << error;
    ASSERT_TRUE(AppendServiceEntry(Entry("10:16:40", JournalControlTest, "-", ControlTestDetails(30, 30, 2430)), &error));
    ASSERT_TRUE(AppendServiceEntry(Entry("10:20:11", JournalPathCalibration, VerdictUnconfirmed,
                                         PathCalibrationDetails(140, 5000, 114, 5083, {6400, 4000}, {800, 600})),
                                   &error));
    ASSERT_TRUE(AppendServiceEntry(Entry("10:22:00", JournalBlowDelta, VerdictConfirmed, ValueDetails(4, 6)), &error));
    ASSERT_TRUE(AppendServiceEntry(Entry("10:23:00", JournalNumbers, VerdictConfirmed,
                                         NumberDetails({1207, 512, 62, 3, 1}, {1208, 512, 0, 0, 0}), 1208),
                                   &error));

    std::string bytes;
    ASSERT_TRUE(ReadWholeFile("Service.txt", bytes));
    // Windows-1251, CR LF, the heading once.
    EXPECT_EQ(bytes.substr(0, 4), "\xE4\xE0\xF2\xE0");   // "дата"
    const auto entries = ReadServiceJournal();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(ServiceLine(entries[0]),
              "09.12.2026;10:15:02;1207;512;характеристика;подтверждена;газ 0.30;как найдено 0.35 2277 мВ;"
              "дельта -150 мВ;точки до 4000 3500 3000 2000 1800 1000 500;точки после 3850 3350 2850 1850 1650 850 350");
    EXPECT_EQ(ServiceLine(entries[1]),
              "09.12.2026;10:16:40;1207;512;контрольный тест;-;газ 0.30;как оставлено 0.30 2430 мВ;разница 0.00");
    EXPECT_EQ(ServiceLine(entries[2]),
              "09.12.2026;10:20:11;1207;512;калибровка тракта;не подтверждена;смещение нуля 140 -> 114;"
              "питание 5000 -> 5083;U1 6400 4000 мВ;U2 800 600 мВ");
    EXPECT_EQ(ServiceLine(entries[3]), "09.12.2026;10:22:00;1207;512;дельта запуска;подтверждена;было 4;стало 6");
    EXPECT_EQ(ServiceLine(entries[4]),
              "09.12.2026;10:23:00;1208;512;номера;подтверждена;прибор 1207 -> 1208;сенсор 512 -> 512;"
              "время работы 62 -> 0;тестов 3 -> 0;тестов >= 0.3 1 -> 0");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 6);
    EXPECT_EQ(bytes.find("\n\n"), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

    // The protocol of instrument 1207 that day, line by line.
    const auto page = ServiceProtocolPage(entries, 1207, "09.12.2026");
    const std::vector<std::string> want = {
        "             ПРОТОКОЛ РЕГУЛИРОВКИ ПРИБОРА \"Каврел 12кв\"",
        "",
        "Прибор N 1207      Дата 09.12.2026      Сенсор N 512",
        "",
        "1. 10:15:02  Характеристика: запись подтверждена",
        "    газ 0.30; как найдено 0.35 2277 мВ; дельта -150 мВ;",
        "    точки до 4000 3500 3000 2000 1800 1000 500;",
        "    точки после 3850 3350 2850 1850 1650 850 350",
        "    Контрольный тест 10:16:40:",
        "    газ 0.30; как оставлено 0.30 2430 мВ; разница 0.00",
        "2. 10:20:11  Калибровка тракта: ЗАПИСЬ НЕ ПОДТВЕРЖДЕНА",
        "    смещение нуля 140 -> 114; питание 5000 -> 5083; U1 6400 4000 мВ;",
        "    U2 800 600 мВ",
        "3. 10:22:00  Дельта запуска: запись подтверждена",
        "    было 4; стало 6",
        "",
        "Регулировку выполнил: _____________________________________",
        "",
        "Подпись: ____________________             Дата: ______________",
    };
    EXPECT_EQ(page, want);

    // Another day, or another instrument: the page says there is nothing.
    EXPECT_EQ(ServiceProtocolPage(entries, 1207, "10.12.2026"),
              (std::vector<std::string>{"             ПРОТОКОЛ РЕГУЛИРОВКИ ПРИБОРА \"Каврел 12кв\"", "",
                                        "Прибор N 1207      Дата 10.12.2026", "",
                                        "Сегодня записей о регулировке этого прибора в журнале Service.txt нет."}));

    // A page too short for the day keeps its signature and counts the rest.
    std::vector<TServiceEntry> many(40, entries[3]);
    const auto full = ServiceProtocolPage(many, 1207, "09.12.2026");
    EXPECT_LE(full.size(), 55u);
    EXPECT_EQ(full[full.size() - 5], "... и ещё записей: 17 (журнал Service.txt)");
    EXPECT_EQ(full.back(), want.back());
}

TEST(ServiceJournal, AJournalThatCannotBeWrittenIsToldAndLeftAsItWas)
{
    TempDir dir;
    std::filesystem::create_directory("Service.txt");
    std::string error;
    EXPECT_FALSE(AppendServiceEntry(Entry("10:00:00", JournalBlowDelta, VerdictConfirmed, ValueDetails(4, 6)), &error));
    EXPECT_EQ(error.rfind("Не удалось дописать файл Service.txt.\n", 0), 0u) << error;
    EXPECT_TRUE(ReadServiceJournal().empty());
}
