#pragma once
// Two words of a characteristic write are not the characteristic's: word
// 11, the sound-off flag, and word 13, the measuring path's zero offset that
// the measuring path check calibrates. The points derive neither, and the
// sensor windows' own rules put 0 into them (a commit completes the table
// with a zero offset of 0; a table never read holds 0), so writing words
// 0..24 as they stand would erase the path's calibration, shifting every
// voltage and the alcohol derived from it, and switch the sound back on.
// A characteristic write therefore reads both from the instrument first, in
// the same list, and writes back what it holds. The adjustment window's
// sound box is the one way to change word 11, and only when the engineer
// clicked it.
//
//   TKeptWords kept;
//   list = kept.WriteList(chosenWord11);   // reads of 11 and 13, writes of 0..24
//   check.Begin(list);                     // the write's proof (WriteCheck.h)
//   ... the list runs; every read reply: kept.Read(bank, address, value, check) ...
//   details = kept.Details(verdict);       // "слово 11 0 -> 0", "слово 13 114 -> 114"
#include "Characteristic.h"
#include "Frames.h"
#include "WriteCheck.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the instrument holds after a characteristic write, from its
// read-back: "в приборе" and the seven points of the table as read back
// (a word the write did not touch taken from `table`), or "в приборе
// неизвестны" when a written word was not read back.
std::string HeldAfterWrite(const TWriteVerdict& verdict, std::array<int, SensorTableSize> table);

class TKeptWords {
public:
    static constexpr std::array<int, 2> Words{11, 13};
    // Where the write of word 0 stands in WriteList's list.
    static constexpr int FirstWrite = 2;

    // Reads of words 11 and 13, then the writes of Data_Sen words 0..24
    // (11 and 13 carry what the reads find). `word11`: what the engineer
    // chose for word 11; written instead of what the instrument holds.
    std::vector<TCommandItem> WriteList(std::optional<std::int32_t> word11 = std::nullopt);

    // A read reply while the list runs. The first read of a kept word fixes
    // what its write carries, in CommandList and in `check`, before the
    // write goes out; later reads (the read-back) change nothing.
    void Read(int bank, int address, std::int32_t value, TWriteCheck& check);

    // What the instrument held before the write (nullopt: not read yet).
    std::optional<std::int32_t> Before(int word) const;

    // The journal's details: each kept word before and as read back
    // ("не прочитано" when the read-back did not reach it).
    std::vector<std::string> Details(const TWriteVerdict& verdict) const;

private:
    std::optional<std::int32_t> chosen11_;
    std::array<std::optional<std::int32_t>, 2> before_{};
};
