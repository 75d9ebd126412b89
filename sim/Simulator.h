#pragma once
// The simulated instrument on a pseudo-terminal: a thread reads the
// program's frames from the master side and answers them as the instrument
// does, with optional line behaviour for tests and demos (pacing at the baud
// rate, turnaround, silence, split replies, stray bytes, a frame log).
//
// In a test:
//   TSimulator sim;                 // or TSimulator sim{options}
//   sim.Start();                    // pseudo-terminal + thread
//   sim.MakeLink("COM3");           // optional: a link the program opens
//   port.SetCommName(sim.DevicePath());
//   sim.WithInstrument([](TInstrument& i) { i.SetAlcohol(80); });
//   sim.SetSilent(true);            // behaviour can change while running
//   ...; sim.Stop();                // also done by the destructor
#include "Instrument.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// When one exchange happened on the simulator's clock (ms).
struct TSimTiming {
    double FrameFirstByteMs;   // the frame's first byte was read
    double ReplyLastByteMs;    // the reply's last byte was written
};

struct TSimOptions {
    TInstrumentSetup Instrument;
    // Writes reply bytes one character time apart and lets a frame take its
    // line time before it counts as received, as a real line at Baud does.
    bool Pace = false;
    std::uint32_t Baud = 9600;
    double TurnaroundMs = 0;     // from a frame's end to the reply's first byte
    int SilentAfter = -1;        // frames answered before going silent (-1: never)
    bool SplitReplies = false;   // replies go out as 2 + 3 bytes ...
    double SplitGapMs = 20;      // ... this far apart
    int StrayEvery = 0;          // every Nth reply is followed by a stray byte (0: never)
    std::string LogPath;         // every frame in and out; "-" is standard error
};

class TSimulator {
public:
    explicit TSimulator(const TSimOptions& options = {});
    ~TSimulator();
    TSimulator(const TSimulator&) = delete;
    TSimulator& operator=(const TSimulator&) = delete;

    // Creates the pseudo-terminal and starts answering. Throws
    // std::runtime_error when the terminal cannot be made.
    void Start();
    // Stops the thread, removes the link, closes the terminal.
    void Stop();
    bool Running() const { return thread_.joinable(); }

    // The device the program opens (/dev/pts/N).
    const std::string& DevicePath() const { return device_; }
    // Makes `path` a symbolic link to the device (replacing an old link);
    // removed again by Stop.
    void MakeLink(const std::string& path);

    // Runs `f` on the instrument under the simulator's lock.
    template <typename F>
    auto WithInstrument(F f)
    {
        std::lock_guard<std::mutex> lock(lock_);
        return f(instrument_);
    }

    // Behaviour, changeable while running.
    void SetSilent(bool silent);
    void SetSilentAfter(int frames);   // counted from now; -1 never
    void SetTurnaroundMs(double ms);
    void SetPace(bool pace);
    void SetSplitReplies(bool split, double gapMs = 20);
    void SetStrayEvery(int n);

    // Keeps the times of every answered frame from now on (benchmarks).
    void RecordTimings(bool on);
    std::vector<TSimTiming> TakeTimings();

    std::uint64_t FramesReceived() const { return framesReceived_; }
    std::uint64_t RepliesSent() const { return repliesSent_; }

    // Milliseconds on the simulator's clock (steady, from construction).
    double NowMs() const;

private:
    void Run();
    void Answer(const TFrame& frame, const std::uint8_t* bytes, double firstByteMs);
    void Send(const std::uint8_t* bytes, std::size_t n, bool pace);
    bool WaitMs(double ms);   // false when stopping
    void Log(const char* direction, const std::uint8_t* bytes, std::size_t n, const char* note);

    TSimOptions options_;
    TInstrument instrument_;
    mutable std::mutex lock_;   // instrument_ and the behaviour options
    int master_ = -1;
    int slave_ = -1;            // held open so the line never hangs up under us
    int stopFd_ = -1;
    std::string device_;
    std::string link_;
    std::thread thread_;
    std::FILE* log_ = nullptr;
    std::atomic<std::uint64_t> framesReceived_{0};
    std::atomic<std::uint64_t> repliesSent_{0};
    int answeredSinceSilentSet_ = 0;
    bool silent_ = false;
    bool recordTimings_ = false;
    std::vector<TSimTiming> timings_;
    std::int64_t startNs_;
};
