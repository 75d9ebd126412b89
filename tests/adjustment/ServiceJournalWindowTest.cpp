// The adjustment window's service journal against the service bench: the
// lines a day's loop leaves in Service.txt, a write the instrument does not
// keep, a journal the disk has no room for, and the certificate printed
// from the day's lines.
#include "TDebNewF.h"

#include "CatchingApplication.h"
#include "Cp1251.h"
#include "ExchangeGlobals.h"
#include "FileFaults.h"
#include "JournalFile.h"
#include "Files.h"
#include "KeyTyping.h"
#include "PdfText.h"
#include "SensorState.h"
#include "ServiceBench.h"
#include "ServiceJournal.h"
#include "ServiceSession.h"
#include "Settings.h"
#include "TFormErrF.h"
#include "TPrintF.h"
#include "TempDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

constexpr int kTickMs = 150;

QMessageBox* Box(QWidget* owner, const char* name)
{
    auto* box = owner->findChild<QMessageBox*>(QString::fromLatin1(name));
    return box && box->isVisible() ? box : nullptr;
}

const QString& kHeading = ServiceJournalHeadingLine;

} // namespace

class ServiceJournalWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<TServiceBench> bench_;
    std::unique_ptr<TFormErrF> formErr_;
    std::unique_ptr<TPrintF> print_;
    std::unique_ptr<TDebNewF> window_;
    TJournalClock clock_{"09.12.2026", "10:15:02"};
    int listEnds_ = 0;

    TDebNewF* Open()
    {
        TInstrumentSetup setup;
        setup.TimeScale = 0.05;
        setup.TrueZeroOffsetMv = 140; // the measuring path in calibration: the sensor alone is off
        setup.TrueSupplyMv = 5000;
        bench_ = std::make_unique<TServiceBench>("", setup);
        window_ = std::make_unique<TDebNewF>();
        window_->Engine.Policy.TimerPeriodMs = kTickMs;
        auto end = window_->Engine.Hooks.ListEnd;
        window_->Engine.Hooks.ListEnd = [this, end] {
            end();
            ++listEnds_;
        };
        window_->show();
        if (!QTest::qWaitForWindowActive(window_.get()))
            return nullptr;
        WaitLists(1);
        return window_.get();
    }

    void WaitLists(int more)
    {
        const int target = listEnds_ + more;
        QTRY_VERIFY_WITH_TIMEOUT(listEnds_ >= target, 10000);
    }

    // A test on the instrument's button, then ЧИТАТЬ.
    void TestAndRead(int completed)
    {
        bench_->StartTest();
        QTRY_COMPARE_WITH_TIMEOUT(bench_->TestsCompleted(), completed, 10000);
        QTest::mouseClick(window_->Key_Read, Qt::LeftButton);
        WaitLists(1);
    }

    // The day's loop: the bench is 150 mV off, gas 0.30 reads 0.35; the
    // correction is written, and the next test is the write's control test.
    void ServiceLoop(TDebNewF* w)
    {
        bench_->SetGas(30);
        TestAndRead(1);
        QCOMPARE(w->edit_test_Kav->text(), QStringLiteral("  35"));
        QCOMPARE(w->edit_del_mV->text(), QStringLiteral(" -150"));
        // The first new test of the session is its as found.
        const QString session = QStringLiteral(";не указан;20261209-101502;");
        const QString found = QStringLiteral("09.12.2026;10:15:02;1207;512") + session
            + QStringLiteral("как найдено;-;газ 0.30;как найдено 0.35 2430 мВ;разница +0.05;.");
        QCOMPARE(ServiceJournalLines(), QStringList({kHeading, found}));

        QTest::mouseClick(w->write_Corr, Qt::LeftButton);
        WaitLists(1);
        QCOMPARE(w->lab_Link->text(), QStringLiteral("Запись подтверждена: характеристика, слов прочитано обратно: 25."));
        const QString written = QStringLiteral("09.12.2026;10:15:02;1207;512") + session
            + QStringLiteral("характеристика;подтверждена;газ 0.30;последний тест 0.35 2430 мВ;"
                             "дельта -150 мВ;точки до 4000 3500 3000 2000 1800 1000 500;"
                             "точки после 3850 3350 2850 1850 1650 850 350;"
                             "в приборе 3850 3350 2850 1850 1650 850 350;слово 11 0 -> 0;слово 13 140 -> 140;.");
        QCOMPARE(ServiceJournalLines(), QStringList({kHeading, found, written}));

        // A read without a new test is no control test; the new test is.
        clock_.Time = "10:16:40";
        QTest::mouseClick(w->Key_Read, Qt::LeftButton);
        WaitLists(1);
        QCOMPARE(ServiceJournalLines().size(), 3);
        TestAndRead(2);
        QTest::mouseClick(w->Key_Read, Qt::LeftButton);
        WaitLists(1);
        QCOMPARE(ServiceJournalLines(),
                 QStringList({kHeading, found, written,
                              QStringLiteral("09.12.2026;10:16:40;1207;512") + session
                                  + QStringLiteral("контрольный тест;-;газ 0.30;"
                                                   "как оставлено 0.30 2430 мВ;разница 0.00;.")}));
    }

private slots:
    void init()
    {
        folder_ = std::make_unique<TempDir>();
        ResetSensorState();
        UseBenchPort();
        listEnds_ = 0;
        formErr_ = std::make_unique<TFormErrF>();
        FormErrF = formErr_.get();
        print_ = std::make_unique<TPrintF>();
        PrintF = print_.get();
        clock_ = {"09.12.2026", "10:15:02"};
        SetJournalClock([this] { return clock_; });
    }

    void cleanup()
    {
        window_.reset();
        PrintF = nullptr;
        print_.reset();
        FormErrF = nullptr;
        formErr_.reset();
        bench_.reset();
        SetJournalClock({});
        folder_.reset();
    }

    // The loop leaves its lines, and the protocol of the day shows them on
    // screen and as the printer gets them.
    void theServiceLoopIsJournaledAndCertified()
    {
        TDebNewF* w = Open();
        QVERIFY(w);
        ServiceLoop(w);
        if (QTest::currentTestFailed())
            return;

        // The certificate of the session: the write and its control test.
        QCOMPARE(w->key_Protocol->text(), QStringLiteral("Свидетельство о регулировке"));
        QTest::mouseClick(w->key_Protocol, Qt::LeftButton);
        QTRY_VERIFY(PrintF->isVisible());
        QStringList shown;
        for (const std::string& line : PrintF->PageText())
            shown << Q(line);
        QCOMPARE(shown.size(), 55);
        QVERIFY(shown.contains(QStringLiteral("Вывод: отрегулирован, годен")));
        QVERIFY(shown.contains(QStringLiteral("Как оставлено: тест 09.12.2026 10:16:40: 0.30 2430 мВ, разница 0.00")));
        QVERIFY(PrintF->key_Save->isVisible());
        PrintF->close();
    }

    // A write the instrument does not keep is journaled as such; with the
    // disk full the journal stays as it was, the write goes on and the
    // engineer is told.
    void anUnkeptWriteAndAFullDisk()
    {
        TDebNewF* w = Open();
        QVERIFY(w);
        bench_->With([](TInstrument& i) { i.SetWeakWord(0, std::nullopt); });
        TypeIntoCell(w->GridBaza, 0, 1, QStringLiteral("4100"));
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        WaitLists(1);
        QTRY_VERIFY(Box(w, "WriteUnconfirmed"));
        Box(w, "WriteUnconfirmed")->accept();
        const QStringList lines = ServiceJournalLines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1], QStringLiteral("09.12.2026;10:15:02;1207;512;не указан;20261209-101502;характеристика;"
                                          "не подтверждена;газ 0.30;"
                                          "последний тест 0.61 1834 мВ;дельта 0 мВ;"
                                          "точки до 4000 3500 3000 2000 1800 1000 500;"
                                          "точки после 4100 3500 3000 2000 1800 1000 500;"
                                          "в приборе 4000 3500 3000 2000 1800 1000 500;"
                                          "слово 11 0 -> 0;слово 13 140 -> 140;."));

        bench_->With([](TInstrument& i) { i.ClearWeakWords(); });
        std::string before;
        QVERIFY(ReadWholeFile("Service.txt", before));
        TypeInto(w->edit_del_mV, QStringLiteral("0"));
        {
            // Room for a few bytes of the line, not the whole of it.
            FileSizeLimit full(before.size() + 10);
            QTest::mouseClick(w->write_Corr, Qt::LeftButton);
            WaitLists(1);
        }
        QCOMPARE(w->lab_Link->text(), QStringLiteral("Запись подтверждена: характеристика, слов прочитано обратно: 25."));
        QTRY_VERIFY(Box(w, "JournalWarning"));
        QCOMPARE(Box(w, "JournalWarning")->text(), QStringLiteral("Не удалось дописать файл Service.txt.\n"
                                                                        "Service.txt: превышен допустимый размер файла"));
        std::string after;
        QVERIFY(ReadWholeFile("Service.txt", after));
        QCOMPARE(after, before);
        Box(w, "JournalWarning")->accept();
    }
};

int main(int argc, char** argv)
{
    CatchingApplication app(argc, argv);
    ServiceJournalWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ServiceJournalWindowTest.moc"
