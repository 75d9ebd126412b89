// Every file the program writes, on a disk that fills up half way through
// the write: the save is reported as failed, the old file stays whole (an
// append leaves no piece of its lines), no temporary file is left, and the
// next save once there is room works.
//  - Without special rights: a file size limit (RLIMIT_FSIZE) stops the
//    write at its first byte, after one byte, a third and half way through,
//    and one byte short of its end.
//  - As root: a small in-memory file system (tmpfs, in a mount namespace
//    of the test's own) filled to the last few pages.
#include "SavedFiles.h"
#include "FileFaults.h"
#include "TempDir.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

// Saves version `v` of a file that holds version `v - 1`, and checks the
// outcome: done and new, or reported and old. `mustFail` when the room
// left cannot take the new content.
std::string SaveAndCheck(FileKind k, int v, bool mustFail, const std::string& reasonPart)
{
    const std::string name = FileNameOf(k);
    const std::string before = FileBytes(name);
    std::string why;
    const bool saved = SaveVersion(k, v, &why);
    const std::string after = FileBytes(name);
    const std::string what = std::string(KindName(k)) + " " + std::to_string(v) + ": ";
    if (fs::exists(name + ".tmp"))
        return what + "a temporary file was left";
    if (saved) {
        if (mustFail)
            return what + "reported as saved";
        // An append starts on a line of its own.
        const std::string lineEnd = before.empty() || before.back() == '\n' ? "" : "\r\n";
        const bool whole = k == FileKind::Pdf ? WholePdf(after)
                           : IsAppended(k)    ? after == before + lineEnd + VersionBytes(k, v)
                                              : after == VersionBytes(k, v);
        return whole ? "" : what + "saved, but not whole";
    }
    if (why.find(reasonPart) == std::string::npos)
        return what + "the reason does not say the disk is full: " + why;
    if (after != before)
        return what + "the old file changed (" + std::to_string(before.size()) + " -> "
               + std::to_string(after.size()) + " bytes)";
    return "";
}

class DiskFullTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FixTheClock();
        ShowWarning = nullptr;
    }
    TempDir dir;
};

TEST_F(DiskFullTest, EveryFileStoppedPartWayThroughItsWriteKeepsTheOldOne)
{
    int checked = 0;
    for (FileKind k : AllFileKinds) {
        std::string why;
        ASSERT_TRUE(SaveVersion(k, 1, &why)) << KindName(k) << ": " << why;
        // An appended file may lack its last line end (edited by hand); the
        // line end written for it goes with the failed line.
        if (k == FileKind::Export)
            PutFile(FileNameOf(k), FileBytes(FileNameOf(k)) + "без конца строки");
        const std::size_t old = FileBytes(FileNameOf(k)).size();
        const std::size_t fresh = k == FileKind::Pdf ? static_cast<std::size_t>(
                                      ProtocolPdf({VisiblePage(ProtocolLines(2))}, QStringLiteral("x")).size())
                                                     : VersionBytes(k, 2).size();
        // Replaced files are written from byte 0, appends from the old end.
        const std::size_t from = IsAppended(k) ? old : 0;
        std::vector<std::size_t> limits = {0, from, from + 1, from + fresh / 3, from + fresh / 2, from + fresh - 1};
        for (std::size_t limit : limits) {
            std::string problem;
            {
                FileSizeLimit full(static_cast<rlim_t>(limit));
                problem = SaveAndCheck(k, 2, true, "превышен допустимый размер файла");
            }
            EXPECT_EQ(problem, "") << "limit " << limit;
            ++checked;
        }
        // Room again: the save goes through.
        EXPECT_EQ(SaveAndCheck(k, 2, false, ""), "");
    }
    EXPECT_EQ(checked, 48);
}

// Mounts a tmpfs of `bytes` on `folder` in a mount namespace of this thread
// alone; "" on success, else why not.
std::string MountSmallDisk(const std::string& folder, std::size_t bytes)
{
    if (geteuid() != 0)
        return "not running as root";
    if (unshare(CLONE_NEWNS) != 0)
        return std::string("unshare: ") + std::strerror(errno);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        // In a chroot "/" is a plain folder, no mount point, and the small
        // disk would show in every other namespace sharing the real one.
        if (errno == EINVAL)
            return "\"/\" is no mount point, as inside a chroot";
        return std::string("private mounts: ") + std::strerror(errno);
    }
    const std::string options = "size=" + std::to_string(bytes);
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
        return std::string("mount: ") + std::strerror(errno);
    return "";
}

// Fills the disk, then frees `room` bytes of it.
void FillLeaving(std::size_t room)
{
    const int fd = ::open("filler", O_WRONLY | O_CREAT | O_APPEND, 0644);
    const std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    struct stat st {};
    ::fstat(fd, &st);
    ::ftruncate(fd, st.st_size > static_cast<off_t>(room) ? st.st_size - static_cast<off_t>(room) : 0);
    ::close(fd);
}

TEST_F(DiskFullTest, FullSmallFileSystemKeepsEveryOldFile)
{
    fs::create_directory("small");
    const std::string why = MountSmallDisk((dir.Path() / "small").string(), 1024 * 1024);
    if (!why.empty())
        GTEST_SKIP() << "a small file system cannot be mounted here (" << why << "); the file size limit test covers the same saves";
    fs::current_path("small");
    for (FileKind k : AllFileKinds) {
        std::string saveWhy;
        ASSERT_TRUE(SaveVersion(k, 1, &saveWhy)) << KindName(k) << ": " << saveWhy;
    }
    int version = 2;
    for (std::size_t room : {std::size_t{0}, std::size_t{4096}, std::size_t{12288}}) {
        for (FileKind k : AllFileKinds) {
            FillLeaving(room);
            // A new file does not fit on a full disk (an append may still
            // fit in its file's last page); with a few pages free the small
            // files may fit, and then they must be whole.
            const bool mustFail = room == 0 && !IsAppended(k);
            EXPECT_EQ(SaveAndCheck(k, version, mustFail, "нет места на диске"), "") << "room " << room;
            ::unlink("filler");
            EXPECT_EQ(SaveAndCheck(k, version + 1, false, ""), "") << "after the disk was freed";
        }
        version += 2;
    }
    fs::current_path(dir.Path());
    umount2((dir.Path() / "small").c_str(), MNT_DETACH);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The build lists the tests outside CTest's environment: no application
    // then, so listing makes no runtime folder of Qt's in /tmp.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the PDF is drawn with fonts
    return RUN_ALL_TESTS();
}
