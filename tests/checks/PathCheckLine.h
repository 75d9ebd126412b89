#pragma once
// A path check on a line to a small instrument, step by step, with the
// line's faults in the caller's hands: replies doubled, a byte lost, a stray
// byte inside a reply, a garbled letter, bank or address, a reply broken by
// a pause longer than any adapter makes, stray bytes between replies,
// replies run together into one burst, ticks at any moment, and channel 1
// moving. Used by the logic test (a seeded script) and by the fuzz target
// (the fuzzer's script); no test framework here.
//
// The line hands the check bursts, as the serial component does: whole
// transmissions of the instrument run together. A burst holds at most one
// faulty transmission (a reply with a fault, or a stray byte): a burst that
// lost one byte and gained another keeps its length, and no rule without a
// checksum can tell it from a reply.
//
// The instrument's channel 1 stands at a 10-bit count n: register 11 is
// 8 n and register 9 the millivolts of n for words 13 = 140 and 25 = 5000,
// so every (count, mV) pair of one moment satisfies Paired(). The channel
// moves only where a reading makes sense of it: never after the instrument
// answered register 9 or 10 and before it answers 11, nor while the check
// waits for the reply to 9, 10 or 11 (a voltage moving there, or between a
// reply to 11 that is lost and the one asked for again, gives a pair no
// program can put right).
#include "CheckState.h"
#include "Characteristic.h"
#include "ExchangeGlobals.h"
#include "Frames.h"
#include "PathCheck.h"
#include "Registers.h"
#include "Text.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

// How the instrument's next transmission goes wrong.
enum class TLineFault {
    None,
    Doubled,          // the reply twice, in one transmission
    GarbledLetter,    // byte 0 not a letter
    GarbledBank,      // byte 1 not a bank
    GarbledAddress,   // byte 2 with its top bit flipped: an address no list reads
    LostByte,         // one byte of the reply never arrives
    StrayInside,      // a stray byte among the reply's bytes
    Broken,           // a pause longer than any adapter makes inside the reply
};

class TPathCheckLine {
public:
    using Bytes = std::vector<std::uint8_t>;

    static constexpr std::int32_t Zero = 140;
    static constexpr std::int32_t Supply = 5000;

    // Millivolts the instrument makes of the 10-bit count n.
    static std::int32_t Millivolts(std::int32_t n) { return (Zero * 1023 + n * (Supply - Zero) + 511) / 1023; }
    // A count (as register 11 holds it) and a voltage of the same moment.
    static bool Paired(std::int32_t count, std::int32_t mv) { return count % 8 == 0 && Millivolts(count / 8) == mv; }

    explicit TPathCheckLine(TPathCheck& check) : check_(check)
    {
        bank2_[Reg2::ZeroOffset] = Zero;
        bank2_[Reg2::Supply] = Supply;
        bank2_[Reg2::BlowDelta] = 4;
        Data_Sen[Reg2::ZeroOffset] = Zero;
        Data_Sen[Reg2::Supply] = Supply;
        TExchangeHooks& h = check.Engine.Hooks;
        h.Send = [this](const std::uint8_t* d, std::uint16_t n) {
            if (portOpen_) // a closed port sends nothing
                unanswered_.emplace_back(d, d + n);
        };
        h.SetTimer = [this](bool on, int) { TimerOn = on; };
        h.ClosePort = [this] {
            ++PortClosed;
            portOpen_ = false;
            unanswered_.clear(); // what was on the line is lost with it
            wire_.clear();
        };
        auto stored = h.ReadStored;
        h.ReadStored = [this, stored](int bank, int address, std::int32_t value) {
            stored(bank, address, value);
            read_.insert(bank * 256 + address);
            const auto sent = sentValues_.find(bank * 256 + address);
            if (sent == sentValues_.end() || sent->second.count(value) == 0)
                ++ValuesNeverSent;
        };
        auto end = h.ListEnd;
        h.ListEnd = [this, end] {
            const bool readCycle = CommandList[0][1] == Bank1;
            std::set<int> wanted;
            for (const TCommandItem& item : check_.Kind.ReadCycle)
                wanted.insert(item[1] * 256 + item[2]);
            if (readCycle && read_ != wanted)
                ++CyclesShort;
            read_.clear();
            end();
            if (readCycle) {
                ++Cycles;
                if (!AllPaired())
                    ++CyclesMispaired;
            }
        };
        check.Hooks.WriteEnded = [this](const TWriteVerdict& v, const std::string&) {
            ++WritesEnded;
            if (!v.Confirmed)
                return;
            for (const TWrittenWord& w : v.Words) {
                // A start delta outside 1..8 held as 2 is the instrument's own rule.
                const bool replaced = w.Address == Reg2::BlowDelta && (w.Written < 1 || w.Written > 8)
                    && bank2_[w.Address] == 2;
                if (bank2_[w.Address] != w.Written && !replaced)
                    ++WritesWronglyConfirmed;
            }
        };
    }

    // --- the instrument --------------------------------------------------

    // Answers the oldest frame not yet answered; false when there is none.
    // `at` places a lost or stray byte (taken modulo the reply's length).
    bool Answer(TLineFault fault = TLineFault::None, std::size_t at = 0)
    {
        if (unanswered_.empty())
            return false;
        const Bytes frame = unanswered_.front();
        unanswered_.pop_front();
        if (frame.size() < 4)
            return true; // a mode switch has no reply
        const std::uint8_t letter = frame[0], bank = frame[1], address = frame[2];
        std::int32_t value = 0;
        if (letter == LetterWrite) {
            value = frame[3] * 256 + frame[4];
            if (bank == Bank2 && !(WeakWord == address))
                bank2_[address] = value;
        } else if (bank == Bank1) {
            value = Bank1Value(address);
            afterNineOrTen_ = address == Reg1::Channel1Voltage || address == Reg1::Channel2Voltage
                || (afterNineOrTen_ && address != Reg1::Channel1Adc && address != 0);
        } else {
            value = bank2_[address];
        }
        if (letter == LetterRead)
            sentValues_[bank * 256 + address].insert(value & 0xFFFF);
        const auto clean = MakeReply(letter, bank, address, value & 0xFFFF);
        Bytes reply(clean.begin(), clean.end());
        switch (fault) {
        case TLineFault::None: break;
        case TLineFault::Doubled: reply.insert(reply.end(), clean.begin(), clean.end()); break;
        case TLineFault::GarbledLetter: reply[0] = 0x3B; break;
        case TLineFault::GarbledBank: reply[1] = 3; break;
        case TLineFault::GarbledAddress: reply[2] = static_cast<std::uint8_t>(address | 0x80); break;
        case TLineFault::LostByte: reply.erase(reply.begin() + static_cast<long>(at % reply.size())); break;
        case TLineFault::StrayInside:
            reply.insert(reply.begin() + static_cast<long>(1 + at % (reply.size() - 1)), 0x55);
            break;
        case TLineFault::Broken: {
            const long cut = static_cast<long>(1 + at % (reply.size() - 1));
            wire_.push_back({Bytes(reply.begin(), reply.begin() + cut), true});
            reply.erase(reply.begin(), reply.begin() + cut);
            break;
        }
        }
        const bool faulty = fault != TLineFault::None && fault != TLineFault::Doubled
            && fault != TLineFault::GarbledAddress; // a foreign address is a whole reply to no frame
        wire_.push_back({reply, faulty});
        return true;
    }

    // Channel 1 moves to count n (0..1023) where a reading allows it;
    // false when it may not move now.
    bool Move(std::int32_t n)
    {
        const TExchangeEngine& e = check_.Engine;
        const bool waiting = ExchangeState == ExchangeAwaitingReply && e.FrameLetter() == LetterRead
            && e.FrameBank() == Bank1 && e.FrameAddress() >= Reg1::Channel1Voltage && e.FrameAddress() <= Reg1::Channel1Adc;
        if (afterNineOrTen_ || waiting)
            return false;
        n_ = n;
        return true;
    }

    // A stray byte on the line, between replies.
    void Noise(std::uint8_t b) { wire_.push_back({Bytes{b}, true}); }

    // --- the line --------------------------------------------------------

    // Hands the check one burst: up to n waiting transmissions run
    // together, with at most one faulty among them.
    void Deliver(std::size_t n)
    {
        Bytes burst;
        bool faulty = false;
        while (n-- > 0 && !wire_.empty() && !(faulty && wire_.front().Faulty)) {
            faulty = faulty || wire_.front().Faulty;
            burst.insert(burst.end(), wire_.front().Data.begin(), wire_.front().Data.end());
            wire_.pop_front();
        }
        if (!burst.empty())
            check_.Receive(burst.data(), static_cast<std::uint16_t>(burst.size()));
    }
    void DeliverAll()
    {
        while (!wire_.empty())
            Deliver(wire_.size());
    }
    // The window opens its port again (run, read, write after a give-up).
    void OpenPort() { portOpen_ = true; }
    void Tick()
    {
        if (TimerOn)
            check_.Tick();
    }
    bool Quiet() const { return unanswered_.empty() && wire_.empty(); }

    // --- what must hold --------------------------------------------------

    // Every row shown in canal_1 and both points pair a count and a
    // voltage of one moment.
    bool AllPaired() const
    {
        for (int row = 1; row <= LiveTableRows; ++row) {
            const auto& cells = check_.View.Canal1[row];
            if (cells[0] == "----")
                continue;
            if (!Paired(static_cast<std::int32_t>(ReadInt(cells[0])), static_cast<std::int32_t>(ReadInt(cells[1]))))
                return false;
        }
        // The blow path check starts U1 at the plain count 1023: no reading.
        if (check_.Kind.AdcDivisor != 8)
            return true;
        const TCalibrationPoints& p = CalibrationPoints;
        return Paired(p.U1Adc, p.U1mV) && Paired(p.U2Adc, p.U2mV);
    }

    int Cycles = 0;            // read cycles ended
    int CyclesShort = 0;       // ... without a reply stored for each of their registers
    int CyclesMispaired = 0;   // ... after which a row or a point mixed two moments
    int WritesEnded = 0;
    int WritesWronglyConfirmed = 0;   // confirmed though the instrument holds another word
    int ValuesNeverSent = 0;   // stored values the instrument never sent for that register
    int PortClosed = 0;
    bool TimerOn = false;
    int WeakWord = -1;         // a bank-2 word that echoes a write but keeps its value

private:
    std::int32_t Bank1Value(int address) const
    {
        switch (address) {
        case Reg1::Channel1Voltage: return Millivolts(n_);
        case Reg1::Channel2Voltage: return 100;
        case Reg1::Channel1Adc: return 8 * n_;
        case Reg1::BlowOutZero: return 16;
        default: return address * 10;
        }
    }

    struct TTransmission {
        Bytes Data;
        bool Faulty = false;
    };

    TPathCheck& check_;
    std::deque<Bytes> unanswered_;
    std::deque<TTransmission> wire_;
    std::map<int, std::set<std::int32_t>> sentValues_;   // bank * 256 + address: every value it answered
    std::array<std::int32_t, 256> bank2_{};
    std::set<int> read_;
    std::int32_t n_ = 512;
    bool afterNineOrTen_ = false;
    bool portOpen_ = true;
};
