// The service soak: the program's own windows, as the program creates them,
// with the adjustment window open against a service bench (a separate
// kavrel-sim process out of adjustment, on a pseudo-terminal), for the given
// time. Round after round the engineer's loop is played through the
// windows' buttons: read the instrument, let it test a gas, read the test,
// "Округлить.Записать в прибор"; every fourth round also the measuring path
// check with channel 1 moving, and its calibration write; every fourth
// round, two later, the sensor database ("Прием", "База => Прибор",
// "Запись") and the sensor table ("Ввод" with the write). The reads run on
// a line that breaks replies (doubled, split, chunked, noise, slow, a lost
// byte, a stray byte inside, a garbled letter, bank or address); before
// each write the bench misbehaves on command in one of those ways, or keeps
// a word other than the one written, or falls silent in the middle of the
// list.
//
// It counts writes confirmed, writes told unconfirmed (the window's
// "Запись не подтверждена" box), writes whose words in the instrument differ
// from what the window showed although no box said so (must be 0), writes
// that ended with neither (must be 0), the path check's table rows whose
// ADC count and voltage do not come from one read (must be 0), and words
// the windows hold after a read that are not what the instrument holds
// (must be 0: no broken reply became a value). It tells how long a window
// waited at most before it asked for a frame again (the silent spells
// left out). The service journal Service.txt must hold one line for every
// characteristic write, with the verdict the window told, none lost or
// doubled.
//
// Usage: kavrel_service_soak WORKDIR MINUTES CONTROL_SOCKET
#include "Characteristic.h"
#include "Control.h"
#include "ExchangeGlobals.h"
#include "Instrument.h"
#include "KavrelApplication.h"
#include "Settings.h"
#include "ServiceJournal.h"
#include "SoakCommon.h"
#include "StallWatch.h"
#include "TADCF.h"
#include "TDebNewF.h"
#include "TFBazaF.h"
#include "TNewBazaF.h"
#include "TKavrelF.h"
#include "Text.h"
#include "Windows.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QTableWidget>
#include <QTimer>
#include <QAbstractButton>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <random>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct TServiceFigures {
    int rounds = 0;
    int writes = 0;
    int confirmed = 0;
    int unconfirmed = 0;          // told by the box
    int unconfirmedDiffering = 0; // of those, the instrument really holds something else
    int silentDifferences = 0;    // no box, but the instrument differs from what was shown: must be 0
    int noVerdict = 0;            // the write ended with neither: must be 0
    int rowsChecked = 0;
    int rowsMismatched = 0;       // count and voltage of two reads: must be 0
    int faults = 0;
    int characteristicWrites = 0;
    int characteristicUnconfirmed = 0;
    int pathWrites = 0;
    int sensorWrites = 0;         // the sensor database's and the sensor table's
    int journalWarnings = 0;      // Service.txt could not be written: told by its box
    int valuesChecked = 0;        // words held after a read, compared with the instrument
    int valuesWrong = 0;          // ... not what it holds: a broken reply taken (must be 0)
};

// What the journal holds of one kind of write: lines, and of them the
// unconfirmed.
struct TJournalFigures {
    int lines = 0;
    int unconfirmed = 0;
};

TJournalFigures JournalOf(const std::vector<TServiceEntry>& entries, std::size_t from, const std::string& what)
{
    TJournalFigures f;
    for (std::size_t i = from; i < entries.size(); ++i) {
        if (entries[i].What != what)
            continue;
        ++f.lines;
        if (entries[i].Verdict == VerdictUnconfirmed)
            ++f.unconfirmed;
    }
    return f;
}

// The bench's faults before a write, one per round in turn (the first:
// none).
const char* const kFaults[] = {
    "",                  // a clean line
    "double 2",          // every second reply twice
    "split random",      // replies in 2..5 pieces
    "noise 3",           // a stray byte after one reply in three
    "turnaround 25",     // a slow instrument
    "weak",              // a word keeps its old value (set per round)
    "silent after",      // the line goes quiet in the middle of the list (set per round)
    "garble 4",          // one reply in four echoes a wrong address
    "chunk 3",           // two replies in one chunk
    "lose 5",            // one reply in five loses a byte
    "inside 5",          // one reply in five gets a stray byte among its own
    "garble 4 letter",   // ... a wrong letter
    "garble 4 bank",     // ... a wrong bank
    "double 3 together", // a reply and its copy in one chunk
};
constexpr int kFaultCount = sizeof(kFaults) / sizeof(kFaults[0]);

// The line under the reads of a round: every way of breaking replies, in turn.
const char* const kReadFaults[] = {"lose 7", "inside 7", "garble 6 letter", "garble 6 bank", "garble 6",
                                   "double 4 together", "noise 4", "split random", "chunk 3", ""};
constexpr int kReadFaultCount = sizeof(kReadFaults) / sizeof(kReadFaults[0]);

// Words that stay as they are between a read and the look at the instrument
// after it: the characteristic and numbers (not the operating time, 28,
// which the instrument counts on) and the three stored tests.
std::vector<int> StillWords(bool characteristic)
{
    std::vector<int> words;
    if (characteristic)
        for (int a = 0; a <= 24; ++a)
            words.push_back(a);
    for (int a : {27, 29, 30, 31})
        words.push_back(a);
    if (characteristic)
        for (int a = 64; a <= 83; ++a)
            if (a % 8 < 4)
                words.push_back(a);
    return words;
}

class TServiceSoak : public QObject {
public:
    TServiceSoak(const std::string& control, double minutes) : sim_(control), minutes_(minutes) {}

    TServiceFigures Figures;
    double CpuShare = 0, RssStart = 0, RssEnd = 0;
    // The longest wait before a frame was asked for again, per window.
    TStallWatch AdjustmentStall, PathStall, BaseStall, TableStall;

    void Begin()
    {
        AdjustmentStall.Watch(DebNewF->Engine);
        PathStall.Watch(ADCF->Check.Engine);
        BaseStall.Watch(NewBazaF->Base.Exchange.Engine);
        TableStall.Watch(FBazaF->Table.Exchange.Engine);
        started_ = Clock::now();
        cpuStart_ = CpuSeconds();
        ClearFaults();
        // The engineer answers the program's file warnings (a new group
        // file is made on the first write) as they come.
        auto* answer = new QTimer(this);
        connect(answer, &QTimer::timeout, this, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (!box || !box->isVisible())
                    continue;
                if (box->objectName() == QLatin1String("FileWarning")) {
                    box->accept();
                } else if (box->objectName() == QLatin1String("JournalWarning")) {
                    ++Figures.journalWarnings;
                    box->accept();
                }
            }
        });
        answer->start(300);
        // The main window's service entry opens the adjustment window modally.
        After(0, [] { KavrelF->Memo1Change(); });
        After(4000, [this] {
            rssStart_ = ResidentMb();
            NextRound();
        });
    }

private:
    void After(int ms, std::function<void()> f) { QTimer::singleShot(ms, this, std::move(f)); }
    double Seconds(Clock::time_point from) const
    {
        return std::chrono::duration<double>(Clock::now() - from).count();
    }

    std::string Ask(const std::string& line)
    {
        try {
            return sim_.Ask(line);
        } catch (const std::exception& e) {
            return std::string("error: ") + e.what();
        }
    }
    int Register(int bank, int address)
    {
        const std::string a = Ask("read " + std::to_string(bank) + " " + std::to_string(address));
        return a.rfind("ok ", 0) == 0 ? std::atoi(a.c_str() + 3) : -1;
    }

    // Clicks a button from the event loop, so that a modal box opened by
    // its handler does not hold up the step that clicked.
    void Click(QWidget* window, const char* name)
    {
        auto* button = Control<QAbstractButton>(window, name);
        QTimer::singleShot(0, button, &QAbstractButton::click);
    }

    template <typename T>
    static T* Control(QWidget* window, const char* name)
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    // The adjustment window's exchange is over: idle, its bar hidden.
    static bool AdjustmentIdle()
    {
        return ExchangeState == ExchangeIdle && !DebNewF->progresIO->isVisible();
    }

    static QMessageBox* UnconfirmedBox()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("WriteUnconfirmed") && w->isVisible())
                return qobject_cast<QMessageBox*>(w);
        return nullptr;
    }

    // Waits until `done` holds (checked every 200 ms), at most `limit`
    // seconds, then runs `next` with whether it held.
    void WaitFor(std::function<bool()> done, double limit, std::function<void(bool)> next)
    {
        if (std::getenv("KAVREL_SOAK_TRACE"))
            std::fprintf(stderr, "  wait (round %d, exchange state %d)\n", Figures.rounds, ExchangeState);
        const Clock::time_point from = Clock::now();
        auto step = std::make_shared<std::function<void()>>();
        *step = [this, done, limit, next, from, step] {
            if (done()) {
                next(true);
                return;
            }
            if (std::getenv("KAVREL_SOAK_TRACE") && static_cast<int>(Seconds(from) * 5) % 25 == 0)
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                        std::fprintf(stderr, "  box %s: %s\n", qPrintable(box->objectName()), qPrintable(box->text()));
            if (std::getenv("KAVREL_SOAK_TRACE") && static_cast<int>(Seconds(from) * 5) % 25 == 0)
                std::fprintf(stderr, "  state %d, bar %d, timer %d\n", ExchangeState, DebNewF->progresIO->isVisible(),
                             DebNewF->TimerIO->isActive());
            if (Seconds(from) > limit) {
                next(false);
                return;
            }
            After(200, *step);
        };
        After(200, *step);
    }

    void NextRound()
    {
        if (Seconds(started_) / 60.0 >= minutes_) {
            Finish();
            return;
        }
        ++Figures.rounds;
        // A sensor out of adjustment by a different amount each round, and
        // a gas.
        Ask("sensor shift " + std::to_string(static_cast<int>(random_() % 31) * 10 - 150));
        // The engineer's test gas: the bench's, typed as the real alcohol.
        const int gas = 20 + static_cast<int>(random_() % 100);
        Ask("gas " + std::to_string(gas));
        Control<QLineEdit>(DebNewF, "edit_real_Kav")->setText(QString::number(gas));
        ReadFault();
        Click(DebNewF, "Key_Read");
        WaitFor(AdjustmentIdle, 120, [this](bool) {
            CheckStored(true);
            Ask("start");
            WaitFor([this] { return Register(1, 8) == 6; }, 60, [this](bool) {
                Click(DebNewF, "Key_Read");
                WaitFor(AdjustmentIdle, 120, [this](bool) {
                    CheckStored(true);
                    ClearFaults();
                    Write();
                });
            });
        });
    }

    // The round's line under the reads: replies broken one way or another.
    void ReadFault()
    {
        const std::string fault = kReadFaults[Figures.rounds % kReadFaultCount];
        if (!fault.empty()) {
            Ask(fault);
            ++Figures.faults;
        }
    }

    // After a read: the words the program holds are what the instrument
    // holds. A broken reply taken for a value would show here.
    void CheckStored(bool characteristic)
    {
        for (int a : StillWords(characteristic)) {
            ++Figures.valuesChecked;
            const int kept = Register(2, a);
            if (Bank2Image[static_cast<std::size_t>(a)] != kept) {
                ++Figures.valuesWrong;
                std::fprintf(stderr, "  word %d: read as %d, the instrument holds %d\n", a,
                             Bank2Image[static_cast<std::size_t>(a)], kept);
            }
        }
    }

    void SetFault(int round)
    {
        const std::string fault = kFaults[round % kFaultCount];
        if (fault.empty())
            return;
        ++Figures.faults;
        if (fault == "weak") {
            Ask("weak " + std::to_string(random_() % 25));
        } else if (fault == "silent after") {
            Ask("silent after " + std::to_string(3 + random_() % 40));
            SetStallCounting(false); // waited for until given up, by design
        } else {
            Ask(fault);
        }
    }

    void ClearFaults()
    {
        for (const char* c : {"double 0", "split off", "noise 0", "turnaround 0", "weak off", "silent off", "garble 0",
                              "chunk 0", "drift off", "lose 0", "inside 0"})
            Ask(c);
        SetStallCounting(true);
    }

    void SetStallCounting(bool on)
    {
        for (TStallWatch* w : {&AdjustmentStall, &PathStall, &BaseStall, &TableStall})
            w->Counting = on;
    }

    void Write()
    {
        NoteKeptWords();
        SetFault(Figures.rounds - 1);
        ++Figures.writes;
        ++Figures.characteristicWrites;
        Click(DebNewF, "write_Corr");
        WaitVerdict(DebNewF, [this](bool told) {
            if (told)
                ++Figures.characteristicUnconfirmed;
            CompareCharacteristic(told);
            if (Figures.rounds % 4 == 0)
                After(500, [this] { PathCheck(); });
            else if (Figures.rounds % 4 == 2)
                After(500, [this] { SensorBase(); });
            else
                After(500, [this] { NextRound(); });
        });
    }

    // The write and its read-back end in a box or quietly; then the line
    // is made clean again and the instrument's words are what it keeps.
    void WaitVerdict(QWidget* window, std::function<void(bool told)> next)
    {
        WaitVerdict(
            [window] {
                // Idle, or given up (its timer stopped): a verdict is due.
                auto* timer = window->findChild<QTimer*>(QStringLiteral("TimerIO"));
                return !(ExchangeState == ExchangeIdle || (timer && !timer->isActive()));
            },
            std::move(next));
    }
    void WaitVerdict(std::function<bool()> busy, std::function<void(bool told)> next)
    {
        auto quietSince = std::make_shared<Clock::time_point>(Clock::time_point{});
        WaitFor(
            [busy, quietSince] {
                if (UnconfirmedBox())
                    return true;
                const bool quiet = !busy();
                if (!quiet) {
                    *quietSince = {};
                    return false;
                }
                if (*quietSince == Clock::time_point{})
                    *quietSince = Clock::now();
                return std::chrono::duration<double>(Clock::now() - *quietSince).count() > 1.5;
            },
            150,
            [this, next](bool ended) {
                QMessageBox* box = UnconfirmedBox();
                const bool told = box != nullptr;
                if (box) {
                    std::fprintf(stderr, "  told: %s\n", qPrintable(box->text().replace(QLatin1Char('\n'), QLatin1String(" / "))));
                    box->accept();
                }
                else if (!ended)
                    ++Figures.noVerdict;
                ClearFaults();
                next(told);
            });
    }

    // What the window showed: its point grid, from which the words 0..24 it
    // wrote are derived; words 11 and 13 as the instrument held them.
    void CompareCharacteristic(bool told, QWidget* window = nullptr)
    {
        QTableWidget* grid = Control<QTableWidget>(window ? window : DebNewF, "GridBaza");
        SensorPointTable shown{};
        for (int r = 0; r < SensorPointCount; ++r)
            shown[static_cast<std::size_t>(r)] = static_cast<int>(ReadInt(grid->item(r, 1)->text().toStdString()));
        std::array<int, DataSenSize> words = Data_Sen;
        DeriveSensorTable(shown, words);
        words[11] = kept11_;
        words[13] = kept13_;
        bool differ = false;
        for (int a = 0; a <= 24; ++a) {
            const int kept = Register(2, a);
            if (kept != words[static_cast<std::size_t>(a)]) {
                differ = true;
                std::fprintf(stderr, "  word %d: shown %d, instrument %d\n", a, words[static_cast<std::size_t>(a)], kept);
            }
        }
        Verdict(told, differ);
    }

    // The words no point sets, as the instrument holds them before a write.
    void NoteKeptWords()
    {
        kept11_ = Register(2, 11);
        kept13_ = Register(2, 13);
    }

    // The sensor database opened from the adjustment window: the numbers
    // read on a breaking line, the instrument's points into the record, a
    // point changed and "База => Прибор", the numbers written as read; then
    // the sensor table's "Ввод" with the write.
    void SensorBase()
    {
        Click(DebNewF, "SpeedButton2");
        WaitFor([] { return NewBazaF->isVisible() && !NewBazaF->Base.Exchange.Busy(); }, 30, [this](bool) {
            ReadFault();
            Click(NewBazaF, "Key_UFin");
            WaitFor([] { return !NewBazaF->Base.Exchange.Busy(); }, 60, [this](bool) {
                CheckStored(false);
                ClearFaults();
                Click(NewBazaF, "key_P_Baza");
                After(300, [this] {
                    QTableWidget* grid = Control<QTableWidget>(NewBazaF, "GridBaza");
                    const int p0 = static_cast<int>(ReadInt(grid->item(0, 1)->text().toStdString()));
                    grid->item(0, 1)->setText(QString::number(p0 + (random_() % 2 ? 10 : -10)));
                    NoteKeptWords();
                    SetFault(Figures.rounds + 3);
                    ++Figures.writes;
                    ++Figures.sensorWrites;
                    ++Figures.characteristicWrites;
                    Click(NewBazaF, "key_Baza_P");
                    WaitVerdict([] { return NewBazaF->Base.Exchange.Busy(); }, [this](bool told) {
                        if (told)
                            ++Figures.characteristicUnconfirmed;
                        CompareCharacteristic(told, NewBazaF);
                        Numbers();
                    });
                });
            });
        });
    }

    void Numbers()
    {
        SetFault(Figures.rounds + 5);
        ++Figures.writes;
        ++Figures.sensorWrites;
        const int number = static_cast<int>(ReadInt(Control<QLineEdit>(NewBazaF, "edNum_EEPROM")->text().toStdString()));
        const int sensor = static_cast<int>(ReadInt(Control<QLineEdit>(NewBazaF, "edNum_Sensor")->text().toStdString()));
        Click(NewBazaF, "Key_UFout");
        WaitVerdict([] { return NewBazaF->Base.Exchange.Busy(); }, [this, number, sensor](bool told) {
            Verdict(told, Register(2, 27) != number || Register(2, 31) != sensor);
            Click(NewBazaF, "Panel5");
            WaitFor([] { return FBazaF->isVisible(); }, 30, [this](bool) { SensorTable(); });
        });
    }

    void SensorTable()
    {
        auto* write = Control<QAbstractButton>(FBazaF, "flagWrite");
        if (!write->isChecked())
            write->click();
        QTableWidget* grid = Control<QTableWidget>(FBazaF, "GridBaza");
        const int p0 = static_cast<int>(ReadInt(grid->item(0, 1)->text().toStdString()));
        grid->item(0, 1)->setText(QString::number(p0 + (random_() % 2 ? 10 : -10)));
        NoteKeptWords();
        SetFault(Figures.rounds + 7);
        ++Figures.writes;
        ++Figures.sensorWrites;
        ++Figures.characteristicWrites;
        Click(FBazaF, "Key_DataEdit");
        WaitVerdict([] { return FBazaF->Table.Exchange.Busy(); }, [this](bool told) {
            if (told)
                ++Figures.characteristicUnconfirmed;
            CompareCharacteristic(told, FBazaF);
            Click(FBazaF, "Key__Exit");
            After(500, [this] {
                Click(NewBazaF, "Key_Exit");
                // The adjustment window reads the instrument again.
                After(500, [this] { WaitFor(AdjustmentIdle, 120, [this](bool) { NextRound(); }); });
            });
        });
    }

    void Verdict(bool told, bool differ)
    {
        std::fprintf(stderr, "round %d (%s): %s%s\n", Figures.rounds, kFaults[(Figures.rounds - 1) % kFaultCount],
                     told ? "told unconfirmed" : "no message", differ ? ", the instrument differs" : "");
        if (told) {
            ++Figures.unconfirmed;
            if (differ)
                ++Figures.unconfirmedDiffering;
        } else if (differ) {
            ++Figures.silentDifferences;
        } else {
            ++Figures.confirmed;
        }
    }

    // The measuring path check: channel 1 moving while the line doubles,
    // splits and chunks; every new row of canal_1 is checked, then the
    // calibration is written and compared.
    void PathCheck()
    {
        zero_ = Register(2, 13);
        supply_ = Register(2, 25);
        Ask("drift on 50 700");
        if (const char* f = std::getenv("KAVREL_SOAK_PATH_FAULT")) {
            Ask(f);
        } else {
            Ask(random_() % 2 ? "double 2" : "chunk 3");
            Ask("split random");
            ++Figures.faults;
        }
        Click(DebNewF, "AllRead");
        seenRows_.clear();
        pathStart_ = Clock::now();
        After(300, [this] { WatchRows(); });
    }

    void WatchRows()
    {
        // Rows 0..7 under the headings; "----" until the first refresh. A
        // pair not seen before is a new row to check.
        QTableWidget* canal = Control<QTableWidget>(ADCF, "canal_1");
        for (int r = 0; r < canal->rowCount(); ++r) {
            const QString count = canal->item(r, 0)->text().trimmed();
            const QString mv = canal->item(r, 1)->text().trimmed();
            if (count.isEmpty() || count.startsWith(QLatin1Char('-')) || mv.isEmpty())
                continue;
            const int n = static_cast<int>(ReadInt(count.toStdString()));
            const int v = static_cast<int>(ReadInt(mv.toStdString()));
            if (!seenRows_.insert({n, v}).second)
                continue;
            ++Figures.rowsChecked;
            if (v != MillivoltsOf(n)) {
                ++Figures.rowsMismatched;
                std::fprintf(stderr, "  row: count %d beside %d mV; that count gives %d mV\n", n, v, MillivoltsOf(n));
            }
        }
        if (Seconds(pathStart_) < 12) {
            After(40, [this] { WatchRows(); });
            return;
        }
        ClearFaults();
        WritePath();
    }

    // The millivolts the instrument makes of a count (eight times the
    // 10-bit count) with its zero offset and supply.
    int MillivoltsOf(int count) const { return TInstrument::MillivoltsFromCount(count / 8, zero_, supply_); }

    void WritePath()
    {
        // The engineer's voltmeter agrees with the instrument's points.
        auto* u1 = Control<QLabel>(ADCF, "mV_U1");
        auto* u2 = Control<QLabel>(ADCF, "mv_U2");
        Control<QLineEdit>(ADCF, "real_U1")->setText(u1->text().trimmed());
        Control<QLineEdit>(ADCF, "real_U2")->setText(u2->text().trimmed());
        SetFault(Figures.rounds / 4);
        ++Figures.writes;
        ++Figures.pathWrites;
        Click(ADCF, "key_wrCalibr");
        WaitVerdict(ADCF, [this](bool told) {
            const int shown13 = static_cast<int>(ReadInt(Control<QLabel>(ADCF, "mV_0")->text().toStdString()));
            const int shown25 = static_cast<int>(ReadInt(Control<QLabel>(ADCF, "mV_1023")->text().toStdString()));
            const bool differ = Register(2, 13) != shown13 || Register(2, 25) != shown25;
            // An unconfirmed calibration may show what was not kept; the
            // bench goes back to its own values for the next round.
            Verdict(told, differ);
            Ask("write 2 13 " + std::to_string(zero_));
            Ask("write 2 25 " + std::to_string(supply_));
            Click(ADCF, "Key__Exit");
            After(1500, [this] { NextRound(); });
        });
    }

    void Finish()
    {
        CpuShare = (CpuSeconds() - cpuStart_) / Seconds(started_) * 100.0;
        RssStart = rssStart_;
        RssEnd = ResidentMb();
        ClearFaults();
        Click(DebNewF, "Key__Exit");
        After(1000, [] { KavrelF->close(); });
    }

    TSimControlClient sim_;
    double minutes_;
    std::mt19937 random_{20261209};
    Clock::time_point started_, pathStart_;
    double cpuStart_ = 0, rssStart_ = 0;
    int zero_ = 0, supply_ = 0;
    int kept11_ = 0, kept13_ = 0;
    std::set<std::pair<int, int>> seenRows_;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: kavrel_service_soak WORKDIR MINUTES CONTROL_SOCKET\n";
        return 2;
    }
    if (chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 2;
    }
    const double minutes = std::atof(argv[2]);
    PortIndex = 3;
    PortName = "COM3";
    SaveSettings();

    // Only the lines of this run count.
    const std::size_t journalBefore = ReadServiceJournal().size();
    KavrelApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    CreateWindows();
    KavrelF->show();
    TServiceSoak soak(argv[3], minutes);
    QTimer::singleShot(500, &soak, [&soak] { soak.Begin(); });
    QTimer closing;
    QObject::connect(&closing, &QTimer::timeout, &app, [&app] {
        if (!KavrelF->isVisible())
            app.quit();
    });
    closing.start(1000);
    app.exec();

    const TServiceFigures& f = soak.Figures;
    std::printf("service soak: %.1f minutes, %d rounds, %d fault episodes\n", minutes, f.rounds, f.faults);
    std::printf("writes                              %d\n", f.writes);
    std::printf("writes confirmed                    %d\n", f.confirmed);
    std::printf("writes told unconfirmed             %d (the instrument really differed: %d)\n", f.unconfirmed,
                f.unconfirmedDiffering);
    std::printf("writes differing, nothing told      %d\n", f.silentDifferences);
    std::printf("writes ended without a verdict      %d\n", f.noVerdict);
    std::printf("  of them by the sensor windows     %d\n", f.sensorWrites);
    std::printf("path check rows checked             %d\n", f.rowsChecked);
    std::printf("rows pairing two reads              %d\n", f.rowsMismatched);
    std::printf("words compared after reads          %d\n", f.valuesChecked);
    std::printf("words read wrong (a broken reply)   %d\n", f.valuesWrong);
    std::printf("longest wait before asking again    adjustment %.0f ms (tick 1000 ms), path check %.0f ms, "
                "database %.0f ms, table %.0f ms (ticks 100 ms); %d frames asked again\n",
                soak.AdjustmentStall.LongestMs, soak.PathStall.LongestMs, soak.BaseStall.LongestMs,
                soak.TableStall.LongestMs,
                soak.AdjustmentStall.Resends + soak.PathStall.Resends + soak.BaseStall.Resends
                    + soak.TableStall.Resends);
    const std::vector<TServiceEntry> journal = ReadServiceJournal();
    const TJournalFigures chars = JournalOf(journal, journalBefore, JournalCharacteristic);
    const TJournalFigures paths = JournalOf(journal, journalBefore, JournalPathCalibration);
    const TJournalFigures controls = JournalOf(journal, journalBefore, JournalControlTest);
    // Lost or doubled lines, or a verdict other than the one told.
    const bool journalWrong =
        chars.lines != f.characteristicWrites || chars.unconfirmed != f.characteristicUnconfirmed;
    std::printf("journal: characteristic lines       %d of %d writes (unconfirmed %d, told %d)\n", chars.lines,
                f.characteristicWrites, chars.unconfirmed, f.characteristicUnconfirmed);
    std::printf("journal: path calibration lines     %d of %d writes (unconfirmed %d)\n", paths.lines, f.pathWrites,
                paths.unconfirmed);
    std::printf("journal: control tests              %d\n", controls.lines);
    std::printf("journal: warnings (not written)     %d\n", f.journalWarnings);
    std::printf("CPU share of the program            %.2f %% of a core\n", soak.CpuShare);
    std::printf("resident memory                     %.1f MB at start, %.1f MB at end\n", soak.RssStart, soak.RssEnd);
    DestroyWindows();
    return (f.silentDifferences || f.noVerdict || f.rowsMismatched || f.valuesWrong || journalWrong) ? 1 : 0;
}
