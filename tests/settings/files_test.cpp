// Saving and appending keep what the user set up and never leave a damaged
// file: read-only files, folders that take no new file, permission bits,
// symbolic links, things in the way of the temporary file, full disks.
#include "FileBytes.h"
#include "FileFaults.h"
#include "Files.h"
#include "Settings.h"
#include "TempDir.h"
#include "Warnings.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

mode_t ModeOf(const std::string& name)
{
    struct stat st {};
    ::stat(name.c_str(), &st);
    return st.st_mode & 07777;
}

class FilesTest : public ::testing::Test {
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

TEST_F(FilesTest, ReadOnlyFileIsRefusedLikeAnInPlaceOpenAndLeftUntouched)
{
    const std::string problem = RunUnprivileged([]() -> std::string {
        PutFile("a.cnf", "old");
        ::chmod("a.cnf", 0444);
        const TFileWrite r = ReplaceFile("a.cnf", "new");
        if (r.Written || r.Opened)
            return "a read-only file was replaced";
        if (r.Reason != "a.cnf: нет прав доступа")
            return "reason: " + r.Reason;
        if (FileBytes("a.cnf") != "old" || ModeOf("a.cnf") != 0444)
            return "the file or its mode changed";
        if (FileExists("a.cnf.tmp"))
            return "a temporary file was left";

        // The settings file answers with the long warning and keeps its bytes.
        PutFile(SettingsFileName, std::string(72, '\1'));
        ::chmod(SettingsFileName, 0444);
        SensorNumber = 999;
        if (SaveSettings())
            return "SaveSettings reported success";
        if (LastWarning != "Файл kavrel_m.cnf  не найден.Будет создан новый файлПроверьте установки в программе")
            return "warning: " + LastWarning;
        if (FileBytes(SettingsFileName) != std::string(72, '\1') || ModeOf(SettingsFileName) != 0444)
            return "the settings file changed";
        return "";
    });
    EXPECT_EQ(problem, "");
}

TEST_F(FilesTest, WritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace)
{
    const std::string problem = RunUnprivileged([]() -> std::string {
        fs::create_directory("locked");
        PutFile("locked/kavrel_m.cnf", std::string(100, 'x'));
        ::chmod("locked/kavrel_m.cnf", 0640);
        ::chmod("locked", 0555);
        const TFileWrite r = ReplaceFile("locked/kavrel_m.cnf", "short content");
        if (!r.Written)
            return "not written: " + r.Reason;
        if (FileBytes("locked/kavrel_m.cnf") != "short content")
            return "content: " + FileBytes("locked/kavrel_m.cnf");
        if (ModeOf("locked/kavrel_m.cnf") != 0640)
            return "mode changed";

        // A new file cannot be made there: that is a failure to open.
        const TFileWrite fresh = ReplaceFile("locked/new.fig", "x");
        if (fresh.Written || fresh.Opened || FileExists("locked/new.fig"))
            return "a file was created in a read-only folder";
        ::chmod("locked", 0755);
        return "";
    });
    EXPECT_EQ(problem, "");
}

TEST_F(FilesTest, PermissionBitsAndSymbolicLinksSurviveASave)
{
    PutFile("private.cnf", "old");
    ::chmod("private.cnf", 0600);
    ASSERT_TRUE(WriteFileAtomically("private.cnf", "new"));
    EXPECT_EQ(FileBytes("private.cnf"), "new");
    EXPECT_EQ(ModeOf("private.cnf"), 0600u);

    ::umask(022);
    PutFile("shared.cnf", "old");
    ::chmod("shared.cnf", 0664);
    ASSERT_TRUE(WriteFileAtomically("shared.cnf", "new"));
    EXPECT_EQ(ModeOf("shared.cnf"), 0664u) << "the umask must not cut the file's group bit";

    // A relative link into another folder, and a link to that link.
    fs::create_directory("store");
    PutFile("store/Hun12.fig", "old");
    fs::create_symlink("store/Hun12.fig", "Hun12.fig");
    fs::create_symlink("Hun12.fig", "again.fig");
    ASSERT_TRUE(WriteFileAtomically("again.fig", "new"));
    EXPECT_TRUE(fs::is_symlink("Hun12.fig"));
    EXPECT_TRUE(fs::is_symlink("again.fig"));
    EXPECT_EQ(FileBytes("store/Hun12.fig"), "new");
    EXPECT_FALSE(fs::exists("store/Hun12.fig.tmp"));

    // A dangling link: the file it names is created, the link stays.
    fs::create_symlink("store/Personal.txt", "Personal.txt");
    ASSERT_TRUE(WriteFileAtomically("Personal.txt", "names"));
    EXPECT_TRUE(fs::is_symlink("Personal.txt"));
    EXPECT_EQ(FileBytes("store/Personal.txt"), "names");
}

TEST_F(FilesTest, StaleTemporaryFileIsReplacedAndAFolderInItsWayIsNamed)
{
    PutFile("kavrel_m.cnf.tmp", "left over from a crash");
    SensorNumber = 77;
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(FileBytes(SettingsFileName), SettingsBytes());
    EXPECT_FALSE(FileExists("kavrel_m.cnf.tmp"));

    const std::string before = FileBytes(SettingsFileName);
    fs::create_directory("kavrel_m.cnf.tmp");
    SensorNumber = 78;
    try {
        SaveSettings();
        FAIL() << "a failed save must be reported";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Не удалось записать файл kavrel_m.cnf.\n"
                               "kavrel_m.cnf.tmp: на этом месте папка, а не файл.");
    }
    EXPECT_EQ(FileBytes(SettingsFileName), before);
    EXPECT_TRUE(LastWarning.empty()) << "the file was there: it is not reported missing";
}

TEST_F(FilesTest, FullDiskDuringASaveKeepsTheOldFileAndNamesTheReason)
{
    SensorNumber = 5;
    ASSERT_TRUE(SaveSettings());
    const std::string before = FileBytes(SettingsFileName);
    SensorNumber = 6;
    {
        FileSizeLimit full(40);
        try {
            SaveSettings();
            FAIL() << "a save that could not write must be reported";
        } catch (const EInOutError& e) {
            EXPECT_STREQ(e.what(), "Не удалось записать файл kavrel_m.cnf.\n"
                                   "kavrel_m.cnf: превышен допустимый размер файла.");
        }
    }
    EXPECT_EQ(FileBytes(SettingsFileName), before);
    EXPECT_FALSE(FileExists("kavrel_m.cnf.tmp"));
    EXPECT_TRUE(LastWarning.empty());
}

TEST_F(FilesTest, FailedAppendLeavesNoPartOfTheLine)
{
    const std::string first = "08.12 17:25 > Иванов Иван  -  0.3\r\n";
    ASSERT_TRUE(AppendToFile("Test_12.txt", first));
    std::string error;
    {
        FileSizeLimit full(first.size() + 10); // room for ten bytes of the next line
        EXPECT_FALSE(AppendToFile("Test_12.txt", "08.12 17:26 > Петров Пётр  -  0.0\r\n", &error));
    }
    EXPECT_EQ(error, "Test_12.txt: превышен допустимый размер файла");
    EXPECT_EQ(FileBytes("Test_12.txt"), first);
    ASSERT_TRUE(AppendToFile("Test_12.txt", "08.12 17:27 > Сидоров  -  0.1\r\n"));
    EXPECT_EQ(FileBytes("Test_12.txt"), first + "08.12 17:27 > Сидоров  -  0.1\r\n");
}
