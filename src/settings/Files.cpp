#include "Files.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Failure(const std::string& name, int error)
{
    return name + ": " + FileErrorText(error);
}

void SetError(std::string* error, const std::string& name, int code)
{
    if (error)
        *error = Failure(name, code);
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string Folder(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a name stands for: symbolic links followed (a dangling link
// leads to the file it names, which a write then creates).
std::string FollowLinks(const std::string& name)
{
    std::string path = name;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n <= 0)
            return path;
        const std::string to(target, static_cast<std::size_t>(n));
        path = to.front() == '/' ? to : Folder(path) + "/" + to;
    }
    return path; // a loop of links: the open below reports it
}

// Makes the folder's entry of a renamed file durable (best effort: some
// file systems refuse to sync a folder).
void SyncFolder(const std::string& path)
{
    const int fd = ::open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes the whole content into an open file from its start.
bool WriteInPlace(int fd, const std::string& bytes)
{
    return ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes)
           && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
}

} // namespace

std::string FileErrorText(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "нет места на диске";
    case EFBIG:
        return "превышен допустимый размер файла";
    case EACCES:
    case EPERM:
        return "нет прав доступа";
    case EROFS:
        return "диск доступен только для чтения";
    case EISDIR:
        return "на этом месте папка, а не файл";
    case ENOENT:
        return "нет такого файла или папки";
    case ENOTDIR:
        return "в пути к файлу есть файл вместо папки";
    case ELOOP:
        return "символические ссылки ведут по кругу или ссылка стоит на месте временного файла";
    case EIO:
        return "ошибка ввода-вывода на диске";
    default:
        return std::strerror(error);
    }
}

bool FileExists(const std::string& name)
{
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0;
}

bool ReadWholeFile(const std::string& name, std::string& bytes)
{
    bytes.clear();
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

TFileWrite ReplaceFile(const std::string& name, const std::string& bytes)
{
    TFileWrite out;
    const std::string path = FollowLinks(name);

    // An existing file is first opened for writing as it is, without
    // changing it: what refuses this (a read-only file) refuses the save.
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    int existing = -1;
    if (exists) {
        existing = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (existing < 0) {
            out.Reason = Failure(name, errno);
            return out;
        }
        if (!S_ISREG(st.st_mode)) {
            // A device or a pipe cannot be replaced; it takes the bytes as they come.
            out.Opened = true;
            out.Written = WriteAll(existing, bytes);
            if (!out.Written)
                out.Reason = Failure(name, errno);
            ::close(existing);
            return out;
        }
    }

    const std::string temp = path + ".tmp";
    const mode_t mode = exists ? (st.st_mode & 07777) : 0666;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) {
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM)) {
            // The folder takes no new file, but the file itself may be written.
            out.Opened = true;
            out.Written = WriteInPlace(existing, bytes);
            if (!out.Written)
                out.Reason = Failure(name, errno);
        } else {
            // Nothing could be created for a new file; for an existing one
            // something else stands where the temporary file goes.
            out.Opened = exists;
            out.Reason = exists ? Failure(temp, error) : Failure(name, error);
        }
        if (existing >= 0)
            ::close(existing);
        return out;
    }
    if (existing >= 0)
        ::close(existing);
    out.Opened = true;

    if (exists) {
        // The umask may have cut bits the file had; the owner is kept where
        // the program may set it (it may not, unless it runs as root).
        ::fchmod(fd, mode);
        [[maybe_unused]] const int owned = ::fchown(fd, st.st_uid, st.st_gid);
    }
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        out.Reason = Failure(name, errno);
        ::close(fd);
        ::unlink(temp.c_str());
        return out;
    }
    if (::close(fd) != 0) {
        out.Reason = Failure(name, errno);
        ::unlink(temp.c_str());
        return out;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        out.Reason = Failure(name, errno);
        ::unlink(temp.c_str());
        return out;
    }
    SyncFolder(path);
    out.Written = true;
    return out;
}

bool WriteFileAtomically(const std::string& name, const std::string& bytes, std::string* error)
{
    const TFileWrite result = ReplaceFile(name, bytes);
    if (!result.Written && error)
        *error = result.Reason;
    return result.Written;
}

bool AppendToFile(const std::string& name, const std::string& bytes, std::string* error)
{
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetError(error, name, errno);
        return false;
    }
    struct stat st {};
    const bool sized = ::fstat(fd, &st) == 0;
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (!ok) {
        SetError(error, name, errno);
        // Half a line must not stay: the next line would be glued onto it.
        if (sized && ::ftruncate(fd, st.st_size) == 0)
            ::fsync(fd);
    }
    if (::close(fd) != 0 && ok) {
        SetError(error, name, errno);
        ok = false;
    }
    return ok;
}

bool AppendTextLines(const std::string& name, const std::string& bytes, std::string* error)
{
    if (bytes.empty())
        return AppendToFile(name, bytes, error);
    char last = '\n';
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0
            || ::pread(fd, &last, 1, st.st_size - 1) != 1)
            last = '\n';
        ::close(fd);
    }
    // A line cut after its CR only needs the LF.
    const char* end = last == '\n' ? "" : last == '\r' ? "\n" : "\r\n";
    return AppendToFile(name, end + bytes, error);
}
