#pragma once
// The sensor table window's logic without the window: one sensor group file
// as a table of its 100 sensors, a selected sensor whose seven points are
// edited, shifted, validated and committed to the group file, and on
// request written into the instrument, whose numbers and statistics are
// then read back. What the window shows is kept in `View` as texts; the
// window puts them on its controls when told which part changed, and puts
// what the operator types back into `View`.
//
// The window:
//  - joins Exchange.Engine to its port and timer,
//  - calls Activate() when it becomes active, ShowRow() when a row of the
//    table is chosen, TypedNumber() when a number is typed and Enter
//    pressed, Step() for its "-" and "+" buttons, Shift() for the point
//    step buttons,
//  - for "Ввод" calls Commit(); when that asks for the instrument, makes
//    sure it holds the line and calls StartWriting(),
//  - releases the line when Hooks.ExchangeOver says the exchange is over.
// Everything runs on the main thread.
#include "PointTexts.h"
#include "SensorExchange.h"
#include "SensorGroup.h"

#include <array>
#include <functional>
#include <string>

inline constexpr int SensorTableRows = 101;      // the heading row and 100 sensors
inline constexpr int SensorTableColumns = 9;     // sensor, seven points, note
inline constexpr int SensorTableScrollLimit = 73; // a row above it becomes the top row when selected
inline constexpr int ThresholdRows = 11;         // "Переход 0.0/0.1" .. "Переход 0.9/1.0", "Дельта"

// Parts of the view, for TSensorTable::Hooks.Show.
enum TTableViewPart : unsigned {
    TableNumber = 1,       // numSenE
    TableRows = 2,         // the group table
    TableSelection = 4,    // selected row and the row to scroll to the top
    TablePoints = 8,       // GridBaza
    TableThresholds = 16,  // Grid_S
    TableNote = 32,        // editTxt
    TableProgress = 64,    // the two progress bars
    TableAll = 127,
};

// What the sensor table window shows, as texts.
struct TSensorTableView {
    using Row = std::array<std::string, SensorTableColumns>;
    std::string NumSenE = "00001";
    std::array<Row, SensorTableRows> Grid1{};          // row 0: headings
    TPointTexts GridBaza{};                            // column 1 (typed into)
    std::array<std::string, ThresholdRows> GridS{};    // column 1
    std::string EditTxt = "1234567890123456789012345678901234567890"; // typed into
    std::string TxtPlMinus = "100";                    // typed into
    bool FlagWrite = false;
    int SelectedRow = 0;   // 1..100, 0 before the first showing
    int TopRow = 0;        // with a selection: the row to make the top row, 0 to leave it
    int ProgressRd = 0, ProgressWr = 0;   // 0..5
};

// Column 0 labels of the point grid and the threshold grid.
extern const std::array<const char*, ThresholdRows> ThresholdLabels;
// Row 0 of the group table.
extern const TSensorTableView::Row SensorTableHeadings;

// Column 0 of a row: the group right-aligned in three characters and the
// slot in two digits (group 12, slot 0: " 1200").
std::string SensorCell(int group, int slot);
// The note field of a record as the table shows it: the 38 characters pair
// by pair, the odd-offset byte first, every byte below "0" as a blank.
std::string NoteCell(const SensorRecord& record);
// The note as the edit shows it, to be stored back unchanged: the stored
// characters, never-written and control bytes as blanks.
std::string NoteText(const SensorRecord& record);
// A typed note as it is stored: the 38 characters the record holds, filled
// up with blanks, so that the whole field is written and what the edit
// showed is what the record holds.
std::string NoteToStore(const std::string& typed);
// The row made the top row when `row` is selected, or 0 when the grid
// keeps its top row (rows from 73 on are on the last page anyway).
int TopRowFor(int row);

class TSensorTable {
public:
    explicit TSensorTable(const bool& readingFlag);
    TSensorTable(const TSensorTable&) = delete;
    TSensorTable& operator=(const TSensorTable&) = delete;

    TSensorExchange Exchange;
    TSensorTableView View;
    // The sensor number the table was built for; its group is shown.
    int ShownNumber = 1;

    struct {
        // Parts of View changed (TTableViewPart bits).
        std::function<void(unsigned parts)> Show;
        // Typed points that are not acceptable: the input error window.
        std::function<void(const SensorPointTable& points)> RejectPoints;
        // Something the operator must be told.
        std::function<void(const std::string& text)> Tell;
        // The instrument exchange is over (done, given up or stopped): the
        // window releases the line.
        std::function<void()> ExchangeOver;
        // The write was not confirmed by its read-back: the message (it
        // begins "Запись не подтверждена").
        std::function<void(const std::string& text)> Unconfirmed;
        // The write and its read-back are over, confirmed or not.
        std::function<void()> WriteOver;
    } Hooks;

    // Activation: the table of SensorNumber's group, its row selected.
    void Activate();
    // Loads the shown number's group and fills the table.
    void BuildTable();
    // Row 1..100 of the table chosen: its sensor becomes the current one
    // (SensorNumber, saved when it changes).
    void ShowRow(int row);
    // The number typed in numSenE, Enter pressed: that sensor and its group.
    void TypedNumber();
    // downN (-1, not below 0) and upN (+1).
    void Step(int delta);
    // "Ввод": validates the point grid (the input error window on wrong
    // points, and nothing else), derives the characteristic, stores the
    // points, thresholds and note in the selected sensor's record and saves
    // the group; true when the instrument is to be written too (flagWrite),
    // and the grid validated again.
    bool Commit();
    // The rest of "Ввод" with flagWrite, once the window holds the line: the
    // record stored again, the table written, the numbers read back.
    void StartWriting();
    // key_DelMi (-1) and key_DelPl (+1): every point moved by the step; the
    // record in memory follows when the points are right, the file not yet.
    void Shift(int sign);
    // The window closes: its exchange stops.
    void Close();

private:
    void Show(unsigned parts);
    bool Validate();
    void SelectShownRecord();

};
