#include "BaseRecord.h"

#include "Adjusting.h"
#include "Files.h"
#include "SensorGroup.h"
#include "Settings.h"
#include "Text.h"

#include <algorithm>
#include <utility>

SensorTable BaseTable{};
SensorPointTable BasePoints{};

namespace {

constexpr std::int64_t kWordMax = 65535;

SensorRecord& SelectedRecord()
{
    return SensorGroup[static_cast<std::size_t>(SensorSlot)];
}

void TakeSelectedRecord()
{
    BasePoints = RecordPoints(SelectedRecord());
    DeriveSensorTable(BasePoints, BaseTable);
    SensorNote = RecordNote(SelectedRecord());
}

void Pack(const std::string* note)
{
    SensorNote = note ? *note : RecordNote(SelectedRecord());
    PackSensorRecord();
    SensorNote = RecordNote(SelectedRecord());
}

void Store(const std::string* note)
{
    MakeSureOfGroup();
    Pack(note);
    SaveSensorGroup(SensorNumber);
}

} // namespace

void LoadSelectedSensor()
{
    // Whatever happens to the file, the database side shows this sensor's
    // record as far as it was read (an unread record shows as zeros).
    try {
        LoadSensorGroupShown(SensorNumber);
    } catch (const EInOutError&) {
        TakeSelectedRecord();
        throw;
    }
    TakeSelectedRecord();
}

void StoreRecord()
{
    Store(nullptr);
}

void StoreRecord(const std::string& note)
{
    Store(&note);
}

void PackKeepingNote()
{
    Pack(nullptr);
}

std::string NoteForEdit(const std::string& note)
{
    std::string text = note;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < ' ')
            c = ' ';
    return text;
}

void ExchangeSides()
{
    for (int i = 0; i < SensorTableSize; ++i)
        std::swap(Data_Sen[i], BaseTable[i]);
    std::swap(SensorPoints, BasePoints);
}

void CopyInstrumentToBase()
{
    std::copy_n(Data_Sen.begin(), SensorTableSize, BaseTable.begin());
    BasePoints = SensorPoints;
}

bool NeverFilled(const SensorPointTable& points)
{
    return std::all_of(points.begin(), points.end(), [](int p) { return p == 0; });
}

std::string DeviceNote(int v)
{
    std::string note = "KV: ";
    note += static_cast<char>(48 + v / 1000);
    note += static_cast<char>(48 + (v / 100) % 10);
    note += static_cast<char>(48 + (v % 100) / 10);
    note += static_cast<char>(48 + v % 10);
    note += "-XX ";
    return note;
}

int WordFromText(std::string_view text)
{
    return static_cast<int>(std::clamp<std::int64_t>(ReadInt(text), 0, kWordMax));
}

int OperatingTimeWord(std::string_view text)
{
    // trunc(5 × hours) = 5 × (hours in tenths) div 10 = tenths div 2: a
    // fifth of an hour needs one decimal only.
    return static_cast<int>(std::clamp<std::int64_t>(ReadFixedPoint(text, 1) / 2, 0, kWordMax));
}

std::string OperatingTimeText(int word)
{
    return FormatFixed(std::int64_t{word} * 2, 1, 7);
}
