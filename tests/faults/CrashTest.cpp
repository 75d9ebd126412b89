// A process saving every file of the program in a loop is killed with
// SIGKILL at random moments, forty times over the same folder. After each
// kill:
//  - each replaced file (settings, sensor group, person list, text and PDF
//    protocol) is whole, and it is the version last reported saved or the
//    one whose save was under way;
//  - each appended file (test lines, export) holds every line reported
//    written, once and in order; of a line whose append was under way there
//    is all of it or nothing (at worst a piece of it on a line of its own);
//  - the test register holds a record for every test reported recorded,
//    once and in order, and of the one under way all or nothing; its chain
//    and the month file agree with it (but for the line of a test killed
//    between its line and its record);
//  - the program reads every file back, and the next process saves over
//    whatever the last one left (temporary files included).
#include "FileFaults.h"
#include "RegisterCheck.h"
#include "RegisterDb.h"
#include "SavedFiles.h"
#include "TempDir.h"
#include "TestRegister.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// What the saving process tells: ready, a save begun, a save done.
struct Report {
    char phase;   // 'R', 'B', 'D'
    char kind;
    char pad[2];
    std::int32_t version;
};
static_assert(sizeof(Report) == 8);

void Tell(int fd, char phase, FileKind k, int v)
{
    const Report r{phase, static_cast<char>(k), {0, 0}, v};
    if (write(fd, &r, sizeof r) != static_cast<ssize_t>(sizeof r))
        _exit(4);
}

// The register's record of test line v, as the online window writes it
// after the line; kind FileKind::Register in the reports.
constexpr char kRegister = 'G';

bool RecordVersion(TestRegister& reg, int v, std::string* why)
{
    const std::string line = AppendedLines(FileKind::TestLines, v).front();
    const ClockReading now = ReadDateTime();
    *why = reg.Add(TestRecordOf(now, "Тестируемый номер " + std::to_string(v), v % 100, 1207, 512,
                                MonthFileName, line, true));
    return why->empty();
}

// The child: saves versions start, start + 1, ... of every file until
// killed, or only version `start` when `once`.
[[noreturn]] void SaveInLoop(int fd, int start, bool once)
{
    int argc = 1;
    char name[] = "saver";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the PDF is drawn with fonts
    FixTheClock();
    ShowWarning = nullptr;
    TestRegister reg; // opened (the first time created) before any line is there
    if (!reg.Open().empty())
        _exit(5);
    Tell(fd, 'R', FileKind::Settings, start);
    const auto until = Clock::now() + std::chrono::seconds(30);
    for (int v = start; Clock::now() < until; ++v) {
        for (FileKind k : AllFileKinds) {
            Tell(fd, 'B', k, v);
            std::string why;
            if (!SaveVersion(k, v, &why)) {
                std::fprintf(stderr, "%s %d: %s\n", KindName(k), v, why.c_str());
                _exit(3);
            }
            Tell(fd, 'D', k, v);
        }
        const Report begun{'B', kRegister, {0, 0}, v};
        const Report done{'D', kRegister, {0, 0}, v};
        std::string why;
        if (write(fd, &begun, sizeof begun) != sizeof begun || !RecordVersion(reg, v, &why) ||
            write(fd, &done, sizeof done) != sizeof done) {
            std::fprintf(stderr, "register %d: %s\n", v, why.c_str());
            _exit(3);
        }
        if (once)
            break;
    }
    _exit(0);
}

// What the reports say of one file over the whole test.
struct History {
    int lastDone = 0;
    std::vector<int> begunSince;              // begun after lastDone, never done
    std::vector<std::pair<int, bool>> begun;  // appended files: every version, done or not
};

std::vector<std::string> FileLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    AddFileLines(bytes, lines);
    return lines;
}

bool IsPrefix(const std::string& part, const std::string& whole)
{
    return part.size() < whole.size() && whole.compare(0, part.size(), part) == 0;
}

// The appended file against the reports; "" when it matches.
std::string CheckAppended(FileKind k, const History& h)
{
    const std::vector<std::string> lines = FileLines(FileBytes(FileNameOf(k)));
    std::size_t at = 0;
    for (const auto& [v, done] : h.begun) {
        for (const std::string& expected : AppendedLines(k, v)) {
            if (at < lines.size() && lines[at] == expected) {
                ++at;
                continue;
            }
            if (done)
                return "line reported written is missing: " + expected;
            if (at < lines.size() && IsPrefix(lines[at], expected))
                ++at; // the piece an append cut short left, on a line of its own
            break;
        }
    }
    if (at != lines.size())
        return "line nobody wrote, or out of order: " + lines[at];
    return "";
}

// The replaced file against the reports; "" when it is a whole version it
// may be.
std::string CheckReplaced(FileKind k, const History& h)
{
    const std::string bytes = FileBytes(FileNameOf(k));
    if (k == FileKind::Pdf)
        return WholePdf(bytes) ? "" : "the PDF is not whole (" + std::to_string(bytes.size()) + " bytes)";
    std::vector<int> allowed = h.begunSince;
    allowed.push_back(h.lastDone);
    for (int v : allowed)
        if (bytes == VersionBytes(k, v))
            return "";
    return "neither the version reported saved (" + std::to_string(h.lastDone) + ") nor one under way ("
           + std::to_string(bytes.size()) + " bytes)";
}

// Runs `body` in a child process with an application of its own (Qt SQL
// loads its driver through one, and the saving processes forked from here
// make theirs).
std::string InFreshProcess(const std::function<std::string()>& body)
{
    return RunInChild([&body] {
        int argc = 1;
        char name[] = "checker";
        char* argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        return body();
    });
}

// The register against the reports, read with SQLite's own library and
// checked by the program; "" when it matches.
std::string CheckRegisterFile(const History& h, const History& lines)
{
    // Every record reported written is there, in order; of one whose write
    // was under way when a kill came, there is all of it or nothing.
    const std::vector<std::string> names = SqliteRows(RegisterFileName, "SELECT name FROM tests ORDER BY no");
    std::size_t at = 0;
    for (const auto& [v, done] : h.begun) {
        const std::string name = "Тестируемый номер " + std::to_string(v);
        if (at < names.size() && names[at] == name)
            ++at;
        else if (done)
            return "a record reported written is missing: " + name;
    }
    if (at != names.size())
        return "a record nobody wrote, or out of order: " + names[at];
    return InFreshProcess([&] {
        TestRegister reg;
        const std::string opened = reg.Open();
        if (!opened.empty())
            return "not opened: " + opened;
        const RegisterCheck check = CheckRegister(reg.Store(), reg.Pending());
        if (check.failed || check.chain || check.lineGone)
            return CheckMessage(check, RegisterFileName);
        // A test killed after its line and before its record leaves its line
        // without one.
        std::vector<std::string> alone;
        for (const auto& [v, lineDone] : lines.begun) {
            const auto record = std::find_if(h.begun.begin(), h.begun.end(), [v](const auto& r) { return r.first == v; });
            if (record == h.begun.end() || !record->second)
                alone.push_back(AppendedLines(FileKind::TestLines, v).front());
        }
        for (const UnrecordedLine& u : check.unrecordedList)
            if (std::find(alone.begin(), alone.end(), u.line) == alone.end())
                return "a line without its record: " + u.line;
        return std::string();
    });
}

// Runs the saving process from version `start`, kills it after `delay`
// (none: lets it save one version of each file and end), and returns its
// reports.
std::vector<Report> RunSaver(int start, std::optional<std::chrono::milliseconds> delay, int* status)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        SaveInLoop(fds[1], start, !delay);
    }
    close(fds[1]);
    std::vector<Report> reports;
    std::string pending;
    bool ready = false;
    Clock::time_point killAt = Clock::now() + std::chrono::seconds(20);
    bool killed = false;
    for (;;) {
        if (!killed && Clock::now() >= killAt) {
            kill(pid, SIGKILL);
            killed = true;
        }
        pollfd p{fds[0], POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(killAt - Clock::now()).count();
        poll(&p, 1, killed ? 1000 : static_cast<int>(std::max<long long>(left, 0)));
        char buf[4096];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n == 0)
            break; // the child is gone
        if (n < 0)
            continue;
        pending.append(buf, static_cast<std::size_t>(n));
        while (pending.size() >= sizeof(Report)) {
            Report r{};
            std::memcpy(&r, pending.data(), sizeof r);
            pending.erase(0, sizeof r);
            if (r.phase == 'R' && !ready) {
                ready = true;
                if (delay)
                    killAt = Clock::now() + *delay;
            } else {
                reports.push_back(r);
            }
        }
    }
    close(fds[0]);
    waitpid(pid, status, 0);
    return reports;
}

TEST(Crash, SavesKilledAtRandomMomentsLeaveWholeFilesAndEveryReportedLine)
{
    TempDir dir;
    FixTheClock();
    ShowWarning = nullptr;
    // Version 0 of every file, saved whole.
    int status = 0;
    RunSaver(0, std::nullopt, &status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the first saves failed";
    std::map<FileKind, History> history;
    for (FileKind k : AllFileKinds)
        history[k].begun.push_back({0, true});
    History records;
    records.begun.push_back({0, true});

    std::mt19937 random(20240315);
    std::map<FileKind, int> killedDuring;
    int killedDuringRecord = 0;
    int next = 1;
    const int rounds = 40;
    for (int round = 0; round < rounds; ++round) {
        const auto delay = std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 150)(random));
        const std::vector<Report> reports = RunSaver(next, delay, &status);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "round " << round << ": the saving process ended by itself (a save failed?)";

        for (const Report& r : reports) {
            History& h = r.kind == kRegister ? records : history[static_cast<FileKind>(r.kind)];
            if (r.phase == 'B') {
                h.begunSince.push_back(r.version);
                h.begun.push_back({r.version, false});
            } else if (r.phase == 'D') {
                h.lastDone = r.version;
                h.begunSince.clear();
                h.begun.back().second = true;
            }
            next = std::max(next, r.version + 1);
        }
        for (FileKind k : AllFileKinds) {
            const History& h = history[k];
            if (!h.begunSince.empty())
                ++killedDuring[k];
            const std::string problem = IsAppended(k) ? CheckAppended(k, h) : CheckReplaced(k, h);
            ASSERT_EQ(problem, "") << "round " << round << ", " << KindName(k);
        }
        if (!records.begunSince.empty())
            ++killedDuringRecord;
        ASSERT_EQ(CheckRegisterFile(records, history[FileKind::TestLines]), "") << "round " << round << ", register";
    }

    // The program reads back what the last process left.
    EXPECT_NO_THROW(LoadSettings());
    EXPECT_NO_THROW(LoadSensorGroup(GroupSensorNumber));
    EXPECT_TRUE(LoadPersonList());
    std::vector<std::string> shown;
    EXPECT_TRUE(OpenMonthFile(shown));
    EXPECT_FALSE(shown.empty());

    std::printf("%d kills; killed during a save of:", rounds);
    for (FileKind k : AllFileKinds)
        std::printf(" %s %d,", KindName(k), killedDuring[k]);
    std::printf(" test register %d, versions saved: %d\n", killedDuringRecord, next - 1);
}

} // namespace
