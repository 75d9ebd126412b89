// The path check logic without a window: frames go to a recorder and a
// small instrument answers them in order, as a line would.
#include "PathCheck.h"
#include "PathCheckLine.h"

#include "Characteristic.h"
#include "CommandLists.h"
#include "Registers.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Read(int bank, int address)
{
    return {0x3A, static_cast<std::uint8_t>(bank), static_cast<std::uint8_t>(address), 0x80};
}

Bytes Write(int address, int value)
{
    return {0x45, 2, static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(value / 256),
            static_cast<std::uint8_t>(value % 256), 0x80};
}

std::vector<Bytes> Reads(int bank, std::initializer_list<int> addresses)
{
    std::vector<Bytes> out;
    for (int a : addresses)
        out.push_back(Read(bank, a));
    return out;
}

std::vector<Bytes> operator+(std::vector<Bytes> a, const std::vector<Bytes>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<Bytes> kMeasuringCycle = Reads(1, {0, 1, 2, 3, 9, 10, 11}) + Reads(2, {13, 25});
const std::vector<Bytes> kBlowCycle =
    Reads(1, {0, 1, 2, 3, 9, 10, 11}) + Reads(2, {13, 25}) + Reads(1, {12}) + Reads(2, {26});

class PathCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetExchangeGlobals();
        ResetCheckState();
        Data_Sen.fill(0);
        Data_Sen[13] = 130;
        Data_Sen[25] = 4990;
        bank1[9] = 2500;
        bank1[10] = 100;
        bank1[11] = 4000;
        bank1[12] = 512;
        bank2[11] = 7;
        bank2[13] = 140;
        bank2[25] = 5000;
        bank2[26] = 4;
        Make(MeasuringPathKind);
    }

    void Make(const TPathCheckKind& kind)
    {
        check = std::make_unique<TPathCheck>(kind);
        check->Engine.Hooks.Send = [this](const std::uint8_t* d, std::uint16_t n) { sent.emplace_back(d, d + n); };
        check->Engine.Hooks.SetTimer = [this](bool on, int ms) {
            timerOn = on;
            timerMs = ms;
        };
        check->Engine.Hooks.ClosePort = [this] { ++closed; };
        check->Hooks.Show = [this](unsigned parts) { shown |= parts; };
    }

    // The instrument's reply to a frame (writes are stored; 26 outside 1..8
    // becomes 2, or WeakDelta when set).
    Bytes ReplyTo(const Bytes& frame)
    {
        auto& bank = frame[1] == 1 ? bank1 : bank2;
        if (frame[0] == 0x45) {
            int value = frame[3] * 256 + frame[4];
            if (frame[2] == 26 && (value < 1 || value > 8))
                value = WeakDelta.value_or(2);
            bank[frame[2]] = value;
            return {0x45, frame[1], frame[2], frame[3], frame[4]};
        }
        const auto r = MakeReply(0x3A, frame[1], frame[2], bank[frame[2]]);
        return Bytes(r.begin(), r.end());
    }

    void Feed(const Bytes& b) { check->Receive(b.data(), static_cast<std::uint16_t>(b.size())); }

    // Answers every frame sent and not yet answered, in order, including
    // those sent in answer to replies, until the line is quiet.
    void Answer()
    {
        while (answered < sent.size())
            Feed(ReplyTo(sent[answered++]));
    }

    std::vector<Bytes> SentSince(std::size_t from) const { return {sent.begin() + from, sent.end()}; }
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            check->Tick();
    }
    // A polling cycle from activation, answered.
    void Activated()
    {
        check->Activate();
        Answer();
    }

    std::unique_ptr<TPathCheck> check;
    std::array<int, 256> bank1{};
    std::array<int, 256> bank2{};
    std::vector<Bytes> sent;
    std::size_t answered = 0;
    std::optional<int> WeakDelta;
    bool timerOn = false;
    int timerMs = 0;
    int closed = 0;
    unsigned shown = 0;
};

TEST_F(PathCheckTest, ActivationPollsNineRegistersFilesThemAndFillsTheDisplays)
{
    check->Activate();
    EXPECT_TRUE(timerOn);
    EXPECT_EQ(timerMs, 100);
    EXPECT_TRUE(check->View.KeyUWDown);
    EXPECT_FALSE(check->View.KeyUUDown);
    // Before any reply: empty rows, the calibration display from Data_Sen.
    EXPECT_EQ(check->View.Canal1[3][1], "----");
    EXPECT_EQ(check->View.Canal2[0][2], "дельта,АЦП");
    EXPECT_EQ(check->View.MV0, " 130");
    EXPECT_EQ(check->View.MV1023, "4990");
    EXPECT_EQ(check->View.RealU2, " 130");
    EXPECT_EQ(check->View.AdcU1, "1023");
    EXPECT_EQ(CalibrationPoints.U1Adc, 8184);

    Answer();
    EXPECT_EQ(sent, kMeasuringCycle);
    EXPECT_EQ(Channel1Voltage, 2500);
    EXPECT_EQ(Channel2Voltage, 100);
    EXPECT_EQ(Channel1Adc, 4000);
    EXPECT_EQ(Data_Sen[13], 140);
    EXPECT_EQ(Data_Sen[25], 5000);
    EXPECT_EQ(Bank2Image[25], 5000);
    EXPECT_EQ(check->Engine.IdleTicks, 100);   // the pause before the next cycle
    EXPECT_EQ(check->View.ProgressRd, 0);

    // The tables: one new row, the rest still empty.
    EXPECT_EQ(check->View.Canal1[1], (std::array<std::string, 3>{" 4000", " 2500", " 2500"}));
    EXPECT_EQ(check->View.Canal1[2][0], "----");
    EXPECT_EQ(check->View.Canal2[0], (std::array<std::string, 3>{"АЦП", "мВ", "дельта,мВ"}));
    EXPECT_EQ(check->View.Canal2[1], (std::array<std::string, 3>{"  533", "  100", "  533"})); // 1600 div 3
    EXPECT_EQ(check->View.MaxC1, " 2500");
    EXPECT_EQ(check->View.MinC1, " 2500");
    // The calibration display: 2500 mV is a U1 reading, shown as count 500.
    EXPECT_EQ(check->View.AdcU1, " 500");
    EXPECT_EQ(check->View.MVU1, "2500");
    EXPECT_EQ(check->View.DataSen13, " 140");
    EXPECT_EQ(check->View.DataSen25, "5000");
}

TEST_F(PathCheckTest, TwoQuietTicksThenTheNextCycleWithItsFirstFrameTwice)
{
    Activated();
    const std::size_t before = sent.size();
    Ticks(2);
    EXPECT_EQ(sent.size(), before);
    Ticks(1);
    ASSERT_EQ(sent.size(), before + 2);
    EXPECT_EQ(sent[before], Read(1, 0));
    EXPECT_EQ(sent[before + 1], Read(1, 0));
    EXPECT_EQ(check->Engine.IdleTicks, 0);
    EXPECT_TRUE(timerOn);

    // Two replies for register 0: every later reply arrives one frame late.
    // Each is still filed under its own register and bank, so the channel-1
    // count read while word 13 is outstanding is not taken for word 11.
    bank1[11] = 4008;
    Answer();
    EXPECT_EQ(Channel1Adc, 4008);
    EXPECT_EQ(Data_Sen[11], 0);
    EXPECT_EQ(Bank2Image[11], 0);
    EXPECT_EQ(Data_Sen[25], 5000);
    EXPECT_EQ(check->View.Canal1[1][0], " 4008");
}

// The calibration's worked example on a line that loses a byte of a reply,
// then gains one: register 11's 6400 is never stored as 6458 (its low byte
// lost and the next reply's first byte taken in its place) nor as 6655 (a
// stray byte inside), each is asked for again at the next tick, the points
// come from whole replies and the write carries 114 and 5083.
TEST_F(PathCheckTest, ABrokenReplyIsNeverStoredCapturedOrWritten)
{
    std::vector<int> stored11;
    const auto stored = check->Engine.Hooks.ReadStored;
    check->Engine.Hooks.ReadStored = [&](int bank, int address, std::int32_t value) {
        stored(bank, address, value);
        if (bank == 1 && address == 11)
            stored11.push_back(value);
    };
    const auto upTo11 = [&] {
        while (sent.back() != Read(1, 11))
            Feed(ReplyTo(sent[answered++]));
    };
    const auto nextCycle = [&] {
        Answer();
        Ticks(3); // the pause, then the next cycle
    };
    bank1[9] = 4000;
    bank1[11] = 6400;
    check->Activate();
    upTo11();
    Bytes lost = ReplyTo(sent[answered++]);
    lost.pop_back();
    Feed(lost);
    EXPECT_EQ(sent.back(), Read(1, 11)) << "the list waits";
    Ticks(1);
    ASSERT_EQ(sent.back(), Read(1, 11)) << "asked for again";
    nextCycle();
    EXPECT_EQ(CalibrationPoints.U1Adc, 6400);
    EXPECT_EQ(CalibrationPoints.U1mV, 4000);

    bank1[9] = 600;
    bank1[11] = 800;
    upTo11();
    Bytes stray = ReplyTo(sent[answered++]);
    stray.insert(stray.begin() + 3, 0x55);
    Feed(stray);
    Ticks(1);
    ASSERT_EQ(sent.back(), Read(1, 11));
    Answer();
    EXPECT_EQ(stored11, (std::vector<int>{6400, 800}));
    EXPECT_EQ(CalibrationPoints.U2Adc, 800);
    EXPECT_EQ(CalibrationPoints.U2mV, 600);
    EXPECT_EQ(CalibrationPoints.U1Adc, 6400);

    check->View.RealU1 = "4000";
    check->View.RealU2 = "600";
    std::string message;
    ASSERT_TRUE(check->PrepareWrite(message));
    const std::size_t before = sent.size();
    check->StartWriting();
    Answer();
    EXPECT_EQ(SentSince(before).front(), Write(13, 114));
    EXPECT_EQ(bank2[13], 114);
    EXPECT_EQ(bank2[25], 5083);
}

// Channel 1 moves while the replies come doubled, broken (a byte lost, a
// stray byte inside, a garbled letter, bank or address, a pause inside),
// run together into bursts, with stray bytes and ticks at any moment (a
// tick resends the outstanding frame, so replies also arrive late): every
// cycle still reads all nine registers, nothing stored is a value the
// instrument never sent, and every row and point pairs a count and a
// voltage of one moment.
TEST_F(PathCheckTest, RowsAndPointsPairOneMomentWhateverTheLineDoes)
{
    TPathCheckLine line(*check);
    std::mt19937 random(20);
    check->Activate();
    for (int step = 0; step < 60000 && line.Cycles < 300; ++step) {
        switch (random() % 8) {
        case 0:
        case 1:
            line.Answer(random() % 3 == 0 ? static_cast<TLineFault>(random() % 8) : TLineFault::None, random());
            break;
        case 2:
        case 3:
            line.Deliver(1 + random() % 3);
            break;
        case 4:
            line.Move(static_cast<std::int32_t>(random() % 1024));
            break;
        case 5:
            if (random() % 4 == 0)
                line.Noise(static_cast<std::uint8_t>(random()));
            break;
        default:
            if (line.Quiet() || random() % 3 == 0)
                line.Tick();
            break;
        }
    }
    EXPECT_EQ(line.Cycles, 300);
    EXPECT_EQ(line.CyclesShort, 0);
    EXPECT_EQ(line.CyclesMispaired, 0);
    EXPECT_EQ(line.ValuesNeverSent, 0);
    EXPECT_EQ(line.PortClosed, 0);
}

// Run pressed while a cycle is under way lets that cycle go on: started
// anew, the replies still on the way for the first one would be taken for
// the new cycle's (the instrument cannot say which copy of a frame it
// answers), and a voltage of the earlier moment would be paired with a
// count of the later.
TEST_F(PathCheckTest, RunDuringACycleLetsItGoOn)
{
    Activated();
    check->RunPolling();
    for (int i = 0; i < 4; ++i)
        Feed(ReplyTo(sent[answered++])); // registers 0..3
    ASSERT_EQ(sent.back(), Read(1, 9));
    const std::size_t before = sent.size();
    check->RunPolling();
    check->ToggleReading();
    EXPECT_EQ(sent.size(), before);
    Answer();
    EXPECT_EQ(SentSince(before), Reads(1, {10, 11}) + Reads(2, {13, 25}));
    EXPECT_EQ(check->Engine.IdleTicks, 100); // the cycle ended as any other
}

TEST_F(PathCheckTest, PointsFollowChannelOneUnlessHeld)
{
    auto cycle = [this](int mv, int adc) {
        bank1[9] = mv;
        bank1[11] = adc;
        ResetExchangeGlobals();
        check->StartReadCycle();
        Answer();
    };
    check->Activate();
    Answer();
    cycle(1000, 1640);
    EXPECT_EQ(CalibrationPoints.U1mV, 1000);
    EXPECT_EQ(CalibrationPoints.U1Adc, 1640);
    EXPECT_EQ(check->View.AdcU1, " 205");
    cycle(999, 1632);
    EXPECT_EQ(CalibrationPoints.U2mV, 999);
    EXPECT_EQ(CalibrationPoints.U2Adc, 1632);
    EXPECT_EQ(CalibrationPoints.U1mV, 1000);
    EXPECT_EQ(check->View.MvU2, " 999");

    check->ToggleHold(1);
    EXPECT_TRUE(HoldU1);
    EXPECT_TRUE(check->View.FixU1);
    cycle(3000, 4900);
    EXPECT_EQ(CalibrationPoints.U1mV, 1000);
    EXPECT_EQ(CalibrationPoints.U1Adc, 1640);
    cycle(500, 820); // U2 is not held
    EXPECT_EQ(CalibrationPoints.U2mV, 500);
    check->ToggleHold(2);
    cycle(600, 984);
    EXPECT_EQ(CalibrationPoints.U2mV, 500);
    check->ToggleHold(1);
    EXPECT_FALSE(check->View.FixU1);
    cycle(3000, 4900);
    EXPECT_EQ(CalibrationPoints.U1mV, 3000);
}

TEST_F(PathCheckTest, TablesScrollWithDeltasAndTheExtremesReadTheirEditsLeniently)
{
    check->Activate();
    Answer();
    ResetExchangeGlobals();
    bank1[9] = 2450;
    bank1[10] = 130;
    check->View.MaxC1 = "2480xyz";   // typed: counts as 2480
    check->View.MinC2 = "";          // empty counts as 0
    check->StartReadCycle();
    Answer();
    EXPECT_EQ(check->View.Canal1[1], (std::array<std::string, 3>{" 4000", " 2450", "  -50"}));
    EXPECT_EQ(check->View.Canal1[2], (std::array<std::string, 3>{" 4000", " 2500", " 2500"}));
    EXPECT_EQ(check->View.Canal2[1], (std::array<std::string, 3>{"  693", "  130", "  160"}));
    EXPECT_EQ(check->View.MaxC1, "2480xyz");
    EXPECT_EQ(check->View.MinC1, " 2450");
    EXPECT_EQ(check->View.MinC2, "");
    EXPECT_EQ(check->View.MaxC2, "  130");
    EXPECT_EQ(LiveHistory[0][1][0], 2450);
    EXPECT_EQ(LiveHistory[0][1][1], 2500);

    // The histories outlive the window: after a new activation the rows are
    // empty again but the first delta is against the last value shown.
    check->Activate();
    EXPECT_EQ(check->View.Canal1[1][2], "----");
    bank1[9] = 2460;
    Answer();
    EXPECT_EQ(check->View.Canal1[1][2], "   10");
    // Run resets the extremes before its cycle.
    check->RunPolling();
    EXPECT_EQ(check->View.MaxC1, "0");
    EXPECT_EQ(check->View.MinC1, "5050");
}

TEST_F(PathCheckTest, PauseStopsAtTheNextTickAndRunStartsAgain)
{
    Activated();
    check->PausePolling();
    EXPECT_FALSE(check->View.KeyUWDown);
    EXPECT_TRUE(check->View.KeyUUDown);
    const std::size_t before = sent.size();
    Ticks(1);
    EXPECT_FALSE(timerOn);
    EXPECT_EQ(sent.size(), before);
    EXPECT_EQ(check->View.ReadCaption, "Читать из прибора");

    check->RunPolling();
    EXPECT_TRUE(timerOn);
    EXPECT_EQ(SentSince(before), std::vector<Bytes>{Read(1, 0)});
    EXPECT_TRUE(check->View.KeyUWDown);
    EXPECT_FALSE(check->View.KeyUUDown);
}

TEST_F(PathCheckTest, ReadingKeepsPollingForTheCalibrationDisplayOnly)
{
    Activated();
    check->PausePolling();
    check->ToggleReading();
    EXPECT_TRUE(ReadingFlag);
    Answer();
    EXPECT_EQ(check->View.ReadCaption, "Идет считывание");
    EXPECT_TRUE(check->View.ReadDown);
    Ticks(3);
    EXPECT_TRUE(timerOn);
    EXPECT_EQ(sent.back(), Read(1, 0));
    // Reading and polling both on: still one row per cycle.
    check->RunPolling();
    Answer();
    const auto rows = LiveHistory[0][1];
    ResetExchangeGlobals();
    check->StartReadCycle();
    Answer();
    EXPECT_EQ(LiveHistory[0][1][1], rows[0]);
    EXPECT_EQ(LiveHistory[0][1][2], rows[1]);

    check->ToggleReading();
    EXPECT_FALSE(ReadingFlag);
    EXPECT_FALSE(check->Monitoring);
    Ticks(1);
    EXPECT_FALSE(timerOn);
    EXPECT_FALSE(check->View.ReadDown);
}

TEST_F(PathCheckTest, SilenceIsGivenUpAfter51TicksWithTheFlagLeftToTheWindow)
{
    check->Activate();
    Ticks(50);
    EXPECT_EQ(sent.size(), 51u); // every tick resent register 0
    EXPECT_EQ(closed, 0);
    Ticks(1);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(timerOn);
    EXPECT_EQ(sent.size(), 51u);
    // A bank-2 frame is asked for again too: a read can always be.
    Make(MeasuringPathKind);
    sent.clear();
    answered = 0;
    check->Activate();
    for (int i = 0; i < 7; ++i)
        Feed(ReplyTo(sent[i]));
    ASSERT_EQ(sent.back(), Read(2, 13));
    Ticks(1);
    EXPECT_EQ(sent.size(), 8u) << "its reply may still be on its way";
    Ticks(2);
    EXPECT_EQ(sent.size(), 10u);
    EXPECT_EQ(sent.back(), Read(2, 13));
}

TEST_F(PathCheckTest, CalibrationIsComputedWrittenThreeTimesAndReadBackOnce)
{
    Activated();
    CalibrationPoints.U1Adc = 6400;
    CalibrationPoints.U2Adc = 800;
    check->View.RealU1 = "4000";
    check->View.RealU2 = " 600";
    std::string message;
    ASSERT_TRUE(check->PrepareWrite(message));
    EXPECT_EQ(Data_Sen[13], 114);
    EXPECT_EQ(Data_Sen[25], 5083);
    EXPECT_EQ(check->View.MV0, " 114");
    EXPECT_EQ(check->View.MV1023, "5083");
    EXPECT_EQ(check->View.RealU1, "4000");
    EXPECT_EQ(check->View.MvU2, " 600");
    EXPECT_EQ(check->View.DataSen13, " 114");

    const std::size_t before = sent.size();
    check->StartWriting();
    EXPECT_FALSE(check->View.KeyUWDown);
    EXPECT_FALSE(check->View.KeyUUDown);
    EXPECT_EQ(check->View.ProgressWr, 0);
    Feed(ReplyTo(sent.back()));
    EXPECT_EQ(check->View.ProgressWr, 1);
    answered = before + 1;
    std::optional<TWriteVerdict> verdict;
    check->Hooks.WriteEnded = [&](const TWriteVerdict& v, const std::string&) { verdict = v; };
    // Nothing is polling, but the write and its read-back keep their
    // ticks: a write unanswered for a whole period goes out again.
    Ticks(2);
    EXPECT_TRUE(timerOn);
    EXPECT_TRUE(check->Writing());
    EXPECT_EQ(sent.back(), Write(25, 5083));
    Answer(); // the copy's answer is passed over
    ASSERT_TRUE(verdict);
    EXPECT_TRUE(verdict->Confirmed);
    EXPECT_FALSE(check->Writing());
    const std::vector<Bytes> writes = {Write(13, 114), Write(25, 5083), Write(25, 5083), Write(13, 114),
                                       Write(25, 5083), Write(13, 114), Write(25, 5083)};
    EXPECT_EQ(SentSince(before), writes + kMeasuringCycle);
    EXPECT_EQ(bank2[13], 114);
    EXPECT_EQ(bank2[25], 5083);
    EXPECT_EQ(Data_Sen[25], 5083);
    Ticks(5);
    EXPECT_FALSE(timerOn);
    EXPECT_EQ(SentSince(before).size(), 16u); // polling stays paused
}

// Written at once after opening, before any cycle ended: the refresh after
// the write has nothing read to show, so it adds no row (it once added a
// count 0 beside 0 mV) and captures no point.
TEST_F(PathCheckTest, AWriteBeforeTheFirstCycleShowsNoValuesNeverRead)
{
    Make(BlowPathKind);
    check->Activate();
    check->View.DeltaWr = "5";
    std::string message;
    ASSERT_TRUE(check->PrepareWrite(message));
    check->StartWriting();
    Answer();
    EXPECT_EQ(bank2[26], 5);
    EXPECT_EQ(check->View.Canal1[1][0], "----");
    EXPECT_EQ(CalibrationPoints.U2mV, 130);
    EXPECT_EQ(CalibrationPoints.U1Adc, 1023);
}

TEST_F(PathCheckTest, EqualCountsWriteNothingAndTellWhatToDo)
{
    Activated();
    CalibrationPoints.U1Adc = 4000;
    CalibrationPoints.U2Adc = 4000;
    check->View.RealU1 = "4000";
    check->View.RealU2 = "600";
    const std::size_t before = sent.size();
    std::string message;
    EXPECT_FALSE(check->PrepareWrite(message));
    EXPECT_NE(message.find("1000 мВ"), std::string::npos);
    EXPECT_EQ(Data_Sen[13], 140);
    EXPECT_EQ(Data_Sen[25], 5000);
    EXPECT_EQ(check->View.RealU1, "4000");
    EXPECT_EQ(sent.size(), before);
    EXPECT_TRUE(check->Monitoring);
}

TEST_F(PathCheckTest, BlowCheckReadsElevenRegistersAndWritesTheDeltaSixTimes)
{
    Make(BlowPathKind);
    // The zero level shows 4 until register 12 has been read.
    check->RefreshCalibration();
    EXPECT_EQ(check->View.FixRd, "    4");
    EXPECT_EQ(check->View.Canal2[0][2], "дельта");

    check->Activate();
    EXPECT_EQ(check->View.RealU1, " 4990"); // width 5 here
    EXPECT_EQ(check->View.MV1023, "4990");  // width 4 still
    EXPECT_EQ(CalibrationPoints.U1Adc, 1023);
    Answer();
    EXPECT_EQ(sent, kBlowCycle);
    EXPECT_EQ(BlowOutZero, 512);
    EXPECT_EQ(check->View.FixRd, "  512");
    EXPECT_EQ(check->View.DeltaRd, "    4");
    EXPECT_EQ(check->View.Canal2[0][2], "делта,мВ");
    EXPECT_EQ(check->View.Canal1[0][2], "дельта,мВ");
    EXPECT_EQ(check->View.AdcU1, " 4000"); // the plain count

    // 12 is written as 12; this instrument stores 2 instead, as its rule
    // for a delta outside 1..8 says: told as that rule, not as a fault of
    // the line, and "В приборе" shows the 2 the read-back found.
    check->View.DeltaWr = "12";
    std::string message;
    ASSERT_TRUE(check->PrepareWrite(message));
    EXPECT_EQ(Data_Sen[26], 12);
    const std::size_t before = sent.size();
    std::optional<TWriteVerdict> verdict;
    std::string note;
    check->Hooks.WriteEnded = [&](const TWriteVerdict& v, const std::string& n) {
        verdict = v;
        note = n;
    };
    check->StartWriting();
    Answer();
    EXPECT_EQ(SentSince(before), std::vector<Bytes>(6, Write(26, 12)) + kBlowCycle);
    EXPECT_EQ(Data_Sen[26], 2);
    ASSERT_TRUE(verdict);
    EXPECT_TRUE(verdict->Confirmed);
    EXPECT_EQ(note, "Дельта запуска 12 вне пределов 1..8: прибор заменил её значением 2.");
    EXPECT_EQ(check->View.DeltaRd, "    2");
    // A word that keeps neither what was written nor the 2 is unconfirmed.
    WeakDelta = 7;
    check->View.DeltaWr = "12";
    ASSERT_TRUE(check->PrepareWrite(message));
    check->StartWriting();
    Answer();
    ASSERT_TRUE(verdict);
    EXPECT_FALSE(verdict->Confirmed);
    EXPECT_EQ(UnconfirmedText(*verdict, check->Kind.WriteWhat),
              "Запись не подтверждена: дельта запуска.\nПрибор хранит не то, что в него записано.\n"
              "слово 26: записано 12, прочитано 7\nПроверьте связь с прибором и запишите снова.");
    EXPECT_EQ(check->View.DeltaRd, "    7");
    WeakDelta.reset();

    // What does not fit a word is not cut into another value on the wire.
    check->View.DeltaWr = "65540";
    ASSERT_TRUE(check->PrepareWrite(message));
    EXPECT_EQ(Data_Sen[26], 65535);
}

TEST_F(PathCheckTest, AfterCloseTicksTouchNothing)
{
    Activated();
    check->Close();
    EXPECT_FALSE(timerOn);
    const auto list = CommandList;
    ExchangeState = ExchangeIdle;
    const std::size_t before = sent.size();
    Ticks(110);
    EXPECT_EQ(sent.size(), before);
    EXPECT_EQ(ExchangeState, ExchangeIdle);
    EXPECT_EQ(CommandList, list);
    EXPECT_EQ(closed, 0);
}

} // namespace
