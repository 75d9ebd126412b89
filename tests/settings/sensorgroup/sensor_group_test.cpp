// Sensor group files: names, loading and creating, atomic saving, damaged
// files, and the record layout written by packing.
#include "SensorGroup.h"

#include "Cp1251.h"
#include "FileFaults.h"
#include "Files.h"
#include "Settings.h"
#include "TempDir.h"
#include "Warnings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace {

const SensorPointTable Typical = {4000, 3500, 3000, 2000, 1800, 1000, 500};

std::string ReadBytes(const std::string& name)
{
    std::string bytes;
    ReadWholeFile(name, bytes);
    return bytes;
}

void WriteBytes(const std::string& name, const std::string& bytes)
{
    std::ofstream(name, std::ios::binary) << bytes;
}

SensorRecord Filled(std::uint8_t value)
{
    SensorRecord record;
    record.fill(value);
    return record;
}

void FillGroup(std::uint8_t value)
{
    for (SensorRecord& record : SensorGroup)
        record.fill(value);
}

// A group whose every byte tells its record and offset apart.
void FillDistinct()
{
    for (int k = 0; k < SensorGroupSize; ++k)
        for (int i = 0; i < SensorRecordSize; ++i)
            SensorGroup[k][i] = static_cast<std::uint8_t>(k * 7 + i * 3 + 1);
}

class SensorGroupFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSensorGroup();
        Data_Sen.fill(0);
        SensorPoints.fill(0);
        ResetSettings();
        ShowWarning = nullptr;
        LastWarning.clear();
    }
    void TearDown() override { ::chmod(dir.Path().c_str(), 0700); }

    TempDir dir;
};

TEST_F(SensorGroupFiles, NumberSelectsFileAndSlot)
{
    struct Case {
        int number;
        const char* file;
        int group;
        int slot;
    };
    for (const Case& c : {Case{7, "Hun00.fig", 0, 7}, Case{1234, "Hun12.fig", 12, 34},
                          Case{12345, "Hun123.fig", 123, 45}, Case{700, "Hun07.fig", 7, 0}}) {
        EXPECT_EQ(SensorGroupFileName(c.number), c.file);
        LoadSensorGroup(c.number);
        EXPECT_TRUE(FileExists(c.file)) << c.file;
        EXPECT_EQ(SensorGroupNo, c.group) << c.number;
        EXPECT_EQ(SensorSlot, c.slot) << c.number;
    }
    EXPECT_THROW(LoadSensorGroup(-5), std::out_of_range);
    EXPECT_THROW(SaveSensorGroup(-1), std::out_of_range);
}

TEST_F(SensorGroupFiles, MissingGroupIsReportedAndCreatedEmpty)
{
    FillGroup(0x5A);
    Data_Sen.fill(77);
    LoadSensorGroup(1234);

    EXPECT_EQ(LastWarning, "Файл Hun12.fig  не найден.");
    EXPECT_EQ(ReadBytes("Hun12.fig"), std::string(8000, '\0'));
    for (const SensorRecord& record : SensorGroup)
        EXPECT_EQ(record, SensorRecord{});

    UnpackSensorRecord();
    EXPECT_EQ(SensorPoints, SensorPointTable{});
    EXPECT_EQ(Data_Sen[0], 0);
    EXPECT_EQ(Data_Sen[24], 0);
}

TEST_F(SensorGroupFiles, SavedGroupLoadsBackByteForByte)
{
    FillDistinct();
    const auto saved = SensorGroup;
    ASSERT_TRUE(SaveSensorGroup(4321));
    EXPECT_EQ(ReadBytes("Hun43.fig").size(), 8000u);
    EXPECT_FALSE(FileExists("Hun43.fig.tmp"));

    FillGroup(0);
    LastWarning.clear();
    LoadSensorGroup(4321);
    EXPECT_EQ(SensorGroup, saved);
    EXPECT_EQ(LastWarning, "");
    EXPECT_EQ(SensorSlot, 21);
}

TEST_F(SensorGroupFiles, FailedSaveIsReportedAndKeepsTheOldFileWhole)
{
    FillDistinct();
    ASSERT_TRUE(SaveSensorGroup(1234));
    const std::string before = ReadBytes("Hun12.fig");
    FillGroup(0);

    // Something in the way of the temporary file: the file opened, the write
    // failed, and the message says which file and why.
    std::filesystem::create_directory("Hun12.fig.tmp");
    try {
        SaveSensorGroup(1234);
        FAIL() << "a failed save must be reported";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Не удалось записать файл Hun12.fig.\n"
                               "Hun12.fig.tmp: на этом месте папка, а не файл.");
    }
    EXPECT_EQ(ReadBytes("Hun12.fig"), before);
    std::filesystem::remove("Hun12.fig.tmp");

    // A full disk: the same, with its reason.
    {
        FileSizeLimit full(100);
        EXPECT_THROW(SaveSensorGroup(1234), EInOutError);
    }
    EXPECT_EQ(ReadBytes("Hun12.fig"), before);
    EXPECT_EQ(LastWarning, "");

    // A group file the user may not write: the long warning, nothing written.
    const std::string problem = RunUnprivileged([]() -> std::string {
        std::string bytes(8000, '\x22');
        std::ofstream("Hun05.fig", std::ios::binary) << bytes;
        ::chmod("Hun05.fig", 0444);
        if (SaveSensorGroup(512))
            return "saved over a read-only file";
        if (LastWarning != "Файл Hun05.fig  не найден.Будет создан новый файлПроверьте установки в программе")
            return "warning: " + LastWarning;
        return ReadBytes("Hun05.fig") == bytes ? "" : "the file changed";
    });
    EXPECT_EQ(problem, "");
}

TEST_F(SensorGroupFiles, ShortFileIsReportedAsDamagedAndKeepsWholeRecordsRead)
{
    FillDistinct();
    const auto previous = SensorGroup;
    // Three whole records of 0x11, then ten bytes of a fourth.
    WriteBytes("Hun00.fig", std::string(3 * 80 + 10, '\x11'));

    try {
        LoadSensorGroup(7);
        FAIL() << "a short group file must be reported";
    } catch (const EInOutError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("Hun00.fig"), std::string::npos) << text;
        EXPECT_NE(text.find("повреждён"), std::string::npos) << text;
    }
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(SensorGroup[k], Filled(0x11)) << "record " << k;
    for (int k = 3; k < SensorGroupSize; ++k)
        EXPECT_EQ(SensorGroup[k], previous[k]) << "record " << k;
    EXPECT_EQ(SensorSlot, 7);
    EXPECT_EQ(ReadBytes("Hun00.fig").size(), 250u); // left for the user to look at

    // Memory now mixes the short file with another group: it is never
    // written over the damaged file, whichever sensor of the group asks.
    try {
        SaveSensorGroup(42);
        FAIL() << "a group that was not read whole must not be saved";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Файл Hun00.fig не был прочитан целиком и поэтому не перезаписан. "
                               "Исправьте или удалите его и выберите сенсор снова.");
    }
    EXPECT_EQ(ReadBytes("Hun00.fig").size(), 250u);
    // Other groups save as before; once the file is whole again, so does this one.
    EXPECT_TRUE(SaveSensorGroup(1234));
    WriteBytes("Hun00.fig", std::string(8000, '\x11'));
    LoadSensorGroup(7);
    EXPECT_TRUE(SaveSensorGroup(7));

    WriteBytes("Hun00.fig", "");
    EXPECT_THROW(LoadSensorGroup(7), EInOutError);
}

TEST_F(SensorGroupFiles, UnreadableFileIsNotReplacedByZeros)
{
    std::filesystem::create_directory("Hun05.fig");
    EXPECT_THROW(LoadSensorGroup(512), EInOutError);
    EXPECT_TRUE(std::filesystem::is_directory("Hun05.fig"));
    EXPECT_EQ(LastWarning, "");
}

TEST_F(SensorGroupFiles, PackingWritesTheRecordLayout)
{
    SensorNumber = 1234;
    SensorSlot = 34;
    SensorPoints = {1000, 3500, 3000, 2000, 1800, 1000, 500};
    DeriveSensorTable(SensorPoints, Data_Sen);
    Data_Sen[11] = 1;
    Data_Sen[25] = 5000;
    SensorNote = "";
    FillGroup(0xEE);
    PackSensorRecord();

    const SensorRecord& r = SensorGroup[34];
    EXPECT_EQ(r[0], 0x03);
    EXPECT_EQ(r[1], 0xE8);
    const auto word = [&](int at) { return r[at] * 256 + r[at + 1]; };
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(word(2 * k), SensorPoints[k]) << "point " << k;
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(word(14 + 2 * i), Data_Sen[14 + i]) << "threshold " << 14 + i;
    EXPECT_EQ(word(34), 5000);
    EXPECT_EQ(word(36), 50); // W23 - W24
    EXPECT_EQ(word(38), Data_Sen[12]);
    EXPECT_EQ(word(40), 1);
    for (int i = 42; i < 80; ++i)
        EXPECT_EQ(r[i], 0xEE) << "an empty note writes nothing, offset " << i;
    EXPECT_EQ(SensorGroup[33], Filled(0xEE));
    EXPECT_EQ(SensorGroup[35], Filled(0xEE));
}

TEST_F(SensorGroupFiles, NotePairsAreStoredExchanged)
{
    FillGroup(0xEE);
    SensorSlot = 3;
    SensorNote = "AB12";
    PackSensorRecord();
    const SensorRecord& r = SensorGroup[3];
    EXPECT_EQ(r[42], 'B');
    EXPECT_EQ(r[43], 'A');
    EXPECT_EQ(r[44], '2');
    EXPECT_EQ(r[45], '1');
    EXPECT_EQ(r[46], 0xEE);
    EXPECT_EQ(SensorNote, "AB12  ");

    // A final odd character is not stored; the field beyond keeps its bytes.
    SensorGroup[3].fill(0xEE);
    SensorNote = "xyz";
    PackSensorRecord();
    EXPECT_EQ(r[42], 'y');
    EXPECT_EQ(r[43], 'x');
    EXPECT_EQ(r[44], 0xEE);
}

TEST_F(SensorGroupFiles, LongNotesStayInsideTheirField)
{
    SensorPoints = Typical;
    DeriveSensorTable(SensorPoints, Data_Sen);
    for (const std::string& note : {std::string("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJ"),
                                   std::string("Прибор №1, владелец ООО «Северная трасса», г. Мурманск")}) {
        FillGroup(0xEE);
        SensorSlot = 99; // the last record: a spill would leave the group
        SensorNote = note;
        PackSensorRecord();
        const std::string stored = ToCp1251(note);
        ASSERT_GT(stored.size(), 38u);
        EXPECT_EQ(RecordNote(SensorGroup[99]), FromCp1251(stored.substr(0, 38)));

        // Record 98 untouched, and record 99 is exactly points, words and note.
        EXPECT_EQ(SensorGroup[98], Filled(0xEE));
        SensorRecord again = SensorGroup[99];
        SensorGroup[99].fill(0);
        SensorNote = "";
        PackSensorRecord();
        for (int i = 0; i < 42; ++i)
            EXPECT_EQ(again[i], SensorGroup[99][i]) << "offset " << i;
    }
}

TEST_F(SensorGroupFiles, CyrillicNoteRoundTripsThroughTheFile)
{
    LoadSensorGroup(1234);
    SensorPoints = Typical;
    DeriveSensorTable(SensorPoints, Data_Sen);
    SensorNote = "KV:0101 Петров Ё.Ж. №578"; // 24 characters
    const std::string note = SensorNote;
    PackSensorRecord();
    ASSERT_TRUE(SaveSensorGroup(1234));

    ResetSensorGroup();
    LoadSensorGroup(1234);
    EXPECT_EQ(RecordNote(SensorGroup[34]), note);
    // The note field as the file holds it, byte for byte: one byte per
    // letter (Windows-1251), each pair exchanged ("Пе" is 0xE5 0xCF), and
    // the rest of the field as it was (a new file's zeros).
    const std::string bytes = ReadBytes("Hun12.fig");
    const unsigned char expected[38] = {
        'V', 'K', '0', ':', '0', '1', ' ', '1', 0xE5, 0xCF, 0xF0, 0xF2, 0xE2, 0xEE, 0xA8, ' ', 0xC6, '.', ' ',
        '.', '5', 0xB9, '8', '7', 0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0};
    EXPECT_EQ(bytes.substr(34 * 80 + 42, 38), std::string(reinterpret_cast<const char*>(expected), 38));
}

TEST_F(SensorGroupFiles, UnpackingReadsOnlyThePoints)
{
    SensorNumber = 1234;
    SensorPoints = Typical;
    DeriveSensorTable(SensorPoints, Data_Sen);
    SensorSlot = 34;
    SensorNote = "abcd";
    PackSensorRecord();
    const auto derived = Data_Sen;

    Data_Sen.fill(-1);
    SensorPoints.fill(0);
    SensorNote = "kept";
    UnpackSensorRecord();
    EXPECT_EQ(SensorPoints, Typical);
    for (int i = 0; i < 32; ++i) {
        if (i == 11 || i == 13 || (i >= 25 && i <= 30))
            EXPECT_EQ(Data_Sen[i], -1) << "entry " << i << " is not derived";
        else
            EXPECT_EQ(Data_Sen[i], derived[i]) << "entry " << i;
    }
    EXPECT_EQ(SensorNote, "kept");

    SensorSlot = 100;
    EXPECT_THROW(UnpackSensorRecord(), std::out_of_range);
    SensorSlot = -1;
    EXPECT_THROW(PackSensorRecord(), std::out_of_range);
}

} // namespace
