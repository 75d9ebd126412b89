// Load run of the shared journal on a real PostgreSQL 15 server of this
// machine (commits synced): 50 posts, each with its own register of 2 000
// records, sending at once; then the shared journal's views over
// 1 000 000 rows. Prints figures; asserts nothing.
// Usage: journal_bench [posts] [records-per-post] [journal-rows]
#include "JournalSender.h"
#include "PgServer.h"
#include "ServerJournal.h"
#include "ServerTask.h"
#include "TempDir.h"
#include "TestRegister.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlDatabase>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

// Runs the event loop for `ms` (processEvents alone would spin).
void Pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void Spin(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        Pause(20);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int posts = argc > 1 ? std::atoi(argv[1]) : 50;
    const int records = argc > 2 ? std::atoi(argv[2]) : 2000;
    const long long journalRows = argc > 3 ? std::atoll(argv[3]) : 1000000;
    TempDir folder;
    ReadClock = [] { return ClockReading{2026, 3, 1, 10, 0, 0, 180}; };
    PgServer pg(true);
    if (!pg.Ok()) {
        std::fprintf(stderr, "server: %s\n", pg.Error().c_str());
        return 1;
    }
    std::vector<std::unique_ptr<TestRegister>> registers;
    std::vector<std::string> files;
    for (int p = 0; p < posts; ++p) {
        const std::string login = "post_" + std::to_string(p);
        pg.AddPost(login, "Пост " + std::to_string(p));
        const std::string dir = (std::filesystem::current_path() / login).string();
        std::filesystem::create_directory(dir);
        files.push_back(dir + "/Kavrel.db");
        auto reg = std::make_unique<TestRegister>(files.back());
        reg->Open();
        std::vector<RegisterRecord> batch;
        for (int i = 0; i < records; ++i) {
            const ClockReading at{2026, 3, 1 + i / 1440 % 28, i / 60 % 24, i % 60, 0, 180};
            batch.push_back(TestRecordOf(at, "Водитель " + std::to_string(i % 300), i % 15, 1207, 512, "Test_03.txt",
                                         "01.03 00:00 > Водитель  -  0.0", true));
        }
        RegisterError e;
        reg->Store().Append(batch, &e);
        registers.push_back(std::move(reg));
    }
    std::printf("load run: %d posts x %d records, one PostgreSQL 15 server on this machine (fsync on)\n", posts,
                records);

    QElapsedTimer t;
    t.start();
    std::vector<std::unique_ptr<JournalSending>> senders;
    for (int p = 0; p < posts; ++p)
        senders.push_back(std::make_unique<JournalSending>(
            files[p], ServerSettings{"Пост " + std::to_string(p), pg.Connection("post_" + std::to_string(p)), ""}));
    Spin([&] {
        return std::all_of(senders.begin(), senders.end(),
                           [](const auto& s) { return s->State().kind == SenderState::Kind::AllSent; });
    }, 30 * 60 * 1000);
    const double seconds = t.elapsed() / 1000.0;
    const auto rows = pg.Rows("SELECT count(*) || '|' || count(DISTINCT (post, no)) FROM kavrel.journal");
    std::printf("  all sent in %.1f s: %.0f records/s; on the server: %s (rows|distinct)\n", seconds,
                posts * records / seconds, rows.empty() ? "?" : rows[0].c_str());
    senders.clear();

    // The journal grown to journalRows rows: ten years, 100 posts.
    pg.Sql("INSERT INTO kavrel.journal (post, no, date, time, utc_offset, year, month, name, tenths, result, "
           "instrument, sensor, month_file, line, note, chain) "
           "SELECT 'Склад ' || (g % 100), g, lpad((1 + g % 28)::text, 2, '0') || '.' || lpad((1 + g / 8334 % 12)::text, 2, '0') || '.' || (2016 + g * 10 / " +
           std::to_string(journalRows) + "), lpad((g % 24)::text, 2, '0') || ':' || lpad((g % 60)::text, 2, '0') || ':00', '+03:00', "
           "2016 + g * 10 / " + std::to_string(journalRows) + ", 1 + g / 8334 % 12, 'Водитель ' || (g % 5000), g % 15, '0.' || (g % 10), 1207, 512, "
           "'Test_01.txt', 'строка ' || 'Водитель ' || (g % 5000), '', repeat('a', 64) "
           "FROM generate_series(1, " + std::to_string(journalRows) + ") g");
    pg.Sql("ANALYZE kavrel.journal");
    const auto total = pg.Rows("SELECT count(*) FROM kavrel.journal");
    std::printf("shared journal of %s rows (%lld over ten years, 100 posts), read by the reader's role:\n",
                total.empty() ? "?" : total[0].c_str(), journalRows);
    pg.AddReader("officer");

    struct View {
        const char* what;
        YearChoice year;
        int month;
        int person;
        std::string name;
    };
    const View views[] = {
        {"a year, the newest 5000", {YearChoice::Kind::One, 2020}, 0, 0, ""},
        {"a year and a month", {YearChoice::Kind::One, 2020}, 6, 0, ""},
        {"a year and a person", {YearChoice::Kind::One, 2020}, 0, 1, "Водитель 4321"},
        {"all years, the newest 5000", {YearChoice::Kind::All, 0}, 0, 0, ""},
    };
    for (const View& v : views) {
        std::vector<double> ms;
        long long listed = 0;
        bool done = false;
        RunOnServer(pg.Connection("officer"), LinkTimeouts{}, [&](QSqlDatabase* db, ReplyDeadline& d, const std::string&) {
            for (int run = 0; run < 7 && db; ++run) {
                QElapsedTimer one;
                one.start();
                JournalView view;
                std::string why;
                ReadServerJournal(*db, d, 60000, v.year, v.month, v.person, v.name, 5000, &view, &why);
                ms.push_back(one.nsecsElapsed() / 1e6);
                listed = static_cast<long long>(view.entries.size());
            }
            done = true;
        });
        Spin([&] { return done; }, 10 * 60 * 1000);
        std::sort(ms.begin(), ms.end());
        std::printf("  %-28s median %7.1f ms, slowest %7.1f ms (%lld lines)\n", v.what, ms[ms.size() / 2],
                    ms.back(), listed);
    }
    ReadClock = SystemClock;
    return 0;
}
