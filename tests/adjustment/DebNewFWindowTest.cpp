// The adjustment window against the service bench (the simulated
// instrument on a real pseudo-terminal), headless, driven by mouse and keys.
#include "TDebNewF.h"

#include "Adjusting.h"
#include "CatchingApplication.h"
#include "Characteristic.h"
#include "ControlNames.h"
#include "ExchangeGlobals.h"
#include "Files.h"
#include "KeyTyping.h"
#include "SensorGroup.h"
#include "SensorState.h"
#include "ReplyFaults.h"
#include "ServiceBench.h"
#include "ServiceJournal.h"
#include "Settings.h"
#include "Spoken.h"
#include "TADCF.h"
#include "TCommEr.h"
#include "TFormErrF.h"
#include "TempDir.h"
#include "Warnings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <map>
#include <memory>

namespace {

// Ticks shortened from a second; a pass of nine reads (each reply ends
// after the 30 ms pause that closes a burst) fits well inside.
constexpr int kTickMs = 600;

std::vector<std::string> Slice(const std::vector<std::string>& v, std::size_t from, std::size_t count)
{
    from = std::min(from, v.size());
    count = std::min(count, v.size() - from);
    return {v.begin() + static_cast<std::ptrdiff_t>(from), v.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

std::vector<std::string> FullReadFrames()
{
    std::vector<std::string> f;
    for (int a : {27, 31, 64, 65, 66, 67, 72, 73, 74, 75, 80, 81, 82, 83})
        f.push_back(ReadFrameText(2, a));
    for (int a = 0; a <= 31; ++a)
        f.push_back(ReadFrameText(2, a));
    return f;
}

// The table write: words 11 and 13 read, words 0..24 written (11 and 13 as
// read), then each of them read back.
std::vector<std::string> TableWriteFrames(const std::array<int, DataSenSize>& words)
{
    std::vector<std::string> f = {ReadFrameText(2, 11), ReadFrameText(2, 13)};
    for (int a = 0; a <= 24; ++a)
        f.push_back(WriteFrameText(2, a, words[a]));
    for (int a = 0; a <= 24; ++a)
        f.push_back(ReadFrameText(2, a));
    return f;
}

QMessageBox* UnconfirmedBox(QWidget* owner)
{
    auto* box = owner->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed"));
    return box && box->isVisible() ? box : nullptr;
}

// Answers the next message box (OK) once it shows, keeping its text.
void AnswerNextBox(QString* told)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, told] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *told = box->text();
            box->accept();
            timer->deleteLater();
        }
    });
    timer->start(50);
}

QString Cell(QTableWidget* grid, int row)
{
    return grid->item(row, 1)->text();
}

} // namespace

class DebNewFWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<TServiceBench> bench_;
    std::unique_ptr<TFormErrF> formErr_;
    std::unique_ptr<TADCF> adc_;
    std::unique_ptr<TDebNewF> window_;
    std::map<int, std::string> status_;
    int listEnds_ = 0;

    void StartBench(const TInstrumentSetup& setup = {})
    {
        TInstrumentSetup s = setup;
        s.TimeScale = 0.05; // a test takes about half a second
        bench_ = std::make_unique<TServiceBench>((folder_->Path() / "sim.log").string(), s);
    }

    TDebNewF* Window()
    {
        if (!window_) {
            window_ = std::make_unique<TDebNewF>();
            window_->Engine.Policy.TimerPeriodMs = kTickMs;
            auto end = window_->Engine.Hooks.ListEnd;
            window_->Engine.Hooks.ListEnd = [this, end] {
                end();
                ++listEnds_;
            };
            window_->MeasuringCheck = adc_.get();
        }
        return window_.get();
    }

    void Open()
    {
        TDebNewF* w = Window();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }

    void WaitLists(int more, int timeoutMs = 10000)
    {
        const int target = listEnds_ + more;
        QTRY_VERIFY_WITH_TIMEOUT(listEnds_ >= target, timeoutMs);
    }

    // The frames after a quiet moment (nothing more on its way).
    std::vector<std::string> Quiet()
    {
        QTest::qWait(3 * kTickMs);
        return bench_->Frames();
    }

    int Stored(int address) { return bench_->Register(2, address); }

private slots:
    void init()
    {
        folder_ = std::make_unique<TempDir>();
        ResetSensorState();
        UseBenchPort();
        status_.clear();
        SetMainStatus = [this](int panel, const std::string& text) { status_[panel] = text; };
        LastError.clear();
        listEnds_ = 0;
        formErr_ = std::make_unique<TFormErrF>();
        FormErrF = formErr_.get();
        adc_ = std::make_unique<TADCF>();
    }

    void cleanup()
    {
        window_.reset();
        adc_.reset();
        FormErrF = nullptr;
        formErr_.reset();
        bench_.reset();
        SetMainStatus = nullptr;
        folder_.reset();
    }

    void activationReadsTheWholeTableAndShowsIt()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        QVERIFY(PortOpenFlag);
        WaitLists(1);
        QCOMPARE(Slice(Collapsed(bench_->Frames()), 0, 46), FullReadFrames());
        QVERIFY(!w->progresIO->isVisible());
        QVERIFY(!w->TimerIO->isActive());
        QCOMPARE(ExchangeState, ExchangeIdle);
        // The bench stores the factory points; the grid shows them back.
        const QStringList points = {QStringLiteral("  4000"), QStringLiteral("  3500"), QStringLiteral("  3000"),
                                    QStringLiteral("  2000"), QStringLiteral("  1800"), QStringLiteral("  1000"),
                                    QStringLiteral("   500")};
        for (int r = 0; r < 7; ++r)
            QCOMPARE(Cell(w->GridBaza, r), points[r]);
        QCOMPARE(w->GridBaza->item(0, 0)->text(), QStringLiteral("\"Чистый\" воздух"));
        QCOMPARE(w->Grid_S->item(0, 0)->text(), QStringLiteral("G_FOULL        "));
        QCOMPARE(Cell(w->Grid_S, 0), QStringLiteral("  3600"));
        QCOMPARE(Cell(w->Grid_S, 1), QStringLiteral("  5000"));
        QCOMPARE(w->Grid_S->item(12, 0)->text(), QStringLiteral("Переход 1.0/Del"));
        QCOMPARE(Cell(w->Grid_S, 12), QStringLiteral("  1020"));
        QCOMPARE(w->l_20->text(), QStringLiteral("   500"));
        QCOMPARE(w->new_00->text(), QStringLiteral("  4000"));
        // The sensor number of the instrument becomes the current one.
        QCOMPARE(SensorNumber, 512);
        QCOMPARE(status_[2], std::string("Сенсор № 512"));
        // Real values of the gas 0.30 promille by the instrument's table.
        QCOMPARE(w->edit_real_Kav->text(), QStringLiteral("  30"));
        QCOMPARE(w->edit_real_C->text(), QStringLiteral(" 135"));
        QCOMPARE(w->edit_real_mV->text(), QStringLiteral("2580"));
        QCOMPARE(w->memo_resD->toPlainText().split('\n').size(), 14);
        QVERIFY(w->memo_resD->toPlainText().startsWith(QStringLiteral("U_min                 ")));
        QCOMPARE(w->windowTitle(), QStringLiteral("Наладка"));
        QCOMPARE(w->Key_Read->text(), QStringLiteral("      ЧИТАТЬ              "));
        QCOMPARE(w->write_Corr->text(), QStringLiteral("Округлить.Записать в прибор"));
        QVERIFY(!w->panel_RGD->isVisible());
    }

    void observingPollsOncePerTickAndStopsWhenUnticked()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        const auto before = bench_->Frames().size();
        QTest::mouseClick(w->box_Nabl, Qt::LeftButton);
        WaitLists(3);
        const auto frames = bench_->Frames();
        std::vector<std::string> pass;
        for (int a = 0; a <= 8; ++a)
            pass.push_back(ReadFrameText(1, a));
        // Each pass starts on a tick, which sends its first read.
        QCOMPARE(Slice(Collapsed(Slice(frames, before, frames.size())), 0, 9), pass);
        QVERIFY(w->lab__mV->text().toInt() > 3000);
        QCOMPARE(w->lab__mV->text().size(), 4);
        QCOMPARE(w->History.Rows()[59], GraphRow(V0));

        QTest::mouseClick(w->box_Nabl, Qt::LeftButton);
        QTRY_VERIFY(!w->TimerIO->isActive());
        const auto stopped = Quiet().size();
        QTest::qWait(5 * kTickMs);
        QCOMPARE(bench_->Frames().size(), stopped);
    }

    // The whole service loop: a bench out of adjustment measures the gas
    // wrong; the correction written from this window makes it right.
    void theCorrectionMakesTheInstrumentMeasureTheGasRight()
    {
        StartBench();
        bench_->SetGas(35);
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        TypeInto(w->edit_real_Kav, QStringLiteral("35"));
        QCOMPARE(w->edit_real_C->text(), QStringLiteral(" 157"));

        bench_->StartTest();
        QTRY_COMPARE_WITH_TIMEOUT(bench_->TestsCompleted(), 1, 10000);
        QVERIFY(Stored(66) > 35 + 1); // the sensor reads low: too much alcohol
        QTest::mouseClick(w->Key_Read, Qt::LeftButton);
        WaitLists(1);
        QCOMPARE(w->edit_test_Kav->text().toInt(), Stored(66));
        QCOMPARE(w->edit_test_mV->text().toInt(), Stored(64));
        // The sensor's 150 mV and what the uncalibrated path adds to them.
        QCOMPARE(w->edit_del_mV->text(), QStringLiteral(" -171"));

        const auto before = Quiet().size();
        QTest::mouseClick(w->write_Corr, Qt::LeftButton);
        QCOMPARE(w->edit_del_mV->text(), QStringLiteral("0000"));
        QCOMPARE(Cell(w->GridBaza, 0), QStringLiteral("  3829"));
        WaitLists(1);
        const auto frames = Quiet();
        QCOMPARE(Collapsed(Slice(frames, before, frames.size() - before)), TableWriteFrames(Data_Sen));
        QCOMPARE(Stored(0), 3829);
        // A commit clears the zero offset in the program's copy; the write
        // sends the instrument's own.
        QCOMPARE(Data_Sen[13], 140);
        QCOMPARE(Stored(13), 140);

        bench_->StartTest();
        QTRY_COMPARE_WITH_TIMEOUT(bench_->TestsCompleted(), 2, 10000);
        QVERIFY2(std::abs(Stored(66) - 35) <= 1, std::to_string(Stored(66)).c_str());
    }

    // A day at the bench: the measuring path calibrated against a
    // voltmeter, then the sensor adjusted against the gas, then a control
    // test. The adjustment keeps the path's zero offset (word 13): the
    // control test reads the gas, and the journal shows word 13 unchanged.
    void aDayAtTheBenchKeepsThePathCalibration()
    {
        StartBench();
        bench_->SetGas(35);
        Open();
        TDebNewF* w = Window();
        WaitLists(1);

        QTest::mouseClick(w->AllRead, Qt::LeftButton);
        QTRY_VERIFY(adc_->isActiveWindow());
        QTest::mouseClick(adc_->key_HideMemo, Qt::LeftButton);
        const auto hold = [&](int trueMv, QLabel* count, QLabel* mv, QCheckBox* box) {
            bench_->SetTrueChannel1(trueMv);
            QTRY_VERIFY_WITH_TIMEOUT(count->text().trimmed().toInt() == bench_->Register(1, 11) / 8
                                         && mv->text().trimmed().toInt() == bench_->Register(1, 9),
                                     10000);
            QTest::mouseClick(box, Qt::LeftButton);
        };
        hold(4000, adc_->adc_U1, adc_->mV_U1, adc_->fiks_U1);
        hold(600, adc_->adc_U2, adc_->mv_U2, adc_->fiks_U2);
        TypeInto(adc_->real_U1, QStringLiteral("4000"));
        TypeInto(adc_->real_U2, QStringLiteral("600"));
        QTest::mouseClick(adc_->key_wrCalibr, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!adc_->Check.Writing(), 10000);
        QVERIFY(!adc_->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed")));
        QCOMPARE(Stored(13), 114);
        QCOMPARE(Stored(25), 5083);
        bench_->With([](TInstrument& i) { i.HoldChannel1(std::nullopt); });
        QTest::mouseClick(adc_->Key__Exit, Qt::LeftButton);
        QApplication::setActiveWindow(w); // the desktop gives the focus back
        WaitLists(1);

        bench_->StartTest();
        QTRY_COMPARE_WITH_TIMEOUT(bench_->TestsCompleted(), 1, 10000);
        QTest::mouseClick(w->Key_Read, Qt::LeftButton);
        WaitLists(1);
        TypeInto(w->edit_real_Kav, QStringLiteral("35"));
        QCOMPARE(w->edit_del_mV->text(), QStringLiteral(" -150")); // the sensor's own error alone
        QTest::mouseClick(w->write_Corr, Qt::LeftButton);
        WaitLists(1);
        QVERIFY(!UnconfirmedBox(w));
        QCOMPARE(Stored(13), 114);
        QCOMPARE(Stored(25), 5083);

        bench_->StartTest();
        QTRY_COMPARE_WITH_TIMEOUT(bench_->TestsCompleted(), 2, 10000);
        QCOMPARE(Stored(66), 35);
        QCOMPARE(Stored(64), bench_->With([](TInstrument& i) { return i.TrueVoltageAt(35); }));
        const std::vector<TServiceEntry> journal = ReadServiceJournal();
        QVERIFY(journal.size() >= 2);
        const TServiceEntry& adjustment = journal.back();
        QCOMPARE(QString::fromStdString(adjustment.What), QStringLiteral("характеристика"));
        QCOMPARE(QString::fromStdString(adjustment.Details.back()), QStringLiteral("слово 13 114 -> 114"));
        QCOMPARE(QString::fromStdString(adjustment.Details[adjustment.Details.size() - 2]),
                 QStringLiteral("слово 11 0 -> 0"));
    }

    void enteredPointsGoToTheGroupFileAndTheInstrument()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        const int typed[7] = {3000, 2900, 2800, 2500, 2400, 2000, 1500};
        for (int r = 0; r < 7; ++r)
            TypeIntoCell(w->GridBaza, r, 1, QString::number(typed[r]));
        const auto before = Quiet().size();
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        WaitLists(1);
        const auto frames = Quiet();
        QCOMPARE(Collapsed(Slice(frames, before, frames.size() - before)), TableWriteFrames(Data_Sen));
        QCOMPARE(Stored(0), 3000);
        QCOMPARE(Stored(10), 2000);
        // Every word read back as written: told quietly, no warning.
        QCOMPARE(w->lab_Link->text(), QStringLiteral("Запись подтверждена: характеристика, слов прочитано обратно: 25."));
        QVERIFY(!UnconfirmedBox(w));
        QVERIFY(w->lab_Link->palette().color(QPalette::WindowText) != QColor(Qt::red));
        // Sensor 512: Hun05.fig, record 12 at offset 960, points high byte first.
        std::string bytes;
        QVERIFY(ReadWholeFile("Hun05.fig", bytes));
        QCOMPARE(bytes.size(), std::size_t(8000));
        const auto* record = reinterpret_cast<const unsigned char*>(bytes.data()) + 12 * 80;
        for (int k = 0; k < 7; ++k)
            QCOMPARE(record[2 * k] * 256 + record[2 * k + 1], typed[k]);
        QCOMPARE(record[38] * 256 + record[39], Data_Sen[12]);
    }

    void wrongPointsShowTheInputErrorWindowAndChangeNothing()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        TypeIntoCell(w->GridBaza, 3, 1, QStringLiteral("6001"));
        const auto before = Quiet().size();
        const auto table = Data_Sen;
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        QTRY_VERIFY(FormErrF->isVisible());
        QCOMPARE(FormErrF->GridBaza->item(3, 1)->text(), QStringLiteral("  6001"));
        QVERIFY(InputErrorFlag);
        QCOMPARE(Quiet().size(), before);
        QCOMPARE(Data_Sen, table);
        QVERIFY(!FileExists("Hun05.fig"));
        // Back from the input error window the grid is as typed.
        QTest::mouseClick(FormErrF->Button1, Qt::LeftButton);
        QTRY_VERIFY(!FormErrF->isVisible());
        QApplication::setActiveWindow(w);
        QTest::qWait(3 * kTickMs);
        QCOMPARE(Cell(w->GridBaza, 3), QStringLiteral("6001"));
        QCOMPARE(Quiet().size(), before);

        // The shift goes on from the points held before, and commits them.
        TypeInto(w->txt_PlMinus, QStringLiteral("100"));
        QTest::mouseClick(w->key_DelPl, Qt::LeftButton);
        QCOMPARE(Cell(w->GridBaza, 3), QStringLiteral("  2100"));
        QCOMPARE(Data_Sen[5], 2100);
        QCOMPARE(Data_Sen[13], 0);
        QCOMPARE(Quiet().size(), before); // a shift writes nothing
    }

    // Points taken from the grid without validation are stored, but a table
    // derived from them never reaches the instrument.
    void aTableFromUnusablePointsIsNeverWritten()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        TypeIntoCell(w->GridBaza, 0, 1, QStringLiteral("0"));
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        QCOMPARE(SensorPoints[0], 0);
        const auto before = Quiet().size();
        w->close();
        WriteAfterTransfer = true; // the next activation writes the table
        w->show();
        QTRY_VERIFY(FormErrF->isVisible());
        QCOMPARE(FormErrF->GridBaza->item(0, 1)->text(), QStringLiteral("     0"));
        QCOMPARE(Quiet().size(), before);
        QCOMPARE(Stored(0), 4000);
    }

    void writeAfterTransferWritesOnActivation()
    {
        StartBench();
        SensorPoints = {3900, 3400, 2900, 1900, 1700, 900, 400};
        DeriveSensorTable(SensorPoints, Data_Sen);
        WriteAfterTransfer = true;
        Open();
        WaitLists(1);
        const auto frames = Quiet();
        QCOMPARE(Slice(Collapsed(frames), 0, 52), TableWriteFrames(Data_Sen));
        QCOMPARE(Stored(0), 3900);
        QCOMPARE(Cell(Window()->GridBaza, 6), QStringLiteral("   400"));
    }

    void divisorZeroRefusesTheRescale()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        for (int r : {3, 4, 5, 6})
            TypeIntoCell(w->GridBaza, r, 1, QStringLiteral("2000"));
        const auto points = SensorPoints;
        QString told;
        QTimer::singleShot(200, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                told = box->text();
                box->accept();
            }
        });
        TypeInto(w->new_20, QStringLiteral("800"));
        QTest::mouseClick(w->im_down, Qt::LeftButton);
        QVERIFY(told.contains(QStringLiteral("Точки не изменены")));
        QCOMPARE(SensorPoints, points);
        QCOMPARE(Cell(w->GridBaza, 6), QStringLiteral("2000"));

        // Nearly flat, and a far-off new point: refused, never overflowed.
        TypeIntoCell(w->GridBaza, 6, 1, QStringLiteral("1999"));
        TypeIntoCell(w->GridBaza, 5, 1, QStringLiteral("900"));
        TypeInto(w->new_20, QStringLiteral("99999999999"));
        told.clear();
        AnswerNextBox(&told);
        QTest::mouseClick(w->im_down, Qt::LeftButton);
        QCOMPARE(told, QStringLiteral("Пересчет дает напряжения вне диапазона 0..6000 мВ. Проверьте введенное "
                                      "значение и точки. Точки не изменены."));
        QCOMPARE(SensorPoints, points);
        QCOMPARE(Cell(w->GridBaza, 5), QStringLiteral("900"));
    }

    void realAlcoholStepsAndPresets()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        QTest::mouseClick(w->plus__10, Qt::LeftButton);
        QCOMPARE(w->edit_real_Kav->text(), QStringLiteral("  40"));
        QCOMPARE(w->edit_real_C->text(), QStringLiteral(" 180"));
        TypeInto(w->edit_real_Kav, QStringLiteral("790"));
        QTest::mouseClick(w->plus__10, Qt::LeftButton);
        QCOMPARE(w->edit_real_Kav->text(), QStringLiteral(" 790"));
        QTest::mouseClick(w->plus__1, Qt::LeftButton);
        QCOMPARE(w->edit_real_Kav->text(), QStringLiteral(" 791"));

        QTest::mouseClick(w->im_1, Qt::LeftButton);
        QCOMPARE(Cell(w->GridBaza, 4), QStringLiteral("  1930"));
        QCOMPARE(Cell(w->GridBaza, 6), QStringLiteral("  1560"));
        QCOMPARE(w->l_20->text(), QStringLiteral("  1560"));
        TypeInto(w->new_20, QStringLiteral("800"));
        QTest::mouseClick(w->im_down, Qt::LeftButton);
        QCOMPARE(Cell(w->GridBaza, 6), QStringLiteral("   800"));
    }

    void soundBoxFollowsWordEleven()
    {
        StartBench();
        bench_->SetWord(11, 1);
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        QVERIFY(w->box_Sound->isChecked());
        QCOMPARE(Cell(w->Grid_S, 13), QStringLiteral("     1"));
        QTest::mouseClick(w->box_Sound, Qt::LeftButton);
        QCOMPARE(Data_Sen[11], 0);
        QCOMPARE(Cell(w->Grid_S, 13), QStringLiteral("     0"));
    }

    // The measuring path check takes the line and gives it back: this window
    // closes its port first, and reads the instrument again on return.
    void theMeasuringCheckTakesTheLineAndGivesItBack()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        QTest::mouseClick(w->AllRead, Qt::LeftButton);
        QTRY_VERIFY(adc_->isActiveWindow());
        QVERIFY(!w->Port->IsOpen());
        QVERIFY(adc_->Port->IsOpen());
        QVERIFY(PortOpenFlag);
        QVERIFY(!w->TimerIO->isActive());
        QTest::qWait(300);
        const auto before = bench_->Frames().size();
        adc_->close();
        QApplication::setActiveWindow(w);
        WaitLists(1);
        QVERIFY(w->Port->IsOpen());
        const auto frames = bench_->Frames();
        QCOMPARE(Slice(Collapsed(Slice(frames, before, frames.size())), 0, 46), FullReadFrames());
    }

    // Given up, the window frees the line: "ЧИТАТЬ" opens it again and reads.
    void silenceIsToldAndReadingAgainWorks()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        w->Engine.Policy.TimerPeriodMs = 30;
        QTest::mouseClick(w->box_Nabl, Qt::LeftButton);
        WaitLists(1);
        bench_->SetSilent(true);
        QTRY_VERIFY_WITH_TIMEOUT(!w->lab_Link->text().isEmpty(), 10000);
        QCOMPARE(w->lab_Link->text(), QStringLiteral("Прибор не отвечает. Проверьте связь и нажмите «ЧИТАТЬ»."));
        QCOMPARE(w->lab_Link->palette().color(QPalette::WindowText), QColor(Qt::red));
        QVERIFY(!w->Port->IsOpen());
        QVERIFY(!PortOpenFlag);
        QTest::mouseClick(w->box_Nabl, Qt::LeftButton); // observing no more

        bench_->SetSilent(false);
        w->Engine.Policy.TimerPeriodMs = kTickMs;
        QTest::mouseClick(w->Key_Read, Qt::LeftButton);
        QVERIFY(w->Port->IsOpen());
        QVERIFY(PortOpenFlag);
        WaitLists(1);
        QCOMPARE(w->lab_Link->text(), QString());
        QCOMPARE(Cell(w->GridBaza, 0), QStringLiteral("  4000"));

        QTest::mouseClick(w->Key__Exit, Qt::LeftButton);
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(!PortOpenFlag);
        QVERIFY(!w->TimerIO->isActive());
        QCOMPARE(ExchangeState, ExchangeIdle);
    }

    // A port that cannot be opened is told in a box, on activation and on
    // "ЧИТАТЬ"; with the port back the read works.
    void aPortThatCannotBeOpenedIsTold()
    {
        StartBench();
        PortName = "COM7";
        QString told;
        AnswerNextBox(&told);
        Window()->show();
        QTRY_VERIFY(!told.isEmpty());
        QVERIFY(told.startsWith(QStringLiteral("ОШИБКА! Открытия порта")));
        QCOMPARE(LastError, std::string()); // nothing escaped into the toolkit
        QVERIFY(!PortOpenFlag);

        TDebNewF* w = Window();
        told.clear();
        AnswerNextBox(&told);
        QTest::mouseClick(w->Key_Read, Qt::LeftButton);
        QVERIFY(told.startsWith(QStringLiteral("ОШИБКА! Открытия порта")));
        QCOMPARE(LastError, std::string());

        PortName = "COM3";
        QTest::mouseClick(w->Key_Read, Qt::LeftButton);
        WaitLists(1);
        QCOMPARE(Slice(Collapsed(bench_->Frames()), 0, 46), FullReadFrames());
    }

    // A value typed into a cell is the value a tool button uses, Enter or
    // not: the file and the instrument hold it.
    void aValueTypedIsTheValueUsedWithoutEnter()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        TypeWithoutEnter(w->GridBaza, 0, QStringLiteral("3950"));
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        WaitLists(1);
        QCOMPARE(Cell(w->GridBaza, 0), QStringLiteral("  3950"));
        QCOMPARE(Stored(0), 3950);
        std::string bytes;
        QVERIFY(ReadWholeFile("Hun05.fig", bytes));
        const auto* record = reinterpret_cast<const unsigned char*>(bytes.data()) + 12 * 80;
        QCOMPARE(record[0] * 256 + record[1], 3950);

        // A preset takes the 0.5 point as typed.
        TypeWithoutEnter(w->GridBaza, 3, QStringLiteral("2100"));
        QTest::mouseClick(w->im_1, Qt::LeftButton);
        QCOMPARE(SensorPoints[3], 2100);
        QCOMPARE(Cell(w->GridBaza, 4), QStringLiteral("  2030"));
        QCOMPARE(Cell(w->GridBaza, 6), QStringLiteral("  1660"));
    }

    // Switching to another program and back is no activation: nothing is
    // read over the grid being corrected, nothing written.
    void comingBackFromAnotherProgramSendsNothing()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        TypeIntoCell(w->GridBaza, 2, 1, QStringLiteral("2900"));
        const auto before = Quiet().size();
        QApplication::setActiveWindow(nullptr);
        QTRY_VERIFY(!w->isActiveWindow());
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
        QCOMPARE(Quiet().size(), before);
        QCOMPARE(Cell(w->GridBaza, 2), QStringLiteral("2900"));

        // Not even while every activation is to write the table.
        WriteAfterTransfer = true;
        QApplication::setActiveWindow(nullptr);
        QTRY_VERIFY(!w->isActiveWindow());
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
        QCOMPARE(Quiet().size(), before);
        QCOMPARE(Stored(2), 3000);
        QCOMPARE(Cell(w->GridBaza, 2), QStringLiteral("2900"));

        // Nor back through its own message box, after another program had
        // the focus while the box was up.
        for (int r : {3, 4, 5, 6})
            TypeIntoCell(w->GridBaza, r, 1, QStringLiteral("2000"));
        bool answered = false;
        QTimer::singleShot(200, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            QApplication::setActiveWindow(nullptr);
            QApplication::setActiveWindow(box);
            box->accept();
            answered = true;
        });
        TypeInto(w->new_20, QStringLiteral("800"));
        QTest::mouseClick(w->im_down, Qt::LeftButton);
        QVERIFY(answered);
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
        QCOMPARE(Quiet().size(), before);
        QCOMPARE(Cell(w->GridBaza, 2), QStringLiteral("2900"));

        // Nor when its box came up while another program had the focus (a
        // write told while the engineer looked something up): back to the
        // box, then the box answered.
        QApplication::setActiveWindow(nullptr);
        QTRY_VERIFY(!w->isActiveWindow());
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Каврел"), QStringLiteral("..."),
                                    QMessageBox::Ok, w);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        QApplication::setActiveWindow(box);
        QTRY_VERIFY(box->isActiveWindow());
        box->accept();
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
        QCOMPARE(Quiet().size(), before);
        QCOMPARE(Cell(w->GridBaza, 2), QStringLiteral("2900"));
    }

    // One reply in seven broken on the line, in each way a line breaks one:
    // every read still holds exactly what the instrument holds, every write
    // is confirmed by its read-back, and nothing reaches the give-up.
    void aBrokenReplyNeverBecomesAValue()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        w->Engine.Policy.TimerPeriodMs = 200; // shorter waits, the same steps
        int clean = 4000;
        for (const TReplyFault& fault : ReplyFaults()) {
            const QByteArray what = QByteArray::fromStdString(fault.Name);
            fault.Set(bench_->Line(), 7);
            QTest::mouseClick(w->Key_Read, Qt::LeftButton);
            WaitLists(1, 30000);
            QVERIFY2(w->lab_Link->text().isEmpty(), what);
            for (int a = 0; a < 32; ++a)
                QVERIFY2(Data_Sen[a] == Stored(a), what + " word " + QByteArray::number(a));
            for (int a : {64, 65, 66, 67, 72, 80, 83})
                QVERIFY2(Bank2Image[a] == Stored(a), what + " word " + QByteArray::number(a));

            clean -= 10;
            TypeIntoCell(w->GridBaza, 0, 1, QString::number(clean));
            QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
            WaitLists(1, 30000);
            QVERIFY2(!UnconfirmedBox(w), what);
            QCOMPARE(w->lab_Link->text(), QStringLiteral("Запись подтверждена: характеристика, слов прочитано обратно: 25."));
            QCOMPARE(Stored(0), clean);
            QCOMPARE(Stored(13), 140);
            ClearReplyFaults(bench_->Line());
        }
    }

    // A word the instrument echoes but does not keep is told by its number;
    // meanwhile the write cannot be cut by reading, another list or closing.
    void aWordNotKeptIsToldAndTheWriteIsNotCut()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        // Word 6 (the 0.6 point) is written, answered, and then holds 1234.
        auto sent = w->Engine.Hooks.ItemSent;
        w->Engine.Hooks.ItemSent = [this, sent](std::uint8_t letter) {
            sent(letter);
            if (letter == 'E' && CommandIndex == 24)
                bench_->SetWord(6, 1234);
        };
        TypeIntoCell(w->GridBaza, 4, 1, QStringLiteral("1700"));
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);

        // The write runs: the window waits for it.
        for (QWidget* c : std::initializer_list<QWidget*>{w->Key_Read, w->Key_DataEdit, w->write_Corr, w->Key__Exit,
                                                          w->AllRead, w->box_Nabl, w->GridBaza})
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
        QTest::mouseClick(w->Key_Read, Qt::LeftButton);
        QTest::keyClick(w, Qt::Key_Escape);
        w->close();
        QVERIFY(w->isVisible());
        QVERIFY(PortOpenFlag);

        WaitLists(1);
        QTRY_VERIFY(UnconfirmedBox(w));
        QCOMPARE(UnconfirmedBox(w)->text(), QStringLiteral("Запись не подтверждена: характеристика.\n"
                                                           "Прибор хранит не то, что в него записано.\n"
                                                           "слово 6: записано 1700, прочитано 1234\n"
                                                           "Проверьте связь с прибором и запишите снова."));
        QCOMPARE(w->lab_Link->text(), QString());
        // The window shows what the instrument keeps.
        QCOMPARE(Cell(w->GridBaza, 4), QStringLiteral("  1234"));
        const auto frames = Collapsed(Quiet()); // a frame asked for again counts once
        QCOMPARE(std::count(frames.begin(), frames.end(), ReadFrameText(2, 0)), 2); // the full read, the read-back
        QVERIFY(w->Key_Read->isEnabled());
        QVERIFY(w->Key__Exit->isEnabled());
        UnconfirmedBox(w)->accept();
        w->close();
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(!PortOpenFlag);
    }

    // The instrument falls silent in the middle of the read-back: told as
    // unconfirmed, and the line is free again.
    void aWriteCutBySilenceIsUnconfirmed()
    {
        StartBench();
        Open();
        TDebNewF* w = Window();
        WaitLists(1);
        w->Engine.Policy.TimerPeriodMs = 30;
        // Silent from the read-back of word 20 on (at most that one answered).
        auto sent = w->Engine.Hooks.ItemSent;
        w->Engine.Hooks.ItemSent = [this, sent](std::uint8_t letter) {
            sent(letter);
            if (letter == ':' && CommandIndex == 45)
                bench_->SetSilent(true);
        };
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(UnconfirmedBox(w), 10000);
        const QString text = UnconfirmedBox(w)->text();
        QVERIFY2(text.startsWith(QStringLiteral("Запись не подтверждена: характеристика.\n"
                                                "Прибор перестал отвечать, записанное не прочитано обратно.\n")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("\nслово 24: записано 1020, не прочитано\n")), qPrintable(text));
        QCOMPARE(w->lab_Link->text(), QStringLiteral("Прибор не отвечает. Проверьте связь и нажмите «ЧИТАТЬ»."));
        QVERIFY(!PortOpenFlag);
        QVERIFY(w->Key_Read->isEnabled());
        UnconfirmedBox(w)->accept();
    }

    void everyControlHasANameAndASpokenName()
    {
        TDebNewF* w = Window();
        const ControlNameReport names = CheckControlNames(w);
        QVERIFY2(names.unnamed.isEmpty(), qPrintable(names.unnamed.join(' ')));
        QCOMPARE(names.unspoken, QStringList());
        QVERIFY(names.checked > 50);
        QCOMPARE(AccessibleActions(w->Key__Exit), QStringList({QStringLiteral("Press")}));
        QCOMPARE(w->Key_DataEdit->toolTip(), QStringLiteral("Пересчет  данных "));
        QCOMPARE(w->AllRead->toolTip(), QStringLiteral("Читать  данные  из  прибора"));
    }

    // Pictures of the window for the documentation, on request only.
    void screenshots()
    {
        if (!qEnvironmentVariableIsSet("KAVREL_SCREENSHOTS"))
            QSKIP("screenshots only on request");
        const QString dir = qEnvironmentVariable("KAVREL_SCREENSHOTS");
        // The measuring path calibrated already: the sensor's own 150 mV.
        TInstrumentSetup calibrated;
        calibrated.TrueZeroOffsetMv = 140;
        calibrated.TrueSupplyMv = 5000;
        StartBench(calibrated);
        bench_->SetGas(35);
        Open();
        TDebNewF* w = Window();
        w->resize(w->sizeHint());
        WaitLists(1);
        TypeInto(w->edit_real_Kav, QStringLiteral("35"));
        bench_->StartTest();
        QTRY_COMPARE_WITH_TIMEOUT(bench_->TestsCompleted(), 1, 10000);
        QTest::mouseClick(w->Key_Read, Qt::LeftButton);
        WaitLists(1);
        QTest::mouseClick(w->box_Nabl, Qt::LeftButton);
        bench_->StartTest();
        WaitLists(25, 40000);
        QVERIFY(w->grab().save(dir + QStringLiteral("/adjustment.png")));
        TypeIntoCell(w->GridBaza, 1, 1, QStringLiteral("4100"));
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        QTRY_VERIFY(FormErrF->isVisible());
        QVERIFY(FormErrF->grab().save(dir + QStringLiteral("/adjustment-input-error.png")));
    }
};

int main(int argc, char** argv)
{
    CatchingApplication app(argc, argv);
    DebNewFWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DebNewFWindowTest.moc"
