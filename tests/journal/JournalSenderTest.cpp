// The register sent to a real PostgreSQL server (the shipped script
// loaded): each record once, in number order, at two posts at once; sent
// again after the program stopped between the server's commit and its own
// note, nothing doubled; a row that differs on the server told, never
// overwritten; the server stopped before and during sending, connections
// killed mid-batch, a network that hangs: nothing lost, nothing doubled,
// the main thread's event loop never held up; what a post's role may not do.
#include "JournalSender.h"
#include "PgServer.h"
#include "RegisterDb.h"
#include "ServerJournal.h"
#include "ServerTask.h"
#include "TcpProxy.h"
#include "TempDir.h"
#include "TestRegister.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace {

// The longest the main thread's event loop went without running a 5 ms
// timer, measured while it lives; the test's own work on the main thread
// (writing records, asking the server with psql) is left out: the clock
// starts again after it (Unmetered).
class StallMeter {
public:
    static inline StallMeter* current = nullptr;
    StallMeter()
    {
        current = this;
        clock_.start();
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, clock_.restart());
        });
        timer_.start();
    }
    ~StallMeter() { current = nullptr; }
    qint64 LongestMs() const { return longest_; }
    void Restart() { clock_.restart(); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

struct Unmetered {
    ~Unmetered()
    {
        if (StallMeter::current)
            StallMeter::current->Restart();
    }
};

// A post: its folder, its register, its records.
struct Post {
    std::string folder;
    std::unique_ptr<TestRegister> reg;

    Post(const std::string& name)
        : folder((std::filesystem::current_path() / name).string())
    {
        std::filesystem::create_directory(folder);
        reg = std::make_unique<TestRegister>(File());
        reg->Open();
    }
    std::string File() const { return folder + "/Kavrel.db"; }
    void Tests(int count, const std::string& name, int firstMinute = 0)
    {
        Unmetered own;
        for (int i = 0; i < count; ++i) {
            const int m = firstMinute + i;
            const ClockReading at{2026, 3, 1 + m / 1440 % 28, m / 60 % 24, m % 60, 5, 180};
            const std::string line = "0" + std::to_string(at.day % 10) + ".03 00:00 > " + name + "  -  0.1";
            reg->Add(TestRecordOf(at, name, i % 20, 1207, 512, "Test_03.txt", line, true));
        }
    }
};

LinkTimeouts Quick()
{
    LinkTimeouts l;
    l.connectSeconds = 2;
    l.keepaliveSeconds = 1;
    l.userTimeoutMs = 2000;
    l.statementMs = 3000;
    l.replyMs = 2000;
    return l;
}

std::string Count(PgServer& pg, const std::string& post)
{
    Unmetered own;
    const auto rows = pg.Rows("SELECT count(*) || '|' || count(DISTINCT no) || '|' || coalesce(max(no), 0) FROM "
                              "kavrel.journal WHERE post = $$" + post + "$$");
    return rows.empty() ? "none" : rows.front();
}

} // namespace

class JournalSenderTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<PgServer> pg_;

private slots:
    void init()
    {
        folder_ = std::make_unique<TempDir>();
        ReadClock = [] { return ClockReading{2026, 3, 1, 10, 0, 0, 180}; };
        pg_ = std::make_unique<PgServer>();
        QVERIFY2(pg_->Ok(), pg_->Error().c_str());
        pg_->AfterWait = [] {
            if (StallMeter::current)
                StallMeter::current->Restart();
        };
        QVERIFY(pg_->AddPost("post_a", "Депо 1"));
        QVERIFY(pg_->AddPost("post_b", "Депо 2"));
        QVERIFY(pg_->AddReader("officer"));
    }
    void cleanup()
    {
        pg_.reset();
        ReadClock = SystemClock;
        folder_.reset();
    }

    void eachRecordOnceAtTwoPostsAndADifferingRowTold()
    {
        StallMeter stall;
        Post a("a"), b("b");
        a.Tests(450, "Орлов О. О.");
        b.Tests(300, "Петров П. П.");
        JournalSending sa(a.File(), {"Депо 1", pg_->Connection("post_a"), ""}, Quick(), 200);
        JournalSending sb(b.File(), {"Депо 2", pg_->Connection("post_b"), ""}, Quick(), 200);
        a.reg->Changed = [&] { sa.Wake(); };
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(sa.State(), 0), std::string("Сервер: всё отправлено"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(sb.State(), 0), std::string("Сервер: всё отправлено"), 30000);
        QCOMPARE(Count(*pg_, "Депо 1"), std::string("450|450|450"));
        QCOMPARE(Count(*pg_, "Депо 2"), std::string("300|300|300"));
        // The rows are the records, field for field, chain value too.
        QCOMPARE(pg_->Rows("SELECT post || '|' || no || '|' || date || '|' || time || '|' || utc_offset || '|' || "
                           "year || '|' || month || '|' || name || '|' || tenths || '|' || result || '|' || "
                           "instrument || '|' || sensor || '|' || line || '|' || chain FROM kavrel.journal "
                           "WHERE no = 2 ORDER BY post"),
                 std::vector<std::string>({
                     "Депо 1|2|01.03.2026|00:01:05|+03:00|2026|3|Орлов О. О.|1|0.1|1207|512|01.03 00:00 > Орлов О. О.  -  0.1|" +
                         a.reg->Store().RecordNumbered(2, nullptr)->chain,
                     "Депо 2|2|01.03.2026|00:01:05|+03:00|2026|3|Петров П. П.|1|0.1|1207|512|01.03 00:00 > Петров П. П.  -  0.1|" +
                         b.reg->Store().RecordNumbered(2, nullptr)->chain,
                 }));
        QCOMPARE(SqliteRows(a.File(), "SELECT count(*), min(no), max(no) FROM sent"),
                 std::vector<std::string>({"450|1|450"}));

        // A new record goes at once.
        a.Tests(1, "Орлов О. О.", 450);
        QTRY_COMPARE_WITH_TIMEOUT(Count(*pg_, "Депо 1"), std::string("451|451|451"), 20000);

        // The program ended after the server's commit, before its own note:
        // what is sent again adds nothing.
        QVERIFY(SqliteRows(a.File(), "SELECT 1").size() == 1);
        {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(a.File().c_str(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "DELETE FROM sent WHERE no > 100", nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        // And someone changed record 300 on the server.
        QVERIFY(pg_->Sql("ALTER TABLE kavrel.journal DISABLE TRIGGER journal_no_update; "
                         "UPDATE kavrel.journal SET chain = repeat('0', 64) WHERE post = 'Депо 1' AND no = 300; "
                         "ALTER TABLE kavrel.journal ENABLE TRIGGER journal_no_update").ok);
        QList<qlonglong> differing;
        connect(&sa, &JournalSending::DiscrepancyFound, this,
                [&](qlonglong no, const QString& post, const QString&, const QString& server) {
                    differing << no;
                    QCOMPARE(post, QStringLiteral("Депо 1"));
                    QCOMPARE(server, QString(64, QLatin1Char('0')));
                });
        sa.Wake();
        QTRY_COMPARE_WITH_TIMEOUT(SqliteRows(a.File(), "SELECT count(*) FROM sent"), std::vector<std::string>({"451"}),
                                  20000);
        QTRY_COMPARE(differing, QList<qlonglong>({300}));
        QCOMPARE(Count(*pg_, "Депо 1"), std::string("451|451|451"));
        QCOMPARE(pg_->Rows("SELECT chain FROM kavrel.journal WHERE post = 'Депо 1' AND no = 300"),
                 std::vector<std::string>({std::string(64, '0')}));
        QCOMPARE(SqliteRows(a.File(), "SELECT post, no, server_chain FROM sent WHERE server_chain IS NOT NULL"),
                 std::vector<std::string>({"Депо 1|300|" + std::string(64, '0')}));
        // The register's own records are untouched, its check clean.
        QVERIFY(!CheckRegister(a.reg->Store(), {}).chain);
        // The post given a new name on the server (a register begun anew
        // after damage numbers from 1 again): everything goes again under
        // it, the old rows stay as they were.
        QVERIFY(pg_->Sql("UPDATE kavrel.posts SET post = 'Депо 1, журнал 2' WHERE login = 'post_a'").ok);
        sa.Configure({"Депо 1, журнал 2", pg_->Connection("post_a"), ""});
        QTRY_COMPARE_WITH_TIMEOUT(Count(*pg_, "Депо 1, журнал 2"), std::string("451|451|451"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(sa.State(), 0), std::string("Сервер: всё отправлено"), 30000);
        QCOMPARE(Count(*pg_, "Депо 1"), std::string("451|451|451"));
        QCOMPARE(differing, QList<qlonglong>({300}));
        QVERIFY2(stall.LongestMs() < 100, std::to_string(stall.LongestMs()).c_str());
    }

    void serverAwayKilledAndHangingLosesAndDoublesNothing()
    {
        StallMeter stall;
        Post a("a");
        TcpProxy proxy(pg_->Port());
        // The server stopped before sending begins.
        QVERIFY(pg_->Stop());
        a.Tests(50, "Орлов О. О.");
        JournalSending s(a.File(), {"Депо 1", pg_->Connection("post_a", proxy.Port()), ""}, Quick(), 200);
        a.reg->Changed = [&] { s.Wake(); };
        QTRY_VERIFY_WITH_TIMEOUT(s.State().kind == SenderState::Kind::NoLink, 20000);
        QVERIFY(StatusTextOf(s.State(), 0).starts_with("Сервер: нет связи ("));
        QCOMPARE(s.State().waiting, 50LL);
        QVERIFY(pg_->Start());
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(s.State(), 0), std::string("Сервер: всё отправлено"), 30000);

        // Stopped while a long queue goes out, then started again.
        a.Tests(3000, "Орлов О. О.", 50);
        QTRY_VERIFY_WITH_TIMEOUT(s.State().kind == SenderState::Kind::Waiting &&
                                     s.State().waiting < 2900, 30000);
        QVERIFY(pg_->Stop());
        QTRY_VERIFY_WITH_TIMEOUT(s.State().kind == SenderState::Kind::NoLink, 20000);
        QVERIFY(pg_->Start());
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(s.State(), 0), std::string("Сервер: всё отправлено"), 60000);
        QCOMPARE(Count(*pg_, "Депо 1"), std::string("3050|3050|3050"));

        // Its connection killed by the server mid-batch, again and again.
        a.Tests(3000, "Орлов О. О.", 3050);
        for (int i = 0; i < 5; ++i) {
            QTest::qWait(150);
            pg_->Sql("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'kavrel'");
        }
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(s.State(), 0), std::string("Сервер: всё отправлено"), 60000);
        QCOMPARE(Count(*pg_, "Депо 1"), std::string("6050|6050|6050"));

        // The network hangs: bytes are taken and never delivered.
        proxy.Hang(true);
        a.Tests(20, "Орлов О. О.", 6050);
        QTRY_VERIFY_WITH_TIMEOUT(s.State().kind == SenderState::Kind::NoLink, 20000);
        // Cut by the program's deadline, or by libpq's connect_timeout when
        // the connection was being made anew.
        const std::string told = StatusTextOf(s.State(), 0);
        QVERIFY2(told == "Сервер: нет связи (сервер не отвечает)" ||
                     (told.starts_with("Сервер: нет связи (connection to server at \"127.0.0.1\", port ") &&
                      told.ends_with(" failed: timeout expired)")),
                 told.c_str());
        proxy.Hang(false);
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(s.State(), 0), std::string("Сервер: всё отправлено"), 30000);
        QCOMPARE(Count(*pg_, "Депо 1"), std::string("6070|6070|6070"));
        QCOMPARE(SqliteRows(a.File(), "SELECT count(*), max(no) FROM sent"), std::vector<std::string>({"6070|6070"}));
        QVERIFY2(stall.LongestMs() < 100, std::to_string(stall.LongestMs()).c_str());
    }

    void killedBetweenTheServersCommitAndItsNoteAndAStandbyAddress()
    {
        Post a("a");
        a.Tests(450, "Орлов О. О.");
        QProcess crash;
        crash.start(QStringLiteral(CRASH_SENDER),
                    {QString::fromStdString(a.File()), QStringLiteral("Депо 1"), QString::fromStdString(pg_->Connection("post_a"))});
        QVERIFY(crash.waitForFinished(60000));
        QCOMPARE(crash.exitStatus(), QProcess::CrashExit);
        // The server holds the first batch; the post noted nothing.
        QCOMPARE(Count(*pg_, "Депо 1"), std::string("200|200|200"));
        QCOMPARE(SqliteRows(a.File(), "SELECT count(*) FROM sent"), std::vector<std::string>({"0"}));
        // Started again, with a dead address before the server's in the
        // connection string (libpq tries each in turn, as with a standby):
        // everything once, no discrepancy.
        const int deadPort = PgServer::FreePort(); // nothing listens there
        int discrepancies = 0;
        JournalSending s(a.File(),
                         {"Депо 1",
                          "host=127.0.0.1,127.0.0.1 port=" + std::to_string(deadPort) + "," +
                              std::to_string(pg_->Port()) + " dbname=kavrel user=post_a",
                          ""},
                         Quick(), 200);
        connect(&s, &JournalSending::DiscrepancyFound, this, [&] { ++discrepancies; });
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(s.State(), 0), std::string("Сервер: всё отправлено"), 30000);
        QCOMPARE(Count(*pg_, "Депо 1"), std::string("450|450|450"));
        QCOMPARE(SqliteRows(a.File(), "SELECT count(*), max(no) FROM sent"), std::vector<std::string>({"450|450"}));
        QCOMPARE(discrepancies, 0);
    }

    void aStandbyTakesOverWhenThePrimaryIsGone()
    {
        PgServer standby(*pg_, PgServer::StandbyTag{});
        QVERIFY2(standby.Ok(), standby.Error().c_str());
        Post a("a");
        a.Tests(100, "Орлов О. О.");
        // Both servers in the connection; only the one that writes is taken.
        const std::string both = "host=127.0.0.1,127.0.0.1 port=" + std::to_string(pg_->Port()) + "," +
                                 std::to_string(standby.Port()) +
                                 " dbname=kavrel user=post_a target_session_attrs=read-write";
        JournalSending s(a.File(), {"Депо 1", both, ""}, Quick(), 200);
        a.reg->Changed = [&] { s.Wake(); };
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(s.State(), 0), std::string("Сервер: всё отправлено"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(Count(standby, "Депо 1"), std::string("100|100|100"), 30000); // replicated
        // The primary gone: the standby does not take writes until promoted.
        QVERIFY(pg_->Stop());
        a.Tests(50, "Орлов О. О.", 100);
        QTRY_VERIFY_WITH_TIMEOUT(s.State().kind == SenderState::Kind::NoLink, 30000);
        QVERIFY2(s.State().reason.find("read-write") != std::string::npos ||
                     s.State().reason.find("read-only") != std::string::npos,
                 s.State().reason.c_str());
        QVERIFY(standby.Promote());
        s.Wake();
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(s.State(), 0), std::string("Сервер: всё отправлено"), 30000);
        QCOMPARE(Count(standby, "Депо 1"), std::string("150|150|150"));
        QCOMPARE(SqliteRows(a.File(), "SELECT count(*) FROM sent"), std::vector<std::string>({"150"}));
    }

    void overTlsWithTheServersNameVerified()
    {
        QVERIFY(pg_->EnableTls());
        QTest::qWait(300); // the reload
        Post a("a");
        a.Tests(3, "Орлов О. О.");
        const std::string tls = "host=localhost port=" + std::to_string(pg_->Port()) +
                                " dbname=kavrel user=post_a sslmode=verify-full sslrootcert=";
        // A root that did not sign the server's certificate: refused.
        JournalSending wrong(a.File(), {"Депо 1", tls + pg_->OtherCaFile(), ""}, Quick(), 200);
        QTRY_VERIFY_WITH_TIMEOUT(wrong.State().kind == SenderState::Kind::NoLink, 20000);
        QVERIFY2(wrong.State().reason.find("certificate verify failed") != std::string::npos,
                 wrong.State().reason.c_str());
        QCOMPARE(Count(*pg_, "Депо 1"), std::string("0|0|0"));
        // The company's root: sent, over TLS.
        JournalSending s(a.File(), {"Депо 1", tls + pg_->CaFile(), ""}, Quick(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(s.State(), 0), std::string("Сервер: всё отправлено"), 20000);
        QCOMPARE(Count(*pg_, "Депо 1"), std::string("3|3|3"));
        QCOMPARE(pg_->Rows("SELECT bool_and(s.ssl) FROM pg_stat_ssl s JOIN pg_stat_activity a USING (pid) "
                           "WHERE a.application_name = 'kavrel'"),
                 std::vector<std::string>({"t"}));
    }

    void aPostsRoleMayOnlyAddItsOwnRows()
    {
        Post a("a");
        a.Tests(2, "Орлов О. О.");
        JournalSending s(a.File(), {"Депо 1", pg_->Connection("post_a"), ""}, Quick(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(s.State(), 0), std::string("Сервер: всё отправлено"), 30000);
        QVERIFY(pg_->Sql("INSERT INTO kavrel.journal (post, no, date, time, utc_offset, month, name, result, "
                         "month_file, line, note, chain) VALUES ('Депо 2', 1, '', '', '', 1, '', '', '', '', '', "
                         "repeat('a', 64))").ok);
        struct Refusal {
            const char* sql;
            const char* error;
        };
        const Refusal refused[] = {
            {"UPDATE kavrel.journal SET result = '0.0'", "permission denied for table journal"},
            {"DELETE FROM kavrel.journal", "permission denied for table journal"},
            {"TRUNCATE kavrel.journal", "permission denied for table journal"},
            {"INSERT INTO kavrel.journal (post, no, date, time, utc_offset, month, name, result, month_file, line, "
             "note, chain) VALUES ('Депо 2', 9, '', '', '', 1, '', '', '', '', '', repeat('a', 64))",
             "new row violates row-level security policy for table \"journal\""},
            {"UPDATE kavrel.posts SET post = 'Депо 2'", "permission denied for table posts"},
            {"SELECT * FROM pg_authid", "permission denied for table pg_authid"},
            {"CREATE TABLE kavrel.mine (x int)", "permission denied for schema kavrel"},
        };
        for (const Refusal& r : refused) {
            const PgServer::Answer answer = pg_->Sql(r.sql, "kavrel", "post_a");
            QVERIFY2(!answer.ok, r.sql);
            QVERIFY2(answer.error.find(r.error) != std::string::npos, answer.error.c_str());
        }
        // What it may read: its own rows and its own post only.
        QCOMPARE(pg_->Sql("SELECT post || '|' || count(*) FROM kavrel.journal GROUP BY post", "kavrel", "post_a").rows,
                 std::vector<std::string>({"Депо 1|2"}));
        QCOMPARE(pg_->Sql("SELECT post FROM kavrel.posts", "kavrel", "post_a").rows,
                 std::vector<std::string>({"Депо 1"}));
        // The reader reads everything and adds nothing; even the owner
        // changes nothing without taking the guard away first.
        QCOMPARE(pg_->Sql("SELECT count(*) FROM kavrel.journal", "kavrel", "officer").rows,
                 std::vector<std::string>({"3"}));
        QVERIFY(!pg_->Sql("INSERT INTO kavrel.journal (post, no) VALUES ('Депо 1', 5)", "kavrel", "officer").ok);
        const PgServer::Answer owner = pg_->Sql("DELETE FROM kavrel.journal");
        QVERIFY(!owner.ok);
        QVERIFY2(owner.error.find("never changed or deleted") != std::string::npos, owner.error.c_str());
        QCOMPARE(pg_->Rows("SELECT count(*) FROM kavrel.journal"), std::vector<std::string>({"3"}));
    }

    void valuesGoAsTextWhateverTheyHold()
    {
        const std::string post = "Пост 'Ю'; DROP TABLE kavrel.journal; --";
        QVERIFY(pg_->AddPost("post_c", post));
        Post c("c");
        const std::string name = "О'Брайен\"; DELETE FROM kavrel.journal; -- \\ $$";
        c.reg->Add(TestRecordOf({2026, 3, 1, 9, 5, 0, 180}, name, 7, std::nullopt, std::nullopt, "Test_03.txt",
                                "01.03 09:05 > " + name + "  -  0.7", true));
        JournalSending s(c.File(), {post, pg_->Connection("post_c"), ""}, Quick(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(s.State(), 0), std::string("Сервер: всё отправлено"), 30000);
        QCOMPARE(pg_->Rows("SELECT post || '|' || name || '|' || coalesce(instrument::text, 'NULL') || '|' || line "
                           "FROM kavrel.journal"),
                 std::vector<std::string>({post + "|" + name + "|NULL|01.03 09:05 > " + name + "  -  0.7"}));
        // A post configured under a name the server does not give its role
        // is refused, and says why.
        Post d("d");
        d.Tests(1, "Орлов О. О.");
        JournalSending wrong(d.File(), {"Депо 2", pg_->Connection("post_a"), ""}, Quick(), 200);
        QTRY_VERIFY_WITH_TIMEOUT(wrong.State().kind == SenderState::Kind::NoLink, 30000);
        QCOMPARE(StatusTextOf(wrong.State(), 0),
                 std::string("Сервер: нет связи (ERROR:  new row violates row-level security policy for table "
                             "\"journal\" (42501))"));
        // A connection string with a password is not taken.
        QString options;
        std::string reason;
        QVERIFY(!ConnectOptionsFor("host=x password=secret", {}, &options, &reason));
        QCOMPARE(reason, std::string("в строке подключения есть пароль: программа его не хранит, укажите его в "
                                     "файле ~/.pgpass"));
        QVERIFY(ConnectOptionsFor("postgresql://post_a@127.0.0.1:5432/kavrel?sslmode=verify-full", {}, &options,
                                  &reason));
        QVERIFY(options.contains(QStringLiteral("sslmode='verify-full'")));
        QVERIFY(options.contains(QStringLiteral("host='127.0.0.1'")));
    }

    void theSharedJournalAndTheServersChains()
    {
        Post a("a"), b("b");
        a.Tests(3, "Орлов О. О.");
        b.Tests(2, "Петров П. П.", 1);
        {
            JournalSending sa(a.File(), {"Депо 1", pg_->Connection("post_a"), ""}, Quick(), 200);
            JournalSending sb(b.File(), {"Депо 2", pg_->Connection("post_b"), ""}, Quick(), 200);
            QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(sa.State(), 0), std::string("Сервер: всё отправлено"), 30000);
            QTRY_COMPARE_WITH_TIMEOUT(StatusTextOf(sb.State(), 0), std::string("Сервер: всё отправлено"), 30000);
        }
        auto ask = [this](auto work) {
            bool done = false;
            RunOnServer(pg_->Connection("officer"), Quick(),
                        [&](QSqlDatabase* db, ReplyDeadline& d, const std::string& reason) {
                            work(db, d, reason);
                            AnswerOnMainThread(this, [&] { done = true; });
                        });
            QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        };
        JournalView view;
        bool ok = false;
        std::string why;
        ask([&](QSqlDatabase* db, ReplyDeadline& d, const std::string&) {
            ok = db && ReadServerJournal(*db, d, 2000, {YearChoice::Kind::One, 2026}, 3, 0, "", 5000, &view, &why);
        });
        QVERIFY2(ok, why.c_str());
        std::vector<std::string> shown;
        for (const JournalEntry& e : view.entries)
            shown.push_back(e.shown);
        QCOMPARE(shown, std::vector<std::string>({
                            "Депо 1  |     1  01.03.2026 00:00:05 > Орлов О. О.  -  0.1",
                            "Депо 1  |     2  01.03.2026 00:01:05 > Орлов О. О.  -  0.1",
                            "Депо 2  |     1  01.03.2026 00:01:05 > Петров П. П.  -  0.1",
                            "Депо 1  |     3  01.03.2026 00:02:05 > Орлов О. О.  -  0.1",
                            "Депо 2  |     2  01.03.2026 00:02:05 > Петров П. П.  -  0.1",
                        }));
        ask([&](QSqlDatabase* db, ReplyDeadline& d, const std::string&) {
            ok = db && ReadServerJournal(*db, d, 2000, {YearChoice::Kind::One, 2026}, 0, 1, "Петров", 1, &view, &why);
        });
        QVERIFY2(ok, why.c_str());
        QCOMPARE(view.entries.size(), std::size_t(1));
        QCOMPARE(view.total, 2LL);
        QCOMPARE(view.entries[0].record->number, 2LL);

        // Every chain holds; a result changed on the server is found.
        ServerCheck check;
        ask([&](QSqlDatabase* db, ReplyDeadline& d, const std::string&) {
            ok = db && CheckServerChains(*db, d, 2000, &check, &why);
        });
        QVERIFY2(ok, why.c_str());
        QCOMPARE(check.rows, 5LL);
        QCOMPARE(check.posts, 2LL);
        QCOMPARE(ServerCheckMessage(check), std::string());
        QVERIFY(pg_->Sql("ALTER TABLE kavrel.journal DISABLE TRIGGER journal_no_update; "
                         "UPDATE kavrel.journal SET result = '0.0', tenths = 0 WHERE post = 'Депо 2' AND no = 2; "
                         "ALTER TABLE kavrel.journal ENABLE TRIGGER journal_no_update").ok);
        ask([&](QSqlDatabase* db, ReplyDeadline& d, const std::string&) {
            ok = db && CheckServerChains(*db, d, 2000, &check, &why);
        });
        QVERIFY2(ok, why.c_str());
        QCOMPARE(ServerCheckMessage(check), std::string("Журнал на сервере не совпадает с журналами постов:\n"
                                                        "пост «Депо 2»: запись № 2 от 01.03.2026, Петров П. П., "
                                                        "изменена на сервере"));
    }
};

QTEST_GUILESS_MAIN(JournalSenderTest)
#include "JournalSenderTest.moc"
