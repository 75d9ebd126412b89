#pragma once
// The command channel of a running simulator: a Unix socket in the working
// folder (any number of clients) and, when it is a terminal, standard
// input. Each line received is run by TSimCommands and answered with one
// line on the same connection (standard output for standard input). One
// thread serves them all.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class TSimCommands;

// The socket path is taken by something that is not a stale socket.
class ESimControlRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSimControl {
public:
    explicit TSimControl(TSimCommands& commands) : commands_(commands) {}
    ~TSimControl();
    TSimControl(const TSimControl&) = delete;
    TSimControl& operator=(const TSimControl&) = delete;

    // Listens on a Unix socket at `path`. A socket nobody listens on (left
    // by a killed run) is replaced; anything else at `path` is refused
    // (ESimControlRefused) and left alone.
    void Listen(const std::string& path);
    // Also reads commands from `in` and answers on `out`.
    void Serve(int in, int out);
    void Start();
    // Ends the thread and the connections; removes the socket.
    void Stop();

private:
    struct Client {
        int in = -1;
        int out = -1;
        std::string pending;   // bytes of an unfinished line
        bool owned = true;     // closed by Stop (not standard input)
    };
    void Run();
    bool Take(Client& c);      // false when the client is gone

    TSimCommands& commands_;
    std::string path_;
    int listen_ = -1;
    unsigned long socketInode_ = 0;
    int stop_ = -1;
    std::vector<Client> clients_;
    std::thread thread_;
};

// A connection to a running simulator's control socket, for tests and for
// `kavrel-sim --to`.
class TSimControlClient {
public:
    // Throws std::runtime_error when nothing listens at `path`.
    explicit TSimControlClient(const std::string& path);
    ~TSimControlClient();
    TSimControlClient(const TSimControlClient&) = delete;
    TSimControlClient& operator=(const TSimControlClient&) = delete;

    // Sends one command line and returns the answer line (without its end);
    // throws std::runtime_error when the simulator has gone.
    std::string Ask(const std::string& line);

private:
    int fd_ = -1;
    std::string pending_;
};

// The address of a socket path, or why it cannot be one (too long).
bool SocketAddressFits(const std::string& path, std::string& error);
