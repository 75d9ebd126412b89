#pragma once
// A real PostgreSQL 15 server of Debian's postgresql-15 for a test: a new
// cluster in a temporary folder (initdb), started with pg_ctl on a Unix
// socket in that folder and a free loopback port, the shipped journal
// script loaded into database "kavrel", stopped and removed at the end.
// PostgreSQL refuses to run as root: as root (CI) the server runs as the
// package's unprivileged user "postgres". Logins are trusted on the
// loopback only; the roles are those of a real set-up.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <functional>
#include <filesystem>
#include <pwd.h>
#include <string>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>
#include <vector>

#ifndef KAVREL_JOURNAL_SQL
#error "KAVREL_JOURNAL_SQL: the shipped journal script"
#endif

class PgServer {
public:
    static constexpr const char* Bin = "/usr/lib/postgresql/15/bin/";

    // `durable`: the server syncs its commits as a real one does (the
    // benchmark); the tests leave that out.
    explicit PgServer(bool durable = false) : durable_(durable)
    {
        MakeFolder();
        if (!Server({QString::fromLatin1(Bin) + "initdb", "-D", Data(), "-U", "postgres", "--auth=trust",
                     "-E", "UTF8", "--locale=C.UTF-8", "--no-sync"}))
            return;
        if (!Start())
            return;
        ok_ = Sql("CREATE DATABASE kavrel", "postgres").ok &&
              Run({QString::fromLatin1(Bin) + "psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", Q(dir_), "-p",
                   QString::number(port_), "-U", "postgres", "-d", "kavrel", "-f", KAVREL_JOURNAL_SQL});
    }
    // A standby of `primary` by streaming replication (pg_basebackup -R),
    // started on a port of its own: read-only until Promote().
    struct StandbyTag {};
    PgServer(PgServer& primary, StandbyTag)
    {
        MakeFolder();
        ok_ = Server({QString::fromLatin1(Bin) + "pg_basebackup", "-h", Q(primary.dir_), "-p",
                      QString::number(primary.port_), "-U", "postgres", "-D", Data(), "-R", "-X", "stream", "-c", "fast"}) &&
              Start();
    }
    bool Promote() { return Server({QString::fromLatin1(Bin) + "pg_ctl", "-D", Data(), "-w", "promote"}); }

    ~PgServer()
    {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // Told after each of the fixture's own waits for a program (a test
    // measuring the event loop leaves them out).
    std::function<void()> AfterWait;

    bool Ok() const { return ok_; }
    const std::string& Error() const { return error_; }
    int Port() const { return port_; }

    bool Start()
    {
        return Server({QString::fromLatin1(Bin) + "pg_ctl", "-D", Data(), "-l", Q(dir_ + "/log"), "-w", "-t", "60",
                       "-o", QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=%3 -c max_connections=200")
                           .arg(port_)
                           .arg(Q(dir_), durable_ ? "on" : "off"),
                       "start"});
    }
    bool Stop()
    {
        return Server({QString::fromLatin1(Bin) + "pg_ctl", "-D", Data(), "-m", "immediate", "-w", "stop"});
    }

    // Turns TLS on with a certificate for "localhost" and 127.0.0.1 signed
    // by a CA of its own (openssl); the CA's certificate is `CaFile()`,
    // and `OtherCaFile()` that of a second CA that signed nothing.
    bool EnableTls()
    {
        const std::string d = dir_ + "/tls/";
        std::filesystem::create_directory(d);
        const auto ssl = [&](const std::string& args) {
            return Run({"/bin/sh", "-c", Q("cd " + d + " && openssl " + args + " 2>&1")});
        };
        const bool made =
            ssl("req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=kavrel-test-ca -keyout ca.key -out ca.crt") &&
            ssl("req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=other-ca -keyout other.key -out other.crt") &&
            ssl("req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout server.key -out server.csr") &&
            Run({"/bin/sh", "-c",
                 Q("cd " + d + " && printf 'subjectAltName=DNS:localhost,IP:127.0.0.1' > san.ext && openssl x509 "
                                "-req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile san.ext "
                                "-out server.crt 2>&1")});
        if (!made)
            return false;
        if (::geteuid() == 0)
            Run({"/bin/chown", "-R", "postgres:", Q(d)});
        Run({"/bin/chmod", "600", Q(d + "server.key")});
        return Sql("ALTER SYSTEM SET ssl_cert_file = '" + d + "server.crt'").ok &&
               Sql("ALTER SYSTEM SET ssl_key_file = '" + d + "server.key'").ok && Sql("ALTER SYSTEM SET ssl = on").ok &&
               Sql("SELECT pg_reload_conf()").ok;
    }
    std::string CaFile() const { return dir_ + "/tls/ca.crt"; }
    std::string OtherCaFile() const { return dir_ + "/tls/other.crt"; }

    // A login role for a post, with its post's name on the server.
    bool AddPost(const std::string& login, const std::string& post)
    {
        return Sql("CREATE ROLE " + login + " LOGIN IN ROLE kavrel_post").ok &&
               Sql("INSERT INTO kavrel.posts (login, post) VALUES ('" + login + "', $$" + post + "$$)").ok;
    }
    bool AddReader(const std::string& login) { return Sql("CREATE ROLE " + login + " LOGIN IN ROLE kavrel_reader").ok; }

    // The libpq connection string of a role over the loopback port.
    std::string Connection(const std::string& login, int port = 0) const
    {
        return "host=127.0.0.1 port=" + std::to_string(port ? port : port_) + " dbname=kavrel user=" + login;
    }

    struct Answer {
        bool ok = false;
        std::vector<std::string> rows; // columns joined by "|"
        std::string error;             // psql's error output
    };
    // Runs SQL with psql as `role` (the superuser by default).
    Answer Sql(const std::string& sql, const std::string& database = "kavrel", const std::string& role = "postgres")
    {
        QProcess p;
        p.start(QString::fromLatin1(Bin) + "psql",
                {"-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-h", Q(dir_), "-p", QString::number(port_), "-U",
                 Q(role), "-d", Q(database), "-c", Q(sql)});
        Answer a;
        const bool ended = p.waitForFinished(60000);
        if (AfterWait)
            AfterWait();
        if (!ended) {
            p.kill();
            p.waitForFinished();
            a.error = "psql did not end";
            return a;
        }
        a.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            a.rows.push_back(line.toStdString());
        a.error = QString::fromUtf8(p.readAllStandardError()).trimmed().toStdString();
        return a;
    }
    std::vector<std::string> Rows(const std::string& sql) { return Sql(sql).rows; }

    // A loopback port nothing listens on (now).
    static int FreePort()
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        int port = 0;
        if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0)
            port = ntohs(a.sin_port);
        ::close(s);
        return port;
    }

private:
    static QString Q(const std::string& s) { return QString::fromStdString(s); }
    QString Data() const { return Q(dir_ + "/data"); }

    void MakeFolder()
    {
        char pattern[] = "/tmp/kavrel-pg-XXXXXX";
        dir_ = ::mkdtemp(pattern) ? pattern : "";
        port_ = FreePort();
        if (::geteuid() == 0) {
            if (const passwd* pw = ::getpwnam("postgres"))
                if (::chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0)
                    error_ = "chown failed";
        }
    }

    // A server program, as "postgres" when the test runs as root.
    bool Server(QStringList command)
    {
        if (::geteuid() == 0)
            command = QStringList({"/usr/sbin/runuser", "-u", "postgres", "--"}) + command;
        return Run(command);
    }
    bool Run(const QStringList& command)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.setWorkingDirectory(Q(dir_));
        p.start(command.first(), command.mid(1));
        const bool ended = p.waitForFinished(120000);
        if (AfterWait)
            AfterWait();
        if (ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return true;
        error_ = command.join(' ').toStdString() + ": " + QString::fromUtf8(p.readAll()).toStdString();
        return false;
    }

    bool durable_ = false;
    std::string dir_;
    int port_ = 0;
    bool ok_ = false;
    std::string error_;
};
