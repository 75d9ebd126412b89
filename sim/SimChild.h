#pragma once
// The simulator as a child program, for end-to-end tests that want it in a
// process of its own: starts kavrel-sim with the given options, waits for
// the line with its device name, and ends it (SIGTERM) when destroyed.
#include <string>
#include <sys/types.h>
#include <vector>

// The kavrel-sim program of this build.
std::string DefaultSimProgram();

class TSimChild {
public:
    // Starts `program` with `args` (e.g. {"--link", "COM3", "--pace"}).
    // Throws std::runtime_error when it cannot start or prints no device
    // within ten seconds.
    explicit TSimChild(const std::vector<std::string>& args, const std::string& program = DefaultSimProgram());
    ~TSimChild();
    TSimChild(const TSimChild&) = delete;
    TSimChild& operator=(const TSimChild&) = delete;

    const std::string& DevicePath() const { return device_; }
    pid_t Pid() const { return pid_; }
    // Ends the program (SIGTERM) and waits for it; returns its exit status
    // as waitpid gives it, or -1 when it had already been ended.
    int Terminate();

private:
    pid_t pid_ = -1;
    std::string device_;
};
