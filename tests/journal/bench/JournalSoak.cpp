// Soak of the shared journal: three posts record tests one after another
// (each post's register, a record every 300 ms) and send them to a real
// PostgreSQL 15 server that goes away and comes back (stopped 15 s of
// every 60, and its connections killed now and then). At the end the
// server is given time to take everything; printed per post: records made,
// acknowledged and on the server (all three must be equal), and the
// longest the main thread's event loop was held up by anything but the
// soak's own work.
// Usage: journal_soak [minutes]
#include "JournalSender.h"
#include "PgServer.h"
#include "TempDir.h"
#include "TestRegister.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace {

// Runs the event loop for `ms` (processEvents alone would spin).
void Pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::string One(const std::string& file, const char* sql)
{
    sqlite3* db = nullptr;
    std::string out = "?";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 30;
    TempDir folder;
    PgServer pg(true);
    if (!pg.Ok()) {
        std::fprintf(stderr, "server: %s\n", pg.Error().c_str());
        return 1;
    }
    QElapsedTimer own; // the soak's own work, left out of the stall
    qint64 longest = 0;
    QElapsedTimer beat;
    beat.start();
    pg.AfterWait = [&] { beat.restart(); };

    struct Post {
        std::string name, file;
        std::unique_ptr<TestRegister> reg;
        std::unique_ptr<JournalSending> sending;
        long long made = 0;
    };
    std::vector<Post> posts(3);
    for (int p = 0; p < 3; ++p) {
        Post& post = posts[p];
        post.name = "Пост " + std::to_string(p + 1);
        pg.AddPost("post_" + std::to_string(p), post.name);
        const auto dir = std::filesystem::current_path() / ("post" + std::to_string(p));
        std::filesystem::create_directory(dir);
        post.file = (dir / "Kavrel.db").string();
        post.reg = std::make_unique<TestRegister>(post.file);
        post.reg->Open();
        LinkTimeouts limits;
        limits.connectSeconds = 3;
        limits.replyMs = 5000;
        post.sending = std::make_unique<JournalSending>(
            post.file, ServerSettings{post.name, pg.Connection("post_" + std::to_string(p)), ""}, limits, 5000);
        JournalSending* s = post.sending.get();
        post.reg->Changed = [s] { s->Wake(); };
    }

    QTimer heart;
    heart.setInterval(5);
    QObject::connect(&heart, &QTimer::timeout, [&] { longest = std::max(longest, beat.restart()); });
    heart.start();

    int next = 0;
    long long refused = 0; // register failures told (the sender's notes in the way, say)
    QTimer tests;
    tests.setInterval(100);
    QObject::connect(&tests, &QTimer::timeout, [&] {
        Post& post = posts[next++ % 3];
        const ClockReading at = SystemClock();
        refused += !post.reg->Add(TestRecordOf(at, "Водитель " + std::to_string(post.made % 40), static_cast<int>(post.made % 15),
                                   1207, 512, "Test_01.txt", "строка", true)).empty();
        ++post.made;
        beat.restart();
    });
    tests.start();

    QElapsedTimer clock;
    clock.start();
    long long stops = 0, kills = 0;
    bool down = false;
    const qint64 end = static_cast<qint64>(minutes * 60000);
    while (clock.elapsed() < end) {
        Pause(20);
        const qint64 phase = clock.elapsed() % 60000;
        if (!down && phase >= 40000 && phase < 55000) {
            pg.Stop();
            down = true;
            ++stops;
        } else if (down && phase >= 55000) {
            pg.Start();
            down = false;
        } else if (!down && phase >= 10000 * (kills % 3 + 1) && phase < 10000 * (kills % 3 + 1) + 50) {
            pg.Sql("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'kavrel'");
            ++kills;
        }
    }
    tests.stop();
    if (down)
        pg.Start();
    for (Post& post : posts)
        post.sending->Wake();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 120000) {
        Pause(20);
        bool all = true;
        for (Post& post : posts)
            all = all && post.sending->State().kind == SenderState::Kind::AllSent;
        if (all)
            break;
    }
    std::printf("journal soak: %.1f min, 3 posts, server stopped %lld times, connections killed %lld times\n",
                minutes, stops, kills);
    bool equal = true;
    for (Post& post : posts) {
        const std::string sent = One(post.file, "SELECT count(*) FROM sent");
        const auto onServer = pg.Rows("SELECT count(*) || ' (' || count(DISTINCT no) || ' distinct)' FROM "
                                      "kavrel.journal WHERE post = $$" + post.name + "$$");
        const std::string server = onServer.empty() ? "?" : onServer[0];
        std::printf("  %s: made %lld, acknowledged %s, on the server %s\n", post.name.c_str(), post.made, sent.c_str(),
                    server.c_str());
        const std::string made = std::to_string(post.made);
        equal = equal && sent == made && server == made + " (" + made + " distinct)";
    }
    std::printf("  register failures told: %lld\n", refused);
    equal = equal && refused == 0;
    std::printf("  longest hold-up of the main thread's event loop: %lld ms\n", static_cast<long long>(longest));
    std::printf("  %s\n", equal ? "made = acknowledged = on the server" : "COUNTS DIFFER");
    for (Post& post : posts)
        post.reg->Changed = nullptr;
    return equal ? 0 : 1;
}
