#pragma once
// A connection to the journal's server through Qt SQL's PostgreSQL driver,
// made and used on one worker thread only. The user's libpq connection
// string or URI is taken apart by libpq itself and given to the driver
// with the program's time limits, so that a server or a network that stops
// answering costs a bounded wait on that thread and nothing on the windows:
// connect_timeout for making the connection, TCP keepalives and
// tcp_user_timeout for a connection whose far end went away, the server's
// statement_timeout, and a deadline of the program's own that shuts the
// socket when a reply does not come (a network that takes data and never
// delivers it defeats the others).
#include <QString>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class QSqlDatabase;
class QSqlError;

struct LinkTimeouts {
    int connectSeconds = 10;     // libpq's connect_timeout
    int keepaliveSeconds = 10;   // idle time before the first keepalive, and between them
    int userTimeoutMs = 20000;   // tcp_user_timeout: data unacknowledged this long ends it
    int statementMs = 30000;     // the server's statement_timeout
    int replyMs = 40000;         // the program's own deadline for any one statement
};

// The driver's connect options for `connection` (a libpq key=value string
// or a postgresql:// URI) with the time limits; false with the reason in
// Russian when it does not parse or holds a password.
bool ConnectOptionsFor(const std::string& connection, const LinkTimeouts& limits, QString* options,
                       std::string* reason);

// Opens a connection named `name` on the calling thread; false with
// libpq's reason. The connection is left registered either way: CloseServer.
bool OpenServer(const QString& name, const std::string& connection, const LinkTimeouts& limits,
                std::string* reason);
void CloseServer(const QString& name);

// The reason of a failed statement or connection as the user reads it:
// the server's or libpq's own message, on one line.
std::string ReasonOf(const QSqlError& error);

// Shuts the connection's socket when a statement runs past its deadline,
// from a thread of its own; the blocked statement then fails at once.
class ReplyDeadline {
public:
    ReplyDeadline();
    ~ReplyDeadline();
    ReplyDeadline(const ReplyDeadline&) = delete;
    ReplyDeadline& operator=(const ReplyDeadline&) = delete;

    // Starts the watch over the open connection `db`'s socket.
    void Arm(const QSqlDatabase& db, int ms);
    void Disarm();
    // The last armed watch ran out (and shut the socket).
    bool Fired() const;

private:
    void Watch();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    int fd_ = -1;
    std::chrono::steady_clock::time_point until_;
    bool fired_ = false;
    bool ending_ = false;
    std::thread thread_;
};

// Arms a deadline for one scope.
class DeadlineScope {
public:
    DeadlineScope(ReplyDeadline& d, const QSqlDatabase& db, int ms) : d_(d) { d_.Arm(db, ms); }
    ~DeadlineScope() { d_.Disarm(); }
    DeadlineScope(const DeadlineScope&) = delete;
    DeadlineScope& operator=(const DeadlineScope&) = delete;

private:
    ReplyDeadline& d_;
};
