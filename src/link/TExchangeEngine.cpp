#include "TExchangeEngine.h"

#include "Characteristic.h"
#include "Registers.h"

#include <algorithm>
#include <chrono>

double TExchangeEngine::NowMs() const
{
    if (Hooks.NowMs)
        return Hooks.NowMs();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void TExchangeEngine::Send(const std::uint8_t* data, int length)
{
    if (Hooks.Send && length > 0)
        Hooks.Send(data, static_cast<std::uint16_t>(length));
}

void TExchangeEngine::SendItem(const TCommandItem& item)
{
    std::copy_n(item.begin(), WriteFrameLength, FrameBuffer.begin());
    resendDue_ = false; // a new frame: nothing of it was dropped yet
    ticksOut_ = 0;
    sentAtMs_ = NowMs();
    Send(FrameBuffer.data(), FrameLength(item[0]));
    if (Hooks.ItemSent)
        Hooks.ItemSent(item[0]);
}

void TExchangeEngine::StartList(std::span<const TCommandItem> items, std::int32_t batchEnd)
{
    StartList(items, batchEnd, Policy.ReceiveCountAtStart);
}

void TExchangeEngine::StartList(std::span<const TCommandItem> items, std::int32_t batchEnd,
                                std::uint8_t receiveCountAtStart)
{
    FillCommandList(items);
    StartFilledList(batchEnd, receiveCountAtStart);
}

void TExchangeEngine::StartFilledList(std::int32_t batchEnd)
{
    StartFilledList(batchEnd, Policy.ReceiveCountAtStart);
}

void TExchangeEngine::StartFilledList(std::int32_t batchEnd, std::uint8_t receiveCountAtStart)
{
    CommandIndex = 0;
    ReadCount = 0;
    BatchEnd = batchEnd;
    ReceiveCount = receiveCountAtStart;
    const TCommandItem& first = CommandList[0];
    if (FrameLength(first[0]) == 0)
        return; // nothing to send: no list
    SendItem(first);
    ExchangeState = ExchangeAwaitingReply;
    if (Hooks.SetTimer)
        Hooks.SetTimer(true, Policy.TimerPeriodMs);
}

void TExchangeEngine::ArmList(std::span<const TCommandItem> items, std::int32_t batchEnd)
{
    FillCommandList(items);
    CommandIndex = 0;
    ReadCount = 0;
    BatchEnd = batchEnd;
    ReceiveCount = 0;
    const TCommandItem& first = CommandList[0];
    if (FrameLength(first[0]) == 0)
        return;
    std::copy_n(first.begin(), WriteFrameLength, FrameBuffer.begin());
    resendDue_ = true; // the next tick sends it
    ticksOut_ = 0;
    ExchangeState = ExchangeAwaitingReply;
    if (Hooks.SetTimer)
        Hooks.SetTimer(true, Policy.TimerPeriodMs);
}

void TExchangeEngine::Receive(const void* buffer, std::uint16_t length)
{
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    if (Policy.ReplyBursts) {
        ReceiveBurst(bytes, length);
        return;
    }
    for (std::uint16_t i = 0; i < length; ++i) {
        ReceiveBuffer[ReceiveCount] = bytes[i];
        ++ReceiveCount; // 8-bit: wraps to 0 after 255, always inside the buffer
    }
    if (ExchangeState == ExchangeIdle) {
        ReceiveCount = 0;
        return;
    }
    if (ExchangeState != ExchangeAwaitingReply)
        return;
    const bool complete = Policy.AcceptFiveOrMore ? ReceiveCount >= ReplyLength
                                                  : ReceiveCount == ReplyLength;
    if (!complete)
        return;

    if (FrameBuffer[0] == LetterRead) {
        // The instrument echoes the address in byte 2. A window that files
        // by the frame's address would put a late reply to an earlier frame
        // under this one's address; such a reply is dropped and the frame
        // stays outstanding, to be sent again by the next tick.
        if (!Policy.FileByReplyAddress && ReceiveBuffer[2] != FrameBuffer[2]) {
            std::fill_n(ReceiveBuffer.begin(), ClearedOnRead, 0);
            ReceiveCount = 0;
            resendDue_ = true;
            return;
        }
        StoreRead(ReceiveBuffer.data());
    }
    NextItem();
}

void TExchangeEngine::NextItem()
{
    ++CommandIndex;
    if (CommandIndex < 0 || CommandIndex >= CommandListSize) {
        // A list that filled all 65 items has no end item: treat its end as one.
        CommandIndex = CommandListSize - 1;
        if (Hooks.ListEnd)
            Hooks.ListEnd();
        return;
    }
    const TCommandItem& item = CommandList[CommandIndex];
    switch (item[0]) {
    case LetterRead:
        SendItem(item);
        ExchangeState = ExchangeAwaitingReply;
        std::fill_n(ReceiveBuffer.begin(), ClearedOnRead, 0);
        ReceiveCount = 0;
        break;
    case LetterWrite:
        SendItem(item);
        ExchangeState = ExchangeAwaitingReply;
        ReceiveCount = 0;
        break;
    case LetterEnd:
        if (Hooks.ListEnd)
            Hooks.ListEnd();
        break;
    default:
        Stop();
        if (Hooks.BadItem)
            Hooks.BadItem();
        break;
    }
}

void TExchangeEngine::ReceiveBurst(const std::uint8_t* bytes, std::uint16_t length)
{
    ReceiveCount = 0; // nothing is carried from one burst to the next
    if (ExchangeState != ExchangeAwaitingReply)
        return; // idle: dropped
    bool whole = length > 0 && length % ReplyLength == 0;
    for (std::uint16_t at = 0; whole && at < length; at += ReplyLength) {
        const std::uint8_t letter = bytes[at];
        const std::uint8_t bank = bytes[at + 1];
        whole = (letter == LetterRead || letter == LetterWrite) && (bank == Bank1 || bank == Bank2);
    }
    if (!whole) {
        // A byte lost or gained somewhere: no reply of it can be trusted,
        // whichever five bytes would look like one.
        resendDue_ = true;
        return;
    }
    bool foreign = false;
    for (std::uint16_t at = 0; at < length; at += ReplyLength) {
        const std::uint8_t* reply = bytes + at;
        if (Answers(reply)) {
            // Anything after it in this burst came before the next frame
            // went out, so it can answer none of the list's later frames.
            TakeBurstReply(reply);
            return;
        }
        foreign = foreign || !std::equal(reply, reply + 3, lastTaken_.begin());
    }
    // A duplicate or a late reply carries nothing the list has not got; a
    // garbled one would be filed under a wrong word. Neither moves the list
    // on, and only a reply that is not a copy of the last one taken has the
    // frame sent again at the next tick.
    if (foreign)
        resendDue_ = true;
}

bool TExchangeEngine::Answers(const std::uint8_t* reply) const
{
    return (FrameBuffer[0] == LetterRead || FrameBuffer[0] == LetterWrite) && reply[0] == FrameBuffer[0]
        && reply[1] == FrameBuffer[1] && reply[2] == FrameBuffer[2];
}

void TExchangeEngine::TakeBurstReply(const std::uint8_t* reply)
{
    std::copy_n(reply, lastTaken_.size(), lastTaken_.begin());
    if (FrameBuffer[0] == LetterRead)
        StoreRead(reply);
    NextItem();
}

void TExchangeEngine::StoreRead(const std::uint8_t* reply)
{
    const std::int32_t value = ReplyValue(reply);
    IdleTicks = 0;
    // Taken before any hook runs: a mode switch rewrites the frame buffer.
    const std::uint8_t bank = Policy.FileByReplyAddress && Policy.FileByReplyBank ? reply[1] : FrameBuffer[1];
    const std::uint8_t address = Policy.FileByReplyAddress ? reply[2] : FrameBuffer[2];
    if (Policy.FileByReplyAddress)
        ReadCount = address;
    if (ReadCount >= 0 && ReadCount < ReadValuesSize)
        ReadValues[ReadCount] = value;

    if (bank == Bank1) {
        if (address < LiveValueCount)
            LiveValues[address] = value;
        if (Hooks.Bank1Value)
            Hooks.Bank1Value(address, value);
        if (address == Reg1::Mode && Hooks.ModeStep)
            Hooks.ModeStep();
    } else if (bank == Bank2) {
        Bank2Image[address] = value; // the address is one byte: always inside
        if (Policy.Bank2ToDataSen && address < Reg2::CharacteristicSize)
            Data_Sen[address] = value;
    }
    ++ReadCount;
    if (Hooks.ReadStored)
        Hooks.ReadStored(bank, address, value);
}

TTickResult TExchangeEngine::Tick()
{
    ++IdleTicks;
    return TickCounted();
}

TTickResult TExchangeEngine::TickCounted()
{
    if (IdleTicks > Policy.GiveUpAfterTicks) {
        if (Hooks.SetTimer)
            Hooks.SetTimer(false, Policy.TimerPeriodMs);
        if (Hooks.ClosePort)
            Hooks.ClosePort();
        return TTickResult::GaveUp;
    }
    // More than five bytes never make a reply in a window that wants exactly
    // five (a reply doubled in one chunk, or noise with it): the reply is
    // lost, so its frame is asked for again whatever its bank.
    const bool drowned = !Policy.ReplyBursts && !Policy.AcceptFiveOrMore && ReceiveCount > ReplyLength;
    const bool overdue =
        Policy.ResendOverdue && (++ticksOut_ >= 2 || NowMs() - sentAtMs_ >= Policy.ReplyWaitMs);
    const bool bank1 = Policy.ResendBank1 && FrameBuffer[1] == Bank1;
    const bool resend = Policy.ResendEveryFrame || bank1 || resendDue_ || drowned || overdue;
    resendDue_ = false;
    if (resend)
        ResendFrame();
    ExchangeState = ExchangeAwaitingReply;
    std::fill_n(ReceiveBuffer.begin(), ClearedOnRead, 0);
    ReceiveCount = 0;
    return resend ? TTickResult::Resent : TTickResult::Reset;
}

void TExchangeEngine::ResendFrame()
{
    Send(FrameBuffer.data(), FrameBuffer[0] == LetterRead ? ReadFrameLength : WriteFrameLength);
}

void TExchangeEngine::SendModeSwitch(bool start)
{
    const auto frame = ModeSwitchFrame(start);
    FrameBuffer[0] = frame[0];
    FrameBuffer[1] = frame[1];
    Send(FrameBuffer.data(), ModeFrameLength);
}

void TExchangeEngine::Stop()
{
    ExchangeState = ExchangeIdle;
    if (Hooks.SetTimer)
        Hooks.SetTimer(false, Policy.TimerPeriodMs);
    if (Hooks.ClosePort)
        Hooks.ClosePort();
}
