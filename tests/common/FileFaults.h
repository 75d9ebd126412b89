#pragma once
// Ways to make file writes fail in tests without special hardware:
//  - FileSizeLimit: writes beyond a size fail as on a full disk (EFBIG), for
//    this process, until the guard goes;
//  - RunUnprivileged: runs a piece of a test in a child process as a user
//    whom file permissions bind (root may write anywhere; the child drops to
//    the unprivileged user 65534 and takes over the current folder).
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN); // a refused write then fails with EFBIG
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
};

// Runs `body` in a child process in the current folder; what it returns
// ("" when all it checked held, else what went wrong) comes back, or "the
// child failed" when it ended without telling.
inline std::string RunInChild(const std::function<std::string()>& body)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return "pipe failed";
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return "fork failed";
    if (pid == 0) {
        close(pipeFds[0]);
        const std::string result = body();
        if (!result.empty() && write(pipeFds[1], result.data(), result.size()) < 0)
            _exit(3);
        _exit(result.empty() ? 0 : 1);
    }
    close(pipeFds[1]);
    std::string result;
    char buffer[512];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (result.empty() && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        result = "the child failed";
    return result;
}

// RunInChild as an unprivileged user when the test runs as root (the child
// drops to user 65534 and takes over the current folder).
inline std::string RunUnprivileged(const std::function<std::string()>& body)
{
    return RunInChild([&body] {
        if (geteuid() == 0) {
            const uid_t nobody = 65534;
            if (chown(".", nobody, nobody) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)
                return std::string("could not drop root");
        }
        return body();
    });
}
