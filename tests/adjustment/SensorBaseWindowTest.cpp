// The sensor database window, opened from the adjustment window as the
// staff do, against the service bench (the simulated instrument on a real
// pseudo-terminal), headless, driven by mouse and keys.
#include "TNewBazaF.h"

#include "Bytes.h"
#include "CatchingApplication.h"
#include "CheckState.h"
#include "Cp1251.h"
#include "ControlNames.h"
#include "FileBytes.h"
#include "JournalFile.h"
#include "KeyTyping.h"
#include "SensorState.h"
#include "ReplyFaults.h"
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
#include <tuple>

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

// What a cell shows: its open editor's text, or its own.
QString Shown(QTableWidget* grid, int row)
{
    if (auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(row, 1))))
        return editor->text();
    return Cell(grid, row);
}


// Group 5 (sensors 500..599) with records of the given points and notes.
void PutGroup5(const std::vector<std::tuple<int, SensorPointTable, QString>>& records)
{
    std::string bytes(SensorGroupFileSize, '\0');
    for (const auto& [slot, points, note] : records) {
        char* r = bytes.data() + slot * SensorRecordSize;
        for (int k = 0; k < SensorPointCount; ++k)
            PackWord(reinterpret_cast<std::uint8_t*>(r + 2 * k), points[static_cast<std::size_t>(k)]);
        const std::string text = ToCp1251(note.toStdString());
        for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
            r[SensorNoteOffset + i] = text[i + 1];
            r[SensorNoteOffset + i + 1] = text[i];
        }
    }
    PutFile(SensorGroupFileName(500), bytes);
}

QString FileNote(int number)
{
    return QString::fromStdString(RecordNote(FileRecord(number)));
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
        SetJournalClock([] { return TJournalClock{"09.12.2026", "11:00:00"}; });
    }

    void cleanup()
    {
        ReadingFlag = false;
        deb_.reset();
        base_.reset();
        table_.reset();
        FormErrF = nullptr;
        formErr_.reset();
        bench_.reset();
        SetMainStatus = nullptr;
        SetJournalClock({});
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
        QCOMPARE(w->EditText->text(), QStringLiteral("KV: 1207-XX "));

        TypePoints(w->GridBaza, Edited);
        QTest::mouseClick(w->Panel3, Qt::LeftButton);
        QCOMPARE(RecordPoints(FileRecord(512)), Edited);
        QCOMPARE(Cell(w->GridBaza, 0), QStringLiteral("  3900"));
        QCOMPARE(Cell(w->GridBazaP, 0), QStringLiteral("  4000"));
        QCOMPARE(Cell(w->GridS, 12), QStringLiteral("  3500"));

        const auto before = Quiet().size();
        QTest::mouseClick(w->key_Baza_P, Qt::LeftButton);
        const auto frames = Collapsed(FramesSince(Quiet(), before));
        QCOMPARE(frames.size(), std::size_t(2 + 25 + 25 + 12));
        SensorTable derived{};
        SensorNumber = 512;
        DeriveSensorTable(Edited, derived);
        // Words 11 and 13 read first and written as the instrument holds them.
        QCOMPARE(frames[0], ReadFrameText(2, 11));
        QCOMPARE(frames[1], ReadFrameText(2, 13));
        for (int a = 0; a <= 24; ++a) {
            const int expected = a == 11 ? 0 : a == 13 ? 140 : derived[a];
            QCOMPARE(frames[static_cast<std::size_t>(2 + a)], WriteFrameText(2, a, expected));
            QCOMPARE(bench_->Register(2, a), expected);
        }
        for (int a = 0; a <= 24; ++a) // read back
            QCOMPARE(frames[static_cast<std::size_t>(27 + a)], ReadFrameText(2, a));
        QCOMPARE(std::vector<std::string>(frames.begin() + 52, frames.end()), NumberReadFrames());
        QVERIFY(!w->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed")));
        QCOMPARE(Cell(w->GridBazaP, 0), QStringLiteral("  3900"));
        QVERIFY(LastError.empty());
        // The adjustment window's read on opening, then the transfer.
        QCOMPARE(ServiceJournalLines(),
                 QStringList({ServiceJournalHeadingLine,
                              QStringLiteral("09.12.2026;11:00:00;1207;512;не указан;20261209-110000;характеристика;подтверждена;"
                                             "База => Прибор, сенсор 512;точки до 4000 3500 3000 2000 1800 1000 500;"
                                             "точки после 3900 3400 2900 1900 1700 900 400;в приборе 3900 3400 2900 1900 1700 900 400;"
                                             "слово 11 0 -> 0;слово 13 140 -> 140;.")}));
    }

    // One reply in seven broken on the line, in each way a line breaks one:
    // "Прием" shows what the instrument holds, "База => Прибор" and
    // "Запись" are confirmed by their read-back, and nothing waits for the
    // give-up.
    void aBrokenReplyNeverBecomesAValue()
    {
        PutGroup5({{12, Edited, QStringLiteral("стенд")}});
        SensorNumber = 512;
        TNewBazaF* w = OpenAlone();
        const auto done = [w] { return !w->Base.Exchange.Busy(); };
        int k = 0;
        for (const TReplyFault& fault : ReplyFaults()) {
            const QByteArray what = QByteArray::fromStdString(fault.Name);
            fault.Set(bench_->Line(), 7);
            QTest::mouseClick(w->Key_UFin, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(done(), 20000);
            for (int a : {27, 28, 29, 30, 31})
                QVERIFY2(Data_Sen[a] == bench_->Register(2, a), what + " word " + QByteArray::number(a));

            ++k;
            TypeIntoCell(w->GridBaza, 0, 1, QString::number(Edited[0] - 10 * k));
            QTest::mouseClick(w->key_Baza_P, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(done(), 20000);
            QVERIFY2(!w->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed")), what);
            QCOMPARE(bench_->Register(2, 0), Edited[0] - 10 * k);
            QCOMPARE(bench_->Register(2, 13), 140);

            TypeInto(w->edNum_EEPROM, QString::number(1300 + k));
            QTest::mouseClick(w->Key_UFout, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(done(), 20000);
            QVERIFY2(!w->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed")), what);
            QCOMPARE(bench_->Register(2, 27), 1300 + k);
            ClearReplyFaults(bench_->Line());
        }
        QVERIFY(LastError.empty());
    }

    void numbersAndStatisticsAreWrittenAndReadBack()
    {
        TNewBazaF* w = OpenAlone();
        QTest::mouseClick(w->Key_UFin, Qt::LeftButton);
        QCOMPARE(Collapsed(Quiet()), NumberReadFrames());
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
        const auto frames = Collapsed(FramesSince(Quiet(), before)); // a frame asked for again counts once
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
        QCOMPARE(ServiceJournalLines(),
                 QStringList({ServiceJournalHeadingLine,
                              QStringLiteral("09.12.2026;11:00:00;1234;77;не указан;20261209-110000;номера;подтверждена;прибор 1207 -> 1234;"
                                             "сенсор 512 -> 77;время работы 62 -> 62;тестов 3 -> 10;"
                                             "тестов >= 0.3 1 -> 4;.")}));
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
        const auto frames = Collapsed(FramesSince(Quiet(), before));
        QVERIFY(frames.size() >= 27);
        SensorTable derived{};
        SensorNumber = 512;
        DeriveSensorTable(Edited, derived);
        for (int a = 0; a <= 24; ++a) {
            const int expected = a == 11 ? 0 : a == 13 ? 140 : derived[a];
            QCOMPARE(frames[static_cast<std::size_t>(2 + a)], WriteFrameText(2, a, expected));
        }
        QCOMPARE(bench_->Register(2, 0), 3900);
        QCOMPARE(Deb()->GridBaza->item(0, 1)->text(), QStringLiteral("  3900"));
        // Written, and journaled, by the adjustment window: the gas and test
        // it shows, no delta.
        QCOMPARE(ServiceJournalLines(),
                 QStringList({ServiceJournalHeadingLine,
                              QStringLiteral("09.12.2026;11:00:00;1207;512;не указан;20261209-110000;характеристика;подтверждена;газ 0.30;"
                                             "последний тест 0.61 1834 мВ;дельта 0 мВ;"
                                             "точки до 4000 3500 3000 2000 1800 1000 500;"
                                             "точки после 3900 3400 2900 1900 1700 900 400;в приборе 3900 3400 2900 1900 1700 900 400;"
                                             "слово 11 0 -> 0;слово 13 140 -> 140;.")}));
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
        QCOMPARE(Collapsed(FramesSince(Quiet(), before)).size(), std::size_t(2 + 25 + 25 + 12));
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

    // An instrument that echoes a write but keeps another value in one word
    // (a weak cell): the read-back finds it and the window names it. While
    // the write and its read-back run, the window neither closes nor starts
    // another list. A write the instrument keeps is not told.
    void aWriteIsReadBackWordByWordAndHoldsTheWindowMeanwhile()
    {
        TNewBazaF* w = OpenFromAdjustment();
        QTest::mouseClick(w->key_P_Baza, Qt::LeftButton);
        TypePoints(w->GridBaza, Edited);
        QTest::mouseClick(w->Panel3, Qt::LeftButton);
        bool weak = true;
        const auto listEnd = w->Base.Exchange.Hooks.ListEnd;
        w->Base.Exchange.Hooks.ListEnd = [&, listEnd](bool writeList) {
            if (writeList && weak)
                bench_->SetWord(5, 1234); // after its write was echoed
            listEnd(writeList);
        };
        const auto before = Quiet().size();
        QTest::mouseClick(w->key_Baza_P, Qt::LeftButton);
        QVERIFY(!w->Key_Exit->isEnabled());
        QVERIFY(!w->Key_UFin->isEnabled());
        QVERIFY(!w->Key_UFout->isEnabled());
        QVERIFY(!w->Panel5->isEnabled());
        QTest::mouseClick(w->Key_Exit, Qt::LeftButton);
        w->close();
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(w->isVisible());

        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = w->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed"))) != nullptr);
        QCOMPARE(box->text(), QStringLiteral("Запись не подтверждена: характеристика.\n"
                                             "Прибор хранит не то, что в него записано.\n"
                                             "слово 5: записано 1900, прочитано 1234\n"
                                             "Проверьте связь с прибором и запишите снова."));
        QCOMPARE(Collapsed(FramesSince(Quiet(), before)).size(), std::size_t(2 + 25 + 25 + 12)); // the write ran whole
        QVERIFY(w->isVisible());
        QVERIFY(w->Port->IsOpen());
        QVERIFY(w->Key_Exit->isEnabled());
        box->accept();

        weak = false;
        QTest::mouseClick(w->key_Baza_P, Qt::LeftButton);
        Quiet();
        QCOMPARE(bench_->Register(2, 5), 1900);
        QVERIFY(!w->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed")));
        QTest::mouseClick(w->Key_Exit, Qt::LeftButton);
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(!PortOpenFlag);
    }

    // A silent instrument: polling is given up and the line freed, so that
    // "Прием" opens it again; a write cut short by the silence is told as
    // unconfirmed, word by word, and only that is told.
    void aSilentInstrumentIsToldAndTheLineOpensAgain()
    {
        TNewBazaF* w = OpenAlone();
        ReadingFlag = true; // a check window polls
        bench_->SetSilent(true);
        QTest::mouseClick(w->Key_UFin, Qt::LeftButton);
        QMessageBox* box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = w->findChild<QMessageBox*>(QStringLiteral("BaseMessage"))) != nullptr, 20000);
        QCOMPARE(box->text(), QStringLiteral("Прибор не отвечает: обмен прекращён. Проверьте подключение прибора и повторите."));
        QVERIFY(!w->Port->IsOpen());
        QVERIFY(!PortOpenFlag);
        box->accept();
        ReadingFlag = false;
        bench_->SetSilent(false);
        auto before = bench_->Frames().size();
        QTest::mouseClick(w->Key_UFin, Qt::LeftButton);
        QCOMPARE(Collapsed(FramesSince(Quiet(), before)), NumberReadFrames());
        QVERIFY(PortOpenFlag);
        QCOMPARE(w->edNum_EEPROM->text(), QStringLiteral(" 1207"));

        const int tests03 = bench_->Register(2, 30);
        TypeInto(w->edNum_EEPROM, QStringLiteral("1234"));
        bench_->SetSilent(true);
        QTest::mouseClick(w->Key_UFout, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT((box = w->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed"))) != nullptr,
                                 20000);
        QCOMPARE(box->text(), QStringLiteral("Запись не подтверждена: номера.\n"
                                             "Прибор перестал отвечать, записанное не прочитано обратно.\n"
                                             "слово 27: записано 1234, не прочитано\n"
                                             "слово 31: записано 512, не прочитано\n"
                                             "слово 28: записано 62, не прочитано\n"
                                             "слово 29: записано 3, не прочитано\n"
                                             "слово 30: записано %1, не прочитано\n"
                                             "Проверьте связь с прибором и запишите снова.")
                                  .arg(tests03));
        QVERIFY(!w->findChild<QMessageBox*>(QStringLiteral("BaseMessage")));
        QVERIFY(!PortOpenFlag);
        QVERIFY(w->Key_Exit->isEnabled());
        box->accept();
        bench_->SetSilent(false);
        before = bench_->Frames().size();
        QTest::mouseClick(w->Key_UFin, Qt::LeftButton);
        QCOMPARE(Collapsed(FramesSince(Quiet(), before)), NumberReadFrames());
    }

    // Every record keeps its own note, whichever sensor was shown before;
    // only "=>" (instrument to database) gives a record the device note.
    // The number shown is the sensor whose record is shown, also after the
    // sensor table chose another one.
    void eachRecordKeepsItsNoteAndTheNumberShownIsItsSensor()
    {
        PutGroup5({{12, Factory, QStringLiteral("Петров стенд 2")}, {30, Edited, QStringLiteral("Иванов")}});
        TNewBazaF* w = OpenFromAdjustment();
        QCOMPARE(w->EditNS->text(), QStringLiteral("512"));
        QCOMPARE(w->EditText->text(), QStringLiteral("Петров стенд 2"));

        QTest::mouseClick(w->Label21, Qt::LeftButton);
        TFBazaF* t = table_.get();
        QTRY_VERIFY(t->isActiveWindow());
        const QRect row31 = t->Grid1->visualItemRect(t->Grid1->item(30, 1));
        QVERIFY(t->Grid1->viewport()->rect().contains(row31.center()));
        QTest::mouseClick(t->Grid1->viewport(), Qt::LeftButton, {}, row31.center());
        QCOMPARE(SensorNumber, 530);
        QTest::mouseClick(t->Key__Exit, Qt::LeftButton);
        QTRY_VERIFY(!t->isVisible());
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
        QCOMPARE(w->EditNS->text(), QStringLiteral("530"));
        QCOMPARE(Cell(w->GridBaza, 0), QStringLiteral("  3900"));
        QCOMPARE(w->EditText->text(), QStringLiteral("Иванов"));

        TypeIntoCell(w->GridBaza, 0, 1, QStringLiteral("3950"));
        QTest::mouseClick(w->Panel3, Qt::LeftButton);
        QCOMPARE(RecordPoints(FileRecord(530))[0], 3950);
        QCOMPARE(FileNote(530), QStringLiteral("Иванов"));

        QTest::mouseClick(w->Key_Plus, Qt::LeftButton);
        QCOMPARE(w->EditNS->text(), QStringLiteral(" 531"));
        QTest::mouseClick(w->key_P_Baza, Qt::LeftButton);
        QCOMPARE(FileNote(531), QStringLiteral("KV: 1207-XX "));
        QCOMPARE(w->EditText->text(), QStringLiteral("KV: 1207-XX "));
        QTest::mouseClick(w->Key_Minus, Qt::LeftButton);
        QCOMPARE(w->EditNS->text(), QStringLiteral("530"));
        QCOMPARE(w->EditText->text(), QStringLiteral("Иванов"));
        TypeIntoCell(w->GridBaza, 0, 1, QStringLiteral("3900"));
        QTest::mouseClick(w->Panel3, Qt::LeftButton);
        QCOMPARE(RecordPoints(FileRecord(530))[0], 3900);
        QCOMPARE(FileNote(530), QStringLiteral("Иванов"));

        // A new record for the next sensor: its own (empty) note, its number shown.
        QTest::mouseClick(w->Key_Plus, Qt::LeftButton);
        QTest::mouseClick(w->Panel4, Qt::LeftButton);
        QCOMPARE(w->EditNS->text(), QStringLiteral("532"));
        QCOMPARE(RecordPoints(FileRecord(532)), RecordPoints(FileRecord(531)));
        QCOMPARE(FileNote(532), QString());
        QCOMPARE(w->EditText->text(), QString());
        QCOMPARE(FileNote(512), QStringLiteral("Петров стенд 2"));
    }

    // Switching to another program and back is no activation: what is
    // typed stays, nothing is stored or sent. A value typed without Enter
    // is the value used when the window closes.
    void typedValuesStayWhenTheUserComesBackAndCountWhenTheWindowCloses()
    {
        TNewBazaF* w = OpenFromAdjustment();
        QTest::mouseClick(w->key_P_Baza, Qt::LeftButton);
        QTest::mouseClick(w->typeMoveItem[0], Qt::LeftButton); // "Прибор => База" on activation
        TypeWithoutEnter(w->GridBaza, 0, QStringLiteral("3950"));
        const std::string file = FileBytes("Hun05.fig");
        const auto frames = bench_->Frames().size();
        QApplication::setActiveWindow(nullptr); // another program takes the focus
        QTRY_VERIFY(!w->isActiveWindow());
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
        QTest::qWait(200);
        QCOMPARE(Shown(w->GridBaza, 0), QStringLiteral("3950"));
        QCOMPARE(FileBytes("Hun05.fig"), file);
        QCOMPARE(bench_->Frames().size(), frames);

        QTest::mouseClick(w->typeMoveItem[1], Qt::LeftButton); // "База => Прибор" on closing
        TypeWithoutEnter(w->GridBaza, 1, QStringLiteral("3450"));
        QTest::mouseClick(w->Key_Exit, Qt::LeftButton);
        QTRY_VERIFY(!w->isVisible());
        QCOMPARE(RecordPoints(FileRecord(512)), (SensorPointTable{3950, 3450, 3000, 2000, 1800, 1000, 500}));
        QVERIFY(WriteAfterTransfer);
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
