#include "PathCheck.h"

#include "Calibration.h"
#include "Characteristic.h"
#include "CommandLists.h"
#include "Registers.h"
#include "Text.h"

#include <algorithm>
#include <limits>

namespace {

constexpr const char* NoValue = "----";
constexpr const char* ExtremeMaxReset = "0";
constexpr const char* ExtremeMinReset = "5050";
constexpr std::int32_t PointThreshold = 1000;   // mV: U1 at or above, U2 below
constexpr int InitialMvWidth = 4;
// The start delta the instrument works with, and with what outside them.
constexpr std::int32_t BlowDeltaLow = 1;
constexpr std::int32_t BlowDeltaHigh = 8;
constexpr std::int32_t BlowDeltaFallback = 2;

std::int32_t ToInt32(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::string Field(std::int64_t value, int width)
{
    return FormatInt(value, width);
}

} // namespace

TPathCheck::TPathCheck(const TPathCheckKind& kind) : Kind(kind)
{
    Engine.Hooks.Bank1Value = [](int address, std::int32_t value) {
        if (address == Reg1::BlowOutZero)
            BlowOutZero = value;
    };
    Engine.Hooks.ReadStored = [this](int bank, int address, std::int32_t value) {
        write_.Read(bank, address, value); // the read-back of a write, if one runs
        View.ProgressRd = std::min(View.ProgressRd + 1, ProgressMax);
        Show(ViewProgress);
    };
    Engine.Hooks.ItemSent = [this](std::uint8_t letter) {
        if (letter != LetterWrite)
            return;
        View.ProgressWr = std::min(View.ProgressWr + 1, ProgressMax);
        Show(ViewProgress);
    };
    Engine.Hooks.ListEnd = [this] { ListEnd(); };
    Engine.Hooks.BadItem = [this] {
        if (write_.Active())
            EndWrite(write_.Abort(WriteCut::Closed));
        if (Hooks.CloseWindow)
            Hooks.CloseWindow();
    };
    View.Canal1[0] = {"АЦП", "мВ ", "дельта,мВ"};
    View.Canal2[0] = {"АЦП", "Сумматор", Kind.Canal2DeltaAtStart};
}

void TPathCheck::Show(unsigned parts)
{
    if (Hooks.Show)
        Hooks.Show(parts);
}

void TPathCheck::SetTimer(bool on)
{
    if (Engine.Hooks.SetTimer)
        Engine.Hooks.SetTimer(on, Engine.Policy.TimerPeriodMs);
}

void TPathCheck::SetRunButtons(bool run, bool pause)
{
    View.KeyUWDown = run;
    View.KeyUUDown = pause;
}

// --- Lists -----------------------------------------------------------------

void TPathCheck::StartReadCycle()
{
    View.ProgressRd = 0;
    Engine.IdleTicks = 0;
    Engine.StartList(Kind.ReadCycle, BatchEnd);
    cycleRuns_ = true;
    Show(ViewProgress);
}

void TPathCheck::StartOrJoinReadCycle()
{
    if (cycleRuns_ && ExchangeState == ExchangeAwaitingReply) {
        SetTimer(true);
        return;
    }
    StartReadCycle();
}

void TPathCheck::StartWriteList()
{
    std::vector<TCommandItem> items;
    for (std::uint8_t address : Kind.WriteAddresses)
        items.push_back(WriteItem(Bank2, address, Data_Sen[address]));
    Engine.IdleTicks = 0;
    cycleRuns_ = false;
    write_.Begin(items);
    Engine.StartList(items, BatchEnd);
    View.ProgressWr = 0; // the first frame went out with the list, not after a reply
    Show(ViewProgress);
}

void TPathCheck::ListEnd()
{
    cycleRuns_ = false;
    View.ProgressRd = 0;
    View.ProgressWr = 0;
    Show(ViewProgress);
    if (CommandList[0][1] == Bank2) {
        // The write list ended: show what is known, then read back once.
        RefreshTables();
        RefreshCalibration();
        SetTimer(false);
        ExchangeState = ExchangeIdle;
        PointsFromSensorTable();
        StartReadCycle(); // reads the words back
        return;
    }
    CommandIndex = 0;
    // Nothing is outstanding until the tick starts the next cycle after a
    // pause: a doubled or late reply arriving meanwhile must neither start
    // the list again nor be taken for the next cycle's first reply.
    ExchangeState = ExchangeIdle;
    Engine.ReceiveCount = 0;
    TakeCycleValues();
    if (Monitoring) {
        Engine.IdleTicks = PauseStart;
        RefreshTables();
        RefreshCalibration();
    } else if (ReadingFlag) {
        Engine.IdleTicks = PauseStart;
        RefreshCalibration();
        RefreshTables();
    }
    if (write_.Active())
        EndWrite(write_.Finish());
}

void TPathCheck::TakeCycleValues()
{
    cycle_ = {Channel1Adc, Channel1Voltage, Channel2Voltage};
    haveCycle_ = true;
}

void TPathCheck::EndWrite(const TWriteVerdict& given)
{
    TWriteVerdict verdict = given;
    std::string note;
    if (!Kind.WritesCalibration && !verdict.Words.empty()) {
        // The instrument works with a start delta of 2 when the word is
        // outside 1..8, and may store the 2: that is its rule, not a fault
        // of the line, and the write is what the instrument makes of it.
        const TWrittenWord& w = verdict.Words.front();
        if (w.Written < BlowDeltaLow || w.Written > BlowDeltaHigh) {
            const std::string head = "Дельта запуска " + std::to_string(w.Written) + " вне пределов 1..8: ";
            if (w.Read && *w.Read == BlowDeltaFallback && verdict.Cut == WriteCut::None) {
                verdict.Confirmed = true;
                note = head + "прибор заменил её значением 2.";
            } else if (verdict.Confirmed) {
                note = head + "прибор хранит её, но работает со значением 2.";
            }
        }
    }
    if (verdict.Cut == WriteCut::None) {
        // What the read-back found is what the "В приборе" fields show.
        View.MV0 = Field(Data_Sen[Reg2::ZeroOffset], InitialMvWidth);
        View.MV1023 = Field(Data_Sen[Reg2::Supply], InitialMvWidth);
        View.DataSen13 = Field(Data_Sen[Reg2::ZeroOffset], Kind.Width);
        View.DataSen25 = Field(Data_Sen[Reg2::Supply], Kind.Width);
        if (Kind.ShowsBlowValues)
            View.DeltaRd = Field(Data_Sen[Reg2::BlowDelta], TableWidth);
        Show(ViewCalibration);
    }
    if (Hooks.WriteEnded)
        Hooks.WriteEnded(verdict, note);
}

void TPathCheck::GaveUp()
{
    cycleRuns_ = false; // the port is closed: what was on the way is lost
    if (Hooks.GaveUp)
        Hooks.GaveUp();
    if (write_.Active())
        EndWrite(write_.Abort(WriteCut::NoReply));
}

void TPathCheck::Tick()
{
    if (closed_)
        return;
    // A write and its read-back run to their end (or give up) whatever the
    // flags: stopping the timer here would leave a lost reply unanswered
    // for good.
    if (!Monitoring && !ReadingFlag && !write_.Active()) {
        SetTimer(false);
        View.ReadDown = false;
        View.ReadCaption = ReadButtonIdle;
        Show(ViewButtons);
        return;
    }
    ++Engine.IdleTicks;
    if (Engine.IdleTicks > PauseStart) {
        if (Engine.IdleTicks <= PauseStart + 2)
            return; // the pause between cycles
        if (Engine.FrameLetter() == LetterWrite)
            StartWriteList();
        else
            StartReadCycle();
        Engine.IdleTicks = 0;
        // Goes on: the first frame of the new cycle is sent once more.
    }
    // Gives up above 50 idle ticks, else resends a bank-1 frame.
    if (Engine.TickCounted() == TTickResult::GaveUp)
        GaveUp();
}

// --- Handlers --------------------------------------------------------------

void TPathCheck::Activate()
{
    if (write_.Active())
        return; // the write goes on to its read-back
    closed_ = false;
    haveCycle_ = false; // until this window's first cycle ends
    Engine.IdleTicks = 0;
    SetTimer(false);
    InitialTables();
    InitialCalibration();
    Monitoring = true;
    StartOrJoinReadCycle();
    SetRunButtons(true, false);
    Show(ViewAll);
}

void TPathCheck::RunPolling()
{
    if (write_.Active())
        return;
    Monitoring = true;
    View.MaxC1 = ExtremeMaxReset;
    View.MaxC2 = ExtremeMaxReset;
    View.MinC1 = ExtremeMinReset;
    View.MinC2 = ExtremeMinReset;
    StartOrJoinReadCycle();
    SetRunButtons(true, false);
    Show(ViewTables | ViewButtons);
}

void TPathCheck::PausePolling()
{
    Monitoring = false;
    SetRunButtons(false, true);
    Show(ViewButtons);
}

void TPathCheck::ToggleReading()
{
    if (write_.Active())
        return;
    if (ReadingFlag) {
        ReadingFlag = false;
        Monitoring = false;
        return;
    }
    Monitoring = false;
    ReadingFlag = true;
    StartOrJoinReadCycle();
}

void TPathCheck::ToggleHold(int point)
{
    bool& hold = point == 1 ? HoldU1 : HoldU2;
    hold = !hold;
    View.FixU1 = HoldU1;
    View.FixU2 = HoldU2;
    Show(ViewCalibration);
}

bool TPathCheck::PrepareWrite(std::string& message)
{
    if (!Kind.WritesCalibration) {
        // The instrument itself replaces a delta outside 1..8; only what
        // fits a word is sent, so that the word written is the one shown.
        Data_Sen[Reg2::BlowDelta] = static_cast<int>(std::clamp<std::int64_t>(ReadInt(View.DeltaWr), 0, 65535));
        return true;
    }
    const TCalibrationPoints& p = CalibrationPoints;
    const std::int32_t r1 = ToInt32(ReadInt(View.RealU1));
    const std::int32_t r2 = ToInt32(ReadInt(View.RealU2));
    const auto result = ComputeCalibration(p.U1Adc, p.U2Adc, r1, r2);
    if (!result) {
        message = "Точки U1 и U2 сняты при одном и том же коде АЦП, калибровка не рассчитана.\n"
                  "Зафиксируйте две точки по разные стороны от 1000 мВ: U1 не ниже 1000 мВ, "
                  "U2 ниже 1000 мВ, и повторите запись.";
        return false;
    }
    Data_Sen[Reg2::ZeroOffset] = result->ZeroOffset;
    Data_Sen[Reg2::Supply] = result->Supply;
    CalibrationPoints.RealU1 = r1;
    CalibrationPoints.RealU2 = r2;
    RefreshCalibration();
    View.RealU2 = View.MvU2 = Field(r2, InitialMvWidth);
    View.RealU1 = View.MVU1 = Field(r1, InitialMvWidth);
    View.MV0 = Field(result->ZeroOffset, InitialMvWidth);
    View.MV1023 = Field(result->Supply, InitialMvWidth);
    Show(ViewCalibration);
    return true;
}

void TPathCheck::StartWriting()
{
    if (write_.Active())
        return;
    closed_ = false;
    Monitoring = false;
    ReadingFlag = false;
    SetRunButtons(false, false);
    StartWriteList();
    Show(ViewButtons);
}

void TPathCheck::Close()
{
    closed_ = true;
    cycleRuns_ = false;
    SetTimer(false);
    if (write_.Active())
        EndWrite(write_.Abort(WriteCut::Closed));
}

// --- Display ---------------------------------------------------------------

void TPathCheck::InitialTables()
{
    View.Canal1[0] = {"АЦП", "мВ ", "дельта,мВ"};
    View.Canal2[0] = {"АЦП", "Сумматор", Kind.Canal2DeltaAtStart};
    for (int row = 1; row <= LiveTableRows; ++row) {
        View.Canal1[row] = {NoValue, NoValue, NoValue};
        View.Canal2[row] = {NoValue, NoValue, NoValue};
    }
}

void TPathCheck::InitialCalibration()
{
    const std::int32_t zero = Data_Sen[Reg2::ZeroOffset];
    const std::int32_t supply = Data_Sen[Reg2::Supply];
    View.Adc0 = "   0";
    View.Adc1023 = "1023";
    View.AdcU2 = "   0";
    View.AdcU1 = "1023";
    CalibrationPoints.U2Adc = 0;
    CalibrationPoints.U2mV = zero;
    View.MV0 = View.MvU2 = Field(zero, InitialMvWidth);
    CalibrationPoints.U1Adc = Kind.U1AdcAtStart;
    CalibrationPoints.U1mV = supply;
    View.MV1023 = View.MVU1 = Field(supply, InitialMvWidth);
    CalibrationPoints.RealU2 = zero;
    CalibrationPoints.RealU1 = supply;
    View.RealU2 = Field(zero, Kind.Width);
    View.RealU1 = Field(supply, Kind.Width);
    View.FixU2 = HoldU2;
    View.FixU1 = HoldU1;
    View.DataSen13 = Field(zero, Kind.Width);
    View.DataSen25 = Field(supply, Kind.Width);
}

void TPathCheck::ShiftTable(int table, TCheckView::Table& cells, const std::array<std::int32_t, 3>& row)
{
    for (int r = LiveTableRows; r > 1; --r)
        cells[r] = cells[r - 1];
    for (int c = 0; c < LiveTableColumns; ++c) {
        auto& h = LiveHistory[table][c];
        std::move_backward(h.begin(), h.end() - 1, h.end());
        h[0] = row[c];
        cells[1][c] = Field(row[c], TableWidth);
    }
}

void TPathCheck::UpdateExtremes(std::int32_t value, std::string& max, std::string& min)
{
    if (value > ReadInt(max))
        max = Field(value, TableWidth);
    if (value < ReadInt(min))
        min = Field(value, TableWidth);
}

void TPathCheck::RefreshTables()
{
    if (!haveCycle_)
        return; // no row of values never read
    // Channel 1: count, millivolts, change of the millivolts.
    View.Canal1[0] = {"АЦП", "мВ ", "дельта,мВ"};
    const std::int32_t mv1 = cycle_.Mv1;
    ShiftTable(0, View.Canal1, {cycle_.Adc1, mv1, mv1 - LiveHistory[0][1][0]});
    UpdateExtremes(mv1, View.MaxC1, View.MinC1);

    // Channel 2: 16/3 ADC units per millivolt.
    View.Canal2[0] = {"АЦП", "мВ", Kind.Canal2Delta};
    const std::int32_t mv2 = cycle_.Mv2;
    const std::int32_t adc2 = mv2 * 16 / 3;
    ShiftTable(1, View.Canal2, {adc2, mv2, adc2 - LiveHistory[1][0][0]});
    UpdateExtremes(mv2, View.MaxC2, View.MinC2);
    Show(ViewTables);
}

void TPathCheck::RefreshCalibration()
{
    TCalibrationPoints& p = CalibrationPoints;
    const std::int32_t mv = cycle_.Mv1;
    if (!haveCycle_) {
        // nothing read yet: the points stay
    } else if (mv >= PointThreshold && !HoldU1) {
        p.U1Adc = cycle_.Adc1;
        p.U1mV = mv;
    } else if (mv < PointThreshold && !HoldU2) {
        p.U2Adc = cycle_.Adc1;
        p.U2mV = mv;
    }
    View.AdcU1 = Field(p.U1Adc / Kind.AdcDivisor, Kind.Width);
    View.AdcU2 = Field(p.U2Adc / Kind.AdcDivisor, Kind.Width);
    View.MVU1 = Field(p.U1mV, Kind.Width);
    View.MvU2 = Field(p.U2mV, Kind.Width);
    View.DataSen13 = Field(Data_Sen[Reg2::ZeroOffset], Kind.Width);
    View.DataSen25 = Field(Data_Sen[Reg2::Supply], Kind.Width);
    View.FixU1 = HoldU1;
    View.FixU2 = HoldU2;
    View.ReadDown = ReadingFlag;
    View.ReadCaption = ReadingFlag ? ReadButtonReading : ReadButtonIdle;
    if (Kind.ShowsBlowValues) {
        View.DeltaRd = Field(Data_Sen[Reg2::BlowDelta], TableWidth);
        View.FixRd = Field(BlowOutZero, TableWidth);
    }
    Show(ViewCalibration | ViewButtons);
}
