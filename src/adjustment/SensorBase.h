#pragma once
// The sensor database window's logic without the window: selecting a
// sensor, comparing and transferring the instrument's data and the
// database's record in either direction, correcting a record, creating the
// next sensor's record, and reading and writing the instrument's numbers
// and statistics. What the window shows is kept in `View` as texts; the
// window puts them on its controls when told which part changed, and puts
// what the operator types back into `View`.
//
// The window:
//  - joins Exchange.Engine to its port and timer,
//  - on activation calls Activate(), then opens its port when no window
//    holds the line,
//  - maps its handlers to the calls below; the calls that start an exchange
//    come in two steps (Prepare..., then, after making sure the port is
//    open, Start...),
//  - on closing calls Close() before it releases its port.
// Everything runs on the main thread.
#include "BaseRecord.h"
#include "PointTexts.h"
#include "SensorExchange.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

// Parts of the view, for TSensorBase::Hooks.Show.
enum TBaseViewPart : unsigned {
    BaseNumberEdit = 1,   // EditNS
    BaseGrids = 2,        // GridBaza, GridBazaP, GridS, EditText
    BaseNumbers = 4,      // device and sensor numbers, statistics
    BaseProgress = 8,     // the two progress bars
    BaseTransfer = 16,    // typeMove
    BaseAll = 31,
};

// What the database window shows, as texts.
struct TBaseView {
    std::string EditNS;                                   // the selected sensor's number
    TPointTexts GridBaza{};                               // database points (typed into)
    TPointTexts GridBazaP{};                              // instrument points (typed into)
    std::array<std::string, SensorTableSize> GridS{};     // the database table
    std::string EditText;                                 // SensorNote
    int TypeMove = TransferNone;
    std::string EEPROM, Sensor, Time, TestAll, Test03;    // numbers and statistics (typed into)
    int ProgressRd = 0, ProgressWr = 0;                   // 0..5
};

class TSensorBase {
public:
    explicit TSensorBase(const bool& readingFlag);
    TSensorBase(const TSensorBase&) = delete;
    TSensorBase& operator=(const TSensorBase&) = delete;

    TSensorExchange Exchange;
    TBaseView View;

    struct {
        // Parts of View changed (TBaseViewPart bits).
        std::function<void(unsigned parts)> Show;
        // Typed points that are not acceptable: the window shows the input
        // error window with them.
        std::function<void(const SensorPointTable& points)> RejectPoints;
        // Something the operator must be told (a refused transfer, a group
        // file that could not be read, an instrument that does not answer).
        std::function<void(const std::string& text)> Tell;
        // A question with Yes and No; true for Yes.
        std::function<bool(const std::string& text)> Ask;
        // A write into the instrument was not confirmed by its read-back:
        // the message (it begins "Запись не подтверждена").
        std::function<void(const std::string& text)> Unconfirmed;
        // A write and its read-back are over, confirmed or not.
        std::function<void()> WriteOver;
        // The instrument did not answer and the exchange was given up: the
        // window releases the line, so that the next list opens it again.
        std::function<void()> LineLost;
    } Hooks;

    // Activation: the selected sensor loaded and shown with the numbers;
    // with "Прибор => База" the instrument's points stored in its record;
    // the sensor number shown in edNum_Sensor and the status bar, and saved.
    void Activate();
    // Closing: with "База => Прибор" the two sides change places, the
    // database grid's points are stored and the adjustment window is told
    // to write them (WriteAfterTransfer). Refused, with a message, for a
    // record never filled or points the instrument cannot use.
    void Close();

    // "+1", "-1": the next or previous sensor (not below 0), saved.
    void NextSensor();
    void PreviousSensor();
    // EditNS taken: the typed sensor (0..65535), not saved.
    void TypedSensor();

    // Panel3: the record takes GridBaza's points with a fresh derivation.
    void CorrectRecord();
    // Panel4: the record of the next sensor takes GridBaza's points and
    // becomes the selected one. A record there that holds data is replaced
    // only when the operator agrees.
    void NewRecord();

    // key_P_Baza: the instrument's points (GridBazaP), with the device note,
    // into the record and the database side.
    void InstrumentToBase();
    // key_Baza_P: GridBaza's points into the record and the instrument side;
    // false (and nothing changed) for a record never filled or points the
    // instrument cannot use. Then, once the port is open, StartBaseToInstrument.
    bool PrepareBaseToInstrument();
    void StartBaseToInstrument();

    // Key_UFin.
    void StartNumberRead() { Exchange.StartNumberRead(); }
    // Key_UFout: the typed numbers and statistics into Data_Sen 27..31, the
    // typed sensor selected and saved. Then, once the port is open,
    // StartNumberWrite.
    void PrepareNumberWrite();
    void StartNumberWrite() { Exchange.StartNumberWrite(); }
    // key_ClrStat: statistics 0 (written by the next Key_UFout).
    void ClearStatistics();

    void ShowGrids();
    void ShowNumbers();

private:
    void Show(unsigned parts);
    void Tell(const std::string& text);
    void Reject(const SensorPointTable& points);
    void Select(int number);
    void BackTo(int number);
    void StoreExchanged(const SensorPointTable& points);
    void LoadReporting();
    bool Acceptable(const SensorPointTable& points);
    void ShowSensorNumber();

    std::vector<std::string> transferDetails_;   // journal details of "База => Прибор"
};
