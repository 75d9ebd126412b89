// The online test window against the simulated instrument on a real
// pseudo-terminal, headless.
#include "TKavNewF.h"

#include "CatchingApplication.h"
#include "ControlNames.h"
#include "DateFields.h"
#include "ExchangeGlobals.h"
#include "Files.h"
#include "PersonList.h"
#include "Readings.h"
#include "Settings.h"
#include "SimLog.h"
#include "Simulator.h"
#include "TCommEr.h"
#include "Spoken.h"
#include "TempDir.h"
#include "TestFiles.h"
#include "Cp1251.h"

#include <QApplication>
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <QThread>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sys/stat.h>

namespace {

// The window's tick, shortened from 700 ms to keep the tests quick. Every
// list pass starts on a tick and must end before the next one, as it does
// at 700 ms: a tick that resends a frame whose reply is still on its way
// makes the duplicate reply count for the next frame. The 14 start-up reads
// take about 50 ms here, so the tick leaves room for a loaded machine.
constexpr int kTickMs = 150;

QStringList MemoLines(const QPlainTextEdit* memo)
{
    const QString text = memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

std::string Frame(int bank, int address)
{
    char b[16];
    std::snprintf(b, sizeof b, "3A %02X %02X 80", bank, address);
    return b;
}

} // namespace

class TKavNewFTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<TSimulator> sim_;
    std::unique_ptr<TKavNewF> window_;
    std::string logPath_;
    std::map<int, std::string> status_;
    int modeSteps_ = 0;
    std::vector<int> script_; // instrument modes to report, one per poll pass

    void StartSimulator(double timeScale = 1.0)
    {
        TSimOptions options;
        options.LogPath = logPath_;
        options.Instrument.TimeScale = timeScale;
        // The factory characteristic, and a sensor and a measuring path that
        // match what is stored: a test reports the gas it was given.
        options.Instrument.Points = FactoryPoints;
        options.Instrument.Adjusted = true;
        sim_ = std::make_unique<TSimulator>(options);
        sim_->Start();
        sim_->MakeLink("COM3");
    }

    TKavNewF* Window()
    {
        if (!window_) {
            window_ = std::make_unique<TKavNewF>();
            window_->Engine.Policy.TimerPeriodMs = kTickMs;
            // Count mode steps and feed the scripted modes: the next mode is
            // set right after a mode reply, a whole pass before it is read.
            auto step = window_->Engine.Hooks.ModeStep;
            window_->Engine.Hooks.ModeStep = [this, step] {
                step();
                ++modeSteps_;
                if (!script_.empty()) {
                    const int next = script_.front();
                    script_.erase(script_.begin());
                    sim_->WithInstrument([next](TInstrument& i) { i.Bank1Words[8] = next; });
                }
            };
        }
        return window_.get();
    }

    void Open()
    {
        TKavNewF* w = Window();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }

    void WaitModeSteps(int more)
    {
        const int target = modeSteps_ + more;
        QTRY_VERIFY_WITH_TIMEOUT(modeSteps_ >= target, 10000);
    }

    std::vector<std::string> Frames() { return SentFrames(ReadSimLog(logPath_)); }

    // Gives the activation to no window of the program and back, as when
    // the operator switches to another application and returns.
    void SwitchAwayAndBack(TKavNewF* w)
    {
        QApplication::setActiveWindow(nullptr);
        QTRY_VERIFY(!w->isActiveWindow());
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
    }

private slots:
    void init()
    {
        folder_ = std::make_unique<TempDir>();
        logPath_ = (folder_->Path() / "sim.log").string();
        ResetSettings();
        PortIndex = 3;
        PortName = "COM3";
        PortOpenFlag = false;
        ResetPersonList();
        ResetExchangeGlobals();
        ResetDateFields();
        ReadClock = [] { return ClockReading{2026, 12, 7, 9, 5}; };
        status_.clear();
        SetMainStatus = [this](int panel, const std::string& text) { status_[panel] = text; };
        LastError.clear();
        modeSteps_ = 0;
        script_.clear();
    }

    void cleanup()
    {
        window_.reset();
        sim_.reset();
        SetMainStatus = nullptr;
        ReadClock = SystemClock;
        folder_.reset();
    }

    void autonomousModeSendsNothingAndKeepsTheListsUsable()
    {
        StartSimulator();
        PortIndex = AutonomousPortIndex;
        PortName = "Автоном.";
        QVERIFY(WriteFileAtomically("Test_12.txt", ToCp1251("01.12 10:00 > Орлов  -  0.0\r\n\r\n02.12 11:30 > Ким  -  0.4\r\n")));
        Open();
        TKavNewF* w = Window();
        QVERIFY(w->box_Avtonom->isChecked());
        QVERIFY(w->Panel1->isHidden());
        QCOMPARE(w->lab_Date->text(), QStringLiteral("07-12-2026"));
        QVERIFY(FileExists(PersonFileName)); // created on the first activation
        QCOMPARE(MemoLines(w->memo_test),
                 QStringList({QStringLiteral("01.12 10:00 > Орлов  -  0.0"), QStringLiteral("02.12 11:30 > Ким  -  0.4")}));
        QTest::qWait(5 * kTickMs);
        QCOMPARE(sim_->FramesReceived(), 0u);
        QVERIFY(!PortOpenFlag);
        QVERIFY(!w->Port->IsOpen());
        QVERIFY(!w->TimerIO->isActive());

        // The person list works without the instrument.
        w->edit_FIO->setText(QStringLiteral("Петров П. П."));
        QTest::mouseClick(w->key_Add, Qt::LeftButton);
        QCOMPARE(w->tab_FIO->item(0, 1)->text(), QStringLiteral("Петров П. П."));

        // A later visit with a port set unticks the box without any switch.
        w->close();
        PortIndex = 3;
        PortName = "COM3";
        Open();
        QVERIFY(!w->box_Avtonom->isChecked());
        QVERIFY(!w->Panel1->isHidden());
        QCOMPARE(PortIndex, 3);
        QTRY_VERIFY(sim_->FramesReceived() > 0);
    }

    // The month's lines go into the memo as one text (line by line a big
    // month held the window up for seconds); the newest stay in view.
    void longMonthFileShowsEveryLineWithTheNewestInView()
    {
        PortIndex = AutonomousPortIndex;
        PortName = "Автоном.";
        std::string bytes;
        for (int i = 0; i < 3000; ++i)
            bytes += ToCp1251("01.12 10:" + std::string(i % 60 < 10 ? "0" : "") + std::to_string(i % 60)
                              + " > Тестируемый " + std::to_string(i) + "  -  0.1")
                     + "\r\n";
        QVERIFY(WriteFileAtomically("Test_12.txt", bytes));
        Open();
        TKavNewF* w = Window();
        const QStringList lines = MemoLines(w->memo_test);
        QCOMPARE(lines.size(), 3000);
        QCOMPARE(lines.front(), QStringLiteral("01.12 10:00 > Тестируемый 0  -  0.1"));
        QCOMPARE(lines.back(), QStringLiteral("01.12 10:59 > Тестируемый 2999  -  0.1"));
        const QScrollBar* bar = w->memo_test->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void tickingTheBoxStopsTheExchangeAtOnce()
    {
        StartSimulator();
        Open();
        TKavNewF* w = Window();
        WaitModeSteps(1);
        QTest::mouseClick(w->box_Avtonom, Qt::LeftButton);
        QVERIFY(w->box_Avtonom->isChecked());
        QCOMPARE(PortIndex, AutonomousPortIndex);
        QCOMPARE(PortName, std::string("Автоном."));
        QCOMPARE(status_[1], std::string("Порт: Автоном."));
        QVERIFY(w->Panel1->isHidden());
        // Stopped now, not at some later tick, and the line is handed back.
        QVERIFY(!w->TimerIO->isActive());
        QVERIFY(!w->Port->IsOpen());
        QVERIFY(!PortOpenFlag);
        QCOMPARE(ExchangeState, ExchangeIdle);
        // The line stays quiet: watched for many ticks, not one moment.
        const auto frames = sim_->FramesReceived();
        QTest::qWait(20 * kTickMs);
        QCOMPARE(sim_->FramesReceived(), frames);
        QVERIFY(!w->TimerIO->isActive());
        QVERIFY(MemoLines(w->memo_test).isEmpty());
        // The setting was saved; the box cannot be unticked here.
        ResetSettings();
        LoadSettings();
        QCOMPARE(PortIndex, AutonomousPortIndex);
        QTest::mouseClick(w->box_Avtonom, Qt::LeftButton);
        QVERIFY(w->box_Avtonom->isChecked());
        QCOMPARE(sim_->FramesReceived(), frames);
    }

    // The operator leaves the window just as the reply to the mode read,
    // the last of the poll list, is waiting to be handled: the exchange must
    // not start itself again behind the closed window.
    void leavingWithAReplyQueuedStartsNothingAgain()
    {
        StartSimulator();
        Open();
        TKavNewF* w = Window();
        WaitModeSteps(1);
        bool leaving = false;
        auto send = w->Engine.Hooks.Send;
        w->Engine.Hooks.Send = [&, send, w](const std::uint8_t* d, std::uint16_t n) {
            send(d, n);
            if (leaving || n != 4 || d[1] != 1 || d[2] != 8)
                return;
            leaving = true;
            QTimer::singleShot(0, w, [w] {
                // The reply arrives and is queued while the click is handled.
                QThread::msleep(80);
                QTest::mouseClick(w->Key__Exit, Qt::LeftButton);
            });
        };
        QTRY_VERIFY(leaving);
        QTRY_VERIFY(!w->isVisible());
        const auto frames = sim_->FramesReceived();
        QTest::qWait(4 * kTickMs);
        QVERIFY(!w->TimerIO->isActive());
        QCOMPARE(ExchangeState, ExchangeIdle);
        QCOMPARE(sim_->FramesReceived(), frames);
        QVERIFY(!PortOpenFlag);
    }

    // An instrument slower than the tick: every frame is sent again before
    // its reply comes, and the late replies to the first sendings arrive
    // while the next frame is outstanding. Filed under that frame, V7's 6
    // would become the mode and record a test nobody made.
    void lateRepliesAreNotFiledUnderTheNextAddress()
    {
        StartSimulator();
        sim_->WithInstrument([](TInstrument& i) {
            i.Bank1Words[5] = 3;
            i.Bank1Words[6] = 4;
            i.Bank1Words[7] = 6;
            i.Bank1Words[8] = 0;
        });
        sim_->SetTurnaroundMs(kTickMs / 5.0); // a pass of nine reads outlasts a tick
        Open();
        TKavNewF* w = Window();
        std::vector<int> modes;
        auto step = w->Engine.Hooks.ModeStep;
        w->Engine.Hooks.ModeStep = [&modes, step] {
            modes.push_back(InstrumentMode);
            step();
        };
        QTest::qWait(6000);
        QVERIFY(!modes.empty());
        for (int m : modes)
            QCOMPARE(m, 0);
        QVERIFY(MemoLines(w->memo_test).isEmpty());
        QCOMPARE(V6, 4);
        QCOMPARE(V7, 6);
    }

    // Tab or Shift+Tab into the person grid: the typed name stays the name
    // the test is recorded under. Moving the current row selects.
    void keyboardFocusInThePersonGridSelectsNobody()
    {
        StartSimulator();
        QVERIFY(WriteFileAtomically(PersonFileName, ToCp1251("Иванов\r\n;\r\nПетров\r\n;\r\n")));
        Open();
        TKavNewF* w = Window();
        QTest::mouseClick(w->edit_FIO, Qt::LeftButton);
        QTest::keyClicks(w->edit_FIO, QStringLiteral("Sidorov S."));
        for (int i = 0; i < 12 && QApplication::focusWidget() != w->tab_FIO; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(w->edit_FIO->text(), QStringLiteral("Sidorov S."));
        }
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->tab_FIO));
        QCOMPARE(w->tab_FIO->currentRow(), -1);
        QCOMPARE(SelectedPerson, 0);
        QTest::keyClick(w->tab_FIO, Qt::Key_Backtab);
        QCOMPARE(w->edit_FIO->text(), QStringLiteral("Sidorov S."));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->tab_FIO));
        QCOMPARE(w->edit_FIO->text(), QStringLiteral("Sidorov S."));

        // The arrow keys choose a row: that is a selection.
        QTest::keyClick(w->tab_FIO, Qt::Key_Down);
        QCOMPARE(w->edit_FIO->text(), QStringLiteral("Иванов"));
        QTest::keyClick(w->tab_FIO, Qt::Key_Down);
        QCOMPARE(w->edit_FIO->text(), QStringLiteral("Петров"));
        QCOMPARE(SelectedPerson, 2);
    }

    void unreadablePersonListIsToldAndNeverSavedOver()
    {
        StartSimulator();
        QVERIFY(::mkdir(PersonFileName, 0755) == 0); // there, but no list can be read from it
        Open();
        TKavNewF* w = Window();
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = w->findChild<QMessageBox*>(QStringLiteral("FailureBox"))) != nullptr);
        QCOMPARE(box->text(), QStringLiteral("Файл Personal.txt не удаётся прочитать: на этом месте папка, а не файл.\n"
                                             "Список тестируемых пуст; файл оставлен без изменений."));
        box->accept();
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
        QCOMPARE(PersonCount, 0);
        QTest::mouseClick(w->Key__Exit, Qt::LeftButton);
        QTRY_VERIFY(!w->isVisible());
        for (const QMessageBox* left : w->findChildren<QMessageBox*>())
            QVERIFY(!left->isVisible()); // leaving tells nothing more
        QVERIFY(std::filesystem::is_directory(PersonFileName));
    }

    void startupReadsThenPollsAndFillsTheResults()
    {
        StartSimulator();
        Open();
        TKavNewF* w = Window();
        WaitModeSteps(3);
        QVERIFY(PortOpenFlag);

        std::vector<std::string> expected;
        for (int a : {27, 31, 64, 65, 66, 67, 72, 73, 74, 75, 80, 81, 82, 83})
            expected.push_back(Frame(2, a));
        for (int pass = 0; pass < 3; ++pass)
            for (int a = 0; a <= 8; ++a)
                expected.push_back(Frame(1, a));
        const auto frames = Frames();
        const auto collapsed = Collapsed(frames);
        QVERIFY(collapsed.size() >= expected.size());
        QCOMPARE(std::vector<std::string>(collapsed.begin(), collapsed.begin() + expected.size()), expected);
        // Each list starts on a timer tick: its first frame goes out twice.
        QCOMPARE(frames[0], Frame(2, 27));
        QCOMPARE(frames[1], Frame(2, 27));
        QCOMPARE(frames[2], Frame(2, 31));

        std::array<std::int32_t, 256> bank2{};
        sim_->WithInstrument([&](TInstrument& i) { bank2 = i.Bank2Words; });
        QStringList table;
        for (const auto& line : ResultsTableLines(bank2))
            table << QString::fromStdString(line);
        QCOMPARE(MemoLines(w->memo_res), table);
        QCOMPARE(SensorNumber, 512);
        QCOMPARE(status_[2], std::string("Сенсор № 512"));
        QCOMPARE(w->lab_mV->text().size(), 4);
        QCOMPARE(w->lab_mV->text().toInt(), V0);
        // The graph on screen is the drawn picture: the newest voltage in
        // red at the right end, the grid in white.
        const QImage shown = w->Im->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(240, 150));
        const int row = GraphRow(V0);
        QVERIFY(row < 150);
        QCOMPARE(w->History.Rows()[59], row);
        QCOMPARE(shown.pixel(236, row), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(239, row), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(65, row == 140 ? 141 : 140), qRgb(255, 255, 255));
        QCOMPARE(shown.pixel(100, 90), qRgb(255, 255, 255));
        QCOMPARE(shown.pixel(100, row == 100 ? 101 : 100), qRgb(0, 0, 0));
    }

    void instrumentModesDriveTheReadoutsAndRecordOneLine()
    {
        StartSimulator();
        sim_->WithInstrument([](TInstrument& i) {
            i.Bank1Words[1] = 135;
            i.Bank1Words[2] = 3;
            i.Bank1Words[3] = 28;
            i.Bank1Words[5] = 57;
            i.Bank1Words[6] = 12;
            i.Bank1Words[7] = 121;
            i.Bank1Words[8] = 0;
        });
        Open();
        TKavNewF* w = Window();
        w->edit_FIO->setText(QStringLiteral("Сидоров С. С."));
        WaitModeSteps(1);
        QVERIFY(w->panel_RG->isVisible()); // shown at activation

        script_ = {2};
        WaitModeSteps(2);
        QVERIFY(w->panel_RG->isVisible());
        QCOMPARE(w->edit_RG->text(), QStringLiteral("РГ"));

        script_ = {3};
        WaitModeSteps(2);
        QVERIFY(!w->panel_RG->isVisible());
        QCOMPARE(w->edit_RG->text(), QStringLiteral("0.0"));
        QCOMPARE(w->Edit_Kav_c->text(), QStringLiteral("0.000")); // untouched

        script_ = {4};
        WaitModeSteps(2);
        QCOMPARE(w->Edit_Kav_c->text(), QStringLiteral("0.135"));
        QCOMPARE(w->Edit_Kav0_1->text(), QStringLiteral("0.3"));
        QCOMPARE(w->Edit_Kav0_1->palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(w->L_Kav_01->text(), QStringLiteral("0.28"));

        script_ = {4, 5, 6, 6, 6};
        WaitModeSteps(6);
        QCOMPARE(w->Edit_Kav_c->text(), QStringLiteral("0.057"));
        QCOMPARE(w->Edit_Kav0_1->text(), QStringLiteral("1.2"));
        QCOMPARE(w->L_Kav_01->text(), QStringLiteral("1.21"));

        const QString line = QStringLiteral("07.12 09:05 > Сидоров С. С.  -  1.2");
        QCOMPARE(MemoLines(w->memo_test), QStringList({line}));
        std::string bytes;
        QVERIFY(ReadWholeFile("Test_12.txt", bytes));
        QCOMPARE(bytes, ToCp1251(line.toStdString()) + "\r\n");

        // Another 6 without a new arming writes nothing; 3 then 6 writes again.
        script_ = {6, 0, 6};
        WaitModeSteps(4);
        QCOMPARE(MemoLines(w->memo_test).size(), 1);
        script_ = {3, 6};
        WaitModeSteps(3);
        QCOMPARE(MemoLines(w->memo_test).size(), 2);
        // No mode switch ever went out: the test button was not pressed.
        const auto frames = Frames();
        QCOMPARE(std::count(frames.begin(), frames.end(), std::string("3A 32")), 0);
        QCOMPARE(std::count(frames.begin(), frames.end(), std::string("3A 33")), 0);
    }

    void testButtonStartsTheInstrumentAndRecordsItsResult()
    {
        StartSimulator(0.05);
        sim_->WithInstrument([](TInstrument& i) { i.SetAlcohol(45); });
        QVERIFY(WriteFileAtomically(PersonFileName, ToCp1251("Орлов О. О.\r\n;\r\n")));
        Open();
        TKavNewF* w = Window();
        WaitModeSteps(2);
        w->tab_FIO->setCurrentCell(0, 1);
        QCOMPARE(w->edit_FIO->text(), QStringLiteral("Орлов О. О."));
        QCOMPARE(SelectedName, std::string("Орлов О. О."));

        QTest::mouseClick(w->Key_T, Qt::LeftButton);
        QVERIFY(w->Cycle.TestRequest());
        QTRY_COMPARE_WITH_TIMEOUT(MemoLines(w->memo_test).size(), 1, 15000);
        int v6 = 0;
        sim_->WithInstrument([&](TInstrument& i) { v6 = i.Bank1Words[6]; });
        QCOMPARE(v6, 4);
        QCOMPARE(MemoLines(w->memo_test).front(), QStringLiteral("07.12 09:05 > Орлов О. О.  -  0.4"));
        QVERIFY(!w->panel_RG->isVisible());
        QCOMPARE(w->Edit_Kav0_1->text(), QStringLiteral("0.4"));

        // ':' '2' went out once, right after the reply for the mode.
        const auto log = ReadSimLog(logPath_);
        int starts = 0;
        for (std::size_t k = 0; k < log.size(); ++k) {
            if (!log[k].received || log[k].bytes != "3A 32")
                continue;
            ++starts;
            QVERIFY(k >= 2);
            QCOMPARE(log[k - 2].bytes, Frame(1, 8));
            QVERIFY(!log[k - 1].received); // its reply
        }
        QCOMPARE(starts, 1);
    }

    void pressingTheTestButtonTwiceSendsOneStop()
    {
        StartSimulator();
        Open();
        TKavNewF* w = Window();
        WaitModeSteps(1);
        // Both presses land before the next reply for the mode.
        w->Key_T->click();
        w->Key_T->click();
        QVERIFY(!w->Cycle.TestRequest());
        QVERIFY(w->Cycle.SwitchPending());
        WaitModeSteps(3);
        const auto frames = Frames();
        QCOMPARE(std::count(frames.begin(), frames.end(), std::string("3A 33")), 1);
        QCOMPARE(std::count(frames.begin(), frames.end(), std::string("3A 32")), 0);
        QVERIFY(!w->Cycle.SwitchPending());
    }

    void silenceGivesUpAfter51TicksAndAReopenWorks()
    {
        StartSimulator();
        Open();
        TKavNewF* w = Window();
        WaitModeSteps(2);
        const auto before = sim_->FramesReceived();
        sim_->SetSilent(true);
        QTRY_VERIFY_WITH_TIMEOUT(!w->TimerIO->isActive(), 10000);
        QCOMPARE(w->Engine.IdleTicks, 51);
        QVERIFY(!w->Port->IsOpen());
        QVERIFY(PortOpenFlag); // kept: a reactivation does not reopen
        const auto silentFrames = sim_->FramesReceived() - before;
        QVERIFY2(silentFrames >= 50 && silentFrames <= 51, std::to_string(silentFrames).c_str());

        // Back from another application: the port stays closed, the frames
        // go nowhere and the exchange gives up again.
        sim_->SetSilent(false);
        const auto atReturn = sim_->FramesReceived();
        SwitchAwayAndBack(w);
        QVERIFY(w->TimerIO->isActive());
        QVERIFY(!w->Port->IsOpen());
        QTRY_VERIFY_WITH_TIMEOUT(!w->TimerIO->isActive(), 10000);
        QCOMPARE(sim_->FramesReceived(), atReturn);

        // Closing clears the flag; the next opening starts afresh.
        w->close();
        QVERIFY(!PortOpenFlag);
        const int steps = modeSteps_;
        Open();
        QVERIFY(w->Port->IsOpen());
        QTRY_VERIFY_WITH_TIMEOUT(modeSteps_ > steps, 10000);
    }

    void portThatCannotBeOpenedLeavesTheWindowUsable()
    {
        StartSimulator();
        PortName = (folder_->Path() / "no-such-device").string();
        Open();
        TKavNewF* w = Window();
        QTRY_VERIFY(!LastError.empty());
        QVERIFY(LastError.find("ОШИБКА! Открытия порта") != std::string::npos);
        QVERIFY(!PortOpenFlag);
        QVERIFY(!w->TimerIO->isActive());
        QTest::qWait(4 * kTickMs);
        QCOMPARE(sim_->FramesReceived(), 0u);
        // The person list still works.
        w->edit_FIO->setText(QStringLiteral("Ким"));
        QTest::mouseClick(w->key_Add, Qt::LeftButton);
        QCOMPARE(PersonCount, 1);

        // The next activation tries again.
        PortName = "COM3";
        LastError.clear();
        SwitchAwayAndBack(w);
        QVERIFY(PortOpenFlag);
        WaitModeSteps(1);
        QVERIFY(LastError.empty());
    }

    void failedRecordingIsToldAndKeptOnScreen()
    {
        StartSimulator();
        QVERIFY(::mkdir("Test_12.txt", 0755) == 0); // the month file cannot be written
        sim_->WithInstrument([](TInstrument& i) { i.Bank1Words[6] = 7; });
        Open();
        TKavNewF* w = Window();
        WaitModeSteps(1);
        const auto startupReads = [this] {
            const auto f = Frames();
            return std::count(f.begin(), f.end(), Frame(2, 27));
        };
        const auto readsBefore = startupReads();
        script_ = {3, 6};
        WaitModeSteps(3);
        QCOMPARE(MemoLines(w->memo_test), QStringList({QStringLiteral("07.12 09:05 >   -  0.7")}));
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = w->findChild<QMessageBox*>(QStringLiteral("FailureBox"))) != nullptr);
        QVERIFY(box->text().contains(QStringLiteral("07.12 09:05 >   -  0.7")));
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(box));
        box->accept();
        QApplication::setActiveWindow(w); // the window manager's part
        QTRY_VERIFY(w->isActiveWindow());
        WaitModeSteps(2);
        // Coming back from the message is no new activation.
        QCOMPARE(startupReads(), readsBefore);
    }

    void addingAndSelectingPersonsThenLeaving()
    {
        StartSimulator();
        Open();
        TKavNewF* w = Window();
        QCOMPARE(w->tab_FIO->rowCount(), 500);
        QCOMPARE(w->tab_FIO->columnWidth(0), 40);
        QCOMPARE(w->tab_FIO->columnWidth(1), 261);
        QCOMPARE(w->tab_FIO->columnWidth(2), 61);
        QCOMPARE(w->tab_FIO->rowHeight(0), 17);

        w->edit_FIO->setText(QStringLiteral("иванов"));
        QTest::mouseClick(w->key_Add, Qt::LeftButton);
        QCOMPARE(w->tab_FIO->item(0, 0)->text(), QStringLiteral("  1"));
        QCOMPARE(w->tab_FIO->currentRow(), 0);
        // The same name in capitals while it is selected: nothing added.
        w->edit_FIO->setText(QStringLiteral("ИВАНОВ"));
        QTest::mouseClick(w->key_Add, Qt::LeftButton);
        QCOMPARE(PersonCount, 1);
        w->edit_FIO->setText(QStringLiteral("Петров"));
        QTest::mouseClick(w->key_Add, Qt::LeftButton);
        QCOMPARE(w->tab_FIO->item(1, 1)->text(), QStringLiteral("Петров"));
        QCOMPARE(w->tab_FIO->currentRow(), 1);

        // Clicking a row takes its name into the edit; an empty row empties it.
        QTest::mouseClick(w->tab_FIO->viewport(), Qt::LeftButton, {},
                          w->tab_FIO->visualRect(w->tab_FIO->model()->index(0, 1)).center());
        QCOMPARE(w->edit_FIO->text(), QStringLiteral("иванов"));
        w->tab_FIO->setCurrentCell(5, 1);
        QCOMPARE(w->edit_FIO->text(), QString());

        // Leaving saves the list, closes the port and clears the flag.
        QVERIFY(::unlink(PersonFileName) == 0);
        QTest::mouseClick(w->Key__Exit, Qt::LeftButton);
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(!PortOpenFlag);
        QVERIFY(!w->Port->IsOpen());
        QVERIFY(!w->TimerIO->isActive());
        ResetPersonList();
        LoadPersonList();
        NumberPersonList();
        QCOMPARE(PersonCount, 2);
    }

    void everyControlHasANameAndASpokenName()
    {
        TKavNewF* w = Window();
        const ControlNameReport names = CheckControlNames(w);
        QCOMPARE(names.unnamed, QStringList());
        QCOMPARE(names.unspoken, QStringList());
        QVERIFY(names.checked > 25);
        // Value labels are read as they are now.
        w->lab_mV->setText(QStringLiteral("2437"));
        QCOMPARE(SpokenName(w->lab_mV), QStringLiteral("2437"));
        QCOMPARE(w->lab_mV->accessibleDescription(), QStringLiteral("Напряжение сенсора, мВ"));
        QCOMPARE(SpokenName(w->L_Kav_01), QStringLiteral("0.00"));
        QCOMPARE(AccessibleActions(w->Key__Exit), QStringList({QStringLiteral("Press")}));
        QCOMPARE(w->windowTitle(), QStringLiteral("Каврел. Работа с  подключенным  прибором (online)"));
        QCOMPARE(w->Key_T->text(), QStringLiteral("  ТЕСТ              "));
        QCOMPARE(w->Key__Exit->toolTip(), QStringLiteral("Выход"));
        QCOMPARE(w->key_Add->text(), QStringLiteral("Добавить в таб."));
    }

    // Pictures of the window for the documentation, on request only.
    void screenshots()
    {
        if (!qEnvironmentVariableIsSet("KAVREL_SCREENSHOTS"))
            QSKIP("screenshots only on request");
        const QString dir = qEnvironmentVariable("KAVREL_SCREENSHOTS");
        StartSimulator(0.3);
        sim_->WithInstrument([](TInstrument& i) { i.SetAlcohol(45); });
        QVERIFY(WriteFileAtomically(PersonFileName, ToCp1251("Иванов Иван Иванович\r\n;\r\nПетрова Анна Сергеевна\r\n;\r\n")));
        QVERIFY(WriteFileAtomically("Test_12.txt",
                                    ToCp1251("03.12 08:12 > Иванов Иван Иванович  -  0.0\r\n"
                                             "05.12 14:40 > Петрова Анна Сергеевна  -  0.3\r\n")));
        Open();
        TKavNewF* w = Window();
        w->resize(w->sizeHint());
        WaitModeSteps(25);
        w->tab_FIO->setCurrentCell(1, 1);
        QTest::mouseClick(w->Key_T, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MemoLines(w->memo_test).size(), 3, 20000);
        WaitModeSteps(8);
        QVERIFY(!w->panel_RG->isVisible());
        QVERIFY(w->grab().save(dir + QStringLiteral("/online-test.png")));
        w->close();

        PortIndex = AutonomousPortIndex;
        PortName = "Автоном.";
        Open();
        QVERIFY(w->Panel1->isHidden());
        QVERIFY(w->grab().save(dir + QStringLiteral("/online-autonomous.png")));
    }
};

int main(int argc, char** argv)
{
    CatchingApplication app(argc, argv);
    TKavNewFTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TKavNewFTest.moc"
