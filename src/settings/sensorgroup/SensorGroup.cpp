#include "SensorGroup.h"

#include "Bytes.h"
#include "Cp1251.h"
#include "Files.h"
#include "Warnings.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

std::array<SensorRecord, SensorGroupSize> SensorGroup{};
int SensorGroupNo = 0;
int SensorSlot = 0;
std::string SensorNote(20, ' ');
int UnreadSensorGroup = -1;
int SensorRecordsRead = SensorGroupSize;

namespace {

// Sets the group and slot of `number` and returns its file name.
std::string SelectSensor(int number)
{
    if (number < 0)
        throw std::out_of_range("Номер сенсора " + std::to_string(number)
                                + " не может быть отрицательным.");
    SensorGroupNo = number / 100;
    SensorSlot = number % 100;
    return SensorGroupFileName(number);
}

// The record at SensorSlot. The slot is public state; a value outside the
// group must never reach memory beside it.
SensorRecord& CurrentRecord()
{
    if (SensorSlot < 0 || SensorSlot >= SensorGroupSize)
        throw std::out_of_range("Номер записи " + std::to_string(SensorSlot)
                                + " вне группы сенсоров (0..99).");
    return SensorGroup[static_cast<std::size_t>(SensorSlot)];
}

} // namespace

std::string SensorGroupFileName(int number)
{
    char group[16];
    std::snprintf(group, sizeof group, "%02d", number / 100);
    return std::string("Hun") + group + ".fig";
}

void LoadSensorGroup(int number)
{
    const std::string name = SelectSensor(number);
    std::string bytes;
    if (!ReadWholeFile(name, bytes)) {
        // A file that is there but cannot be read is not missing: writing
        // zeros over it would destroy the calibration of 100 sensors.
        if (FileExists(name)) {
            UnreadSensorGroup = SensorGroupNo;
            SensorRecordsRead = 0;
            throw EInOutError("Файл " + name + " не удаётся прочитать. Файл оставлен без изменений.");
        }
        FileNotFoundWarning(name, true);
        if (UnreadSensorGroup == SensorGroupNo)
            UnreadSensorGroup = -1;
        for (SensorRecord& record : SensorGroup)
            record.fill(0);
        SensorRecordsRead = SensorGroupSize;
        SaveSensorGroup(number);
        return;
    }

    const std::size_t whole = std::min<std::size_t>(bytes.size() / SensorRecordSize, SensorGroupSize);
    for (std::size_t k = 0; k < whole; ++k)
        std::copy_n(bytes.data() + k * SensorRecordSize, SensorRecordSize, SensorGroup[k].begin());
    SensorRecordsRead = static_cast<int>(whole);
    if (bytes.size() < static_cast<std::size_t>(SensorGroupFileSize)) {
        UnreadSensorGroup = SensorGroupNo;
        throw EInOutError("Файл " + name + " повреждён: в нём " + std::to_string(bytes.size())
                          + " байт вместо " + std::to_string(SensorGroupFileSize)
                          + ". Прочитано записей: " + std::to_string(whole)
                          + " из 100, остальные оставлены прежними.");
    }
    if (UnreadSensorGroup == SensorGroupNo)
        UnreadSensorGroup = -1;
}

void LoadSensorGroupShown(int number)
{
    try {
        LoadSensorGroup(number);
    } catch (const EInOutError&) {
        for (int k = std::max(SensorRecordsRead, 0); k < SensorGroupSize; ++k)
            SensorGroup[static_cast<std::size_t>(k)].fill(0);
        throw;
    }
}

bool SaveSensorGroup(int number)
{
    const std::string name = SelectSensor(number);
    // What memory holds for a group whose file could not be read whole is
    // not that group: written out, it would replace 100 sensors' data.
    if (SensorGroupNo == UnreadSensorGroup)
        throw EInOutError("Файл " + name + " не был прочитан целиком и поэтому не перезаписан. "
                          "Исправьте или удалите его и выберите сенсор снова.");
    std::string bytes;
    bytes.reserve(SensorGroupFileSize);
    for (const SensorRecord& record : SensorGroup)
        bytes.append(reinterpret_cast<const char*>(record.data()), record.size());
    // Written to a temporary file and renamed over the old one, so a failed
    // or interrupted save never leaves a truncated group behind.
    return SaveFileOrWarn(name, bytes);
}

SensorPointTable RecordPoints(const SensorRecord& record)
{
    SensorPointTable points{};
    for (int k = 0; k < SensorPointCount; ++k)
        points[k] = UnpackWord(record.data() + 2 * k);
    return points;
}

std::string RecordNote(const SensorRecord& record)
{
    std::string text(SensorNoteLength, '\0');
    for (int i = 0; i < SensorNoteLength; i += 2) {
        text[i] = static_cast<char>(record[SensorNoteOffset + i + 1]);
        text[i + 1] = static_cast<char>(record[SensorNoteOffset + i]);
    }
    text.erase(text.find_last_not_of('\0') + 1);
    return FromCp1251(text);
}

void UnpackSensorRecord()
{
    SensorPoints = RecordPoints(CurrentRecord());
    DeriveSensorTable(SensorPoints, Data_Sen);
}

void PackSensorRecord()
{
    SensorRecord& r = CurrentRecord();
    std::uint8_t* at = r.data();
    for (int k = 0; k < SensorPointCount; ++k)
        PackWord(at + 2 * k, SensorPoints[k]);
    for (int i = 0; i < 10; ++i)
        PackWord(at + 14 + 2 * i, Data_Sen[14 + i]);
    PackWord(at + 34, Data_Sen[25]);
    PackWord(at + 36, Data_Sen[23] - Data_Sen[24]);
    PackWord(at + 38, Data_Sen[12]);
    PackWord(at + 40, Data_Sen[11]);

    // The note is stored as single-byte characters, so its length counts
    // the characters of the stored text, not the bytes of the UTF-8 one.
    const std::string stored = ToCp1251(SensorNote);
    SensorNote += "  ";
    const std::size_t pairs = std::min<std::size_t>(stored.size() / 2, SensorNoteLength / 2);
    for (std::size_t i = 0; i < pairs; ++i) {
        at[SensorNoteOffset + 2 * i] = static_cast<std::uint8_t>(stored[2 * i + 1]);
        at[SensorNoteOffset + 2 * i + 1] = static_cast<std::uint8_t>(stored[2 * i]);
    }
}

void ResetSensorGroup()
{
    for (SensorRecord& record : SensorGroup)
        record.fill(0);
    SensorGroupNo = 0;
    SensorSlot = 0;
    SensorNote.assign(20, ' ');
    UnreadSensorGroup = -1;
    SensorRecordsRead = SensorGroupSize;
}
