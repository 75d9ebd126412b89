#pragma once
// A loopback TCP proxy in front of a server, on a thread of its own, that
// can be made to hang like a broken network: while hanging it still takes
// every byte from both sides (so TCP acknowledges them) and delivers none.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class TcpProxy {
public:
    explicit TcpProxy(int targetPort) : target_(targetPort)
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a = Loopback(0);
        socklen_t length = sizeof a;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 16);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~TcpProxy()
    {
        ending_ = true;
        thread_.join();
        ::close(listen_);
        for (auto& [a, b] : pairs_) {
            ::close(a);
            ::close(b);
        }
    }
    TcpProxy(const TcpProxy&) = delete;
    TcpProxy& operator=(const TcpProxy&) = delete;

    int Port() const { return port_; }
    void Hang(bool on) { hanging_ = on; }

private:
    static sockaddr_in Loopback(int port)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(port));
        return a;
    }

    void Run()
    {
        char buffer[65536];
        while (!ending_) {
            std::vector<pollfd> fds{{listen_, POLLIN, 0}};
            for (auto& [a, b] : pairs_) {
                fds.push_back({a, POLLIN, 0});
                fds.push_back({b, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), 50) <= 0)
                continue;
            if (fds[0].revents & POLLIN) {
                const int client = ::accept(listen_, nullptr, nullptr);
                const int server = ::socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in a = Loopback(target_);
                if (client >= 0 && ::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
                    pairs_.push_back({client, server});
                } else {
                    ::close(client);
                    ::close(server);
                }
                continue;
            }
            std::vector<std::pair<int, int>> kept;
            for (std::size_t i = 0; i < pairs_.size(); ++i) {
                bool closed = false;
                for (int side = 0; side < 2; ++side) {
                    const short ev = fds[1 + 2 * i + side].revents;
                    if (!(ev & (POLLIN | POLLHUP | POLLERR)))
                        continue;
                    const int from = side == 0 ? pairs_[i].first : pairs_[i].second;
                    const int to = side == 0 ? pairs_[i].second : pairs_[i].first;
                    const ssize_t n = ::read(from, buffer, sizeof buffer);
                    if (n <= 0)
                        closed = true;
                    else if (!hanging_ && ::send(to, buffer, static_cast<size_t>(n), MSG_NOSIGNAL) != n)
                        closed = true;
                }
                if (closed) {
                    ::close(pairs_[i].first);
                    ::close(pairs_[i].second);
                } else {
                    kept.push_back(pairs_[i]);
                }
            }
            pairs_ = std::move(kept);
        }
    }

    int target_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> hanging_{false};
    std::atomic<bool> ending_{false};
    std::vector<std::pair<int, int>> pairs_;
    std::thread thread_;
};
