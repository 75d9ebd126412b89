// The sensor database without its window: the exchange both sensor windows
// run, selecting sensors, the transfers between the instrument and the
// database, new and corrected records, numbers and statistics.
#include "SensorBase.h"

#include "Adjusting.h"
#include "Bytes.h"
#include "FakeLine.h"
#include "FileBytes.h"
#include "Files.h"
#include "Registers.h"
#include "SensorState.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Bytes = FakeLine::Bytes;

const SensorPointTable Typical = {4000, 3500, 3000, 2000, 1800, 1000, 500};
const SensorPointTable Other = {3800, 3300, 2900, 1950, 1750, 980, 480};

std::vector<Bytes> Reads(int bank, std::initializer_list<int> addresses)
{
    std::vector<Bytes> out;
    for (int a : addresses)
        out.push_back(FakeLine::Read(bank, a));
    return out;
}

std::vector<Bytes> NumberReads()
{
    auto reads = Reads(1, {0, 1, 2, 3, 9, 10, 11});
    for (const auto& r : Reads(2, {27, 31, 28, 29, 30}))
        reads.push_back(r);
    return reads;
}

// A group file whose records hold the given points (the rest zeros).
void PutGroup(int group, const std::vector<std::pair<int, SensorPointTable>>& records)
{
    std::string bytes(SensorGroupFileSize, '\0');
    for (const auto& [slot, points] : records)
        for (int k = 0; k < SensorPointCount; ++k) {
            std::uint8_t word[2];
            PackWord(word, points[k]);
            bytes[slot * SensorRecordSize + 2 * k] = static_cast<char>(word[0]);
            bytes[slot * SensorRecordSize + 2 * k + 1] = static_cast<char>(word[1]);
        }
    PutFile(SensorGroupFileName(group * 100), bytes);
}

SensorPointTable FilePoints(int number)
{
    const std::string bytes = FileBytes(SensorGroupFileName(number));
    SensorRecord record{};
    std::copy_n(bytes.data() + (number % 100) * SensorRecordSize, SensorRecordSize, record.begin());
    return RecordPoints(record);
}

class SensorBaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSensorState();
        BaseTable.fill(0);
        BasePoints.fill(0);
        base = std::make_unique<TSensorBase>(reading);
        line.Join(base->Exchange.Engine, [this](const Bytes& b) {
            base->Exchange.Receive(b.data(), static_cast<std::uint16_t>(b.size()));
        });
        base->Hooks.Tell = [this](const std::string& text) { told.push_back(text); };
        base->Hooks.RejectPoints = [this](const SensorPointTable& p) { rejected.push_back(p); };
    }

    // The instrument side as the adjustment window leaves it after reading.
    void InstrumentHolds(const SensorPointTable& points)
    {
        SensorPoints = points;
        DeriveSensorTable(points, Data_Sen);
        Data_Sen[11] = 1;
        Data_Sen[13] = 140;
        Data_Sen[25] = 5000;
        Data_Sen[27] = 1207;
        PointsFromSensorTable();
        for (int a = 0; a < 32; ++a)
            line.bank2[a] = Data_Sen[a];
    }

    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            base->Exchange.Tick();
    }

    TempDir dir;
    bool reading = false;
    FakeLine line;
    std::unique_ptr<TSensorBase> base;
    std::vector<std::string> told;
    std::vector<SensorPointTable> rejected;
};

} // namespace

TEST_F(SensorBaseTest, NumberListsKeepTheirOrder)
{
    for (int a = 27; a <= 31; ++a)
        Data_Sen[a] = 1000 + a;
    std::vector<Bytes> reads;
    for (const TCommandItem& item : NumberReadList())
        reads.emplace_back(item.begin(), item.begin() + 4);
    EXPECT_EQ(reads, NumberReads());

    std::vector<Bytes> writes;
    for (const TCommandItem& item : NumberWriteList())
        writes.emplace_back(item.begin(), item.begin() + 6);
    std::vector<Bytes> expected;
    for (int a : {27, 31, 27, 31, 27, 31, 28, 29, 30})
        expected.push_back(FakeLine::Write(a, 1000 + a));
    EXPECT_EQ(writes, expected);
}

TEST_F(SensorBaseTest, EveryWriteIsReadBackAtOnce)
{
    line.bank2[27] = 1207;
    line.bank2[28] = 62;
    base->View.EEPROM = "  444";
    base->View.Sensor = "   12";
    base->View.Time = "12.5";
    base->View.TestAll = "7";
    base->View.Test03 = "2";
    base->PrepareNumberWrite();
    EXPECT_EQ(Data_Sen[28], 62);
    EXPECT_EQ(SensorNumber, 12);
    EXPECT_EQ(base->View.EditNS, "   12");

    std::vector<int> progress;
    base->Hooks.Show = [&](unsigned parts) {
        if (parts & BaseProgress)
            progress.push_back(base->View.ProgressWr);
    };
    base->StartNumberWrite();
    EXPECT_TRUE(line.timerOn);
    line.Answer();

    std::vector<Bytes> expected;
    for (auto [a, v] : {std::pair{27, 444}, {31, 12}, {27, 444}, {31, 12}, {27, 444}, {31, 12}, {28, 62},
                        {29, 7}, {30, 2}})
        expected.push_back(FakeLine::Write(a, v));
    for (const auto& r : NumberReads())
        expected.push_back(r);
    EXPECT_EQ(line.sent, expected);
    EXPECT_EQ(line.bank2[28], 62);
    // Read back: shown as numbers, the time as hours.
    EXPECT_EQ(base->View.EEPROM, "  444");
    EXPECT_EQ(base->View.Time, "   12.4");
    EXPECT_EQ(base->View.TestAll, "    7");
    // The bar counts the write frames sent after the first, up to five,
    // and is back at 0 when a list ends.
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(*std::max_element(progress.begin(), progress.end()), 5);
    EXPECT_EQ(progress.back(), 0);
    EXPECT_EQ(ExchangeState, ExchangeIdle);
    Ticks(1);
    EXPECT_FALSE(line.timerOn);
    EXPECT_TRUE(told.empty());

    // The instrument counts its operating time up every 12 minutes: a step
    // between the write and its read-back is no fault, two are.
    std::vector<std::string> unconfirmed;
    base->Hooks.Unconfirmed = [&](const std::string& text) { unconfirmed.push_back(text); };
    const auto listEnd = base->Exchange.Hooks.ListEnd;
    for (int step : {1, 2}) {
        base->Exchange.Hooks.ListEnd = [&, step](bool writeList) {
            listEnd(writeList);
            if (writeList)
                line.bank2[28] += step;
        };
        base->StartNumberWrite();
        line.Answer();
        EXPECT_EQ(unconfirmed.size(), step == 1 ? 0u : 1u) << step;
        EXPECT_EQ(base->View.Time, step == 1 ? "   12.6" : "   13.0"); // 62 + 1, then 63 + 2
    }
    ASSERT_EQ(unconfirmed.size(), 1u);
    EXPECT_NE(unconfirmed[0].find("слово 28: записано 63, прочитано 65"), std::string::npos) << unconfirmed[0];
}

TEST_F(SensorBaseTest, WithTheReadingFlagTheReadListRepeatsAndSilenceEndsIt)
{
    reading = true;
    base->StartNumberRead();
    line.Answer();
    ASSERT_EQ(line.sent.size(), 12u);
    Ticks(2);
    EXPECT_EQ(line.sent.size(), 12u) << "two quiet ticks";
    Ticks(1);
    // The third tick starts the list again.
    EXPECT_EQ(line.SentSince(12), (std::vector<Bytes>{FakeLine::Read(1, 0)}));
    line.Drop();
    Ticks(49);
    EXPECT_TRUE(line.timerOn);
    EXPECT_EQ(line.portClosed, 0);
    bool gaveUp = false;
    bool portClosed = false;
    base->Exchange.Hooks.GaveUp = [&](bool closed, bool) {
        gaveUp = true;
        portClosed = closed;
    };
    Ticks(2);
    EXPECT_TRUE(gaveUp);
    EXPECT_TRUE(portClosed);
    EXPECT_EQ(line.portClosed, 1);
    EXPECT_FALSE(line.timerOn);
}

// Without the reading flag, too, a frame unanswered for a whole tick period
// is asked for again: a lost reply costs a tick or two, and only a silent
// line is given up after 50 ticks.
TEST_F(SensorBaseTest, WithoutTheReadingFlagALostReplyIsAskedForAgainAndSilenceIsGivenUp)
{
    base->StartNumberRead();
    line.Drop();
    Ticks(1);
    EXPECT_EQ(line.sent.size(), 1u) << "its reply may still be on its way";
    Ticks(1);
    ASSERT_EQ(line.sent.size(), 2u);
    EXPECT_EQ(line.sent[1], line.sent[0]) << "sent again";
    line.Answer();
    EXPECT_EQ(line.sent.size(), 13u) << "the list went on to its end, the copy's answer passed over";
    EXPECT_FALSE(base->Exchange.Busy());
    base->StartNumberRead();
    line.Drop();
    Ticks(50);
    EXPECT_EQ(line.sent.size(), 13u + 1u + 49u);
    EXPECT_TRUE(told.empty());
    Ticks(1);
    EXPECT_EQ(told, std::vector<std::string>{
                        "Прибор не отвечает: обмен прекращён. Проверьте подключение прибора и повторите."});
    EXPECT_FALSE(line.timerOn);
    EXPECT_EQ(ExchangeState, ExchangeIdle);
    EXPECT_EQ(line.portClosed, 0);
    EXPECT_FALSE(base->Exchange.Busy());
}

TEST_F(SensorBaseTest, StepsSelectTheSensorAndItsGroup)
{
    PutGroup(2, {{0, Typical}});
    base->View.EditNS = "0";
    base->PreviousSensor();
    EXPECT_EQ(SensorNumber, 0);
    EXPECT_EQ(base->View.EditNS, "0");
    EXPECT_EQ(SensorGroupNo, 0);
    EXPECT_EQ(SensorSlot, 0);
    EXPECT_TRUE(FileExists("Hun00.fig"));

    base->View.EditNS = "199";
    base->NextSensor();
    EXPECT_EQ(SensorNumber, 200);
    EXPECT_EQ(base->View.EditNS, " 200");
    EXPECT_EQ(SensorGroupNo, 2);
    EXPECT_EQ(SensorSlot, 0);
    EXPECT_EQ(BasePoints, Typical);
    EXPECT_EQ(base->View.GridBaza[0], "  4000");
    EXPECT_EQ(BaseTable[12], 3600);
    LoadSettings();
    EXPECT_EQ(SensorNumber, 200) << "saved";

    base->View.EditNS = "-7";
    base->TypedSensor();
    EXPECT_EQ(SensorNumber, 0) << "no sensor below 0";
}

TEST_F(SensorBaseTest, DeviceNotesAndTheOperatingTime)
{
    EXPECT_EQ(DeviceNote(101), "KV: 0101-XX ");
    EXPECT_EQ(DeviceNote(1234), "KV: 1234-XX ");
    EXPECT_EQ(DeviceNote(12345)[4], static_cast<char>(60));
    EXPECT_EQ(DeviceNote(12345).substr(5), "345-XX ");

    EXPECT_EQ(OperatingTimeWord("12.5"), 62);
    EXPECT_EQ(OperatingTimeText(62), "   12.4");
    EXPECT_EQ(OperatingTimeWord(" 12,4 ч"), 62);
    EXPECT_EQ(OperatingTimeWord("0.19"), 0);
    EXPECT_EQ(OperatingTimeWord(""), 0);
    EXPECT_EQ(OperatingTimeWord("-3"), 0);
    EXPECT_EQ(OperatingTimeWord("99999"), 65535);
    EXPECT_EQ(WordFromText("70000"), 65535);
    EXPECT_EQ(WordFromText(" -5"), 0);
}

TEST_F(SensorBaseTest, InstrumentToBaseStoresTheInstrumentWithItsNote)
{
    SensorNumber = 1234;
    InstrumentHolds(Typical);
    base->Activate();
    base->View.EEPROM = " 1207";
    base->InstrumentToBase();
    EXPECT_EQ(FilePoints(1234), Typical);
    const std::string bytes = FileBytes("Hun12.fig");
    EXPECT_EQ(bytes.substr(34 * 80 + 42, 12), "VK :2170X- X") << "pairs exchanged";
    EXPECT_EQ(BasePoints, Typical);
    EXPECT_EQ(base->View.GridBaza, base->View.GridBazaP);
    EXPECT_TRUE(std::equal(BaseTable.begin(), BaseTable.end(), Data_Sen.begin()));

    // Points the instrument cannot use are refused and stored nowhere.
    base->View.GridBazaP[1] = "  4100";
    base->InstrumentToBase();
    ASSERT_EQ(rejected.size(), 1u);
    EXPECT_EQ(rejected[0][1], 4100);
    EXPECT_TRUE(InputErrorFlag);
    EXPECT_EQ(FilePoints(1234), Typical);
}

TEST_F(SensorBaseTest, BaseToInstrumentRefusesAnEmptyRecordAndWrongPoints)
{
    SensorNumber = 1234;
    InstrumentHolds(Typical);
    base->Activate();
    const std::string file = FileBytes("Hun12.fig");

    EXPECT_FALSE(base->PrepareBaseToInstrument());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], "В базе нет данных сенсора 1234: все семь точек равны 0. Перенос «База => Прибор» "
                       "не выполнен, иначе прибор получил бы нулевую характеристику.");
    base->View.GridBaza = PointTexts({3000, 2900, 2800, 2500, 2400, 2000, 0});
    EXPECT_FALSE(base->PrepareBaseToInstrument());
    EXPECT_EQ(rejected.size(), 1u);
    EXPECT_EQ(SensorPoints, Typical);
    EXPECT_EQ(FileBytes("Hun12.fig"), file);
    EXPECT_TRUE(line.sent.empty());

    // The measuring path was calibrated since the instrument was last read,
    // and a commit elsewhere left 0 in word 13: the write reads words 11 and
    // 13 first and sends back what the instrument holds.
    line.bank2[13] = 114;
    Data_Sen[13] = 0;
    base->View.GridBaza = PointTexts(Other);
    ASSERT_TRUE(base->PrepareBaseToInstrument());
    base->StartBaseToInstrument();
    line.Answer();
    SensorTable derived{};
    DeriveSensorTable(Other, derived);
    for (int a = 0; a <= 24; ++a) {
        if (a == 11 || a == 13)
            continue;
        EXPECT_EQ(line.bank2[a], derived[a]) << "word " << a;
    }
    EXPECT_EQ(line.bank2[11], 1);
    EXPECT_EQ(line.bank2[13], 114);
    EXPECT_EQ(line.sent.size(), 2u + 25u + 25u + 12u);
    EXPECT_EQ(line.sent[0], FakeLine::Read(2, 11));
    EXPECT_EQ(line.sent[1], FakeLine::Read(2, 13));
    EXPECT_EQ(line.sent[2 + 13], FakeLine::Write(13, 114));
    EXPECT_EQ(line.sent[27], FakeLine::Read(2, 0)) << "words 0..24 read back";
    EXPECT_EQ(line.sent[51], FakeLine::Read(2, 24));
    EXPECT_EQ(line.sent[52], FakeLine::Read(1, 0));
    EXPECT_EQ(FilePoints(1234), Other);
    EXPECT_EQ(BasePoints, Other);
}

TEST_F(SensorBaseTest, CorrectingChangesOnlyTheDatabaseSide)
{
    SensorNumber = 57;
    PutGroup(0, {{57, Typical}});
    InstrumentHolds(Other);
    const auto instrument = Data_Sen;
    base->View.TypeMove = TransferNone;
    base->Activate();
    base->View.GridBaza = PointTexts({3900, 3400, 2900, 1900, 1700, 900, 400});
    base->View.TypeMove = TransferToBase;
    base->CorrectRecord();
    EXPECT_EQ(FilePoints(57), (SensorPointTable{3900, 3400, 2900, 1900, 1700, 900, 400}));
    EXPECT_EQ(BasePoints[0], 3900);
    EXPECT_EQ(BaseTable[0], 3900);
    EXPECT_EQ(Data_Sen, instrument);
    EXPECT_EQ(SensorPoints, Other);
    EXPECT_EQ(base->View.TypeMove, TransferNone);
}

TEST_F(SensorBaseTest, NewRecordIsTheNextSensorsAndAsksBeforeReplacingOne)
{
    SensorNumber = 57;
    PutGroup(0, {{57, Typical}, {59, Typical}});
    InstrumentHolds(Other);
    const auto instrument = Data_Sen;
    base->Activate();
    const TPointTexts instrumentGrid = base->View.GridBazaP;
    base->View.EditNS = "57";
    base->NewRecord();
    EXPECT_EQ(FilePoints(58), Typical);
    EXPECT_EQ(SensorNumber, 58);
    EXPECT_EQ(base->View.EditNS, "58");
    EXPECT_EQ(base->View.GridBazaP, instrumentGrid);
    EXPECT_EQ(Data_Sen, instrument);
    EXPECT_EQ(BasePoints, Typical);

    // Record 59 holds data: replaced only when the operator agrees.
    std::vector<std::string> asked;
    bool agree = false;
    base->Hooks.Ask = [&](const std::string& q) {
        asked.push_back(q);
        return agree;
    };
    base->View.GridBaza = PointTexts(Other);
    base->NewRecord();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "Запись сенсора 59 уже заполнена. Заменить её точками из таблицы «Из базы данных»?");
    EXPECT_EQ(FilePoints(59), Typical);
    EXPECT_EQ(SensorNumber, 58);
    EXPECT_EQ(SensorSlot, 58);
    agree = true;
    base->NewRecord();
    EXPECT_EQ(FilePoints(59), Other);
    EXPECT_EQ(SensorNumber, 59);
}

TEST_F(SensorBaseTest, TransfersOnActivationAndOnClosing)
{
    SensorNumber = 57;
    PutGroup(0, {{57, Typical}});
    InstrumentHolds(Other);
    base->View.TypeMove = TransferToBase;
    base->Activate();
    EXPECT_EQ(FilePoints(57), Other) << "the instrument's points are stored";
    EXPECT_EQ(BasePoints, Typical) << "the database grid keeps the record as loaded";
    EXPECT_EQ(base->View.Sensor, "57");

    // "База => Прибор" on closing: the sides change places and the next
    // adjustment activation writes.
    base->View.TypeMove = TransferToInstrument;
    base->Close();
    EXPECT_TRUE(WriteAfterTransfer);
    EXPECT_EQ(SensorPoints, Typical);
    EXPECT_EQ(BasePoints, Other);
    EXPECT_EQ(Data_Sen[0], 4000);
    EXPECT_EQ(Data_Sen[13], 0) << "the database table's word";
    EXPECT_EQ(FilePoints(57), Typical);
}

TEST_F(SensorBaseTest, ClosingWithATransferFromAnEmptyRecordWritesNothing)
{
    SensorNumber = 301;
    InstrumentHolds(Other);
    base->Activate();
    const auto instrument = Data_Sen;
    base->View.TypeMove = TransferToInstrument;
    base->Close();
    EXPECT_FALSE(WriteAfterTransfer);
    EXPECT_EQ(Data_Sen, instrument);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("сенсора 301"), std::string::npos);

    base->View.GridBaza = PointTexts({3000, 3100, 2800, 2500, 2400, 2000, 1500});
    base->Close();
    EXPECT_FALSE(WriteAfterTransfer);
    EXPECT_EQ(told.back(), "Перенос «База => Прибор» не выполнен: точки из базы недопустимы "
                           "(каждая должна быть от 1 до 6000 и не выше точки «Чистый» воздух).");
}

TEST_F(SensorBaseTest, AGroupFileThatCannotBeReadIsToldAndNeverSavedOver)
{
    PutGroup(12, {{3, Typical}, {34, Typical}});
    std::string damaged = FileBytes("Hun12.fig").substr(0, 10 * 80 + 7);
    PutFile("Hun12.fig", damaged);
    SensorNumber = 1234;
    InstrumentHolds(Other);
    base->View.TypeMove = TransferToBase;
    base->Activate();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("Hun12.fig"), std::string::npos);
    EXPECT_TRUE(NeverFilled(BasePoints)) << "record 34 was not read: shown empty";
    EXPECT_EQ(FileBytes("Hun12.fig"), damaged) << "no transfer into an unread group";

    base->View.EEPROM = "1207";
    EXPECT_THROW(base->InstrumentToBase(), EInOutError);
    EXPECT_EQ(FileBytes("Hun12.fig"), damaged);

    SensorNumber = 1203;
    base->View.EditNS = "1202";
    base->NextSensor();
    EXPECT_EQ(BasePoints, Typical) << "a record that was read is shown";
}

TEST_F(SensorBaseTest, EveryWriteLeavesOneJournalLineWithWhatWasFoundAndWritten)
{
    SetJournalClock([] { return TJournalClock{"09.12.2026", "11:00:00"}; });
    std::vector<std::string> journal;
    base->Exchange.Hooks.Journal = [&](const TServiceEntry& e) { journal.push_back(ServiceLine(e)); };
    // The instrument as the adjustment window read it, and its numbers read
    // here.
    SensorNumber = 1234;
    InstrumentHolds(Typical);
    for (int a = 0; a < 32; ++a)
        Bank2Image[a] = line.bank2[a] = Data_Sen[a];
    for (auto [a, v] : {std::pair{27, 1207}, {31, 1234}, {28, 62}, {29, 3}, {30, 1}})
        line.bank2[a] = v;
    base->StartNumberRead();
    line.Answer();
    EXPECT_TRUE(journal.empty()) << "a read is not journaled";

    base->Activate();
    base->View.GridBaza = PointTexts(Other);
    ASSERT_TRUE(base->PrepareBaseToInstrument());
    base->StartBaseToInstrument();
    line.Answer();

    base->View.EEPROM = " 1208";
    base->View.Sensor = " 1234";
    base->View.Time = "0";
    base->View.TestAll = "0";
    base->View.Test03 = "0";
    base->PrepareNumberWrite();
    base->StartNumberWrite();
    line.Answer();
    SetJournalClock({});

    EXPECT_EQ(journal, (std::vector<std::string>{
                           "09.12.2026;11:00:00;1207;1234;не указан;-;характеристика;подтверждена;База => Прибор, сенсор 1234;"
                           "точки до 4000 3500 3000 2000 1800 1000 500;точки после 3800 3300 2900 1950 1750 980 480;"
                           "в приборе 3800 3300 2900 1950 1750 980 480;слово 11 1 -> 1;слово 13 140 -> 140;.",
                           "09.12.2026;11:00:00;1208;1234;не указан;-;номера;подтверждена;прибор 1207 -> 1208;"
                           "сенсор 1234 -> 1234;время работы 62 -> 0;тестов 3 -> 0;тестов >= 0.3 1 -> 0;."}));
}
