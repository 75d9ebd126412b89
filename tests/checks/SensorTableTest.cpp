// The sensor table without its window: the group table, selecting rows,
// the point grid, shifting, committing and writing into the instrument.
#include "SensorTable.h"

#include "Adjusting.h"
#include "Bytes.h"
#include "Cp1251.h"
#include "FakeLine.h"
#include "FileBytes.h"
#include "Files.h"
#include "SensorState.h"
#include "TempDir.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Bytes = FakeLine::Bytes;

const SensorPointTable Accepted = {3000, 2900, 2800, 2500, 2400, 2000, 1500};

// A group file: record k holds the points base + k·10 down to base - 600 + k·10,
// record 5 also a note.
std::string GroupBytes(int base)
{
    std::string bytes(SensorGroupFileSize, '\0');
    for (int k = 0; k < SensorGroupSize; ++k) {
        SensorPointTable p = {base, base - 100, base - 200, base - 300, base - 400, base - 500, base - 600};
        for (int i = 0; i < SensorPointCount; ++i) {
            std::uint8_t word[2];
            PackWord(word, p[i] + k * 10);
            bytes[k * 80 + 2 * i] = static_cast<char>(word[0]);
            bytes[k * 80 + 2 * i + 1] = static_cast<char>(word[1]);
        }
        // Thresholds 7..16: 3000 + word index.
        for (int w = 7; w <= 16; ++w) {
            bytes[k * 80 + 2 * w] = static_cast<char>((3000 + w) / 256);
            bytes[k * 80 + 2 * w + 1] = static_cast<char>((3000 + w) % 256);
        }
    }
    return bytes;
}

SensorRecord FileRecord(int number)
{
    const std::string bytes = FileBytes(SensorGroupFileName(number));
    SensorRecord r{};
    std::copy_n(bytes.data() + (number % 100) * 80, 80, r.begin());
    return r;
}

// A record whose note field holds `text` (Windows-1251 bytes) as stored.
SensorRecord WithNote(const std::string& text)
{
    SensorRecord r{};
    for (std::size_t i = 0; i + 1 < text.size() && i < 38; i += 2) {
        r[42 + i] = static_cast<std::uint8_t>(text[i + 1]);
        r[42 + i + 1] = static_cast<std::uint8_t>(text[i]);
    }
    return r;
}

class SensorTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSensorState();
        PutFile("Hun12.fig", GroupBytes(4000));
        PutFile("Hun00.fig", GroupBytes(3500));
        table = std::make_unique<TSensorTable>(reading);
        line.Join(table->Exchange.Engine, [this](const Bytes& b) {
            table->Exchange.Receive(b.data(), static_cast<std::uint16_t>(b.size()));
        });
        table->Hooks.RejectPoints = [this](const SensorPointTable& p) { rejected.push_back(p); };
        table->Hooks.Tell = [this](const std::string& t) { told.push_back(t); };
        table->Hooks.ExchangeOver = [this] { ++over; };
    }

    void Open(int sensor)
    {
        SensorNumber = sensor;
        table->Activate();
    }

    TempDir dir;
    bool reading = false;
    FakeLine line;
    std::unique_ptr<TSensorTable> table;
    std::vector<SensorPointTable> rejected;
    std::vector<std::string> told;
    int over = 0;
};

} // namespace

TEST_F(SensorTableTest, TheTableShowsTheGroupWithItsPrefixAndSelectsTheSensor)
{
    Open(1234);
    const auto& g = table->View.Grid1;
    EXPECT_EQ(g[0], SensorTableHeadings);
    for (int r = 1; r <= 100; ++r)
        EXPECT_EQ(g[r][0], " 12" + std::string(r <= 10 ? "0" : "") + std::to_string(r - 1));
    EXPECT_EQ(g[1][0], " 1200");
    EXPECT_EQ(g[100][0], " 1299");
    EXPECT_EQ(g[35][1], "4340") << "record 34's clean-air point, width 4";
    EXPECT_EQ(g[35][7], "3740");
    EXPECT_EQ(table->View.SelectedRow, 35);
    EXPECT_EQ(table->View.TopRow, 35);
    EXPECT_EQ(table->View.NumSenE, "1234");

    Open(5);
    EXPECT_EQ(table->View.Grid1[1][0], "  000");
    EXPECT_EQ(table->View.Grid1[100][0], "  099");
    EXPECT_EQ(table->View.SelectedRow, 6);
}

TEST_F(SensorTableTest, ARowMakesItsSensorCurrentAndScrollsByTheRule)
{
    Open(1234);
    table->ShowRow(1);
    EXPECT_EQ(SensorNumber, 1200);
    EXPECT_EQ(table->View.NumSenE, "1200");
    SensorNumber = 0;
    LoadSettings();
    EXPECT_EQ(SensorNumber, 1200) << "the main window reloads the settings when it is active again";
    EXPECT_EQ(SensorPoints, (SensorPointTable{4000, 3900, 3800, 3700, 3600, 3500, 3400}));
    EXPECT_EQ(table->View.GridBaza[0], "  4000");
    EXPECT_EQ(table->View.GridS[0], "  3007") << "record word 7";
    EXPECT_EQ(Data_Sen[23], 3016);
    EXPECT_EQ(table->View.GridS[10], "    10") << "(P5 - P6) div 10";

    table->ShowRow(72);
    EXPECT_EQ(table->View.TopRow, 72);
    table->ShowRow(80);
    EXPECT_EQ(table->View.TopRow, 0) << "the grid keeps its top row";
    EXPECT_EQ(SensorNumber, 1279);
    table->ShowRow(0);
    EXPECT_EQ(SensorNumber, 1279) << "the heading row selects nothing";
}

TEST_F(SensorTableTest, NotesShowBytesBelowZeroAsBlanks)
{
    const std::string stored = ToCp1251("KV: 1207-XX Иванов,a.b") + std::string("\x01\x2F", 2);
    const SensorRecord r = WithNote(stored);
    EXPECT_EQ(NoteCell(r), "KV: 1207 XX Иванов a b" + std::string(16, ' '));
    // The edit shows the note as stored, so that a commit keeps it.
    EXPECT_EQ(NoteText(r), "KV: 1207-XX Иванов,a.b /" + std::string(14, ' '));
    EXPECT_EQ(NoteToStore("Петров"), "Петров" + std::string(32, ' '));
    EXPECT_EQ(NoteToStore(std::string(40, 'x')), std::string(38, 'x'));
}

TEST_F(SensorTableTest, OnlyAcceptablePointsAreCommitted)
{
    Open(1234);
    const std::string before = FileBytes("Hun12.fig");
    table->View.GridBaza = PointTexts(Accepted);
    table->View.GridBaza[3] = "3001";
    EXPECT_FALSE(table->Commit());
    for (int row = 0; row < 7; ++row)
        for (const char* wrong : {"0", "6001"}) {
            table->View.GridBaza = PointTexts(Accepted);
            table->View.GridBaza[row] = wrong;
            EXPECT_FALSE(table->Commit()) << "row " << row << " = " << wrong;
        }
    EXPECT_EQ(rejected.size(), 15u);
    EXPECT_EQ(rejected[0][3], 3001);
    EXPECT_TRUE(InputErrorFlag);
    EXPECT_EQ(FileBytes("Hun12.fig"), before) << "nothing stored";

    table->View.GridBaza = PointTexts(Accepted);
    table->View.EditTxt = "Петров";
    EXPECT_FALSE(table->Commit()) << "no write without flagWrite";
    EXPECT_FALSE(InputErrorFlag);
    const SensorRecord r = FileRecord(1234);
    EXPECT_EQ(RecordPoints(r), Accepted);
    EXPECT_EQ(NoteText(r), "Петров" + std::string(32, ' ')) << "the whole note field is written";
    EXPECT_EQ(table->View.Grid1[35][1], "3000") << "the table is built again";
    EXPECT_TRUE(line.sent.empty()) << "nothing sent";
}

TEST_F(SensorTableTest, CommitStoresIntoTheSelectedRow)
{
    Open(1234);
    table->ShowRow(8);
    table->View.GridBaza = PointTexts(Accepted);
    table->Commit();
    EXPECT_EQ(RecordPoints(FileRecord(1207)), Accepted);
    EXPECT_EQ(RecordPoints(FileRecord(1234))[0], 4340) << "the slot loaded last keeps its record";
    EXPECT_EQ(table->View.SelectedRow, 8);
}

TEST_F(SensorTableTest, ShiftingMovesThePointsWithoutSaving)
{
    Open(1234);
    table->ShowRow(3);
    const std::string before = FileBytes("Hun12.fig");
    table->View.TxtPlMinus = "100";
    table->Shift(+1);
    EXPECT_EQ(SensorPoints, (SensorPointTable{4120, 4020, 3920, 3820, 3720, 3620, 3520}));
    EXPECT_EQ(table->View.GridBaza[0], "  4120");
    SensorTable derived{};
    DeriveSensorTable(SensorPoints, derived);
    EXPECT_EQ(table->View.GridS[0], FormatInt(derived[14], 6));
    EXPECT_EQ(FileBytes("Hun12.fig"), before) << "saved by the next commit only";
    EXPECT_EQ(RecordPoints(SensorGroup[2])[0], 4120) << "the record in memory follows";
    EXPECT_EQ(NoteText(SensorGroup[2]), table->View.EditTxt) << "with the row's own note";

    table->View.TxtPlMinus = "5000";
    table->Shift(-1);
    ASSERT_EQ(rejected.size(), 1u) << "shifted points below 1 are refused";
    EXPECT_EQ(RecordPoints(SensorGroup[2])[0], 4120);

    table->View.GridBaza = PointTexts(Accepted);
    table->Commit();
    EXPECT_EQ(RecordPoints(FileRecord(1202)), Accepted);
}

// Written right after the program started, nothing of the instrument read
// yet: words 11 (sound off) and 13 (the path's zero offset) are read first
// and written as the instrument holds them, never as the 0 the program has.
TEST_F(SensorTableTest, WithFlagWriteTheTableIsWrittenAndTheNumbersReadBack)
{
    line.bank2[11] = 1;
    line.bank2[13] = 114;
    Open(1234);
    table->View.GridBaza = PointTexts(Accepted);
    table->View.FlagWrite = true;
    ASSERT_TRUE(table->Commit());
    EXPECT_TRUE(line.sent.empty()) << "the window first makes sure of the line";
    table->StartWriting();
    line.Answer();
    ASSERT_EQ(line.sent.size(), 2u + 25u + 25u + 12u);
    SensorTable derived{};
    SensorNumber = 1234;
    DeriveSensorTable(Accepted, derived);
    EXPECT_EQ(line.sent[0], FakeLine::Read(2, 11));
    EXPECT_EQ(line.sent[1], FakeLine::Read(2, 13));
    for (int a = 0; a <= 24; ++a)
        EXPECT_EQ(line.sent[2 + a], FakeLine::Write(a, Data_Sen[a])) << "word " << a;
    EXPECT_EQ(line.bank2[11], 1);
    EXPECT_EQ(line.bank2[13], 114);
    EXPECT_EQ(line.bank2[0], 3000);
    EXPECT_EQ(line.bank2[14], derived[14]);
    EXPECT_EQ(line.sent[27], FakeLine::Read(2, 0)) << "words 0..24 read back";
    EXPECT_EQ(line.sent[52], FakeLine::Read(1, 0));
    EXPECT_EQ(line.sent[63], FakeLine::Read(2, 30));
    EXPECT_EQ(over, 1) << "the line is free again";
    EXPECT_EQ(SensorNumber, 1234);
    LoadSettings();
    EXPECT_EQ(SensorNumber, 1234) << "saved";
}

TEST_F(SensorTableTest, TypedNumbersAndStepsMoveToThatSensorAndGroup)
{
    Open(1234);
    table->View.NumSenE = "57";
    table->TypedNumber();
    EXPECT_EQ(SensorNumber, 57);
    EXPECT_EQ(table->View.Grid1[1][0], "  000");
    EXPECT_EQ(table->View.SelectedRow, 58);
    EXPECT_EQ(SensorPoints[0], 3500 + 570);

    table->View.NumSenE = "99";
    table->Step(+1);
    EXPECT_EQ(table->View.NumSenE, "100");
    EXPECT_EQ(SensorNumber, 100);
    EXPECT_TRUE(FileExists("Hun01.fig")) << "a missing group is created";
    table->Step(-1);
    EXPECT_EQ(SensorNumber, 99);
    table->View.NumSenE = "0";
    table->Step(-1);
    EXPECT_EQ(SensorNumber, 0);
    table->View.NumSenE = "x";
    table->TypedNumber();
    EXPECT_EQ(table->View.NumSenE, "0");
}

TEST_F(SensorTableTest, AGroupFileThatCannotBeReadIsToldAndNeverSavedOver)
{
    const std::string damaged = GroupBytes(4000).substr(0, 20 * 80);
    PutFile("Hun12.fig", damaged);
    Open(1234);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("Hun12.fig"), std::string::npos);
    EXPECT_EQ(table->View.Grid1[20][1], "4190") << "records read are shown";
    EXPECT_EQ(table->View.Grid1[21][1], "   0") << "the rest is empty";
    table->View.GridBaza = PointTexts(Accepted);
    EXPECT_THROW(table->Commit(), EInOutError);
    EXPECT_EQ(FileBytes("Hun12.fig"), damaged);
}
