#pragma once
// A line without a port for logic tests of the exchange windows: the frames
// an engine sends are recorded, its timer and port are flags, and a small
// instrument answers the frames in order, as a line would (writes are
// stored and echoed, reads answered from its two banks).
#include "Frames.h"
#include "TExchangeEngine.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class FakeLine {
public:
    using Bytes = std::vector<std::uint8_t>;

    std::vector<Bytes> sent;
    std::array<int, 256> bank1{};
    std::array<int, 256> bank2{};
    bool timerOn = false;
    int portClosed = 0;

    // Sends of `engine` are recorded; replies go to `receive`.
    void Join(TExchangeEngine& engine, std::function<void(const Bytes&)> receive)
    {
        receive_ = std::move(receive);
        engine.Hooks.Send = [this](const std::uint8_t* d, std::uint16_t n) { sent.emplace_back(d, d + n); };
        engine.Hooks.SetTimer = [this](bool on, int) { timerOn = on; };
        engine.Hooks.ClosePort = [this] { ++portClosed; };
    }

    // Answers every frame sent and not yet answered, including those sent
    // in answer to replies, until the line is quiet.
    void Answer()
    {
        while (answered_ < sent.size())
            receive_(ReplyTo(sent[answered_++]));
    }
    // Forgets the frames sent so far without answering them (a silent line).
    void Drop() { answered_ = sent.size(); }

    std::vector<Bytes> SentSince(std::size_t from) const { return {sent.begin() + static_cast<long>(from), sent.end()}; }

    static Bytes Read(int bank, int address)
    {
        return {LetterRead, static_cast<std::uint8_t>(bank), static_cast<std::uint8_t>(address), FrameClose};
    }
    static Bytes Write(int address, int value)
    {
        return {LetterWrite, 2, static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(value / 256),
                static_cast<std::uint8_t>(value % 256), FrameClose};
    }

private:
    Bytes ReplyTo(const Bytes& frame)
    {
        auto& bank = frame[1] == 1 ? bank1 : bank2;
        if (frame[0] == LetterWrite) {
            bank[frame[2]] = frame[3] * 256 + frame[4];
            return {LetterWrite, frame[1], frame[2], frame[3], frame[4]};
        }
        const auto r = MakeReply(LetterRead, frame[1], frame[2], bank[frame[2]]);
        return Bytes(r.begin(), r.end());
    }

    std::function<void(const Bytes&)> receive_;
    std::size_t answered_ = 0;
};
