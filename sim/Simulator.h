#pragma once
// The simulated instrument on a pseudo-terminal: a thread reads the
// program's frames from the master side and answers them as the instrument
// does, with optional line behaviour for tests and demos (pacing at the baud
// rate, turnaround, silence, split replies, stray bytes, doubled, held back
// and garbled replies, a frame log), a
// hang-up that closes the line as an unplugged adapter does, and bank 2
// kept in a state file across runs.
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
#include "StateFile.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// When one exchange happened on the simulator's clock (ms).
struct TSimTiming {
    double FrameFirstByteMs;   // the frame's first byte was read
    double ReplyLastByteMs;    // the reply's last byte was written
};

// One reply of bank 1 register 9 or 11 as it went out (RecordChannel1).
struct TSimChannel1Reply {
    double ReadMs;       // when the instrument computed it (simulator's clock)
    int Register;        // 9 or 11
    int Value;           // what the reply carries
    int TrueMv;          // channel 1's true voltage it came from
    int ZeroWord;        // words 13 and 25 it was computed with
    int SupplyWord;
    bool Garbled;        // sent with a wrong address byte (GarbleEvery)
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
    // Random splits: each chunk goes out in 2..5 pieces cut at random byte
    // boundaries, 0..SplitRandomGapMs apart. Takes the place of SplitReplies.
    bool SplitRandom = false;
    double SplitRandomGapMs = 5;
    // Every Nth reply (counted from when it is set) is sent twice (0: never): the copy DoubleGapMs after
    // the reply in a write of its own, or in the same write (10 bytes).
    int DoubleEvery = 0;
    bool DoubleTogether = false;
    double DoubleGapMs = 5;
    // Every Nth reply is held back and goes out in one write with the next
    // reply (0: never); alone when no other reply follows within ChunkHoldMs.
    int ChunkEvery = 0;
    double ChunkHoldMs = 300;
    // One read reply in N carries a wrong byte (0: never): GarbleByte's top
    // bit flipped, so the letter is none, the bank none, or the address one
    // the program never reads.
    int GarbleEvery = 0;
    int GarbleByte = 2;          // 0 the letter, 1 the bank, 2 the address
    // One reply in N loses one of its bytes on the line (0: never), which
    // one drawn from the seed.
    int LoseByteEvery = 0;
    // One reply in N gets a stray byte among its own (0: never): after its
    // first byte and before its last, where drawn from the seed.
    int StrayInsideEvery = 0;
    // Seeds the random splits and channel 1's moves, so a run repeats.
    std::uint32_t Seed = 1;
    // Channel 1 moves from Start on (TInstrument::SetChannel1Drift).
    std::optional<TChannel1Drift> Drift;
    std::string LogPath;         // every frame in and out; "-" is standard error
    // Bank 2 is loaded from this file at Start and saved to it whenever it
    // changes (StateFile.h); empty: nothing is kept.
    std::string StateFile;
};

// MakeLink found something at the path that is not the simulator's to replace.
class ESimLinkRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Start found a state file it cannot load; the file is left as it is.
class ESimStateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSimulator {
public:
    explicit TSimulator(const TSimOptions& options = {});
    ~TSimulator();
    TSimulator(const TSimulator&) = delete;
    TSimulator& operator=(const TSimulator&) = delete;

    // Loads the state file (ESimStateError when it is damaged), creates the
    // pseudo-terminal and starts answering. Throws std::runtime_error when
    // the terminal cannot be made.
    void Start();
    // Stops the thread, removes the link if it is still the simulator's,
    // closes the terminal.
    void Stop();
    bool Running() const { return started_; }

    // The device the program opens (/dev/pts/N); a new one after Plug.
    std::string DevicePath() const;
    // Makes `path` a symbolic link to the device; removed again by Stop
    // while it still leads there. Only a link a simulator of this process
    // made, or a dangling link, is replaced: anything else at `path` (a
    // file, a folder, a link to something that exists, such as a real
    // adapter) is left alone and ESimLinkRefused says what it is.
    void MakeLink(const std::string& path);

    // Closes the line as an unplugged adapter does: the program's port sees
    // the hang-up and the device disappears (the link dangles). False when
    // already hung up.
    bool HangUp();
    // Plugs the adapter back in: a new pseudo-terminal, the link moved to
    // it. False when already connected.
    bool Plug();
    bool Connected() const;

    // Runs `f` on the instrument under the simulator's lock; bank 2 is saved
    // afterwards if `f` changed it and a state file is kept.
    template <typename F>
    auto WithInstrument(F f)
    {
        std::lock_guard<std::mutex> lock(lock_);
        struct SaveAfter {
            TSimulator* sim;
            ~SaveAfter() { sim->SaveStateLocked(); }
        } after{this};
        return f(instrument_);
    }

    // Behaviour, changeable while running.
    void SetSilent(bool silent);
    void SetSilentAfter(int frames);   // counted from now; -1 never
    void SetTurnaroundMs(double ms);
    void SetPace(bool pace);
    void SetSplitReplies(bool split, double gapMs = 20);
    void SetStrayEvery(int n);
    // Random splits; on clears SplitReplies, and SetSplitReplies clears them.
    void SetSplitRandom(bool on, double maxGapMs = 5);
    void SetDoubleEvery(int n, bool together = false, double gapMs = 5);
    void SetChunkEvery(int n, double holdMs = 300);
    void SetGarbleEvery(int n, int byte = 2);
    void SetLoseByteEvery(int n);
    void SetStrayInsideEvery(int n);
    // Reseeds the random splits now, and channel 1's moves (restarted from
    // now when it moves; else at the next SetChannel1Drift).
    void SetSeed(std::uint32_t seed);
    // Channel 1 moves, or stops moving (std::nullopt); seeded by the seed.
    void SetChannel1Drift(std::optional<TChannel1Drift> drift);
    // Weak bank-2 words (TInstrument::SetWeakWord).
    void SetWeakWord(int address, std::optional<int> keeps);
    void ClearWeakWords();
    // The behaviour in force (a copy).
    TSimOptions Options() const;
    bool Silent() const;

    // Keeps the times of every answered frame from now on (benchmarks).
    void RecordTimings(bool on);
    std::vector<TSimTiming> TakeTimings();

    // Keeps every reply of bank 1 registers 9 and 11 sent from now on, with
    // the true voltage it came from.
    void RecordChannel1(bool on);
    std::vector<TSimChannel1Reply> TakeChannel1Replies();

    std::uint64_t FramesReceived() const { return framesReceived_; }
    std::uint64_t RepliesSent() const { return repliesSent_; }
    // The last failure to save the state file ("" when the last save worked).
    std::string StateError() const;

    // Milliseconds on the simulator's clock (steady, from construction).
    double NowMs() const;

private:
    void OpenLine();    // with lineLock_ held
    void CloseLine();   // with lineLock_ held
    void PointLink(const std::string& path, bool replace);
    void LoadState();
    void SaveStateLocked();   // with lock_ held
    void Run();
    void Answer(const TFrame& frame, const std::uint8_t* bytes, double firstByteMs);
    void Send(const std::uint8_t* bytes, std::size_t n, bool pace);
    // Sends one chunk whole, 2 + 3, or in random pieces, as the options say.
    // The pieces' sizes ("in pieces 1+3+1", "" unsplit); nullopt when stopping.
    std::optional<std::string> SendChunk(const std::vector<std::uint8_t>& chunk, const TSimOptions& o);
    void SendHeldAlone();
    void NoteSent(std::size_t replies, double firstByteMs);
    bool WaitMs(double ms);   // false when stopping
    void Log(const char* direction, const std::uint8_t* bytes, std::size_t n, const char* note);

    TSimOptions options_;
    TInstrument instrument_;
    mutable std::mutex lock_;       // instrument_, the behaviour options, the saved bank
    mutable std::mutex lineLock_;   // the terminal, the thread, device_ and link_
    int master_ = -1;
    int slave_ = -1;                // held open so the line never hangs up under us
    int stopFd_ = -1;
    std::string device_;
    std::string link_;              // the link this simulator made ("" none)
    std::thread thread_;
    std::atomic<bool> started_{false};
    std::FILE* log_ = nullptr;
    std::atomic<std::uint64_t> framesReceived_{0};
    std::atomic<std::uint64_t> repliesSent_{0};
    int answeredSinceSilentSet_ = 0;
    bool silent_ = false;
    bool recordTimings_ = false;
    std::vector<TSimTiming> timings_;
    bool recordChannel1_ = false;
    std::vector<TSimChannel1Reply> channel1_;
    std::mt19937 lineRandom_;
    // Replies (read replies for garbling) since each behaviour was set.
    std::uint64_t doubleCount_ = 0;
    std::uint64_t chunkCount_ = 0;
    std::uint64_t garbleCount_ = 0;
    std::uint64_t loseCount_ = 0;
    std::uint64_t strayInsideCount_ = 0;
    // The thread's own: a reply held back (ChunkEvery), when it is due alone.
    std::vector<std::uint8_t> held_;
    double heldFirstByteMs_ = 0;
    double heldUntilMs_ = 0;
    bool stateSaved_ = false;       // savedBank_ holds what the file holds
    TBank2 savedBank_{};
    std::string stateError_;
    std::int64_t startNs_;
};
