// The sensor database window, opened from the adjustment window as the
// staff do, against the service bench (the simulated instrument on a real
// pseudo-terminal), headless, driven by mouse and keys.
#include "TNewBazaF.h"

#include "CatchingApplication.h"
#include "ControlNames.h"
#include "FileBytes.h"
#include "KeyTyping.h"
#include "SensorState.h"
#include "ServiceBench.h"
#include "TCommEr.h"
#include "TDebNewF.h"
#include "TFBazaF.h"
#include "TFormErrF.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <map>
#include <memory>

namespace {

const SensorPointTable Factory = {4000, 3500, 3000, 2000, 1800, 1000, 500};
const SensorPointTable Edited = {3900, 3400, 2900, 1900, 1700, 900, 400};

SensorRecord FileRecord(int number)
{
    const std::string bytes = FileBytes(SensorGroupFileName(number));
    SensorRecord r{};
    if (bytes.size() == static_cast<std::size_t>(SensorGroupFileSize))
        std::copy_n(bytes.data() + (number % 100) * 80, 80, r.begin());
    return r;
}


std::vector<std::string> NumberReadFrames()
{
    std::vector<std::string> f;
    for (int a : {0, 1, 2, 3, 9, 10, 11})
        f.push_back(ReadFrameText(1, a));
    for (int a : {27, 31, 28, 29, 30})
        f.push_back(ReadFrameText(2, a));
    return f;
}

QString Cell(QTableWidget* grid, int row)
{
    return grid->item(row, 1)->text();
}

} // namespace

class SensorBaseWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<TServiceBench> bench_;
    std::unique_ptr<TFormErrF> formErr_;
    std::unique_ptr<TFBazaF> table_;
    std::unique_ptr<TNewBazaF> base_;
    std::unique_ptr<TDebNewF> deb_;
    std::map<int, std::string> status_;

    TNewBazaF* Base()
    {
        if (!base_) {
            table_ = std::make_unique<TFBazaF>();
            base_ = std::make_unique<TNewBazaF>();
            base_->SensorTable = table_.get();
        }
        return base_.get();
    }

    TDebNewF* Deb()
    {
        if (!deb_) {
            deb_ = std::make_unique<TDebNewF>();
            deb_->Engine.Policy.TimerPeriodMs = 150;
            deb_->SensorBase = Base();
        }
        return deb_.get();
    }

    std::vector<std::string> Quiet() { return bench_->QuietFrames(); }

    // The adjustment window reads the instrument; its "База" button opens
    // the database above it.
    TNewBazaF* OpenFromAdjustment()
    {
        TDebNewF* deb = Deb();
        deb->show();
        [&] { QVERIFY(QTest::qWaitForWindowActive(deb)); }();
        [&] { QTRY_VERIFY(bench_->Frames().size() >= 46 && !deb->progresIO->isVisible()); }();
        Quiet();
        QTest::mouseClick(deb->SpeedButton2, Qt::LeftButton);
        [&] { QTRY_VERIFY(Base()->isActiveWindow()); }();
        return Base();
    }

    TNewBazaF* OpenAlone()
    {
        TNewBazaF* w = Base();
        w->show();
        [&] { QVERIFY(QTest::qWaitForWindowActive(w)); }();
        return w;
    }

    void TypePoints(QTableWidget* grid, const SensorPointTable& points)
    {
        for (int r = 0; r < SensorPointCount; ++r)
            TypeIntoCell(grid, r, 1, QString::number(points[r]));
    }

    QMessageBox* Message(QWidget* owner)
    {
        QMessageBox* box = nullptr;
        [&] { QTRY_VERIFY((box = owner->findChild<QMessageBox*>(QStringLiteral("BaseMessage"))) != nullptr); }();
        return box;
    }

private slots:
    void init()
    {
        folder_ = std::make_unique<TempDir>();
        ResetSensorState();
        UseBenchPort();
        status_.clear();
        SetMainStatus = [this](int panel, const std::string& text) { status_[panel] = text; };
        LastError.clear();
        formErr_ = std::make_unique<TFormErrF>();
        FormErrF = formErr_.get();
        bench_ = std::make_unique<TServiceBench>((folder_->Path() / "sim.log").string());
    }

    void cleanup()
    {
        deb_.reset();
        base_.reset();
        table_.reset();
        FormErrF = nullptr;
        formErr_.reset();
        bench_.reset();
        SetMainStatus = nullptr;
        folder_.reset();
    }

    // Instrument → database, an edit of the record, database → instrument:
    // the bench then holds the edited characteristic.
    void aRoundTripLeavesTheEditedCharacteristicInTheInstrument()
    {
        TNewBazaF* w = OpenFromAdjustment();
        QCOMPARE(w->windowTitle(), QStringLiteral("База  данных  по  сенсорам"));
        QCOMPARE(w->windowModality(), Qt::ApplicationModal);
        QVERIFY(w->Port->IsOpen());
        QVERIFY(!Deb()->Port->IsOpen());
        QVERIFY(PortOpenFlag);
        QCOMPARE(w->EditNS->text(), QStringLiteral("512"));
        QCOMPARE(w->edNum_Sensor->text(), QStringLiteral("512"));
        QCOMPARE(w->edNum_EEPROM->text(), QStringLiteral(" 1207"));
        QCOMPARE(status_[2], std::string("Сенсор № 512"));
        QCOMPARE(Cell(w->GridBazaP, 0), QStringLiteral("  4000"));
        QCOMPARE(Cell(w->GridBaza, 0), QStringLiteral("     0")); // a new group file
        QVERIFY(w->typeMoveItem[2]->isChecked());

        QTest::mouseClick(w->key_P_Baza, Qt::LeftButton);
        QCOMPARE(Cell(w->GridBaza, 6), QStringLiteral("   500"));
        QCOMPARE(RecordPoints(FileRecord(512)), Factory);
        QCOMPARE(w->EditText->text(), QStringLiteral("KV: 1207-XX   "));

        TypePoints(w->GridBaza, Edited);
        QTest::mouseClick(w->Panel3, Qt::LeftButton);
        QCOMPARE(RecordPoints(FileRecord(512)), Edited);
        QCOMPARE(Cell(w->GridBaza, 0), QStringLiteral("  3900"));
        QCOMPARE(Cell(w->GridBazaP, 0), QStringLiteral("  4000"));
        QCOMPARE(Cell(w->GridS, 12), QStringLiteral("  3500"));

        const auto before = Quiet().size();
        QTest::mouseClick(w->key_Baza_P, Qt::LeftButton);
        const auto frames = FramesSince(Quiet(), before);
        QCOMPARE(frames.size(), std::size_t(25 + 12));
        SensorTable derived{};
        SensorNumber = 512;
        DeriveSensorTable(Edited, derived);
        for (int a = 0; a <= 24; ++a) {
            const int expected = a == 11 ? 0 : a == 13 ? 140 : derived[a]; // kept as the instrument had them
            QCOMPARE(frames[static_cast<std::size_t>(a)], WriteFrameText(2, a, expected));
            QCOMPARE(bench_->Register(2, a), expected);
        }
        QCOMPARE(std::vector<std::string>(frames.begin() + 25, frames.end()), NumberReadFrames());
        QCOMPARE(Cell(w->GridBazaP, 0), QStringLiteral("  3900"));
        QVERIFY(LastError.empty());
    }

    void numbersAndStatisticsAreWrittenAndReadBack()
    {
        TNewBazaF* w = OpenAlone();
        QTest::mouseClick(w->Key_UFin, Qt::LeftButton);
        QCOMPARE(Quiet(), NumberReadFrames());
        QCOMPARE(w->edNum_EEPROM->text(), QStringLiteral(" 1207"));
        QCOMPARE(w->edNum_Sensor->text(), QStringLiteral("  512"));
        QCOMPARE(w->time_01->text(), QStringLiteral("   12.4"));
        QCOMPARE(w->test_All->text(), QStringLiteral("    3"));

        TypeInto(w->edNum_EEPROM, QStringLiteral("1234"));
        TypeInto(w->edNum_Sensor, QStringLiteral("77"));
        TypeInto(w->time_01, QStringLiteral("12,5"));
        TypeInto(w->test_All, QStringLiteral("10"));
        TypeInto(w->test_03, QStringLiteral("4"));
        const auto before = bench_->Frames().size();
        QTest::mouseClick(w->Key_UFout, Qt::LeftButton);
        QCOMPARE(w->EditNS->text(), QStringLiteral("77"));
        QCOMPARE(status_[2], std::string("Сенсор № 77"));
        const auto frames = FramesSince(Quiet(), before);
        std::vector<std::string> expected;
        for (auto [a, v] : {std::pair{27, 1234}, {31, 77}, {27, 1234}, {31, 77}, {27, 1234}, {31, 77}, {28, 62},
                            {29, 10}, {30, 4}})
            expected.push_back(WriteFrameText(2, a, v));
        for (const auto& f : NumberReadFrames())
            expected.push_back(f);
        QCOMPARE(frames, expected);
        QCOMPARE(bench_->Register(2, 27), 1234);
        QCOMPARE(bench_->Register(2, 31), 77);
        QCOMPARE(bench_->Register(2, 28), 62);
        QCOMPARE(bench_->Register(2, 30), 4);
        QCOMPARE(w->time_01->text(), QStringLiteral("   12.4")); // read back: 62 fifths of an hour
        QCOMPARE(w->edNum_Sensor->text(), QStringLiteral("   77"));
        LoadSettings();
        QCOMPARE(SensorNumber, 77);

        QTest::mouseClick(w->key_ClrStat, Qt::LeftButton);
        QCOMPARE(w->time_01->text(), QStringLiteral("    0.0"));
        QCOMPARE(w->test_All->text(), QStringLiteral("    0"));
        QCOMPARE(bench_->Register(2, 29), 10); // only a write changes the instrument
        QTest::mouseClick(w->Key_UFout, Qt::LeftButton);
        Quiet();
        QCOMPARE(bench_->Register(2, 28), 0);
        QCOMPARE(bench_->Register(2, 29), 0);
        QCOMPARE(bench_->Register(2, 30), 0);
    }

    // "База => Прибор" chosen, the window closed: the adjustment window's
    // next activation writes the database's table.
    void theWriteAfterTransferFlagMakesTheNextAdjustmentActivationWrite()
    {
        TNewBazaF* w = OpenFromAdjustment();
        QTest::mouseClick(w->key_P_Baza, Qt::LeftButton);
        TypePoints(w->GridBaza, Edited);
        QTest::mouseClick(w->typeMoveItem[1], Qt::LeftButton);
        QVERIFY(w->typeMoveItem[1]->isChecked());
        const auto before = Quiet().size();
        QTest::mouseClick(w->Key_Exit, Qt::LeftButton);
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(WriteAfterTransfer);
        QVERIFY(!PortOpenFlag);
        QCOMPARE(RecordPoints(FileRecord(512)), Edited);

        QApplication::setActiveWindow(Deb()); // the window manager's part
        QTRY_VERIFY(Deb()->isActiveWindow());
        const auto frames = FramesSince(Quiet(), before);
        QVERIFY(frames.size() >= 25);
        SensorTable derived{};
        SensorNumber = 512;
        DeriveSensorTable(Edited, derived);
        for (int a = 0; a <= 24; ++a) {
            const int expected = a == 11 ? 0 : a == 13 ? 140 : derived[a];
            QCOMPARE(frames[static_cast<std::size_t>(a)], WriteFrameText(2, a, expected));
        }
        QCOMPARE(bench_->Register(2, 0), 3900);
        QCOMPARE(Deb()->GridBaza->item(0, 1)->text(), QStringLiteral("  3900"));
    }

    void anEmptyRecordIsNeverWrittenIntoTheInstrument()
    {
        TNewBazaF* w = OpenFromAdjustment();
        const auto before = Quiet().size();
        QTest::mouseClick(w->key_Baza_P, Qt::LeftButton);
        QMessageBox* box = Message(w);
        QCOMPARE(box->text(), QStringLiteral("В базе нет данных сенсора 512: все семь точек равны 0. Перенос "
                                             "«База => Прибор» не выполнен, иначе прибор получил бы нулевую "
                                             "характеристику."));
        box->accept();
        QCOMPARE(Quiet().size(), before);
        QCOMPARE(bench_->Register(2, 0), 4000);

        // Nor on closing with "База => Прибор".
        QTest::mouseClick(w->typeMoveItem[1], Qt::LeftButton);
        QTest::mouseClick(w->Key_Exit, Qt::LeftButton);
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(!WriteAfterTransfer);
    }

    void wrongPointsShowTheInputErrorWindowAndStoreNothing()
    {
        TNewBazaF* w = OpenFromAdjustment();
        QTest::mouseClick(w->key_P_Baza, Qt::LeftButton);
        TypeIntoCell(w->GridBaza, 1, 1, QStringLiteral("4100"));
        QTest::mouseClick(w->Panel4, Qt::LeftButton); // a label of the panel is the panel
        QTRY_VERIFY(FormErrF->isVisible());
        QCOMPARE(FormErrF->GridBaza->item(1, 1)->text(), QStringLiteral("  4100"));
        QCOMPARE(RecordPoints(FileRecord(513)), SensorPointTable{});
        QTest::mouseClick(FormErrF->Button1, Qt::LeftButton);
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
        QTest::qWait(100);
        QCOMPARE(Cell(w->GridBaza, 1), QStringLiteral("4100")); // not loaded over

        TypeIntoCell(w->GridBaza, 1, 1, QStringLiteral("3500"));
        QTest::mouseClick(w->Label13, Qt::LeftButton);
        QCOMPARE(RecordPoints(FileRecord(513)), Factory);
        QCOMPARE(w->EditNS->text(), QStringLiteral("513"));
        QCOMPARE(Cell(w->GridBazaP, 0), QStringLiteral("  4000"));
    }

    // The sensor table takes the line from the database and gives it back.
    void theSensorTableTakesTheLineAndGivesItBack()
    {
        TNewBazaF* w = OpenFromAdjustment();
        QTest::mouseClick(w->Label21, Qt::LeftButton);
        TFBazaF* t = table_.get();
        QTRY_VERIFY(t->isActiveWindow());
        QCOMPARE(t->windowModality(), Qt::ApplicationModal);
        QVERIFY(!w->Port->IsOpen());
        QVERIFY(!PortOpenFlag);
        QCOMPARE(t->numSenE->text(), QStringLiteral("512"));
        QCOMPARE(t->Grid1->item(0, 0)->text(), QStringLiteral("  500"));

        for (int r = 0; r < SensorPointCount; ++r)
            TypeIntoCell(t->GridBaza, r, 1, QString::number(Edited[static_cast<std::size_t>(r)]));
        QTest::mouseClick(t->flagWrite, Qt::LeftButton);
        const auto before = Quiet().size();
        QTest::mouseClick(t->Key_DataEdit, Qt::LeftButton);
        QCOMPARE(FramesSince(Quiet(), before).size(), std::size_t(25 + 12));
        QCOMPARE(bench_->Register(2, 0), 3900);
        QVERIFY(!PortOpenFlag);

        QTest::mouseClick(t->Key__Exit, Qt::LeftButton);
        QTRY_VERIFY(!t->isVisible());
        QCOMPARE(t->windowModality(), Qt::NonModal);
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
        QVERIFY(w->Port->IsOpen());
        QVERIFY(PortOpenFlag);
        QCOMPARE(Cell(w->GridBaza, 0), QStringLiteral("  3900")); // the record the table stored
    }

    void everyControlHasANameAndASpokenName()
    {
        TNewBazaF* w = Base();
        const ControlNameReport names = CheckControlNames(w);
        QVERIFY2(names.unnamed.isEmpty(), qPrintable(names.unnamed.join(' ')));
        QCOMPARE(names.unspoken, QStringList());
        QVERIFY(names.checked > 40);
        QCOMPARE(w->Key_Exit->toolTip(), QStringLiteral("Выход  "));
        QCOMPARE(w->Key_UFin->toolTip(), QStringLiteral("Считать  данные  из прибора"));
        QCOMPARE(w->Key_UFout->text(), QStringLiteral("Запись"));
        QCOMPARE(w->typeMove->title(), QStringLiteral("Перенести данные  "));
        QCOMPARE(w->typeMoveItem[2]->text(), QStringLiteral("Нет  переноса"));
        QCOMPARE(w->Label21->text(), QStringLiteral("Работать  с  базой  сенсоров"));
        QCOMPARE(w->Label14->text(), QStringLiteral("ны  и  записаны  в  базу."));
        QCOMPARE(w->GridS->item(27, 0)->text(), QStringLiteral("Номер прибора  "));
        QCOMPARE(w->GridS->rowCount(), 31);
    }

    // A picture of the window for the documentation, on request only.
    void screenshots()
    {
        if (!qEnvironmentVariableIsSet("KAVREL_SCREENSHOTS"))
            QSKIP("screenshots only on request");
        const QString dir = qEnvironmentVariable("KAVREL_SCREENSHOTS");
        TNewBazaF* w = OpenFromAdjustment();
        QTest::mouseClick(w->key_P_Baza, Qt::LeftButton);
        TypePoints(w->GridBaza, Edited);
        QTest::mouseClick(w->Panel3, Qt::LeftButton);
        QTest::mouseClick(w->Key_UFin, Qt::LeftButton);
        Quiet();
        QVERIFY(w->grab().save(dir + QStringLiteral("/sensor-base.png")));
    }
};

int main(int argc, char** argv)
{
    CatchingApplication app(argc, argv);
    SensorBaseWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SensorBaseWindowTest.moc"
