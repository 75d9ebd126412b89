#include "Control.h"

#include "Commands.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr std::size_t kLongestLine = 4096;

sockaddr_un Address(const std::string& path)
{
    std::string error;
    if (!SocketAddressFits(path, error))
        throw std::runtime_error(error);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
    return a;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) {
            const ssize_t m = ::write(fd, text.data() + done, text.size() - done);
            if (m > 0) {
                done += static_cast<std::size_t>(m);
                continue;
            }
            if (m < 0 && errno == EINTR)
                continue;
            return false;
        }
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (!(n < 0 && errno == EINTR))
            return false;
    }
    return true;
}

// Is something listening at this socket path?
bool Listening(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un a = Address(path);
    const bool yes = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return yes;
}

} // namespace

bool SocketAddressFits(const std::string& path, std::string& error)
{
    if (path.empty() || path.size() >= sizeof(sockaddr_un::sun_path)) {
        error = "control socket path \"" + path + "\" must be 1 to " + std::to_string(sizeof(sockaddr_un::sun_path) - 1)
            + " bytes long; use a shorter one";
        return false;
    }
    return true;
}

TSimControl::~TSimControl()
{
    Stop();
}

void TSimControl::Listen(const std::string& path)
{
    const sockaddr_un a = Address(path);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode))
            throw ESimControlRefused(path + " is not a socket; it is left alone. Choose another control path.");
        if (Listening(path))
            throw ESimControlRefused(path + " is the control socket of a simulator that is still running.");
        ::unlink(path.c_str()); // a socket left by a run that was killed
    }
    listen_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0
        || ::listen(listen_, 8) != 0) {
        const std::string why = std::strerror(errno);
        if (listen_ >= 0)
            ::close(listen_);
        listen_ = -1;
        throw std::runtime_error("control socket " + path + ": " + why);
    }
    if (::lstat(path.c_str(), &st) == 0)
        socketInode_ = st.st_ino;
    path_ = path;
}

void TSimControl::Serve(int in, int out)
{
    clients_.push_back({in, out, {}, false});
}

void TSimControl::Start()
{
    if (thread_.joinable())
        return;
    stop_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread([this] { Run(); });
}

void TSimControl::Stop()
{
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        if (::write(stop_, &one, sizeof one) < 0) {
            // an eventfd fails only when it is signalled already
        }
        thread_.join();
    }
    for (Client& c : clients_)
        if (c.owned)
            ::close(c.in);
    clients_.clear();
    if (listen_ >= 0)
        ::close(listen_);
    listen_ = -1;
    if (stop_ >= 0)
        ::close(stop_);
    stop_ = -1;
    // Only the socket this run made: a later run may have replaced it.
    struct stat st {};
    if (!path_.empty() && ::lstat(path_.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_ino == socketInode_)
        ::unlink(path_.c_str());
    path_.clear();
}

bool TSimControl::Take(Client& c)
{
    char buf[1024];
    const ssize_t n = ::read(c.in, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return true;
    if (n <= 0)
        return false;
    c.pending.append(buf, static_cast<std::size_t>(n));
    for (std::size_t end; (end = c.pending.find('\n')) != std::string::npos;) {
        std::string line = c.pending.substr(0, end);
        c.pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!WriteAll(c.out, commands_.Run(line) + "\n"))
            return false;
    }
    if (c.pending.size() > kLongestLine) {
        c.pending.clear();
        return WriteAll(c.out, "error: line too long\n");
    }
    return true;
}

void TSimControl::Run()
{
    for (;;) {
        std::vector<pollfd> fds{{stop_, POLLIN, 0}};
        if (listen_ >= 0)
            fds.push_back({listen_, POLLIN, 0});
        const std::size_t first = fds.size();
        for (const Client& c : clients_)
            fds.push_back({c.in, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents)
            return;
        // Clients first, by their place in this poll; then new ones.
        for (std::size_t k = clients_.size(); k-- > 0;) {
            if (!fds[first + k].revents)
                continue;
            if (!Take(clients_[k])) {
                if (clients_[k].owned)
                    ::close(clients_[k].in);
                clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(k));
            }
        }
        if (listen_ >= 0 && fds[1].revents & POLLIN) {
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                clients_.push_back({fd, fd, {}, true});
        }
    }
}

TSimControlClient::TSimControlClient(const std::string& path)
{
    const sockaddr_un a = Address(path);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        const std::string why = std::strerror(errno);
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        throw std::runtime_error("no simulator listens at " + path + ": " + why);
    }
}

TSimControlClient::~TSimControlClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::string TSimControlClient::Ask(const std::string& line)
{
    if (!WriteAll(fd_, line + "\n"))
        throw std::runtime_error(std::string("the simulator has gone: ") + std::strerror(errno));
    std::size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
        char buf[1024];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("the simulator has gone");
        pending_.append(buf, static_cast<std::size_t>(n));
    }
    std::string answer = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return answer;
}
