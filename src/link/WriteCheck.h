#pragma once
// Proof of a write: what a write list sent, word by word, against what the
// instrument gives back when the words are read again. A write reply proves
// nothing (the instrument echoes the frame, not its memory), so every write
// list of the service windows is followed by reads of the same words, and
// only a read-back equal to what was sent confirms it.
//
//   TWriteCheck check;
//   check.Begin(items);                   // the write list, before it starts
//   ... the write list runs, then its read-back list ...
//   check.Read(address, value);           // every bank-2 read reply of the read-back
//   TWriteVerdict v = check.Finish();     // the read-back list ended
//   TWriteVerdict v = check.Abort(WriteCut::NoReply);   // or it ended early
//   if (!v.Confirmed) show(UnconfirmedText(v));
#include "Frames.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// One bank-2 word of a write list.
struct TWrittenWord {
    int Address = 0;
    std::int32_t Written = 0;              // the last value the list sent to it
    std::optional<std::int32_t> Read;      // what the read-back gave, if it came
    bool CountsUp = false;                 // the instrument steps it by itself
    // The read-back holds what was written (or, for a counting word, one more).
    bool Kept() const;
};

// Why a write list ended before its words were read back.
enum class WriteCut {
    None,       // it did not: all was read back
    NoReply,    // the instrument stopped answering (the list was given up)
    Closed,     // the window closed, or the exchange was stopped
};

struct TWriteVerdict {
    bool Confirmed = false;               // every word read back equal to what was sent
    WriteCut Cut = WriteCut::None;
    std::vector<TWrittenWord> Words;      // in the order of their first write
    // The words that are not confirmed: read back different, or not read.
    std::vector<TWrittenWord> Differing() const;
};

class TWriteCheck {
public:
    // A write list is about to start: remembers its bank-2 write items
    // (reads and other banks are left out; a word written several times
    // counts with its last value). Forgets an earlier check.
    void Begin(std::span<const TCommandItem> items);
    // A read reply of the read-back: bank 2, `address`, `value`. Ignored
    // when no check runs or the word was not written.
    void Read(int bank, int address, std::int32_t value);
    // The write of `address` goes out with `value` instead (it was fixed
    // after the list was built, before that write was sent).
    void Rewrite(int address, std::int32_t value);
    // `address` is a word the instrument counts up by itself (its operating
    // time): a read-back one above what was written confirms it too, the
    // count having stepped between the write and the read.
    void CountsUp(int address);
    // The read-back ended: the verdict, and the check is over.
    TWriteVerdict Finish();
    // The exchange ended early: an unconfirmed verdict, and the check is over.
    TWriteVerdict Abort(WriteCut why);

    bool Active() const { return active_; }
    const std::vector<TWrittenWord>& Words() const { return words_; }
    // Reads of the words written, for the read-back list: bank 2, each
    // address once, in the order of the first write.
    std::vector<TCommandItem> ReadBackItems() const;

private:
    bool active_ = false;
    std::vector<TWrittenWord> words_;
};

// The message of an unconfirmed write: begins "Запись не подтверждена",
// says why, and names each word not confirmed with its address, the value
// written and the value read (or that none was read). `what` names what
// was written ("характеристика", "калибровка тракта", ...).
std::string UnconfirmedText(const TWriteVerdict& verdict, const std::string& what);
// The quiet line of a confirmed write: "Запись подтверждена: <what>, N слов
// прочитаны обратно."
std::string ConfirmedText(const TWriteVerdict& verdict, const std::string& what);
