// The exchange engine driven without a port: frames go to a recorder, chunks
// and ticks are fed by the test.
#include "Characteristic.h"
#include "CommandLists.h"
#include "Registers.h"
#include "TExchangeEngine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetExchangeGlobals();
        Data_Sen.fill(-1);
        Use(OnlineTestPolicy);
    }

    void Use(const TExchangePolicy& policy)
    {
        engine = TExchangeEngine{policy};
        engine.Hooks.Send = [this](const std::uint8_t* d, std::uint16_t n) { sent.emplace_back(d, d + n); };
        engine.Hooks.SetTimer = [this](bool on, int ms) {
            timerOn = on;
            timerMs = ms;
        };
        engine.Hooks.ClosePort = [this] { ++closed; };
        engine.Hooks.ListEnd = [this] { ++listEnds; };
    }

    void Feed(const Bytes& b) { engine.Receive(b.data(), static_cast<std::uint16_t>(b.size())); }
    void Reply(std::uint8_t letter, std::uint8_t bank, std::uint8_t address, int value)
    {
        const auto r = MakeReply(letter, bank, address, value);
        engine.Receive(r.data(), ReplyLength);
    }

    TExchangeEngine engine;
    std::vector<Bytes> sent;
    bool timerOn = false;
    int timerMs = 0;
    int closed = 0;
    int listEnds = 0;
};

TEST(Frames, ItemsAndFramesHaveTheWireLayout)
{
    EXPECT_EQ(WriteItem(2, 27, 1000), (TCommandItem{0x45, 0x02, 0x1B, 0x03, 0xE8, 0x80, 0}));
    EXPECT_EQ(ReadItem(2, 27), (TCommandItem{0x3A, 0x02, 0x1B, 0x80, 0, 0, 0}));
    EXPECT_EQ(WriteItem(1, 0, 65535), (TCommandItem{0x45, 1, 0, 0xFF, 0xFF, 0x80, 0}));
    EXPECT_EQ(ModeSwitchFrame(true), (std::array<std::uint8_t, 2>{0x3A, 0x32}));
    EXPECT_EQ(ModeSwitchFrame(false), (std::array<std::uint8_t, 2>{0x3A, 0x33}));
    EXPECT_EQ(FrameLength(LetterRead), 4);
    EXPECT_EQ(FrameLength(LetterWrite), 6);
    EXPECT_EQ(FrameLength(0), 0);
    const std::uint8_t reply[] = {0x3A, 0x02, 0x1B, 0xFF, 0xFE};
    EXPECT_EQ(ReplyValue(reply), 65534); // both bytes unsigned
}

TEST(Frames, DecodeTellsFramesApart)
{
    const std::uint8_t write[] = {0x45, 2, 27, 0x03, 0xE8, 0x80};
    TFrame f = DecodeFrame(write, sizeof write);
    EXPECT_EQ(f.kind, TFrame::Write);
    EXPECT_EQ(f.length, 6u);
    EXPECT_EQ(f.value, 1000);
    EXPECT_EQ(DecodeFrame(write, 5).kind, TFrame::Incomplete);

    const std::uint8_t mode[] = {0x3A, 0x33};
    f = DecodeFrame(mode, 2);
    EXPECT_EQ(f.kind, TFrame::ModeSwitch);
    EXPECT_FALSE(f.start);

    const std::uint8_t read[] = {0x3A, 1, 8, 0x80};
    f = DecodeFrame(read, 4);
    EXPECT_EQ(f.kind, TFrame::Read);
    EXPECT_EQ(f.address, 8);
    EXPECT_EQ(DecodeFrame(read, 1).kind, TFrame::Incomplete);

    const std::uint8_t badClose[] = {0x3A, 1, 8, 0x81};
    EXPECT_EQ(DecodeFrame(badClose, 4).kind, TFrame::Unknown);
    const std::uint8_t noise[] = {0x00};
    f = DecodeFrame(noise, 1);
    EXPECT_EQ(f.kind, TFrame::Unknown);
    EXPECT_EQ(f.length, 1u);
}

TEST(CommandListsTest, FillLeavesAnEndItemAndRejectsOverlongLists)
{
    CommandList[5][0] = LetterRead;
    FillCommandList(ReadItems(Bank1, {0, 1}));
    EXPECT_EQ(CommandList[1], ReadItem(Bank1, 1));
    EXPECT_EQ(CommandList[2][0], LetterEnd);
    EXPECT_EQ(CommandList[5][0], LetterEnd);

    std::vector<TCommandItem> full;
    AppendReads(full, Bank2, 0, 63);
    EXPECT_NO_THROW(FillCommandList(full));
    EXPECT_EQ(CommandList[64][0], LetterEnd);
    full.push_back(ReadItem(Bank2, 64));
    EXPECT_THROW(FillCommandList(full), std::length_error);
    EXPECT_EQ(CommandList[0][0], LetterEnd);
}

TEST_F(EngineTest, StartSendsItemZeroAndArmsTheTimer)
{
    ReadCount = 9;
    CommandIndex = 3;
    engine.StartList(ReadItems(Bank2, {27, 31}), 7);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0x3A, 2, 27, 0x80}));
    EXPECT_EQ(ExchangeState, ExchangeAwaitingReply);
    EXPECT_EQ(CommandIndex, 0);
    EXPECT_EQ(ReadCount, 0);
    EXPECT_EQ(BatchEnd, 7);
    EXPECT_EQ(engine.ReceiveCount, 4);
    EXPECT_TRUE(timerOn);
    EXPECT_EQ(timerMs, 700);
}

TEST_F(EngineTest, SplitRepliesAreDecodedOnceWhenTheFifthByteArrives)
{
    engine.StartList(ReadItems(Bank2, {27, 31}), 7, 0);
    Feed({0x3A, 0x02});
    EXPECT_EQ(sent.size(), 1u);
    Feed({0x1B, 0x12, 0x34});
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(ReadValues[0], 4660);
    EXPECT_EQ(Bank2Image[27], 4660);
    EXPECT_EQ(sent[1], (Bytes{0x3A, 2, 31, 0x80}));

    for (std::uint8_t b : {0x3A, 0x02, 0x1F, 0x00})
        Feed({b});
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_EQ(ReadCount, 1);
    Feed({0x07});
    EXPECT_EQ(Bank2Image[31], 7);
    EXPECT_EQ(ReadCount, 2);
    EXPECT_EQ(listEnds, 1);
    EXPECT_EQ(sent.size(), 2u);
}

TEST_F(EngineTest, ThreeReadsSendThreeFramesAndEndTheList)
{
    engine.StartList(ReadItems(Bank1, {0, 1, 2}), 7, 0);
    for (int i = 0; i < 3; ++i)
        Reply(LetterRead, Bank1, static_cast<std::uint8_t>(i), 100 + i);
    EXPECT_EQ(sent.size(), 3u);
    EXPECT_EQ(ReadCount, 3);
    EXPECT_EQ(listEnds, 1);
    EXPECT_EQ(CommandIndex, 3);
    EXPECT_EQ((std::vector<int>{ReadValues[0], ReadValues[1], ReadValues[2]}), (std::vector<int>{100, 101, 102}));
    EXPECT_EQ(V0, 100);
    EXPECT_EQ(V2, 102);
    // A reply after the end is not a reply to anything: nothing more is sent.
    Reply(LetterRead, Bank1, 2, 5);
    EXPECT_EQ(sent.size(), 3u);
}

TEST_F(EngineTest, FirstReplyInOneChunkIsSkippedWhenTheCountStartsAtFour)
{
    engine.StartList(ReadItems(Bank1, {0, 8}), 7); // online: count starts at 4
    Reply(LetterRead, Bank1, 0, 1234);
    EXPECT_EQ(engine.ReceiveCount, 9);
    EXPECT_EQ(ReadCount, 0);
    EXPECT_EQ(engine.Tick(), TTickResult::Resent);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1], sent[0]);
    Reply(LetterRead, Bank1, 0, 1234);
    EXPECT_EQ(V0, 1234);
    EXPECT_EQ(sent.size(), 3u);
}

TEST_F(EngineTest, SixBytesAreNoiseForExactFiveWindowsAndAReplyForOthers)
{
    const Bytes six{0x3A, 1, 9, 0x01, 0x02, 0xAA};
    engine.StartList(ReadItems(Bank1, {9, 10}), 4, 0);
    Feed(six);
    EXPECT_EQ(ReadCount, 0);
    EXPECT_EQ(sent.size(), 1u);
    engine.Tick();
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1], (Bytes{0x3A, 1, 9, 0x80}));
    EXPECT_EQ(engine.ReceiveCount, 0);

    ResetExchangeGlobals();
    Use(PathCheckPolicy);
    sent.clear();
    engine.StartList(ReadItems(Bank1, {9, 10}), 4);
    Feed(six);
    EXPECT_EQ(Channel1Voltage, 258);
    EXPECT_EQ(ReadValues[9], 258); // filed under the reply's address
    EXPECT_EQ(ReadCount, 10);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1], (Bytes{0x3A, 1, 10, 0x80}));
}

// A slow instrument: the tick resent frame 6, then the late reply to the
// first sending of frame 5 arrives while 6 is outstanding. Taken for 6, it
// would put V5's value into V6 (and, one step on, a 6 into the mode).
TEST_F(EngineTest, ALateReplyForAnotherAddressIsNotTakenForTheOutstandingFrame)
{
    V6 = -1;
    engine.StartList(ReadItems(Bank1, {5, 6, 7}), 7, 0);
    Reply(LetterRead, Bank1, 5, 30);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1], (Bytes{0x3A, 1, 6, 0x80}));
    engine.IdleTicks = 2;
    Reply(LetterRead, Bank1, 5, 30); // the duplicate, late
    EXPECT_EQ(V6, -1);
    EXPECT_EQ(ReadCount, 1);
    EXPECT_EQ(sent.size(), 2u) << "nothing new is sent for a reply to another frame";
    EXPECT_EQ(engine.ReceiveCount, 0);
    EXPECT_EQ(ExchangeState, ExchangeAwaitingReply);
    EXPECT_EQ(engine.IdleTicks, 2) << "a foreign reply is no sign of life for this frame";
    EXPECT_EQ(engine.Tick(), TTickResult::Resent);
    EXPECT_EQ(sent.back(), (Bytes{0x3A, 1, 6, 0x80}));
    Reply(LetterRead, Bank1, 6, 3);
    Reply(LetterRead, Bank1, 7, 33);
    EXPECT_EQ(V5, 30);
    EXPECT_EQ(V6, 3);
    EXPECT_EQ(V7, 33);
    EXPECT_EQ(listEnds, 1);

    // Letter and bank are not examined; write replies are not examined at all.
    Use(AdjustmentPolicy);
    engine.StartList(std::vector<TCommandItem>{WriteItem(Bank2, 3, 9), ReadItem(Bank2, 4)}, 7);
    Feed({0, 0, 77, 0, 0});
    ASSERT_EQ(sent.back(), (Bytes{0x3A, 2, 4, 0x80}));
    Reply(0x99, 0x77, 4, 1234);
    EXPECT_EQ(Bank2Image[4], 1234);
}

TEST_F(EngineTest, ReplyAddressOutsideReadValuesIsNotStoredThere)
{
    Use(PathCheckPolicy);
    engine.StartList(ReadItems(Bank2, {13, 25}), 4);
    ReadValues.fill(-7);
    Reply(LetterRead, Bank2, 200, 4321);
    for (int v : ReadValues)
        EXPECT_EQ(v, -7);
    EXPECT_EQ(Bank2Image[200], 4321);
    EXPECT_EQ(sent.size(), 2u); // the list still advances
    Reply(LetterRead, Bank2, 25, 5000);
    EXPECT_EQ(ReadValues[25], 5000);
    EXPECT_EQ(Data_Sen[25], 5000);
    EXPECT_EQ(listEnds, 1);
}

TEST_F(EngineTest, ALateReplyIsFiledUnderItsOwnBankWhenThePolicyTakesTheReplysBank)
{
    // A bank-1 reply arrives while the next frame, for bank 2, is outstanding.
    for (bool replyBank : {false, true}) {
        TExchangePolicy policy = PathCheckPolicy;
        policy.FileByReplyBank = replyBank;
        Use(policy);
        ResetExchangeGlobals();
        Data_Sen.fill(-1);
        engine.StartList(ReadItems(Bank2, {13}), 4);
        Reply(LetterRead, Bank1, 11, 4096);
        EXPECT_EQ(Data_Sen[11], replyBank ? -1 : 4096);
        EXPECT_EQ(Bank2Image[11], replyBank ? 0 : 4096);
        EXPECT_EQ(LiveValues[11], replyBank ? 4096 : 0);
    }
    // A bank that is neither 1 nor 2 files nothing but still advances.
    engine.StartList(ReadItems(Bank2, {13, 25}), 4);
    Reply(LetterRead, 7, 3, 99);
    EXPECT_EQ(LiveValues[3], 0);
    EXPECT_EQ(Bank2Image[3], 0);
    EXPECT_EQ(sent.back(), (Bytes{0x3A, 2, 25, 0x80}));
}

TEST_F(EngineTest, Bank2ReadsReachDataSenOnlyWhereThePolicySaysSoAndBelow32)
{
    engine.StartList(ReadItems(Bank2, {27}), 7, 0);
    Reply(LetterRead, Bank2, 27, 42);
    EXPECT_EQ(Bank2Image[27], 42);
    EXPECT_EQ(Data_Sen[27], -1);

    Use(AdjustmentPolicy);
    engine.StartList(ReadItems(Bank2, {27, 64}), 7);
    Reply(LetterRead, Bank2, 27, 43);
    Reply(LetterRead, Bank2, 64, 44);
    EXPECT_EQ(Data_Sen[27], 43);
    EXPECT_EQ(Bank2Image[64], 44);
    EXPECT_EQ(Data_Sen[32], -1);
}

TEST_F(EngineTest, WriteRepliesAdvanceWithoutBeingExamined)
{
    Use(SensorBasePolicy);
    std::vector<TCommandItem> items{WriteItem(Bank2, 27, 1000), ReadItem(Bank2, 27)};
    engine.StartList(items, 4);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0x45, 0x02, 0x1B, 0x03, 0xE8, 0x80}));
    engine.IdleTicks = 3;
    Feed({0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(engine.IdleTicks, 3); // a write reply does not count as a read reply
    EXPECT_EQ(ReadCount, 0);
    ASSERT_EQ(sent.size(), 2u);
    Reply(LetterRead, Bank2, 27, 1000);
    EXPECT_EQ(engine.IdleTicks, 0);
    EXPECT_EQ(ReadValues[0], 1000);
}

TEST_F(EngineTest, BytesWhileIdleAreDropped)
{
    Feed({1, 2, 3});
    EXPECT_EQ(engine.ReceiveCount, 0);
    EXPECT_TRUE(sent.empty());
}

TEST_F(EngineTest, UnansweredExchangeGivesUpAfter51Ticks)
{
    engine.StartList(ReadItems(Bank1, {0}), 7);
    engine.IdleTicks = 0;
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(engine.Tick(), TTickResult::Resent);
    EXPECT_EQ(sent.size(), 51u);
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(engine.Tick(), TTickResult::GaveUp);
    EXPECT_EQ(sent.size(), 51u);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(timerOn);
    EXPECT_EQ(ExchangeState, ExchangeAwaitingReply); // left as it was
}

TEST_F(EngineTest, Bank1OnlyWindowsDoNotResendBank2Frames)
{
    Use(AdjustmentPolicy);
    engine.StartList(ReadItems(Bank2, {0}), 7);
    Feed({1, 2});
    EXPECT_EQ(engine.Tick(), TTickResult::Reset);
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(engine.ReceiveCount, 0);
    engine.StartList(ReadItems(Bank1, {0}), 7);
    EXPECT_EQ(engine.Tick(), TTickResult::Resent);
    EXPECT_EQ(sent.size(), 3u);
}

// A full read of the characteristic (bank 2, words 0..31) by a window that
// resends bank-1 frames only: one reply comes with its address byte
// garbled and is dropped. The next tick sends that frame again, and the
// list goes on.
TEST_F(EngineTest, AGarbledEchoInAFullReadIsAskedForAgainAtTheNextTick)
{
    for (const TExchangePolicy& policy : {AdjustmentPolicy, SensorBasePolicy, SensorTablePolicy}) {
        Use(policy);
        ResetExchangeGlobals();
        sent.clear();
        std::vector<int> words(32);
        for (int a = 0; a < 32; ++a)
            words[a] = a;
        std::vector<TCommandItem> items;
        for (int a = 0; a < 32; ++a)
            items.push_back(ReadItem(Bank2, static_cast<std::uint8_t>(a)));
        engine.StartList(items, 7, 0);
        engine.IdleTicks = 0;
        for (int a = 0; a < 5; ++a)
            Reply(LetterRead, Bank2, static_cast<std::uint8_t>(a), 1000 + a);
        ASSERT_EQ(sent.size(), 6u);
        Reply(LetterRead, Bank2, 5 ^ 0x40, 1005); // the address byte garbled
        EXPECT_EQ(sent.size(), 6u);
        EXPECT_EQ(engine.Tick(), TTickResult::Resent);
        ASSERT_EQ(sent.size(), 7u);
        EXPECT_EQ(sent.back(), (Bytes{0x3A, 2, 5, 0x80}));
        // Once answered, a bank-2 frame is not sent again by a tick.
        for (int a = 5; a < 32; ++a)
            Reply(LetterRead, Bank2, static_cast<std::uint8_t>(a), 1000 + a);
        EXPECT_EQ(listEnds, 1);
        EXPECT_EQ(sent.size(), 33u);
        EXPECT_EQ(Bank2Image[5], 1005);
        EXPECT_EQ(Bank2Image[31], 1031);
        EXPECT_EQ(Bank2Image[5 ^ 0x40], 0);
        listEnds = 0;
    }
}

TEST_F(EngineTest, AReplyDoubledInOneChunkIsAskedForAgainInAnExactFiveWindow)
{
    // Ten bytes at once never make exactly five: the reply is lost with its
    // copy, and a bank-2 list would wait until it is given up.
    for (const TExchangePolicy& policy : {AdjustmentPolicy, SensorBasePolicy, SensorTablePolicy}) {
        Use(policy);
        ResetExchangeGlobals();
        sent.clear();
        engine.StartList(std::vector<TCommandItem>{WriteItem(Bank2, 3, 1234), ReadItem(Bank2, 3)}, 7, 0);
        const auto echo = MakeReply(LetterWrite, Bank2, 3, 1234);
        Bytes twice(echo.begin(), echo.end());
        twice.insert(twice.end(), echo.begin(), echo.end());
        Feed(twice);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(engine.Tick(), TTickResult::Resent);
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent.back(), (Bytes{0x45, 2, 3, 0x04, 0xD2, 0x80}));
        Reply(LetterWrite, Bank2, 3, 1234);
        Reply(LetterRead, Bank2, 3, 1234);
        EXPECT_EQ(listEnds, 1);
        EXPECT_EQ(Bank2Image[3], 1234);
        // A tick with nothing received sends no bank-2 frame again.
        engine.StartList(std::vector<TCommandItem>{ReadItem(Bank2, 4)}, 7, 0);
        EXPECT_EQ(engine.Tick(), TTickResult::Reset);
        listEnds = 0;
    }
}

TEST_F(EngineTest, ReceiveCountWrapsInsideTheBufferOnLongNoise)
{
    engine.StartList(ReadItems(Bank1, {0, 1}), 7, 0);
    Bytes noise(300, 0x55);
    Feed(noise);
    EXPECT_EQ(engine.ReceiveCount, 300 % 256);
    EXPECT_EQ(ReadCount, 0);
    // 261 bytes bring the 8-bit count round to exactly five: the last five
    // bytes, written over the buffer's start, are then taken as the reply.
    engine.Tick();
    Bytes wrapped(256, 0x55);
    for (std::uint8_t b : {0x3A, 0x01, 0x00, 0x01, 0x00})
        wrapped.push_back(b);
    Feed(wrapped);
    EXPECT_EQ(V0, 256);
    EXPECT_EQ(ReadCount, 1);
}

TEST_F(EngineTest, ModeStepMaySendTheModeSwitchAfterAddressEight)
{
    std::vector<int> modes;
    engine.Hooks.ModeStep = [&] {
        modes.push_back(InstrumentMode);
        engine.SendModeSwitch(true);
    };
    engine.StartList(ReadItems(Bank1, {7, 8}), 7, 0);
    Reply(LetterRead, Bank1, 7, 11);
    Reply(LetterRead, Bank1, 8, 3);
    EXPECT_EQ(modes, std::vector<int>{3});
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2], (Bytes{0x3A, 0x32}));
    EXPECT_EQ(engine.FrameBank(), 0x32);
    EXPECT_EQ(engine.FrameAddress(), 8);
    EXPECT_EQ(V7, 11);
    EXPECT_EQ(ReadCount, 2);
    EXPECT_EQ(listEnds, 1);
}

TEST_F(EngineTest, UnknownLetterStopsTheExchange)
{
    bool bad = false;
    engine.Hooks.BadItem = [&] { bad = true; };
    engine.StartList(ReadItems(Bank1, {0}), 7, 0);
    CommandList[1][0] = 'X';
    Reply(LetterRead, Bank1, 0, 1);
    EXPECT_TRUE(bad);
    EXPECT_EQ(ExchangeState, ExchangeIdle);
    EXPECT_FALSE(timerOn);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(EngineTest, ListEndMayStartTheNextList)
{
    int passes = 0;
    engine.Hooks.ListEnd = [&] {
        ++passes;
        engine.StartList(ReadItems(Bank1, {0, 1}), 7, 0);
    };
    engine.StartList(ReadItems(Bank1, {0, 1}), 7, 0);
    for (int i = 0; i < 6; ++i)
        Reply(LetterRead, Bank1, static_cast<std::uint8_t>(i % 2), i);
    EXPECT_EQ(passes, 3);
    EXPECT_EQ(sent.size(), 7u);
    EXPECT_EQ(ReadCount, 0);
}

TEST_F(EngineTest, AListWithoutEndItemEndsAfterItsLastItem)
{
    engine.StartList(ReadItems(Bank2, {0}), 7, 0);
    for (auto& item : CommandList)
        item = ReadItem(Bank2, 1);
    CommandIndex = CommandListSize - 1;
    Reply(LetterRead, Bank2, 0, 9); // the answer to frame 0, still in the frame buffer
    EXPECT_EQ(listEnds, 1);
    EXPECT_EQ(CommandIndex, CommandListSize - 1);
}

} // namespace

// The service windows' line: each chunk is one burst, and only a burst of
// whole replies is taken. Every way a reply breaks on a line leaves the
// value unstored and has the frame asked for again at the next tick, in
// every service window's policy; a doubled reply costs nothing.
TEST_F(EngineTest, ServiceBurstsNeverStoreABrokenReplyAndAskAgainAtTheNextTick)
{
    const auto reply = [](std::uint8_t letter, std::uint8_t bank, std::uint8_t address, int value) {
        const auto r = MakeReply(letter, bank, address, value);
        return Bytes(r.begin(), r.end());
    };
    const Bytes good = reply(LetterRead, Bank1, 11, 6400);   // 0x19 0x00
    Bytes lost = good;
    lost.pop_back();
    Bytes stray = good;
    stray.insert(stray.begin() + 3, 0x55);
    Bytes strayAfter = good;
    strayAfter.push_back(0x3A);
    Bytes lostThenNext = lost;   // the broken part and the next reply in one burst
    lostThenNext.insert(lostThenNext.end(), good.begin(), good.end());
    const std::vector<std::pair<const char*, Bytes>> broken = {
        {"a lost byte", lost},
        {"a stray byte inside", stray},
        {"a stray byte after", strayAfter},
        {"a lost byte joined by the next reply", lostThenNext},
        {"a garbled letter", reply(0x3B, Bank1, 11, 6400)},
        {"a garbled bank", reply(LetterRead, 3, 11, 6400)},
        {"a garbled address", reply(LetterRead, Bank1, 11 ^ 0x80, 6400)},
        {"a wrong bank", reply(LetterRead, Bank2, 11, 6400)},
        {"the first half", Bytes(good.begin(), good.begin() + 2)},
        {"the second half", Bytes(good.begin() + 2, good.end())},
    };
    const TExchangePolicy policies[] = {ServiceLink(AdjustmentPolicy), SensorLinkPolicy, ServiceLink(PathCheckPolicy)};
    for (const TExchangePolicy& policy : policies) {
        for (const auto& [what, bytes] : broken) {
            SCOPED_TRACE(what);
            Use(policy);
            ResetExchangeGlobals();
            sent.clear();
            listEnds = 0;
            engine.StartList(std::vector<TCommandItem>{ReadItem(Bank2, 13), ReadItem(Bank1, 11), ReadItem(Bank2, 25)}, 7);
            Feed(reply(LetterRead, Bank2, 13, 140));
            ASSERT_EQ(sent.size(), 2u);
            Feed(bytes);
            EXPECT_EQ(Channel1Adc, 0) << "nothing of a broken burst is stored";
            EXPECT_EQ(sent.size(), 2u);
            EXPECT_EQ(engine.Tick(), TTickResult::Resent);
            ASSERT_EQ(sent.size(), 3u);
            EXPECT_EQ(sent.back(), (Bytes{0x3A, 1, 11, 0x80}));
            Feed(good);
            EXPECT_EQ(Channel1Adc, 6400);
            Feed(reply(LetterRead, Bank2, 25, 5000));
            EXPECT_EQ(listEnds, 1);
            EXPECT_EQ(Data_Sen[25], 5000);
        }

        // A reply doubled in one burst, and its copy coming alone after the
        // next frame went out: the first is taken, the copy passed over.
        Use(policy);
        ResetExchangeGlobals();
        sent.clear();
        listEnds = 0;
        engine.StartList(std::vector<TCommandItem>{WriteItem(Bank2, 13, 114), ReadItem(Bank2, 13)}, 7);
        Bytes twice = reply(LetterWrite, Bank2, 13, 114);
        twice.insert(twice.end(), twice.begin(), twice.end());
        Feed(twice);
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent.back(), (Bytes{0x3A, 2, 13, 0x80}));
        Feed(reply(LetterWrite, Bank2, 13, 114));
        EXPECT_EQ(sent.size(), 2u);
        Feed(reply(LetterRead, Bank2, 13, 114));
        EXPECT_EQ(listEnds, 1);
        EXPECT_EQ(Bank2Image[13], 114);

        // A bank-2 frame whose reply is overdue goes out again at the first
        // tick after it was due (80 ms after the frame), then at every tick;
        // a reply still on its way is waited for. Without a clock that
        // moves, at the second tick after the frame.
        double now = 1000;
        engine.Hooks.NowMs = [&now] { return now; };
        engine.StartList(std::vector<TCommandItem>{ReadItem(Bank2, 25)}, 7);
        std::size_t out = sent.size();
        now += 50;
        EXPECT_EQ(engine.Tick(), TTickResult::Reset);
        now += 35;
        EXPECT_EQ(engine.Tick(), TTickResult::Resent);
        now += 100;
        EXPECT_EQ(engine.Tick(), TTickResult::Resent);
        EXPECT_EQ(sent.size(), out + 2);
        EXPECT_EQ(sent.back(), (Bytes{0x3A, 2, 25, 0x80}));
        engine.StartList(std::vector<TCommandItem>{ReadItem(Bank2, 26)}, 7);
        out = sent.size();
        EXPECT_EQ(engine.Tick(), TTickResult::Reset);
        EXPECT_EQ(engine.Tick(), TTickResult::Resent);
        EXPECT_EQ(sent.size(), out + 1);
    }
}

// A list armed for the tick sends nothing until the tick sends its first
// frame: a repeating list runs once per timer period.
TEST_F(EngineTest, AnArmedListStartsOnTheTick)
{
    Use(ServiceLink(AdjustmentPolicy));
    engine.ArmList(ReadItems(Bank1, {0, 1}), 7);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(ExchangeState, ExchangeAwaitingReply);
    EXPECT_TRUE(timerOn);
    EXPECT_EQ(engine.Tick(), TTickResult::Resent);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0x3A, 1, 0, 0x80}));
    Reply(LetterRead, Bank1, 0, 812);
    Reply(LetterRead, Bank1, 1, 0);
    EXPECT_EQ(V0, 812);
    EXPECT_EQ(listEnds, 1);
}
