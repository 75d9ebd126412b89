#pragma once
// A pseudo-terminal whose slave the component opens and whose master plays
// the far side of the line, and a helper to run the event loop until
// something happened.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

struct PtyPair {
    int master = -1;
    std::string slavePath;

    PtyPair()
    {
        int slave = -1;
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        slavePath = name;
        // Raw slave so that nothing is translated before the component
        // opens it (it sets the line again itself).
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        close(slave);
        fcntl(master, F_SETFD, FD_CLOEXEC);
    }
    ~PtyPair() { CloseMaster(); }
    void CloseMaster()
    {
        if (master >= 0)
            close(master);
        master = -1;
    }
    bool Write(const std::vector<std::uint8_t>& bytes) const
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EINTR && errno != EAGAIN)
                return false;
        }
        return true;
    }
    // Reads exactly `count` bytes, waiting up to `ms` in all.
    std::vector<std::uint8_t> Read(std::size_t count, int ms = 5000) const
    {
        std::vector<std::uint8_t> out;
        QElapsedTimer clock;
        clock.start();
        while (out.size() < count && clock.elapsed() < ms) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            std::uint8_t buf[4096];
            const ssize_t n = read(master, buf, std::min(sizeof buf, count - out.size()));
            if (n > 0)
                out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
};

// Runs the event loop until `done()` or `ms` pass; returns done().
template <typename Pred>
bool WaitUntil(Pred done, int ms = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        // Sleeps in the event dispatcher until an event or 5 ms pass.
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

// Runs the event loop for `ms`.
inline void Pump(int ms)
{
    WaitUntil([] { return false; }, ms);
}
