#include "SensorTable.h"

#include "Adjusting.h"
#include "Bytes.h"
#include "Cp1251.h"
#include "Files.h"
#include "Settings.h"
#include "Text.h"

#include <algorithm>
#include <cstdio>

const std::array<const char*, ThresholdRows> ThresholdLabels = {
    SensorTableLabels[14], SensorTableLabels[15], SensorTableLabels[16], SensorTableLabels[17],
    SensorTableLabels[18], SensorTableLabels[19], SensorTableLabels[20], SensorTableLabels[21],
    SensorTableLabels[22], SensorTableLabels[23], "Дельта",
};

const TSensorTableView::Row SensorTableHeadings = {"сенсор", "0.0", "0.1", "0.2", "0.5", "0.6", "1.0", "2.0", ""};

namespace {

constexpr int kPointCellWidth = 4;
constexpr int kGridWidth = 6;
constexpr int kGroupWidth = 3;
constexpr std::int64_t kHighestSensor = 65535;
constexpr std::int64_t kLargestStep = 65535;
constexpr int kThresholdWord = 7;   // record words 7..16: Data_Sen 14..23

const char* const kNoAnswerText =
    "Прибор не отвечает: запись прервана. Проверьте подключение прибора и повторите «Ввод».";

int SensorFromText(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, kHighestSensor));
}

// The 38 note bytes in text order: of each stored pair the byte at the odd
// offset comes first.
std::string NoteBytes(const SensorRecord& record)
{
    std::string bytes(SensorNoteLength, ' ');
    for (int i = 0; i < SensorNoteLength; i += 2) {
        bytes[i] = static_cast<char>(record[SensorNoteOffset + i + 1]);
        bytes[i + 1] = static_cast<char>(record[SensorNoteOffset + i]);
    }
    return bytes;
}

} // namespace

std::string SensorCell(int group, int slot)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02d", slot);
    return FormatInt(group, kGroupWidth) + digits;
}

std::string NoteCell(const SensorRecord& record)
{
    std::string bytes = NoteBytes(record);
    for (char& c : bytes)
        if (static_cast<unsigned char>(c) < '0')
            c = ' ';
    return FromCp1251(bytes);
}

std::string NoteText(const SensorRecord& record)
{
    std::string bytes = NoteBytes(record);
    for (char& c : bytes)
        if (static_cast<unsigned char>(c) < ' ')
            c = ' ';
    return FromCp1251(bytes);
}

std::string NoteToStore(const std::string& typed)
{
    std::string stored = ToCp1251(typed);
    stored.resize(SensorNoteLength, ' ');
    return FromCp1251(stored);
}

int TopRowFor(int row)
{
    return row < SensorTableScrollLimit ? row : 0;
}

TSensorTable::TSensorTable(const bool& readingFlag) : Exchange(readingFlag)
{
    View.Grid1[0] = SensorTableHeadings;
    Exchange.Hooks.Progress = [this] {
        View.ProgressRd = Exchange.ProgressRd;
        View.ProgressWr = Exchange.ProgressWr;
        Show(TableProgress);
    };
    Exchange.Hooks.Done = [this] {
        if (Hooks.ExchangeOver)
            Hooks.ExchangeOver();
    };
    Exchange.Hooks.WriteChecked = [this](const TWriteVerdict& verdict, const std::string& what) {
        if (!verdict.Confirmed && Hooks.Unconfirmed)
            Hooks.Unconfirmed(UnconfirmedText(verdict, what));
        if (Hooks.WriteOver)
            Hooks.WriteOver();
    };
    Exchange.Hooks.GaveUp = [this](bool, bool writeCut) {
        if (Hooks.Tell && !writeCut) // a write cut short by silence has said so itself
            Hooks.Tell(kNoAnswerText);
        if (Hooks.ExchangeOver)
            Hooks.ExchangeOver();
    };
    Exchange.Hooks.BadItem = Exchange.Hooks.Done;
}

void TSensorTable::Show(unsigned parts)
{
    if (Hooks.Show)
        Hooks.Show(parts);
}

void TSensorTable::Activate()
{
    ShownNumber = SensorNumber;
    BuildTable();
    ShowRow(ShownNumber % 100 + 1);
    if (!Exchange.Busy()) {
        Exchange.Engine.IdleTicks = 0;
        Exchange.Stop();
    }
}

void TSensorTable::BuildTable()
{
    try {
        LoadSensorGroupShown(ShownNumber);
    } catch (const EInOutError& e) {
        // Told; the table shows what was read of the file, the rest empty.
        if (Hooks.Tell)
            Hooks.Tell(e.what());
    }
    View.Grid1[0] = SensorTableHeadings;
    const int group = ShownNumber / 100;
    for (int i = 0; i < SensorGroupSize; ++i) {
        const SensorRecord& record = SensorGroup[static_cast<std::size_t>(i)];
        TSensorTableView::Row& row = View.Grid1[static_cast<std::size_t>(i + 1)];
        row[0] = SensorCell(group, i);
        const SensorPointTable points = RecordPoints(record);
        for (int k = 0; k < SensorPointCount; ++k)
            row[static_cast<std::size_t>(k + 1)] = FormatInt(points[k], kPointCellWidth);
        row[8] = NoteCell(record);
    }
    Show(TableRows);
}

void TSensorTable::ShowRow(int row)
{
    if (row <= 0 || row > SensorGroupSize)
        return;
    ShownNumber = ShownNumber / 100 * 100 + row - 1;
    if (SensorNumber != ShownNumber) {
        // The chosen sensor is the program's current one from now on. Saved
        // at once: the main window reloads the settings whenever it becomes
        // active, and would otherwise put the previous sensor back.
        SensorNumber = ShownNumber;
        SaveSettings();
    }
    View.NumSenE = std::to_string(ShownNumber);
    View.SelectedRow = row;
    View.TopRow = TopRowFor(row);
    // The record packed from here is this row's: the group in memory is the
    // shown one, only the slot moves.
    SensorSlot = row - 1;

    const SensorRecord& record = SensorGroup[static_cast<std::size_t>(row - 1)];
    SensorPoints = RecordPoints(record);
    View.GridBaza = PointTexts(SensorPoints);
    for (int i = 0; i < 10; ++i) {
        Data_Sen[14 + i] = UnpackWord(record.data() + 2 * (kThresholdWord + i));
        View.GridS[static_cast<std::size_t>(i)] = FormatInt(Data_Sen[14 + i], kGridWidth);
    }
    View.GridS[10] = FormatInt((SensorPoints[5] - SensorPoints[6]) / 10, kGridWidth);
    View.EditTxt = NoteText(record);
    Show(TableNumber | TableSelection | TablePoints | TableThresholds | TableNote);
}

void TSensorTable::TypedNumber()
{
    ShownNumber = SensorFromText(ReadInt(View.NumSenE));
    View.NumSenE = std::to_string(ShownNumber);
    BuildTable();
    ShowRow(ShownNumber % 100 + 1);
}

void TSensorTable::Step(int delta)
{
    std::int64_t n = ReadInt(View.NumSenE);
    if (delta > 0)
        ++n;
    else if (n > 0)
        --n;
    ShownNumber = SensorFromText(n);
    View.NumSenE = std::to_string(ShownNumber);
    BuildTable();
    ShowRow(ShownNumber % 100 + 1);
}

bool TSensorTable::Validate()
{
    const SensorPointTable points = PointsFromTexts(View.GridBaza);
    if (TakeValidatedPoints(points))
        return true;
    if (Hooks.RejectPoints)
        Hooks.RejectPoints(points);
    return false;
}

// Packing goes into the shown sensor's record of the shown group, whatever
// another window loaded in between.
void TSensorTable::SelectShownRecord()
{
    if (SensorGroupNo != ShownNumber / 100)
        LoadSensorGroup(ShownNumber);
    SensorGroupNo = ShownNumber / 100;
    SensorSlot = ShownNumber % 100;
}

bool TSensorTable::Commit()
{
    if (!Validate())
        return false;
    DeriveSensorTable(SensorPoints, Data_Sen);
    SensorNote = NoteToStore(View.EditTxt);
    SelectShownRecord();
    PackSensorRecord();
    SaveSensorGroup(ShownNumber);
    BuildTable();
    ShowRow(ShownNumber % 100 + 1);
    if (!View.FlagWrite)
        return false;
    if (!Validate())
        return false;
    DeriveSensorTable(SensorPoints, Data_Sen);
    return true;
}

void TSensorTable::StartWriting()
{
    SelectShownRecord();
    PackSensorRecord();
    SaveSensorGroup(SensorNumber);
    Exchange.StartTableWrite(TransferDetails("из таблицы сенсоров, сенсор " + std::to_string(ShownNumber),
                                             LastReadPoints(), SensorPoints));
    SensorNumber = Data_Sen[31];
    SaveSettings();
}

void TSensorTable::Shift(int sign)
{
    const int step = static_cast<int>(std::clamp<std::int64_t>(ReadInt(View.TxtPlMinus), -kLargestStep, kLargestStep));
    Validate();
    SensorPoints = ShiftedPoints(SensorPoints, sign * step);
    View.GridBaza = PointTexts(SensorPoints);
    unsigned parts = TablePoints;
    if (Validate()) {
        DeriveSensorTable(SensorPoints, Data_Sen);
        CompleteSensorTable();
        // The shown row's own note goes with its points, not the note of
        // the last sensor committed.
        SensorNote = NoteToStore(View.EditTxt);
        SelectShownRecord();
        PackSensorRecord();
        for (int i = 0; i < 10; ++i)
            View.GridS[static_cast<std::size_t>(i)] = FormatInt(Data_Sen[14 + i], kGridWidth);
        parts |= TableThresholds;
    }
    Show(parts);
}

void TSensorTable::Close()
{
    Exchange.Stop();
}
