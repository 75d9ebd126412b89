#pragma once
// The exchange of the two sensor windows, the sensor database and the
// sensor table: reading and writing the instrument's device number, sensor
// number and statistics, writing the characteristic, and reading back what
// was written. Both windows run it with their own port, timer and progress
// bars; what differs between them is only what they show.
//
// The window:
//  - joins Engine to its port and timer (JoinEngine),
//  - feeds its port's chunks to Receive() and its timer's ticks to Tick(),
//  - shows ProgressRd/ProgressWr when Hooks.Progress says so,
//  - starts the lists from its handlers (after making sure its port is open).
//
// Each write list is followed at once by its read-back: the number read
// list, after a table write preceded by reads of words 0..24. The words
// read back are compared with what was sent (TWriteCheck), and every write
// ends with a verdict (Hooks.WriteChecked): confirmed, differing, or cut
// short by a silent line or a stop. While the check windows' reading flag is
// set the number read list repeats (three ticks after each completion) and
// after more than 50 silent ticks the engine gives up and closes the port.
// With the flag clear a list that gets no answer for more than 50 ticks is
// given up too, so that a window never waits for ever on a silent line.
// Either way every tick sends the outstanding frame again (the service
// windows' line, ServiceLink): a lost, broken or doubled reply costs a tick.
// Everything runs on the main thread.
#include "KeptWords.h"
#include "ServiceJournal.h"
#include "TExchangeEngine.h"
#include "WriteCheck.h"

#include <functional>
#include <string>
#include <vector>

// Bank 1 addresses 0, 1, 2, 3, 9, 10, 11, then bank 2 addresses 27, 31, 28,
// 29, 30: the live values, the channel values, the device number, the
// sensor number and the three statistics words.
std::vector<TCommandItem> NumberReadList();
// Bank 2 addresses 27, 31, 27, 31, 27, 31, 28, 29, 30, each with its
// Data_Sen word: the device and sensor numbers three times each,
// alternating, then the statistics.
std::vector<TCommandItem> NumberWriteList();

// The seven points of the characteristic the instrument last answered
// (words 0..24 of Bank2Image), or nullopt while none was read.
std::optional<SensorPointTable> LastReadPoints();

// What a write list writes, as its unconfirmed message names it.
inline constexpr const char* TableWriteName = "характеристика";   // words 0..24
inline constexpr const char* NumberWriteName = "номера";          // 27, 31, 28..30

class TSensorExchange {
public:
    static constexpr int ProgressMax = 5;
    static constexpr int PauseStart = 100;    // idle ticks after a polled list: two quiet ticks, then the next
    static constexpr int SilentLimit = 50;    // ticks without an answer before a list is given up

    // `readingFlag` is the check windows' reading flag, read at every tick
    // and list end.
    explicit TSensorExchange(const bool& readingFlag);
    TSensorExchange(const TSensorExchange&) = delete;
    TSensorExchange& operator=(const TSensorExchange&) = delete;

    TExchangeEngine Engine{SensorLinkPolicy};
    int ProgressRd = 0;   // 0..5: read replies of the running list
    int ProgressWr = 0;   // 0..5: write frames sent after the first

    struct {
        // ProgressRd or ProgressWr changed.
        std::function<void()> Progress;
        // A list reached its end; the bars are back at 0. For a write list
        // this comes before its read-back starts.
        std::function<void(bool writeList)> ListEnd;
        // The exchange is over: the last read list ended with the reading
        // flag clear, or polling stopped when the flag was cleared. The
        // window may release the line.
        std::function<void()> Done;
        // No answer: the exchange was given up (portClosed: by the engine,
        // as after 50 silent ticks of polling; writeCut: a write was cut
        // short by it, and its WriteChecked verdict has told the silence).
        std::function<void(bool portClosed, bool writeCut)> GaveUp;
        // The command list held a bad item: the engine stopped and closed
        // the port.
        std::function<void()> BadItem;
        // A write list and its read-back are over: what the instrument
        // holds against what was sent; `what` is TableWriteName or
        // NumberWriteName. Comes once for every write started, before Done
        // or GaveUp.
        std::function<void(const TWriteVerdict& verdict, const std::string& what)> WriteChecked;
        // The journal line of that write, just before WriteChecked: the
        // window appends it (and tells a journal it cannot write).
        std::function<void(const TServiceEntry& entry)> Journal;
    } Hooks;

    void StartNumberRead();
    // Journaled with the numbers as last read (Bank2Image) and as written.
    void StartNumberWrite();
    // The characteristic: Data_Sen 0..24, words 11 and 13 as the instrument
    // holds them (read first, TKeptWords); `journalDetails` go into its
    // journal line, followed by the two kept words before and after.
    void StartTableWrite(std::vector<std::string> journalDetails = {});

    void Receive(const void* buffer, std::uint16_t length) { Engine.Receive(buffer, length); }
    void Tick();

    // The window closes: its exchange, if one runs, stops (idle, timer off).
    // The port is the window's.
    void Stop();

    // A list of this exchange is outstanding or polling goes on.
    bool Busy() const { return busy_ || polling_; }
    // A write list or its read-back is outstanding: its verdict is to come.
    bool Writing() const { return check_.Active(); }

private:
    void Start(const std::vector<TCommandItem>& items);
    void StartWrite(const std::vector<TCommandItem>& items, std::vector<TCommandItem> readBack, const char* what);
    void ListEnd();
    void WriteOver(const TWriteVerdict& verdict);
    bool CutWrite(WriteCut why);   // true when a write was running
    void ShowProgress();
    void SetTimer(bool on);

    const bool& readingFlag_;
    bool busy_ = false;      // a list is outstanding
    bool polling_ = false;   // between two polled read lists
    int silentTicks_ = 0;    // ticks since the last answer, with the reading flag clear
    bool starting_ = false;  // a list's first frame is being sent
    TWriteCheck check_;
    TKeptWords kept_;
    bool writeList_ = false;                  // the outstanding list is a write list
    bool readingBack_ = false;                // the outstanding list reads a write back
    std::vector<TCommandItem> readBack_;      // the running write's read-back list
    std::string writeName_;
    std::vector<std::string> journalDetails_;  // the running write's journal details
};
