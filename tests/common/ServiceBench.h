#pragma once
// The instrument on the service bench, for the service window tests: the
// simulator on a pseudo-terminal linked as COM3 in the working folder, out
// of adjustment as a fresh bench is (its sensor reads 150 mV below what its
// stored points say) unless the setup says otherwise. Everything the tests
// ask of the instrument model goes through here.
#include "Registers.h"
#include "Settings.h"
#include "SimLog.h"
#include "Simulator.h"

#include <QTest>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The program's port settings for the bench: COM3, and no window holding
// the line yet.
inline void UseBenchPort()
{
    PortIndex = 3;
    PortName = "COM3";
    PortOpenFlag = false;
}

class TServiceBench {
public:
    explicit TServiceBench(const std::string& logPath, const TInstrumentSetup& setup = {})
    {
        TSimOptions options;
        options.Instrument = setup;
        options.LogPath = logPath;
        logPath_ = logPath;
        sim_ = std::make_unique<TSimulator>(options);
        sim_->Start();
        sim_->MakeLink("COM3");
    }

    // The voltage a voltmeter measures at channel 1, mV.
    void SetTrueChannel1(int mV)
    {
        sim_->WithInstrument([mV](TInstrument& i) { i.HoldChannel1(mV); });
    }
    // The instrument's registers as it would answer them now.
    int Register(int bank, int address)
    {
        return sim_->WithInstrument([this, bank, address](TInstrument& i) {
            i.Update(sim_->NowMs());
            return bank == Bank1 ? i.Bank1Words[address] : i.Bank2Words[address];
        });
    }
    // A stored word of bank 2, as if written earlier.
    void SetWord(int address, int value)
    {
        sim_->WithInstrument([address, value](TInstrument& i) { i.Bank2Words[address] = value; });
    }
    void SetSilent(bool silent) { sim_->SetSilent(silent); }
    // The line itself: turnaround, split replies, stray bytes.
    TSimulator& Line() { return *sim_; }
    // The gas of the next tests, hundredths of a promille.
    void SetGas(int hundredths)
    {
        sim_->WithInstrument([hundredths](TInstrument& i) { i.SetAlcohol(hundredths); });
    }
    // The instrument's own button starts a test.
    void StartTest()
    {
        sim_->WithInstrument([this](TInstrument& i) { i.StartTest(sim_->NowMs()); });
    }
    int TestsCompleted()
    {
        return sim_->WithInstrument([this](TInstrument& i) {
            i.Update(sim_->NowMs());
            return i.TestsCompleted();
        });
    }
    // Anything else of the model, under the simulator's lock.
    template <typename F>
    auto With(F f)
    {
        return sim_->WithInstrument(f);
    }
    std::uint64_t FramesReceived() const { return sim_->FramesReceived(); }
    // Every frame the program sent, as "3A 01 09 80".
    std::vector<std::string> Frames() const { return SentFrames(ReadSimLog(logPath_)); }
    // The frames once nothing more has come for a while (the window's
    // events run meanwhile).
    std::vector<std::string> QuietFrames() const
    {
        std::size_t count = 0;
        do {
            count = Frames().size();
            QTest::qWait(300);
        } while (Frames().size() != count);
        return Frames();
    }

private:
    std::unique_ptr<TSimulator> sim_;
    std::string logPath_;
};
