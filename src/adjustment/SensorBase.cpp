#include "SensorBase.h"

#include "Adjusting.h"
#include "Files.h"
#include "SensorGroup.h"
#include "Settings.h"
#include "Text.h"

#include <algorithm>

namespace {

constexpr int kGridWidth = 6;
constexpr int kNumberWidth = 5;
constexpr int kSensorNumberWidth = 4;   // EditNS after "+1"
constexpr std::int64_t kHighestSensor = 65535;

int SensorFromText(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, kHighestSensor));
}

std::string EmptyRecordText(int number)
{
    return "В базе нет данных сенсора " + std::to_string(number)
           + ": все семь точек равны 0. Перенос «База => Прибор» не выполнен, "
             "иначе прибор получил бы нулевую характеристику.";
}

const char* const kUnusablePointsText =
    "Перенос «База => Прибор» не выполнен: точки из базы недопустимы "
    "(каждая должна быть от 1 до 6000 и не выше точки «Чистый» воздух).";

const char* const kNoAnswerText =
    "Прибор не отвечает: обмен прекращён. Проверьте подключение прибора и повторите.";

} // namespace

TSensorBase::TSensorBase(const bool& readingFlag) : Exchange(readingFlag)
{
    Exchange.Hooks.Progress = [this] {
        View.ProgressRd = Exchange.ProgressRd;
        View.ProgressWr = Exchange.ProgressWr;
        Show(BaseProgress);
    };
    Exchange.Hooks.ListEnd = [this](bool) {
        ShowNumbers();
        Show(BaseNumbers);
    };
    Exchange.Hooks.WriteChecked = [this](const TWriteVerdict& verdict, const std::string& what) {
        if (!verdict.Confirmed && Hooks.Unconfirmed)
            Hooks.Unconfirmed(UnconfirmedText(verdict, what));
        if (Hooks.WriteOver)
            Hooks.WriteOver();
    };
    Exchange.Hooks.GaveUp = [this](bool, bool writeCut) {
        if (!writeCut) // a write cut short by silence has said so itself
            Tell(kNoAnswerText);
        if (Hooks.LineLost)
            Hooks.LineLost();
    };
}

void TSensorBase::Show(unsigned parts)
{
    if (Hooks.Show)
        Hooks.Show(parts);
}

void TSensorBase::Tell(const std::string& text)
{
    if (Hooks.Tell)
        Hooks.Tell(text);
}

void TSensorBase::Reject(const SensorPointTable& points)
{
    if (Hooks.RejectPoints)
        Hooks.RejectPoints(points);
}

bool TSensorBase::Acceptable(const SensorPointTable& points)
{
    InputErrorFlag = !PointsAcceptable(points);
    if (InputErrorFlag)
        Reject(points);
    return !InputErrorFlag;
}

// Loads the selected sensor; a group file that could not be read is told
// (its record shows as far as it was read, and the group is never saved).
void TSensorBase::LoadReporting()
{
    try {
        LoadSelectedSensor();
    } catch (const EInOutError& e) {
        Tell(e.what());
    }
}

// The two sides change places, and the record takes `points` derived as
// the (new) instrument side. If storing fails, the sides are put back.
void TSensorBase::StoreExchanged(const SensorPointTable& points)
{
    ExchangeSides();
    try {
        SensorPoints = points;
        DeriveSensorTable(SensorPoints, Data_Sen);
        StoreRecord();
    } catch (...) {
        ExchangeSides();
        throw;
    }
}

// Back to the sensor selected before, as its file holds it.
void TSensorBase::BackTo(int number)
{
    Select(number);
    ShowGrids();
    Show(BaseNumberEdit | BaseGrids);
}

void TSensorBase::Select(int number)
{
    SensorNumber = number;
    LoadReporting();
}

void TSensorBase::ShowSensorNumber()
{
    View.Sensor = std::to_string(SensorNumber);
    if (SetMainStatus)
        SetMainStatus(2, SensorStatusText(SensorNumber));
}

void TSensorBase::ShowGrids()
{
    View.GridBaza = PointTexts(BasePoints);
    View.GridBazaP = PointTexts(SensorPoints);
    for (int i = 0; i < SensorTableSize; ++i)
        View.GridS[i] = FormatInt(BaseTable[i], kGridWidth);
    View.EditText = NoteForEdit(SensorNote);
}

void TSensorBase::ShowNumbers()
{
    View.EEPROM = FormatInt(Data_Sen[27], kNumberWidth);
    View.Sensor = FormatInt(Data_Sen[31], kNumberWidth);
    View.Time = OperatingTimeText(Data_Sen[28]);
    View.TestAll = FormatInt(Data_Sen[29], kNumberWidth);
    View.Test03 = FormatInt(Data_Sen[30], kNumberWidth);
}

void TSensorBase::Activate()
{
    // Another window (the sensor table) may have chosen another sensor: the
    // number shown is the sensor whose record is loaded.
    if (ReadInt(SensorNumberText) != SensorNumber)
        SensorNumberText = std::to_string(SensorNumber);
    View.EditNS = SensorNumberText;
    LoadReporting();
    ShowGrids();
    ShowNumbers();
    if (View.TypeMove == TransferToBase && UnreadSensorGroup != SensorGroupNo) {
        // "Прибор => База": the instrument's points go into the record; the
        // database grids keep the record as it was loaded.
        const SensorPointTable points = PointsFromTexts(View.GridBazaP);
        if (Acceptable(points)) {
            SensorPoints = points;
            DeriveSensorTable(SensorPoints, Data_Sen);
            StoreRecord();
            ShowGrids();
        }
    }
    ShowSensorNumber();
    SaveSettings();
    Show(BaseAll);
}

void TSensorBase::Close()
{
    if (View.TypeMove != TransferToInstrument)
        return;
    const SensorPointTable points = PointsFromTexts(View.GridBaza);
    if (NeverFilled(points)) {
        Tell(EmptyRecordText(SensorNumber));
        return;
    }
    InputErrorFlag = !PointsAcceptable(points);
    if (InputErrorFlag) {
        // The window is closing: a message, not the input error window.
        Tell(kUnusablePointsText);
        return;
    }
    // The instrument side takes the database's data, the database side the
    // instrument's; the record keeps the database grid's points.
    StoreExchanged(points);
    ShowGrids();
    Show(BaseGrids);
    WriteAfterTransfer = true;
}

void TSensorBase::NextSensor()
{
    const int n = SensorFromText(ReadInt(View.EditNS) + 1);
    Select(n);
    SensorNumberText = FormatInt(n, kSensorNumberWidth);
    View.EditNS = SensorNumberText;
    SaveSettings();
    ShowGrids();
    Show(BaseNumberEdit | BaseGrids);
}

void TSensorBase::PreviousSensor()
{
    std::int64_t n = ReadInt(View.EditNS);
    if (n > 0)
        --n;
    Select(SensorFromText(n));
    SensorNumberText = std::to_string(SensorNumber);
    View.EditNS = SensorNumberText;
    SaveSettings();
    ShowGrids();
    Show(BaseNumberEdit | BaseGrids);
}

void TSensorBase::TypedSensor()
{
    Select(SensorFromText(ReadInt(View.EditNS)));
    ShowGrids();
    Show(BaseGrids);
}

void TSensorBase::CorrectRecord()
{
    const SensorPointTable points = PointsFromTexts(View.GridBaza);
    if (!Acceptable(points))
        return;
    // Derived and stored as the instrument side, then put back: the
    // database side and the record change, the instrument side does not.
    StoreExchanged(points);
    ExchangeSides();
    ShowGrids();
    View.TypeMove = TransferNone;
    Show(BaseGrids | BaseTransfer);
}

void TSensorBase::NewRecord()
{
    const SensorPointTable points = PointsFromTexts(View.GridBaza);
    if (!Acceptable(points))
        return;
    const int n = SensorFromText(ReadInt(View.EditNS) + 1);
    try {
        LoadSensorGroupShown(n);
    } catch (const EInOutError& e) {
        Tell(e.what());
        LoadReporting(); // back to the selected sensor's group
        return;
    }
    if (!NeverFilled(RecordPoints(SensorGroup[static_cast<std::size_t>(SensorSlot)]))) {
        const std::string question = "Запись сенсора " + std::to_string(n)
                                     + " уже заполнена. Заменить её точками из таблицы «Из базы данных»?";
        if (!Hooks.Ask || !Hooks.Ask(question)) {
            LoadReporting();
            return;
        }
    }
    const int selected = SensorNumber;
    SensorNumber = n;
    BasePoints = points;
    DeriveSensorTable(BasePoints, BaseTable);
    // Packed as the instrument side, then put back. The record keeps its
    // own note: the one shown is the previous sensor's.
    ExchangeSides();
    bool saved = false;
    try {
        PackKeepingNote();
        saved = SaveSensorGroup(n);
    } catch (...) {
        ExchangeSides();
        BackTo(selected);
        throw;
    }
    ExchangeSides();
    if (!saved) {
        // Not stored (told by the file warning): the selected sensor stays.
        BackTo(selected);
        return;
    }
    View.EditNS = std::to_string(n);
    ShowGrids();
    View.TypeMove = TransferNone;
    Show(BaseNumberEdit | BaseGrids | BaseTransfer);
}

void TSensorBase::InstrumentToBase()
{
    const SensorPointTable points = PointsFromTexts(View.GridBazaP);
    if (!Acceptable(points))
        return;
    SensorPoints = points;
    DeriveSensorTable(SensorPoints, Data_Sen);
    StoreRecord(DeviceNote(WordFromText(View.EEPROM)));
    CopyInstrumentToBase();
    ShowGrids();
    Show(BaseGrids);
}

bool TSensorBase::PrepareBaseToInstrument()
{
    const SensorPointTable points = PointsFromTexts(View.GridBaza);
    if (NeverFilled(points)) {
        Tell(EmptyRecordText(SensorNumber));
        return false;
    }
    if (!Acceptable(points))
        return false;
    // The journal keeps the instrument side as last read, before it changes.
    transferDetails_ = TransferDetails("База => Прибор, сенсор " + std::to_string(SensorNumber), LastReadPoints(),
                                       points);
    // Only the derived words change: 11, 13 and 25..30 keep the
    // instrument's values.
    SensorPoints = points;
    DeriveSensorTable(SensorPoints, Data_Sen);
    StoreRecord();
    CopyInstrumentToBase();
    ShowGrids();
    Show(BaseGrids);
    return true;
}

void TSensorBase::StartBaseToInstrument()
{
    Exchange.StartTableWrite(transferDetails_);
    SensorNumber = Data_Sen[31];
    SaveSettings();
}

void TSensorBase::PrepareNumberWrite()
{
    Data_Sen[27] = WordFromText(View.EEPROM);
    Data_Sen[31] = WordFromText(View.Sensor);
    SensorNumber = Data_Sen[31];
    View.EditNS = View.Sensor;
    LoadReporting();
    ShowGrids();
    if (SetMainStatus)
        SetMainStatus(2, SensorStatusText(SensorNumber));
    SaveSettings();
    Data_Sen[28] = OperatingTimeWord(View.Time);
    Data_Sen[29] = WordFromText(View.TestAll);
    Data_Sen[30] = WordFromText(View.Test03);
    Show(BaseNumberEdit | BaseGrids);
}

void TSensorBase::ClearStatistics()
{
    Data_Sen[28] = Data_Sen[29] = Data_Sen[30] = 0;
    ShowNumbers();
    Show(BaseNumbers);
}
