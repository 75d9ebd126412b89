#include "ServerLink.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <libpq-fe.h>
#include <sys/socket.h>

namespace {

// A value in libpq's key=value syntax: quoted, with ' and \ escaped.
std::string Quoted(const std::string& value)
{
    std::string out = "'";
    for (char c : value) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "'";
}

std::string FirstLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    for (char& c : text)
        if (c == '\n' || c == '\t')
            c = ' ';
    return text;
}

} // namespace

bool ConnectOptionsFor(const std::string& connection, const LinkTimeouts& limits, QString* options,
                       std::string* reason)
{
    char* error = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(connection.c_str(), &error);
    if (!parsed) {
        *reason = "строка подключения не разобрана: " + FirstLine(error ? error : "нет памяти");
        PQfreemem(error);
        return false;
    }
    std::string out;
    bool password = false;
    bool semicolon = false;
    for (PQconninfoOption* o = parsed; o->keyword; ++o) {
        if (!o->val)
            continue;
        const std::string key = o->keyword;
        const std::string value = o->val;
        if (key == "password")
            password = true;
        // The driver turns every ';' of its options into a blank.
        if (value.find(';') != std::string::npos)
            semicolon = true;
        if (key == "connect_timeout" || key == "keepalives" || key == "keepalives_idle" ||
            key == "keepalives_interval" || key == "keepalives_count" || key == "tcp_user_timeout")
            continue; // the program's own limits below
        out += key + "=" + Quoted(value) + " ";
    }
    PQconninfoFree(parsed);
    if (password) {
        *reason = "в строке подключения есть пароль: программа его не хранит, укажите его в файле ~/.pgpass";
        return false;
    }
    if (semicolon) {
        *reason = "в строке подключения есть знак «;»: он в ней не допускается";
        return false;
    }
    out += "connect_timeout=" + std::to_string(limits.connectSeconds);
    out += " keepalives=1 keepalives_idle=" + std::to_string(limits.keepaliveSeconds);
    out += " keepalives_interval=" + std::to_string(limits.keepaliveSeconds);
    out += " keepalives_count=3 tcp_user_timeout=" + std::to_string(limits.userTimeoutMs);
    if (connection.find("application_name") == std::string::npos)
        out += " application_name=kavrel";
    *options = QString::fromStdString(out);
    return true;
}

bool OpenServer(const QString& name, const std::string& connection, const LinkTimeouts& limits,
                std::string* reason)
{
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!db.isValid()) {
        *reason = "нет драйвера PostgreSQL для Qt (пакет libqt6sql6-psql)";
        return false;
    }
    QString options;
    if (!ConnectOptionsFor(connection, limits, &options, reason))
        return false;
    db.setConnectOptions(options);
    if (!db.open()) {
        *reason = ReasonOf(db.lastError());
        return false;
    }
    QSqlQuery set(db);
    if (!set.exec(QStringLiteral("SET statement_timeout = %1").arg(limits.statementMs))) {
        *reason = ReasonOf(set.lastError());
        db.close();
        return false;
    }
    return true;
}

void CloseServer(const QString& name)
{
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

std::string ReasonOf(const QSqlError& error)
{
    std::string text = FirstLine(error.databaseText().toStdString());
    if (text.empty())
        text = FirstLine(error.driverText().toStdString());
    return text.empty() ? std::string("нет ответа") : text;
}

ReplyDeadline::ReplyDeadline() : thread_([this] { Watch(); }) {}

ReplyDeadline::~ReplyDeadline()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ReplyDeadline::Arm(const QSqlDatabase& db, int ms)
{
    int fd = -1;
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid() && handle.metaType().sizeOf() == sizeof(PGconn*))
        if (auto* conn = *static_cast<PGconn* const*>(handle.constData()))
            fd = PQsocket(conn);
    {
        std::lock_guard lock(mutex_);
        fd_ = fd;
        fired_ = false;
        until_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    }
    wake_.notify_all();
}

void ReplyDeadline::Disarm()
{
    std::lock_guard lock(mutex_);
    fd_ = -1;
}

bool ReplyDeadline::Fired() const
{
    std::lock_guard lock(mutex_);
    return fired_;
}

void ReplyDeadline::Watch()
{
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if (fd_ < 0) {
            wake_.wait(lock);
            continue;
        }
        if (wake_.wait_until(lock, until_) == std::cv_status::timeout && fd_ >= 0 &&
            std::chrono::steady_clock::now() >= until_) {
            // The statement's thread holds the connection open until it
            // disarms (under this lock), so the descriptor is still its own.
            ::shutdown(fd_, SHUT_RDWR);
            fired_ = true;
            fd_ = -1;
        }
    }
}
