#include "SimChild.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

std::string DefaultSimProgram()
{
    return KAVREL_SIM_PROGRAM;
}

TSimChild::TSimChild(const std::vector<std::string>& args, const std::string& program)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) {
        close(out[0]);
        close(out[1]);
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO); // dup2 clears close-on-exec on the copy
        // Never the test's terminal: the program would take it for commands.
        const int none = open("/dev/null", O_RDONLY);
        if (none >= 0)
            dup2(none, STDIN_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    // The first line the program prints is its device.
    std::string line;
    const auto give_up = [&](const std::string& why) {
        close(out[0]);
        Terminate();
        throw std::runtime_error(program + ": " + why);
    };
    for (int waited = 0; line.find('\n') == std::string::npos;) {
        pollfd p{out[0], POLLIN, 0};
        const int r = poll(&p, 1, 100);
        if (r == 0) {
            if ((waited += 100) >= 10000)
                give_up("no device within 10 s");
            continue;
        }
        char buf[256];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0)
            give_up("ended before it was ready");
        line.append(buf, static_cast<std::size_t>(n));
    }
    close(out[0]); // later output goes nowhere; the program ignores SIGPIPE
    device_ = line.substr(0, line.find('\n'));
}

TSimChild::~TSimChild()
{
    Terminate();
}

int TSimChild::Terminate()
{
    if (pid_ <= 0)
        return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
}
