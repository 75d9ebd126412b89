// The exchange engine under each window's policy, with any command list and
// any line: arbitrary received chunks of 1 to 2048 bytes, replies whole,
// split or twice, late replies, ticks while the timer runs, stops and
// restarts, and windows that restart, stop or do nothing at a list's end.
//  - The list index never leaves CommandList, also inside the hooks.
//  - A received chunk writes nothing but ReadValues, Bank2Image, Data_Sen 0
//    to 31 (where the policy says so) and the live values, at most one entry
//    of each, with a value of 0 to 65535; the list, the rest of Data_Sen and
//    the point table are never touched.
//  - An idle engine takes nothing from a chunk and sends nothing; a stopped
//    engine has its timer off and its port closed.
//  - Every frame sent is 2, 4 or 6 bytes.
//
// Input: policy, the list (how it is started, its items), what the window
// does at a list's end and in its mode step, then one step after another.
#include "FuzzSupport.h"

#include "Characteristic.h"
#include "CommandLists.h"
#include "Registers.h"
#include "TExchangeEngine.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

const TExchangePolicy kPolicies[] = {OnlineTestPolicy,           AdjustmentPolicy, SensorBasePolicy,
                                     PathCheckPolicy,            SensorTablePolicy, ServiceLink(AdjustmentPolicy),
                                     SensorLinkPolicy,           ServiceLink(PathCheckPolicy)};

struct Shared {
    std::array<std::int32_t, ReadValuesSize> readValues;
    std::array<std::int32_t, Bank2ImageSize> bank2;
    std::array<std::int32_t, LiveValueCount> live;
    std::array<int, DataSenSize> dataSen;
};

FUZZ_UNTRACED Shared Take()
{
    return {ReadValues, Bank2Image, LiveValues, Data_Sen};
}

// Indices where two arrays differ.
template <typename A>
FUZZ_UNTRACED std::vector<std::size_t> Changed(const A& before, const A& after)
{
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i])
            at.push_back(i);
    return at;
}

FUZZ_UNTRACED void CheckIndex()
{
    FUZZ_CHECK(CommandIndex >= 0 && CommandIndex < CommandListSize);
}

// The window around the engine: its port, its timer, its hooks.
struct Window {
    TExchangeEngine engine;
    bool timerOn = false;
    bool portOpen = true;
    int sends = 0;
    int listEndAction = 0;   // 0 start the list again, 1 stop, 2 nothing
    int modeSwitch = 0;      // 0 none, 1 start, 2 stop
    int badItems = 0;

    explicit Window(const TExchangePolicy& policy) : engine(policy)
    {
        engine.Hooks.Send = [this](const std::uint8_t* data, std::uint16_t length) {
            CheckIndex();
            FUZZ_CHECK(data != nullptr);
            FUZZ_CHECK(length == ModeFrameLength || length == ReadFrameLength || length == WriteFrameLength);
            ++sends;
        };
        engine.Hooks.SetTimer = [this](bool on, int periodMs) {
            FUZZ_CHECK(periodMs > 0);
            timerOn = on;
        };
        engine.Hooks.ClosePort = [this] { portOpen = false; };
        engine.Hooks.ModeStep = [this] {
            CheckIndex();
            if (modeSwitch)
                engine.SendModeSwitch(modeSwitch == 1);
        };
        engine.Hooks.ListEnd = [this] {
            CheckIndex();
            if (listEndAction == 0)
                Restart();
            else if (listEndAction == 1)
                engine.Stop();
        };
        engine.Hooks.BadItem = [this] {
            CheckIndex();
            ++badItems;
            FUZZ_CHECK(ExchangeState == ExchangeIdle && !timerOn && !portOpen);
        };
        engine.Hooks.Bank1Value = [](int address, std::int32_t value) {
            FUZZ_CHECK(address >= 0 && address < 256 && value >= 0 && value <= 0xFFFF);
        };
    }

    void Restart()
    {
        portOpen = true;
        engine.StartFilledList(7);
        CheckIndex();
    }
};

// The reply the instrument gives to the outstanding frame.
std::array<std::uint8_t, ReplyLength> ReplyTo(const TExchangeEngine& e, std::uint16_t value, bool otherAddress)
{
    const std::uint8_t address = static_cast<std::uint8_t>(e.FrameAddress() + (otherAddress ? 1 : 0));
    return MakeReply(e.FrameLetter(), e.FrameBank(), address, value);
}

// Delivers one chunk and checks it on its own: what it may write, and that
// an idle engine takes nothing and sends nothing.
FUZZ_UNTRACED void Deliver(Window& w, const TExchangePolicy& policy, const void* bytes, std::size_t n)
{
    const Shared before = Take();
    const bool idle = ExchangeState == ExchangeIdle;
    const int sendsBefore = w.sends;
    w.engine.Receive(bytes, static_cast<std::uint16_t>(n));
    CheckIndex();
    const Shared after = Take();
    const auto values = Changed(before.readValues, after.readValues);
    const auto bank2 = Changed(before.bank2, after.bank2);
    const auto live = Changed(before.live, after.live);
    const auto dataSen = Changed(before.dataSen, after.dataSen);
    if (idle) {
        FUZZ_CHECK(values.empty() && bank2.empty() && live.empty() && dataSen.empty());
        FUZZ_CHECK(w.sends == sendsBefore);
        FUZZ_CHECK(ExchangeState == ExchangeIdle);
        return;
    }
    FUZZ_CHECK(values.size() <= 1 && bank2.size() <= 1 && live.size() <= 1 && dataSen.size() <= 1);
    FUZZ_CHECK(bank2.empty() || live.empty());
    for (std::size_t i : values)
        FUZZ_CHECK(after.readValues[i] >= 0 && after.readValues[i] <= 0xFFFF);
    for (std::size_t i : bank2)
        FUZZ_CHECK(after.bank2[i] >= 0 && after.bank2[i] <= 0xFFFF);
    for (std::size_t i : live)
        FUZZ_CHECK(after.live[i] >= 0 && after.live[i] <= 0xFFFF);
    if (!policy.Bank2ToDataSen)
        FUZZ_CHECK(dataSen.empty());
    for (std::size_t i : dataSen) {
        FUZZ_CHECK(i < static_cast<std::size_t>(SensorTableSize));
        FUZZ_CHECK(after.dataSen[i] == after.bank2[i]);
    }
}

// Only a list start writes the list and BatchEnd, and a restart starts the
// same list again; the point table and Data_Sen past 31 are never written.
FUZZ_UNTRACED void CheckUntouched(const std::array<TCommandItem, CommandListSize>& list)
{
    CheckIndex();
    FUZZ_CHECK(CommandList == list);
    FUZZ_CHECK(BatchEnd == 7);
    FUZZ_CHECK((SensorPoints == SensorPointTable{-9, -9, -9, -9, -9, -9, -9}));
    for (std::size_t i = SensorTableSize; i < DataSenSize; ++i)
        FUZZ_CHECK(Data_Sen[i] == -7);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    ResetExchangeGlobals();
    BatchEnd = 7; // as every list start of the windows sets it
    Data_Sen.fill(-7);
    SensorPoints.fill(-9);
    const TExchangePolicy& policy = kPolicies[in.Range(0, static_cast<int>(std::size(kPolicies)) - 1)];
    Window w(policy);
    w.listEndAction = in.Range(0, 2);
    w.modeSwitch = in.Range(0, 2);

    // The list: items of any letters, at most 65 of them (65 leave no end
    // item), put into CommandList directly or through FillCommandList.
    const bool direct = in.Flag();
    const int count = in.Range(0, 65);
    std::vector<TCommandItem> items(static_cast<std::size_t>(count));
    for (TCommandItem& item : items) {
        const int kind = in.Range(0, 7);
        for (std::uint8_t& b : item)
            b = in.Byte();
        if (kind < 4)
            item[0] = LetterRead;
        else if (kind < 6)
            item[0] = LetterWrite;
        else if (kind == 6)
            item[0] = LetterEnd;
        // else: whatever letter the input gave
        if (kind < 4)
            item[1] = static_cast<std::uint8_t>(1 + item[1] % 2); // mostly real banks
    }
    if (direct) {
        ClearCommandList();
        std::copy(items.begin(), items.end(), CommandList.begin());
        w.engine.StartFilledList(7);
    } else {
        try {
            w.engine.StartList(items, 7);
            FUZZ_CHECK(items.size() < CommandListSize);
        } catch (const std::length_error&) {
            FUZZ_CHECK(items.size() >= CommandListSize);
            FUZZ_CHECK(w.sends == 0);
            for (const TCommandItem& item : CommandList)
                FUZZ_CHECK(item[0] == LetterEnd);
        }
    }
    CheckIndex();
    const auto list = CommandList;

    const auto deliver = [&](const void* bytes, std::size_t n) { Deliver(w, policy, bytes, n); };

    for (int step = 0; step < 400 && !in.Empty(); ++step) {
        switch (in.Range(0, 7)) {
        case 0: { // noise of any length
            const int n = in.Range(1, 2048);
            std::string chunk = in.Bytes(static_cast<std::size_t>(n));
            chunk.resize(static_cast<std::size_t>(n), '\x3A');
            deliver(chunk.data(), chunk.size());
            break;
        }
        case 1:   // the reply, whole or split
        case 2: { // the reply twice, in one chunk or two
            const bool twice = in.Flag();
            const auto reply = ReplyTo(w.engine, in.Word(), false);
            std::array<std::uint8_t, 2 * ReplyLength> bytes{};
            std::copy(reply.begin(), reply.end(), bytes.begin());
            std::copy(reply.begin(), reply.end(), bytes.begin() + ReplyLength);
            const std::size_t length = twice ? 2 * ReplyLength : ReplyLength;
            const std::size_t cut = static_cast<std::size_t>(in.Range(0, static_cast<int>(length) - 1));
            if (cut > 0)
                deliver(bytes.data(), cut);
            deliver(bytes.data() + cut, length - cut);
            break;
        }
        case 3: { // a late reply, to another address
            const auto reply = ReplyTo(w.engine, in.Word(), true);
            deliver(reply.data(), reply.size());
            break;
        }
        case 4:
            if (w.timerOn) // as the window's timer: no tick while it is off
                w.engine.Tick();
            break;
        case 5:
            w.engine.Stop();
            FUZZ_CHECK(ExchangeState == ExchangeIdle && !w.timerOn && !w.portOpen);
            break;
        case 6:
            w.Restart();
            break;
        default: // single stray bytes
            for (int n = in.Range(1, 4); n > 0; --n) {
                const std::uint8_t b = in.Byte();
                deliver(&b, 1);
            }
            break;
        }
        CheckUntouched(list);
    }
    return 0;
}
