#include "Files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void SetError(std::string* error, const std::string& what)
{
    if (error)
        *error = what + ": " + std::strerror(errno);
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

} // namespace

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

bool WriteFileAtomically(const std::string& name, const std::string& bytes, std::string* error)
{
    const std::string temp = name + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetError(error, temp);
        return false;
    }
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        SetError(error, temp);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        SetError(error, temp);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), name.c_str()) != 0) {
        SetError(error, name);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool AppendToFile(const std::string& name, const std::string& bytes, std::string* error)
{
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetError(error, name);
        return false;
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (!ok)
        SetError(error, name);
    if (::close(fd) != 0 && ok) {
        SetError(error, name);
        ok = false;
    }
    return ok;
}
