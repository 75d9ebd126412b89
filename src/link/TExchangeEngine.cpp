#include "TExchangeEngine.h"

#include "Characteristic.h"
#include "Registers.h"

#include <algorithm>

void TExchangeEngine::Send(const std::uint8_t* data, int length)
{
    if (Hooks.Send && length > 0)
        Hooks.Send(data, static_cast<std::uint16_t>(length));
}

void TExchangeEngine::SendItem(const TCommandItem& item)
{
    std::copy_n(item.begin(), WriteFrameLength, FrameBuffer.begin());
    resendDue_ = false; // a new frame: nothing of it was dropped yet
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

void TExchangeEngine::Receive(const void* buffer, std::uint16_t length)
{
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    if (Policy.ReplyStream) {
        ReceiveStream(bytes, length);
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
        if (!Policy.ReplyStream) { // a stream keeps the replies still coming in
            std::fill_n(ReceiveBuffer.begin(), ClearedOnRead, 0);
            ReceiveCount = 0;
        }
        break;
    case LetterWrite:
        SendItem(item);
        ExchangeState = ExchangeAwaitingReply;
        if (!Policy.ReplyStream)
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

void TExchangeEngine::ReceiveStream(const std::uint8_t* bytes, std::uint16_t length)
{
    // One byte at a time: the count never passes a reply's length, so no
    // chunk, however long, wraps the buffer.
    for (std::uint16_t i = 0; i < length; ++i) {
        if (ExchangeState == ExchangeIdle) {
            ReceiveCount = 0; // the rest of the chunk is dropped too
            return;
        }
        ReceiveBuffer[ReceiveCount++] = bytes[i];
        if (ExchangeState != ExchangeAwaitingReply)
            continue;
        while (ReceiveCount >= ReplyLength) {
            const std::uint8_t letter = ReceiveBuffer[0];
            const std::uint8_t bank = ReceiveBuffer[1];
            const bool begins = (letter == LetterRead || letter == LetterWrite) && (bank == Bank1 || bank == Bank2);
            const int taken = begins ? ReplyLength : 1; // a stray byte is skipped alone
            std::array<std::uint8_t, ReplyLength> reply{};
            std::copy_n(ReceiveBuffer.begin(), ReplyLength, reply.begin());
            std::copy(ReceiveBuffer.begin() + taken, ReceiveBuffer.begin() + ReceiveCount, ReceiveBuffer.begin());
            ReceiveCount = static_cast<std::uint8_t>(ReceiveCount - taken);
            if (begins)
                TakeStreamReply(reply.data()); // may end or start a list
            if (ExchangeState != ExchangeAwaitingReply)
                break;
        }
    }
}

void TExchangeEngine::TakeStreamReply(const std::uint8_t* reply)
{
    const bool read = FrameBuffer[0] == LetterRead;
    const bool answers = (FrameBuffer[0] == LetterRead || FrameBuffer[0] == LetterWrite) && reply[0] == FrameBuffer[0]
        && reply[1] == FrameBuffer[1] && reply[2] == FrameBuffer[2];
    if (!answers) {
        // A duplicate or a late reply carries nothing the list has not got;
        // a garbled one would be filed under a wrong word. Neither moves
        // the list on, and the frame goes out again at the next tick.
        resendDue_ = true;
        return;
    }
    if (read)
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
    const bool drowned = !Policy.ReplyStream && !Policy.AcceptFiveOrMore && ReceiveCount > ReplyLength;
    const bool resend = Policy.ResendEveryFrame || FrameBuffer[1] == Bank1 || resendDue_ || drowned;
    resendDue_ = false;
    if (resend)
        ResendFrame();
    ExchangeState = ExchangeAwaitingReply;
    if (!Policy.ReplyStream) {
        std::fill_n(ReceiveBuffer.begin(), ClearedOnRead, 0);
        ReceiveCount = 0;
    }
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
