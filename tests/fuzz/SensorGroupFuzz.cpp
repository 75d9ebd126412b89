// Sensor group files "HunNN.fig" with any content, and packing any record.
//  - A load takes the whole records the file holds and never reads past
//    it: records beyond keep their contents, a file shorter than 8000 bytes
//    raises the named error, and the file is left as it was.
//  - Packing any points and note into any slot touches that record alone;
//    save -> load -> unpack gives back the points and the stored note.
//
// Input: sensor number (2 bytes), seven points (2 bytes each), note length
// and note (Windows-1251 bytes), then the group file.
#include "FuzzSupport.h"

#include "Characteristic.h"
#include "Cp1251.h"
#include "Files.h"
#include "SensorGroup.h"
#include "Warnings.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

using Group = std::array<SensorRecord, SensorGroupSize>;

// Contents the group has before a load, unlike anything a file gives.
FUZZ_UNTRACED Group Marked()
{
    Group g{};
    for (int k = 0; k < SensorGroupSize; ++k)
        for (int j = 0; j < SensorRecordSize; ++j)
            g[k][j] = static_cast<std::uint8_t>(k * 31 + j * 7 + 0x5A);
    return g;
}

FUZZ_UNTRACED std::string GroupBytes(const Group& g)
{
    std::string bytes;
    for (const SensorRecord& r : g)
        bytes.append(reinterpret_cast<const char*>(r.data()), r.size());
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    EnterFuzzFolder();
    ShowWarning = nullptr;
    LastWarning.clear();
    FuzzInput in(data, size);

    const int number = in.Word();
    SensorPointTable points{};
    for (int& p : points)
        p = in.Word();
    const std::string note = in.Bytes(in.Byte() % 48);
    const std::string file = in.Rest();

    const std::string name = SensorGroupFileName(number);
    FuzzPutFile(name, file);
    const Group old = Marked();
    SensorGroup = old;

    bool raised = false;
    try {
        LoadSensorGroup(number);
    } catch (const EInOutError& e) {
        raised = true;
        FUZZ_CHECK(std::string(e.what()).find(name) != std::string::npos);
    }
    FUZZ_CHECK(raised == (file.size() < static_cast<std::size_t>(SensorGroupFileSize)));
    FUZZ_CHECK(SensorGroupNo == number / 100 && SensorSlot == number % 100);
    const std::size_t whole = std::min<std::size_t>(file.size() / SensorRecordSize, SensorGroupSize);
    for (std::size_t k = 0; k < SensorGroupSize; ++k) {
        const SensorRecord& r = SensorGroup[k];
        if (k < whole)
            FUZZ_CHECK(std::equal(r.begin(), r.end(),
                                  reinterpret_cast<const std::uint8_t*>(file.data()) + k * SensorRecordSize));
        else
            FUZZ_CHECK(r == old[k]);
    }
    FUZZ_CHECK(FuzzFileBytes(name) == file);
    FUZZ_CHECK(LastWarning.empty());

    // Pack into the sensor's slot.
    SensorPoints = points;
    DeriveSensorTable(points, Data_Sen);
    SensorNote = FromCp1251(note);
    const Group beforePack = SensorGroup;
    PackSensorRecord();
    const SensorRecord& packed = SensorGroup[SensorSlot];
    for (int k = 0; k < SensorGroupSize; ++k)
        if (k != SensorSlot)
            FUZZ_CHECK(SensorGroup[k] == beforePack[k]);
    FUZZ_CHECK(RecordPoints(packed) == points);
    const std::size_t pairs = std::min<std::size_t>(note.size() / 2, SensorNoteLength / 2);
    for (std::size_t i = 0; i < pairs; ++i) {
        FUZZ_CHECK(packed[SensorNoteOffset + 2 * i] == static_cast<std::uint8_t>(note[2 * i + 1]));
        FUZZ_CHECK(packed[SensorNoteOffset + 2 * i + 1] == static_cast<std::uint8_t>(note[2 * i]));
    }
    for (std::size_t j = SensorNoteOffset + 2 * pairs; j < SensorRecordSize; ++j)
        FUZZ_CHECK(packed[j] == beforePack[SensorSlot][j]);
    FUZZ_CHECK(SensorNote == FromCp1251(note) + "  ");

    // A group whose file was not read whole is never saved over it.
    if (raised) {
        bool refused = false;
        try {
            SaveSensorGroup(number);
        } catch (const EInOutError&) {
            refused = true;
        }
        FUZZ_CHECK(refused);
        FUZZ_CHECK(FuzzFileBytes(name) == file);
        return 0;
    }

    // Save, load into an emptied group, unpack.
    const Group saved = SensorGroup;
    FUZZ_CHECK(SaveSensorGroup(number));
    FUZZ_CHECK(FuzzFileBytes(name) == GroupBytes(saved));
    for (SensorRecord& r : SensorGroup)
        r.fill(0);
    LoadSensorGroup(number);
    FUZZ_CHECK(SensorGroup == saved);
    SensorPoints = {};
    UnpackSensorRecord();
    FUZZ_CHECK(SensorPoints == points);
    const std::string storedNote = note.substr(0, 2 * pairs);
    const std::string readNote = ToCp1251(RecordNote(SensorGroup[SensorSlot]));
    // What follows the stored pairs in the field is what was there before.
    FUZZ_CHECK(readNote.compare(0, storedNote.size(), storedNote) == 0 || storedNote.find('\0') != std::string::npos);
    std::remove(name.c_str()); // group numbers run to 655: keep the folder small
    return 0;
}
