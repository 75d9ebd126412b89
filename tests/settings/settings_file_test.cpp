// The 72-byte settings file: layout, lenient loading, damaged and
// unwritable files.
#include "Files.h"
#include "Settings.h"
#include "TempDir.h"
#include "Warnings.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

std::string ReadBytes(const char* name)
{
    std::string bytes;
    ReadWholeFile(name, bytes);
    return bytes;
}

void WriteBytes(const char* name, const std::string& bytes)
{
    std::ofstream(name, std::ios::binary) << bytes;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings();
        LastWarning.clear();
        ShowWarning = nullptr;
    }
    TempDir dir;
};

} // namespace

TEST_F(SettingsFile, MissingFileWarnsAndIsCreatedWithDefaultsButKeepsThePortName)
{
    PortName = "COM7";
    SensorNumber = 1234;
    PortIndex = 5;
    LoadSettings();
    EXPECT_EQ(LastWarning, "Файл kavrel_m.cnf  не найден.Будет создан новый файлПроверьте установки в программе");
    EXPECT_EQ(PortIndex, 1);
    EXPECT_EQ(PortName, "COM7");
    const std::string bytes = ReadBytes(SettingsFileName);
    ASSERT_EQ(bytes.size(), 72u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0x04);
    EXPECT_EQ(static_cast<unsigned char>(bytes[2]), 0xD2);
    EXPECT_EQ(bytes[3], 8);
    EXPECT_EQ(bytes[4], 0x05);
    EXPECT_EQ(bytes.substr(6, 2), "v9");
}

TEST_F(SettingsFile, PortIndexByteIsCheckedAndNamesThePort)
{
    std::string bytes = SettingsBytes();
    bytes[0] = 13;
    WriteBytes(SettingsFileName, bytes);
    LoadSettings();
    EXPECT_EQ(PortIndex, 1);
    EXPECT_EQ(PortName, "COM1");

    bytes[0] = 12;
    WriteBytes(SettingsFileName, bytes);
    LoadSettings();
    EXPECT_EQ(PortIndex, 12);
    EXPECT_EQ(PortName, "Автоном.");

    PortName = "COM9";
    bytes[0] = 0;
    WriteBytes(SettingsFileName, bytes);
    LoadSettings();
    EXPECT_EQ(PortIndex, 0);
    EXPECT_EQ(PortName, "COM9");
}

TEST_F(SettingsFile, DelayBelowTwoLoadsAsFiveAndFlagsComeFromBitsZeroAndTwo)
{
    std::string bytes = SettingsBytes();
    for (int delay : {0, 1, 2, 200}) {
        bytes[3] = static_cast<char>(delay);
        WriteBytes(SettingsFileName, bytes);
        LoadSettings();
        EXPECT_EQ(StoredDelay, delay < 2 ? 5 : delay) << delay;
    }
    bytes[4] = 0x04;
    WriteBytes(SettingsFileName, bytes);
    LoadSettings();
    EXPECT_FALSE(StoredModeA);
    EXPECT_TRUE(StoredModeB);
    bytes[4] = static_cast<char>(0xFB); // every bit but bit 2
    WriteBytes(SettingsFileName, bytes);
    LoadSettings();
    EXPECT_TRUE(StoredModeA);
    EXPECT_FALSE(StoredModeB);
}

TEST_F(SettingsFile, LoadThenSaveReproducesEveryByteButTheReservedOne)
{
    std::string original(72, '\0');
    for (int i = 0; i < 72; ++i)
        original[i] = static_cast<char>(i * 37 + 11);
    original[0] = 4;
    original[3] = 9;
    original[4] = 0x05;
    original[6] = 0x76;
    original[7] = 0x39;
    WriteBytes(SettingsFileName, original);
    LoadSettings();
    EXPECT_EQ(SensorNumber, static_cast<unsigned char>(original[1]) * 256 + static_cast<unsigned char>(original[2]));
    ASSERT_TRUE(SaveSettings());
    const std::string saved = ReadBytes(SettingsFileName);
    ASSERT_EQ(saved.size(), 72u);
    for (int i = 0; i < 72; ++i) {
        if (i != 5) {
            EXPECT_EQ(saved[i], original[i]) << "offset " << i;
        }
    }
}

TEST_F(SettingsFile, ShortFileRaisesANamedErrorAndKeepsWhatWasRead)
{
    std::string bytes = SettingsBytes();
    bytes[0] = 6;
    bytes[1] = 0x04;
    bytes[2] = 0xD2;
    WriteBytes(SettingsFileName, bytes.substr(0, 4)); // index, number, delay only
    StoredTable[0] = 77;
    try {
        LoadSettings();
        FAIL() << "a damaged file must be reported";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find("kavrel_m.cnf"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("повреждён"), std::string::npos);
    }
    EXPECT_EQ(PortIndex, 6);
    EXPECT_EQ(PortName, "COM6");
    EXPECT_EQ(SensorNumber, 1234);
    EXPECT_EQ(StoredDelay, 8); // its step needs three bytes, only one was there
    EXPECT_EQ(StoredTable[0], 77);

    WriteBytes(SettingsFileName, "");
    EXPECT_THROW(LoadSettings(), EInOutError);
}

TEST_F(SettingsFile, SaveThatCannotCreateTheFileWarnsAndWritesNothing)
{
    // A folder stands where the file should be: the file cannot be created.
    std::filesystem::create_directory(SettingsFileName);
    EXPECT_FALSE(SaveSettings());
    EXPECT_EQ(LastWarning, FileMissingText(SettingsFileName));
    EXPECT_TRUE(std::filesystem::is_directory(SettingsFileName));
}

TEST(Warnings, ShortAndLongTexts)
{
    ShowWarning = nullptr;
    LastWarning.clear();
    EXPECT_FALSE(FileNotFoundWarning("Hun07.fig", false));
    EXPECT_TRUE(LastWarning.empty());
    EXPECT_TRUE(FileNotFoundWarning("Hun07.fig", true));
    EXPECT_EQ(LastWarning, "Файл Hun07.fig  не найден.");
    std::string shown;
    ShowWarning = [&](const std::string& text) { shown = text; };
    EXPECT_TRUE(FileMissingWarning("x.cnf", true));
    EXPECT_EQ(shown, "Файл x.cnf  не найден.Будет создан новый файлПроверьте установки в программе");
    ShowWarning = nullptr;
}
