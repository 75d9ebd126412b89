#pragma once
// The logic of a path check window without the window: the polling cycle
// and the write list over the exchange engine, the tick with its pause
// between cycles, the two live tables, the capture of the calibration
// points and the calibration itself. What the window shows is kept in
// `View` as texts; the window puts them on its controls when told which
// part changed, and puts what the operator types back into `View`.
//
// The window:
//  - sets Engine.Hooks.Send, SetTimer and ClosePort to its port and timer
//    (the other engine hooks are this class's),
//  - opens its port when the port-open flag is clear, then calls Activate(),
//  - feeds its port's chunks to Receive() and its timer's ticks to Tick(),
//  - maps its buttons to RunPolling(), PausePolling(), ToggleReading(),
//    ToggleHold(), and the write button to PrepareWrite(), then (after
//    making sure its port is open) StartWriting(),
//  - calls Close() when it closes: no tick does anything after that.
// A write is proved by the read cycle that follows it, which reads the words
// back: Hooks.WriteEnded tells the verdict, also when the instrument stopped
// answering or the window closed first. Until then Writing() is true and
// nothing else starts a list.
// Everything runs on the main thread.
#include "CheckState.h"
#include "PathCheckKind.h"
#include "TExchangeEngine.h"
#include "WriteCheck.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// The path checks' engine settings: the service windows' line (replies
// taken from whole bursts only, the outstanding frame sent again at every
// tick), each reply filed under its own address and bank, 100 ms ticks. A
// list moves on only on the reply to its outstanding frame, so a doubled or
// late reply neither runs it ahead nor ends a cycle before its channel-1
// count is in.
inline constexpr TExchangePolicy PathCheckEnginePolicy = [] {
    TExchangePolicy p = ServiceLink(PathCheckPolicy);
    p.FileByReplyBank = true;
    return p;
}();

// Parts of the view, for TPathCheck::Hooks.Show.
enum TCheckViewPart : unsigned {
    ViewTables = 1,        // both tables and the four extremes
    ViewCalibration = 2,   // calibration labels, operator's voltages, hold boxes, blow values
    ViewProgress = 4,      // the two progress bars
    ViewButtons = 8,       // run/pause and the read button
    ViewAll = 15,
};

inline constexpr const char* ReadButtonIdle = "Читать из прибора";
inline constexpr const char* ReadButtonReading = "Идет считывание";

// What a path check window shows, as texts.
struct TCheckView {
    using Table = std::array<std::array<std::string, 3>, 9>;   // row 0: headings
    Table Canal1{};
    Table Canal2{};
    // Edits the operator may type into: the window copies typed text here.
    std::string MaxC1 = "0", MinC1 = "5050", MaxC2 = "0", MinC2 = "5050";
    std::string RealU1 = "5050", RealU2 = "5050";
    std::string DeltaWr = "0";
    // Calibration display (design texts until the first activation).
    std::string Adc0 = "0000", MV0 = " 140";
    std::string AdcU2 = "  96", MvU2 = " 225";
    std::string AdcU1 = "1000", MVU1 = "5000";
    std::string Adc1023 = "1023", MV1023 = "5000";
    std::string DataSen13 = "0000", DataSen25 = "0000";
    bool FixU1 = false, FixU2 = false;
    // Blow path: word 26 and the BLOW_OUT zero level.
    std::string DeltaRd = "0", FixRd = "0";
    bool KeyUWDown = false, KeyUUDown = false;
    bool ReadDown = false;
    std::string ReadCaption = ReadButtonIdle;
    int ProgressRd = 0, ProgressWr = 0;   // 0..5
};

class TPathCheck {
public:
    static constexpr int ProgressMax = 5;
    static constexpr int PauseStart = 100;   // idle ticks after a cycle: two quiet ticks, then the next
    static constexpr int TableWidth = 5;

    explicit TPathCheck(const TPathCheckKind& kind);
    TPathCheck(const TPathCheck&) = delete;
    TPathCheck& operator=(const TPathCheck&) = delete;

    const TPathCheckKind& Kind;
    TExchangeEngine Engine{PathCheckEnginePolicy};
    TCheckView View;
    // Live polling runs (this window's; the reading flag is shared).
    bool Monitoring = false;

    struct {
        // Parts of View changed (TCheckViewPart bits).
        std::function<void(unsigned parts)> Show;
        // The command list held a bad item: the exchange has stopped.
        std::function<void()> CloseWindow;
        // More than 50 ticks without a reply: the engine has stopped the
        // timer and closed the port.
        std::function<void()> GaveUp;
        // A write list and its read-back are over (or were cut short).
        // `note`: what the operator should know of a write that did what
        // the instrument's own rule makes of it (empty otherwise).
        std::function<void(const TWriteVerdict& verdict, const std::string& note)> WriteEnded;
    } Hooks;

    // A write list or its read-back runs.
    bool Writing() const { return write_.Active(); }

    // After the window has opened its port (or found the line taken): idle
    // ticks 0, timer off, tables and calibration display as at activation,
    // polling on, a read cycle started; run down, pause up.
    void Activate();
    // Run: polling on, extremes reset, a read cycle started.
    void RunPolling();
    // Pause: polling off; the next tick stops the timer unless reading.
    void PausePolling();
    // The read button: reading off (and polling off), or reading on with a
    // read cycle started.
    void ToggleReading();
    // Hold or release point U1 (1) or U2 (2).
    void ToggleHold(int point);
    // First step of the write button. Measuring path: computes words 13 and
    // 25 from the points and the operator's voltages and shows them; with
    // equal ADC counts nothing changes and `message` tells the operator what
    // to do. Blow path: word 26 := delta_Wr. False when nothing is to be
    // written.
    bool PrepareWrite(std::string& message);
    // Rest of the write button, once the port is open: polling and reading
    // off, both run buttons up, the write list started. When it ends the
    // read cycle runs once and polling stays paused.
    void StartWriting();
    // The window has closed: timer off, ticks ignored until Activate.
    void Close();

    void Receive(const void* buffer, std::uint16_t length) { Engine.Receive(buffer, length); }
    void Tick();

    // Steps the handlers use; public for tests.
    void StartReadCycle();
    void StartWriteList();
    void RefreshTables();
    void RefreshCalibration();

private:
    // Channel values of the last read cycle that ran to its end: the
    // tables and the points take them from here, so that a count and a
    // voltage always come from the same cycle, also when a list is cut
    // short by the write button.
    struct TCycleValues {
        std::int32_t Adc1 = 0, Mv1 = 0, Mv2 = 0;
    };

    void ListEnd();
    // Starts a read cycle unless one of this window's runs: abandoned, its
    // replies still on the way could be taken for the new cycle's.
    void StartOrJoinReadCycle();
    void GaveUp();
    void EndWrite(const TWriteVerdict& verdict);
    void TakeCycleValues();
    void InitialTables();
    void InitialCalibration();
    void Show(unsigned parts);
    void SetTimer(bool on);
    void SetRunButtons(bool run, bool pause);
    void UpdateExtremes(std::int32_t value, std::string& max, std::string& min);
    void ShiftTable(int table, TCheckView::Table& cells, const std::array<std::int32_t, 3>& row);

    bool closed_ = true;
    TWriteCheck write_;
    TCycleValues cycle_;
    bool haveCycle_ = false;   // a read cycle has ended since activation
    bool cycleRuns_ = false;   // this window's read cycle is under way
};
