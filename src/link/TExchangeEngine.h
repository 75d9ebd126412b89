#pragma once
// The exchange engine every window that talks to the instrument runs.
//
// The program is the master of the line: it sends one frame of the command
// list and waits for the instrument's five-byte reply before it sends the
// next. The shared state (ExchangeState, CommandList, CommandIndex, BatchEnd,
// ReadValues, ReadCount, Bank2Image, the live values, and Data_Sen of the
// characteristic) is program-wide; this class holds one window's own part
// (frame buffer, receive buffer and 8-bit receive count, idle tick counter)
// and that window's policy, and performs the steps: start a list, take a
// received chunk, tick, stop.
//
// The engine owns neither port nor timer. The window:
//  - sets Hooks.Send to write through its port (TCommEr::WriteBytes),
//  - sets Hooks.SetTimer to start/stop its exchange QTimer,
//  - sets Hooks.ClosePort to close its port (TCommEr::ClosePort),
//  - calls Receive() from its port's OnReceiveData handler,
//  - calls Tick() (or its own steps, then TickCounted()) from its timer,
//  - fills in the optional hooks for what it does with the values and at the
//    end of a list.
// Everything runs on the main thread; no call blocks.
//
// Typical use (the online test window):
//   TExchangeEngine Engine{OnlineTestPolicy};
//   Engine.Hooks.Send = [this](const std::uint8_t* d, std::uint16_t n) { Port->WriteBytes(d, n); };
//   Engine.Hooks.SetTimer = [this](bool on, int ms) { on ? TimerIO->start(ms) : TimerIO->stop(); };
//   Engine.Hooks.ClosePort = [this] { Port->ClosePort(); };
//   Engine.Hooks.ModeStep = [this] { ...; if (switchPending) Engine.SendModeSwitch(testRequest); };
//   Engine.Hooks.ListEnd = [this] { if (CommandList[0][1] == Bank2) FillResults(); StartPoll(); };
//   Engine.StartList(ReadItems(Bank1, {0, 1, 2, 3, 4, 5, 6, 7, 8}), 7);
#include "CommandLists.h"
#include "ExchangeGlobals.h"
#include "Frames.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>

// How one window runs the engine.
struct TExchangePolicy {
    // Period of the window's exchange timer, handed to Hooks.SetTimer when a
    // list starts. A window may change it between lists.
    int TimerPeriodMs = 1000;
    // false: a reply is complete when exactly five bytes are collected (more
    // than five is noise or a duplicate and is cleared by the next tick).
    // true: five or more bytes make a reply; bytes 0..4 are decoded.
    bool AcceptFiveOrMore = false;
    // true: every tick resends the outstanding frame. false: only a frame
    // whose bank byte is 1 is resent (with ResendBank1); for other frames
    // the tick only resets the receive buffer.
    bool ResendEveryFrame = false;
    // false: a bank-1 frame is not resent at every tick either, only as the
    // other frames are (ResendOverdue, or a reply that came broken).
    bool ResendBank1 = true;
    // true: a bank-2 read of an address below 32 also goes to Data_Sen.
    bool Bank2ToDataSen = true;
    // Receive count set when a list starts. 4 makes a first reply that
    // arrives in one chunk go undecoded (count 9), so the list really starts
    // on the next tick.
    std::uint8_t ReceiveCountAtStart = 0;
    // false: the value is filed under the address of the frame that was sent
    // and stored at ReadValues[ReadCount]; a read reply whose byte 2 is not
    // that address (a late reply to an earlier frame) is dropped, and the
    // frame stays outstanding. true: it is filed under the reply's
    // byte 2, and ReadCount is first set to that byte. Either way an index
    // outside ReadValues is never stored there (the list still advances).
    bool FileByReplyAddress = false;
    // With FileByReplyAddress: true takes the bank from the reply's byte 1
    // as well, so that a reply arriving one frame late (a frame sent twice
    // gets two replies) is filed under its own bank, not under the bank of
    // the frame now outstanding. A bank other than 1 or 2 files nothing.
    bool FileByReplyBank = false;
    // true: every chunk handed over is one burst of the line: the bytes that
    // came with no pause longer than the port's read interval (the service
    // windows use ServiceBurstGapMs, longer than any pause inside a reply).
    // A burst is taken only when it is whole replies, five bytes each, each
    // beginning with a letter (':' or 'E') and a bank (1 or 2); a burst that
    // lost or gained a byte anywhere is dropped whole and the outstanding
    // frame is sent again at the next tick. Of a whole burst at most one
    // reply is taken: the first that answers the outstanding frame (its
    // letter, bank and address); a copy of the reply taken last (a doubled
    // reply, or the answer to a frame sent twice) is passed over, any other
    // reply has the frame sent again at the next tick. Nothing is carried
    // from one burst to the next, so no part of a broken reply ever joins
    // the bytes of another. AcceptFiveOrMore and ReceiveCountAtStart are
    // not used then.
    bool ReplyBursts = false;
    // true: a frame still unanswered at a tick ReplyWaitMs or more after it
    // went out, or at the second tick since, is sent again, whatever its
    // bank, and then at every tick until it is answered. A reply normally
    // comes well within that, so only a lost one is asked for again, at the
    // first tick after it is due.
    bool ResendOverdue = false;
    // How long a reply may take before it counts as lost (ResendOverdue):
    // the frame, a slow instrument's 25 ms, the reply and the pause that
    // ends its burst, with room to spare.
    int ReplyWaitMs = 80;
    // The exchange is given up when the idle tick counter exceeds this.
    int GiveUpAfterTicks = 50;
};

// The windows' settings.
inline constexpr TExchangePolicy OnlineTestPolicy{.TimerPeriodMs = 700,
                                                  .AcceptFiveOrMore = false,
                                                  .ResendEveryFrame = true,
                                                  .Bank2ToDataSen = false,
                                                  .ReceiveCountAtStart = 4};
inline constexpr TExchangePolicy AdjustmentPolicy{.TimerPeriodMs = 1000};  // observation list: count 4
inline constexpr TExchangePolicy SensorBasePolicy{.TimerPeriodMs = 100};

inline constexpr TExchangePolicy PathCheckPolicy{.TimerPeriodMs = 100,
                                                 .AcceptFiveOrMore = true,
                                                 .FileByReplyAddress = true};
inline constexpr TExchangePolicy SensorTablePolicy{.TimerPeriodMs = 100};

// The read interval of the service windows' ports, in ms: a pause this long
// ends a burst. USB serial adapters hand a reply over in pieces up to about
// 20 ms apart; an instrument sends a reply's five bytes without a pause.
inline constexpr std::uint32_t ServiceBurstGapMs = 30;

// A service window's policy on its line: replies taken from whole bursts
// only; a frame whose reply came broken is sent again at the next tick, and
// one whose reply is overdue too, whatever its bank (a read can always be
// asked again, and a write again is the same write). So one bad, lost or
// doubled reply costs at most a tick, and only a silent instrument reaches
// the give-up.
constexpr TExchangePolicy ServiceLink(TExchangePolicy p)
{
    p.ReplyBursts = true;
    p.ResendOverdue = true;
    return p;
}

// The sensor database and the sensor table on the service line: no frame of
// theirs is sent again at every tick, bank 1 included; an overdue one as
// any.
inline constexpr TExchangePolicy SensorLinkPolicy = [] {
    TExchangePolicy p = ServiceLink(SensorBasePolicy);
    p.ResendBank1 = false;
    return p;
}();

// What the engine calls. Every member may be left empty.
struct TExchangeHooks {
    // Writes a frame to the port (4, 6 or 2 bytes). The result is not used.
    std::function<void(const std::uint8_t* data, std::uint16_t length)> Send;
    // Starts (on == true, with the period) or stops the window's exchange timer.
    std::function<void(bool on, int periodMs)> SetTimer;
    // Closes the window's port (give-up and Stop). The port-open flag is the
    // window's business.
    std::function<void()> ClosePort;
    // Milliseconds on a steady clock, for ResendOverdue; empty: the
    // system's. Tests may put their own clock here.
    std::function<double()> NowMs;

    // A bank-1 read reply was decoded: the value is already in LiveValues
    // when the address is 0..11. Called for every bank-1 address (the
    // BLOW_OUT zero level at 12 has no shared variable).
    std::function<void(int address, std::int32_t value)> Bank1Value;
    // Bank-1 address 8 was read: InstrumentMode holds the mode. The window's
    // mode step; it may call SendModeSwitch().
    std::function<void()> ModeStep;
    // A read reply was fully stored (after ReadCount was incremented). For
    // progress displays.
    std::function<void(int bank, int address, std::int32_t value)> ReadStored;
    // A frame of the list was sent by StartList or by a reply (not a resend
    // by a tick): letter ':' or 'E'. For progress displays.
    std::function<void(std::uint8_t letter)> ItemSent;
    // The end item (letter 0) was reached after a reply. CommandIndex points
    // at it; ExchangeState is still 5 and the collected bytes are left in the
    // receive buffer. The window starts another list, evaluates, or stops.
    std::function<void()> ListEnd;
    // An item with a letter other than ':', 'E' or 0 was reached. The engine
    // has already stopped (state 0, timer off, port closed); the window
    // closes itself if it should.
    std::function<void()> BadItem;
};

enum class TTickResult {
    Resent,     // the outstanding frame was sent again
    Reset,      // not resent (policy); the receive buffer was reset
    GaveUp,     // idle ticks exceeded the limit: timer stopped, port closed
};

class TExchangeEngine {
public:
    static constexpr int BufferSize = 271;
    static constexpr int ClearedOnRead = 33;   // receive bytes zeroed before a read frame

    explicit TExchangeEngine(const TExchangePolicy& policy = {}) : Policy(policy) {}

    TExchangePolicy Policy;
    TExchangeHooks Hooks;

    // The window's own exchange state. Public: windows read and adjust them
    // (e.g. a window that pauses between cycles sets IdleTicks itself).
    std::array<std::uint8_t, BufferSize> FrameBuffer{};   // 0..2: letter, bank, address
    std::array<std::uint8_t, BufferSize> ReceiveBuffer{};
    std::uint8_t ReceiveCount = 0;   // wraps 255 -> 0: long noise overwrites from the start
    int IdleTicks = 0;               // ticks since the last read reply

    // Starting a list: fills CommandList from `items` (at most 64; see
    // FillCommandList), then StartFilledList.
    void StartList(std::span<const TCommandItem> items, std::int32_t batchEnd);
    void StartList(std::span<const TCommandItem> items, std::int32_t batchEnd,
                   std::uint8_t receiveCountAtStart);
    // Starting the list already in CommandList: CommandIndex := 0,
    // ReadCount := 0, BatchEnd := batchEnd, receive count := the policy's (or
    // the given) count, item 0's frame into FrameBuffer and sent (4 or 6
    // bytes), ExchangeState := 5, timer on with Policy.TimerPeriodMs.
    // IdleTicks is left alone (the windows set it where they need to).
    // An empty list (item 0 is the end item) sends nothing and stays idle.
    void StartFilledList(std::int32_t batchEnd);
    void StartFilledList(std::int32_t batchEnd, std::uint8_t receiveCountAtStart);
    // Starting a list whose first frame waits for the next tick: as
    // StartList, but item 0 only goes into FrameBuffer; the tick sends it.
    // So a list that repeats itself runs once per timer period.
    void ArmList(std::span<const TCommandItem> items, std::int32_t batchEnd);

    // A chunk of 1..2048 received bytes (the port's OnReceiveData). Appends
    // them at the 8-bit receive count; while idle drops them (count 0); when
    // a reply is complete (count exactly 5, or 5 or more by policy) decodes a
    // read reply (dropped when it answers another address and the window
    // files by the frame's address; else idle ticks 0, ReadValues, live values, Bank2Image,
    // Data_Sen, hooks) and sends the next item, or reaches the list end.
    // A write reply is counted, not examined. With Policy.ReplyBursts the
    // chunk is taken as one burst of whole replies instead (see there).
    // A read reply dropped for naming another address has its frame sent
    // again by the next tick.
    void Receive(const void* buffer, std::uint16_t length);

    // Timer tick: adds one idle tick, then TickCounted().
    TTickResult Tick();
    // The tick after the idle counter was counted: above the limit stops the
    // timer and closes the port (ExchangeState is kept); otherwise resends
    // the outstanding frame (every frame or bank-1 frames only, by policy;
    // any frame whose reply was dropped, or drowned in more than five bytes
    // where exactly five make a reply), then ExchangeState := 5, zeroes
    // receive bytes 0..32, count := 0.
    TTickResult TickCounted();

    // Sends the two-byte mode switch ':' '2' (start) or ':' '3' (stop); the
    // frame replaces the first two bytes of FrameBuffer. Meant for the
    // ModeStep hook.
    void SendModeSwitch(bool start);

    // Stopping the exchange: ExchangeState := 0, timer off, port closed.
    void Stop();

    // Sends the outstanding frame again (4 bytes for ':', else 6).
    void ResendFrame();

    std::uint8_t FrameLetter() const { return FrameBuffer[0]; }
    std::uint8_t FrameBank() const { return FrameBuffer[1]; }
    std::uint8_t FrameAddress() const { return FrameBuffer[2]; }

private:
    void Send(const std::uint8_t* data, int length);
    void StoreRead(const std::uint8_t* reply);
    void SendItem(const TCommandItem& item);
    void NextItem();
    void ReceiveBurst(const std::uint8_t* bytes, std::uint16_t length);
    bool Answers(const std::uint8_t* reply) const;
    void TakeBurstReply(const std::uint8_t* reply);

    // A reply to the outstanding frame was dropped (it named another
    // address, or its burst was broken): the next tick sends the frame
    // again whatever its bank.
    bool resendDue_ = false;
    // Ticks since the outstanding frame went out, and when (ResendOverdue).
    int ticksOut_ = 0;
    double sentAtMs_ = 0;
    double NowMs() const;
    // Letter, bank and address of the reply taken last (ReplyBursts): a
    // copy of it is no sign of trouble.
    std::array<std::uint8_t, 3> lastTaken_{};
};
