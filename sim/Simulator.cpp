#include "Simulator.h"

#include "Registers.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

std::int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Bytes of a frame that waited this long for the rest are dropped, so that
// the simulator finds the next frame after garbage.
constexpr double kStaleFrameMs = 200;

// Where a symbolic link leads ("" when `path` is no link).
std::string LinkTarget(const std::string& path)
{
    char buf[4096];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

// Links the simulators of this process made, as absolute path and target:
// one of them may take over another's link (a test that starts a second
// simulator on the same "COM3").
std::mutex madeLock;
std::set<std::pair<std::string, std::string>> made;

std::string Absolute(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::absolute(path, ignored).lexically_normal().string();
}

void NoteMade(const std::string& path, const std::string& target, bool on)
{
    std::lock_guard<std::mutex> lock(madeLock);
    if (on)
        made.insert({Absolute(path), target});
    else
        made.erase({Absolute(path), target});
}

bool MadeHere(const std::string& path)
{
    std::lock_guard<std::mutex> lock(madeLock);
    return made.count({Absolute(path), LinkTarget(path)}) > 0;
}

} // namespace

TSimulator::TSimulator(const TSimOptions& options)
    : options_(options), instrument_(options.Instrument), lineRandom_(options.Seed), startNs_(SteadyNs())
{
    if (options.Drift)
        instrument_.SetChannel1Drift(options.Drift, options.Seed, 0);
}

TSimulator::~TSimulator()
{
    Stop();
}

double TSimulator::NowMs() const
{
    return (SteadyNs() - startNs_) / 1e6;
}

void TSimulator::Start()
{
    std::lock_guard<std::mutex> line(lineLock_);
    if (started_)
        return;
    LoadState();
    OpenLine();
    if (!options_.LogPath.empty())
        log_ = options_.LogPath == "-" ? stderr : std::fopen(options_.LogPath.c_str(), "a");
    started_ = true;
    thread_ = std::thread([this] { Run(); });
}

void TSimulator::Stop()
{
    std::lock_guard<std::mutex> line(lineLock_);
    CloseLine();
    if (!link_.empty()) {
        // Only while it still leads to this simulator's device: whatever
        // someone put there meanwhile is theirs.
        if (LinkTarget(link_) == device_)
            unlink(link_.c_str());
        NoteMade(link_, device_, false);
        link_.clear();
    }
    if (log_ && log_ != stderr)
        std::fclose(log_);
    log_ = nullptr;
    started_ = false;
}

void TSimulator::OpenLine()
{
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("pseudo-terminal: ") + std::strerror(errno));
    device_ = name;
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(slave_, TCSANOW, &t);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

void TSimulator::CloseLine()
{
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        if (write(stopFd_, &one, sizeof one) < 0) {
            // an eventfd fails only when it is signalled already
        }
        thread_.join();
    }
    for (int* fd : {&master_, &slave_, &stopFd_})
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
}

bool TSimulator::HangUp()
{
    std::lock_guard<std::mutex> line(lineLock_);
    if (!thread_.joinable())
        return false;
    // Both ends closed: the program's reads fail and /dev/pts/N is gone.
    CloseLine();
    return true;
}

bool TSimulator::Plug()
{
    std::lock_guard<std::mutex> line(lineLock_);
    if (!started_ || thread_.joinable())
        return false;
    const std::string unplugged = device_;
    OpenLine();
    thread_ = std::thread([this] { Run(); });
    // The link follows unless someone put something else there meanwhile.
    if (!link_.empty()) {
        NoteMade(link_, unplugged, false);
        if (LinkTarget(link_) == unplugged) {
            PointLink(link_, true);
            NoteMade(link_, device_, true);
        } else
            link_.clear();
    }
    return true;
}

bool TSimulator::Connected() const
{
    std::lock_guard<std::mutex> line(lineLock_);
    return thread_.joinable();
}

std::string TSimulator::DevicePath() const
{
    std::lock_guard<std::mutex> line(lineLock_);
    return device_;
}

void TSimulator::MakeLink(const std::string& path)
{
    std::lock_guard<std::mutex> line(lineLock_);
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            throw std::runtime_error("link " + path + ": " + std::strerror(errno));
        PointLink(path, false);
    } else {
        if (!S_ISLNK(st.st_mode))
            throw ESimLinkRefused(path + " is a " + (S_ISDIR(st.st_mode) ? "folder" : "file")
                                  + ", not a link the simulator made; it is left alone. Remove it yourself or "
                                    "choose another link path.");
        struct stat target {};
        const bool dangling = stat(path.c_str(), &target) != 0 && errno == ENOENT;
        if (path != link_ && !dangling && !MadeHere(path))
            throw ESimLinkRefused(path + " leads to " + LinkTarget(path)
                                  + ", a link the simulator did not make; it is left alone. Remove it yourself or "
                                    "choose another link path.");
        PointLink(path, true);
    }
    if (!link_.empty() && link_ != path && LinkTarget(link_) == device_)
        unlink(link_.c_str()); // the previous link of this simulator
    if (!link_.empty())
        NoteMade(link_, device_, false);
    link_ = path;
    NoteMade(link_, device_, true);
}

void TSimulator::PointLink(const std::string& path, bool replace)
{
    if (!replace) {
        // Fails rather than replaces if something appeared there meanwhile.
        if (symlink(device_.c_str(), path.c_str()) != 0)
            throw std::runtime_error("link " + path + ": " + std::strerror(errno));
        return;
    }
    // A new link beside it renamed over it: the path is never missing.
    const std::string temp = path + ".kavrel-sim-" + std::to_string(getpid());
    unlink(temp.c_str());
    if (symlink(device_.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        unlink(temp.c_str());
        throw std::runtime_error("link " + path + ": " + why);
    }
}

void TSimulator::LoadState()
{
    if (options_.StateFile.empty())
        return;
    TBank2 words{};
    std::string error;
    std::lock_guard<std::mutex> lock(lock_);
    switch (LoadBank2(options_.StateFile, words, error)) {
    case TStateLoad::Damaged:
        throw ESimStateError("state file " + options_.StateFile + " cannot be used (" + error
                             + "); it is left alone. Move it away to start with a fresh bank.");
    case TStateLoad::Loaded:
        instrument_.Bank2Words = words;
        savedBank_ = words;
        stateSaved_ = true;
        break;
    case TStateLoad::Missing:
        stateSaved_ = false;
        break;
    }
    if (options_.Instrument.Adjusted)
        instrument_.AdjustTruthToStored();
    SaveStateLocked(); // a missing file is made now
}

void TSimulator::SaveStateLocked()
{
    if (options_.StateFile.empty() || (stateSaved_ && savedBank_ == instrument_.Bank2Words))
        return;
    std::string error;
    if (SaveBank2(options_.StateFile, instrument_.Bank2Words, error)) {
        savedBank_ = instrument_.Bank2Words;
        stateSaved_ = true;
        stateError_.clear();
        return;
    }
    if (error != stateError_) // told once per reason; every later change tries again
        std::fprintf(stderr, "kavrel-sim: bank 2 not saved: %s\n", error.c_str());
    stateError_ = error;
}

std::string TSimulator::StateError() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return stateError_;
}

TSimOptions TSimulator::Options() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return options_;
}

bool TSimulator::Silent() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return silent_;
}

void TSimulator::SetSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(lock_);
    silent_ = silent;
}

void TSimulator::SetSilentAfter(int frames)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.SilentAfter = frames;
    answeredSinceSilentSet_ = 0;
}

void TSimulator::SetTurnaroundMs(double ms)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.TurnaroundMs = ms;
}

void TSimulator::SetPace(bool pace)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.Pace = pace;
}

void TSimulator::SetSplitReplies(bool split, double gapMs)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.SplitReplies = split;
    options_.SplitGapMs = gapMs;
    options_.SplitRandom = false;
}

void TSimulator::RecordTimings(bool on)
{
    std::lock_guard<std::mutex> lock(lock_);
    recordTimings_ = on;
    timings_.clear();
}

std::vector<TSimTiming> TSimulator::TakeTimings()
{
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<TSimTiming> out;
    out.swap(timings_);
    return out;
}

void TSimulator::SetStrayEvery(int n)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.StrayEvery = n;
}

void TSimulator::SetSplitRandom(bool on, double maxGapMs)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.SplitRandom = on;
    options_.SplitRandomGapMs = maxGapMs;
    if (on)
        options_.SplitReplies = false;
}

void TSimulator::SetDoubleEvery(int n, bool together, double gapMs)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.DoubleEvery = n;
    options_.DoubleTogether = together;
    options_.DoubleGapMs = gapMs;
    doubleCount_ = 0;
}

void TSimulator::SetChunkEvery(int n, double holdMs)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.ChunkEvery = n;
    options_.ChunkHoldMs = holdMs;
    chunkCount_ = 0;
}

void TSimulator::SetGarbleEvery(int n, int byte)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.GarbleEvery = n;
    options_.GarbleByte = std::clamp(byte, 0, 2);
    garbleCount_ = 0;
}

void TSimulator::SetLoseByteEvery(int n)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.LoseByteEvery = n;
    loseCount_ = 0;
}

void TSimulator::SetStrayInsideEvery(int n)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.StrayInsideEvery = n;
    strayInsideCount_ = 0;
}

void TSimulator::SetSeed(std::uint32_t seed)
{
    std::lock_guard<std::mutex> lock(lock_);
    options_.Seed = seed;
    lineRandom_.seed(seed);
    if (const auto drift = instrument_.Channel1Drift())
        instrument_.SetChannel1Drift(drift, seed, NowMs());
}

void TSimulator::SetChannel1Drift(std::optional<TChannel1Drift> drift)
{
    std::lock_guard<std::mutex> lock(lock_);
    instrument_.SetChannel1Drift(drift, options_.Seed, NowMs());
    options_.Drift = drift;
}

void TSimulator::SetWeakWord(int address, std::optional<int> keeps)
{
    std::lock_guard<std::mutex> lock(lock_);
    instrument_.SetWeakWord(address, keeps);
}

void TSimulator::ClearWeakWords()
{
    std::lock_guard<std::mutex> lock(lock_);
    instrument_.ClearWeakWords();
}

void TSimulator::RecordChannel1(bool on)
{
    std::lock_guard<std::mutex> lock(lock_);
    recordChannel1_ = on;
    channel1_.clear();
}

std::vector<TSimChannel1Reply> TSimulator::TakeChannel1Replies()
{
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<TSimChannel1Reply> out;
    out.swap(channel1_);
    return out;
}

bool TSimulator::WaitMs(double ms)
{
    if (ms <= 0)
        return true;
    pollfd p{stopFd_, POLLIN, 0};
    const timespec span{static_cast<time_t>(ms / 1000), static_cast<long>(std::fmod(ms, 1000.0) * 1e6)};
    return ppoll(&p, 1, &span, nullptr) == 0;
}

void TSimulator::Log(const char* direction, const std::uint8_t* bytes, std::size_t n, const char* note)
{
    if (!log_)
        return;
    std::string hex;
    char b[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%s%02X", i ? " " : "", bytes[i]);
        hex += b;
    }
    std::fprintf(log_, "%10.3f %s %s%s%s\n", NowMs(), direction, hex.c_str(), note ? "  " : "", note ? note : "");
    std::fflush(log_);
}

void TSimulator::Send(const std::uint8_t* bytes, std::size_t n, bool pace)
{
    // Paced, each byte is handed over when its last bit would have reached
    // the far end: one character time after the previous one, the first
    // one character time from now.
    const double charNs = 10.0 * 1e9 / options_.Baud;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (std::size_t i = 0; i < n;) {
        if (pace) {
            next.tv_nsec += static_cast<long>(charNs);
            while (next.tv_nsec >= 1000000000) {
                next.tv_nsec -= 1000000000;
                ++next.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        }
        const std::size_t len = pace ? 1 : n - i;
        for (;;) {
            const ssize_t w = write(master_, bytes + i, len);
            if (w > 0) {
                i += static_cast<std::size_t>(w);
                break;
            }
            if (w < 0 && errno == EAGAIN) {
                pollfd p{master_, POLLOUT, 0};
                poll(&p, 1, 100);
                continue;
            }
            if (w < 0 && errno == EINTR)
                continue;
            return;
        }
    }
}

std::optional<std::string> TSimulator::SendChunk(const std::vector<std::uint8_t>& chunk, const TSimOptions& o)
{
    if (o.SplitRandom && chunk.size() >= 2) {
        // 2..5 pieces: distinct cuts drawn from the byte boundaries inside.
        std::vector<std::size_t> cuts;
        std::vector<double> gaps;
        {
            std::lock_guard<std::mutex> lock(lock_);
            const int most = static_cast<int>(std::min<std::size_t>(5, chunk.size()));
            const int pieces = std::uniform_int_distribution<int>(2, most)(lineRandom_);
            for (std::size_t b = 1; b < chunk.size(); ++b)
                cuts.push_back(b);
            std::shuffle(cuts.begin(), cuts.end(), lineRandom_);
            cuts.resize(static_cast<std::size_t>(pieces - 1));
            std::sort(cuts.begin(), cuts.end());
            for (int i = 0; i < pieces - 1; ++i)
                gaps.push_back(std::uniform_real_distribution<double>(0, o.SplitRandomGapMs)(lineRandom_));
        }
        cuts.push_back(chunk.size());
        std::string plan = "in pieces ";
        std::size_t from = 0;
        for (std::size_t i = 0; i < cuts.size(); ++i) {
            if (i > 0 && !WaitMs(gaps[i - 1]))
                return std::nullopt;
            Send(chunk.data() + from, cuts[i] - from, o.Pace);
            plan += (i ? "+" : "") + std::to_string(cuts[i] - from);
            from = cuts[i];
        }
        return plan;
    }
    if (o.SplitReplies && chunk.size() > 2) {
        Send(chunk.data(), 2, o.Pace);
        if (!WaitMs(o.SplitGapMs))
            return std::nullopt;
        Send(chunk.data() + 2, chunk.size() - 2, o.Pace);
        return std::string();
    }
    Send(chunk.data(), chunk.size(), o.Pace);
    return std::string();
}

void TSimulator::NoteSent(std::size_t replies, double firstByteMs)
{
    const double sentMs = NowMs();
    repliesSent_ += replies;
    std::lock_guard<std::mutex> lock(lock_);
    if (recordTimings_)
        timings_.push_back({firstByteMs, sentMs});
}

namespace {

std::string Joined(std::string a, const std::string& b)
{
    if (!a.empty() && !b.empty())
        a += ", ";
    return a + b;
}

} // namespace

void TSimulator::SendHeldAlone()
{
    const std::vector<std::uint8_t> chunk = std::move(held_);
    held_.clear();
    const auto plan = SendChunk(chunk, Options());
    if (!plan)
        return;
    NoteSent(1, heldFirstByteMs_);
    Log("->", chunk.data(), chunk.size(), Joined("held reply alone", *plan).c_str());
}

void TSimulator::Answer(const TFrame& frame, const std::uint8_t* bytes, double firstByteMs)
{
    ++framesReceived_;
    const char* kind = frame.kind == TFrame::Read ? "read" : frame.kind == TFrame::Write ? "write" : "mode";
    Log("<-", bytes, frame.length, kind);

    std::optional<std::array<std::uint8_t, ReplyLength>> reply;
    TSimOptions o;
    bool quiet;
    bool stray = false;
    bool doubled = false;
    bool hold = false;
    bool garble = false;
    int lose = -1;          // the reply's byte lost on the line, if any
    int strayInside = -1;   // where a stray byte comes among the reply's, if any
    {
        std::lock_guard<std::mutex> lock(lock_);
        reply = instrument_.Handle(frame, NowMs());
        SaveStateLocked(); // before the reply, as an EEPROM write completes first
        o = options_;
        quiet = silent_ || (o.SilentAfter >= 0 && answeredSinceSilentSet_ >= o.SilentAfter);
        if (reply && !quiet) {
            ++answeredSinceSilentSet_;
            stray = o.StrayEvery > 0 && (repliesSent_ + 1) % static_cast<std::uint64_t>(o.StrayEvery) == 0;
            // Each counted from when it was set.
            const auto every = [](std::uint64_t& count, int n) {
                return n > 0 && ++count % static_cast<std::uint64_t>(n) == 0;
            };
            doubled = every(doubleCount_, o.DoubleEvery);
            hold = every(chunkCount_, o.ChunkEvery) && held_.empty();
            garble = frame.kind == TFrame::Read && every(garbleCount_, o.GarbleEvery);
            if (every(loseCount_, o.LoseByteEvery))
                lose = std::uniform_int_distribution<int>(0, ReplyLength - 1)(lineRandom_);
            if (every(strayInsideCount_, o.StrayInsideEvery))
                strayInside = std::uniform_int_distribution<int>(1, ReplyLength - 1)(lineRandom_);
            if (recordChannel1_ && frame.kind == TFrame::Read && frame.bank == Bank1
                && (frame.address == Reg1::Channel1Voltage || frame.address == Reg1::Channel1Adc))
                channel1_.push_back({NowMs(), frame.address, ((*reply)[3] << 8) | (*reply)[4],
                                     instrument_.TrueChannel1Mv(),
                                     instrument_.Bank2Words[Reg2::ZeroOffset], instrument_.Bank2Words[Reg2::Supply],
                                     garble});
        }
    }
    if (!reply || quiet) {
        if (reply)
            Log("  ", nullptr, 0, "(silent)");
        return;
    }
    if (garble)
        (*reply)[static_cast<std::size_t>(o.GarbleByte)] ^= 0x80; // one bit flipped on the line
    // On a real line the frame is received only after its last character.
    const double charMs = 10.0 * 1000.0 / o.Baud;
    double due = o.TurnaroundMs;
    if (o.Pace)
        due += firstByteMs + frame.length * charMs - NowMs();
    if (!WaitMs(due))
        return;

    std::vector<std::uint8_t> chunk(reply->begin(), reply->end());
    static const char* const garbled[] = {"garbled letter", "garbled bank", "garbled address"};
    std::string note = garble ? garbled[o.GarbleByte] : "";
    if (lose >= 0) {
        chunk.erase(chunk.begin() + lose);
        note = Joined(note, "byte " + std::to_string(lose) + " lost");
    }
    if (strayInside >= 0) {
        chunk.insert(chunk.begin() + strayInside, std::uint8_t{0x55});
        note = Joined(note, "stray byte inside");
    }
    // A held reply takes its copy along: it is not doubled apart as well.
    const bool copyApart = doubled && !o.DoubleTogether && !hold;
    if (doubled && !copyApart) {
        chunk.insert(chunk.end(), reply->begin(), reply->end());
        note = Joined(note, "doubled in one chunk");
    }
    if (hold) {
        held_ = chunk;
        heldFirstByteMs_ = firstByteMs;
        heldUntilMs_ = NowMs() + o.ChunkHoldMs;
        Log("  ", chunk.data(), chunk.size(), Joined(note, "held back").c_str());
        return;
    }
    const bool glued = !held_.empty();
    if (glued) {
        chunk.insert(chunk.begin(), held_.begin(), held_.end());
        held_.clear();
        note = Joined(note, "after the held reply, in one chunk");
    }
    const auto plan = SendChunk(chunk, o);
    if (!plan)
        return;
    if (glued)
        NoteSent(1, heldFirstByteMs_);
    NoteSent(1, firstByteMs);
    Log("->", chunk.data(), chunk.size(), Joined(note, *plan).c_str());
    if (copyApart) {
        if (!WaitMs(o.DoubleGapMs))
            return;
        const std::vector<std::uint8_t> copy(reply->begin(), reply->end());
        const auto copyPlan = SendChunk(copy, o);
        if (!copyPlan)
            return;
        Log("->", copy.data(), copy.size(), Joined("doubled", *copyPlan).c_str());
    }
    if (stray) {
        const std::uint8_t extra = 0xFF;
        Send(&extra, 1, false);
        Log("->", &extra, 1, "stray");
    }
}

void TSimulator::Run()
{
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0); // paced bytes and turnaround on time
    std::vector<std::uint8_t> pending;
    double firstByteMs = 0;
    double lastByteMs = 0;
    held_.clear();
    pollfd fds[2] = {{master_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
        // Woken for the next bytes, a stale partial frame, or a held reply due alone.
        int timeout = -1;
        const auto until = [&](double atMs) {
            const int ms = static_cast<int>(std::ceil(std::max(0.0, atMs - NowMs())));
            timeout = timeout < 0 ? ms : std::min(timeout, ms);
        };
        if (!pending.empty())
            until(lastByteMs + kStaleFrameMs);
        if (!held_.empty())
            until(heldUntilMs_);
        const int r = poll(fds, 2, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (r == 0) {
            const double now = NowMs();
            if (!held_.empty() && now >= heldUntilMs_)
                SendHeldAlone();
            if (!pending.empty() && now >= lastByteMs + kStaleFrameMs) {
                Log("<-", pending.data(), pending.size(), "dropped (incomplete)");
                pending.clear();
            }
            continue;
        }
        std::uint8_t buf[512];
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // The slave is held open here, so this means the terminal broke.
            WaitMs(50);
            continue;
        }
        if (pending.empty())
            firstByteMs = NowMs();
        lastByteMs = NowMs();
        pending.insert(pending.end(), buf, buf + n);
        std::size_t at = 0;
        while (at < pending.size()) {
            const TFrame f = DecodeFrame(pending.data() + at, pending.size() - at);
            if (f.kind == TFrame::Incomplete)
                break;
            if (f.kind == TFrame::Unknown) {
                Log("<-", pending.data() + at, 1, "skipped");
                at += f.length;
                continue;
            }
            Answer(f, pending.data() + at, firstByteMs);
            at += f.length;
            firstByteMs = NowMs();
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(at));
    }
}
