// The sensor table window against the service bench (the simulated
// instrument on a real pseudo-terminal), headless, driven by mouse and keys.
#include "TFBazaF.h"

#include "Bytes.h"
#include "CatchingApplication.h"
#include "ControlNames.h"
#include "Engineers.h"
#include "FileBytes.h"
#include "JournalFile.h"
#include "KeyTyping.h"
#include "SensorState.h"
#include "ReplyFaults.h"
#include "ServiceBench.h"
#include "TCommEr.h"
#include "TFormErrF.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

const SensorPointTable Edited = {3900, 3400, 2900, 1900, 1700, 900, 400};

// A group file whose record k holds the points 4000 + 10k down by 100s.
void PutGroup(const std::string& name)
{
    std::string bytes(SensorGroupFileSize, '\0');
    for (int k = 0; k < SensorGroupSize; ++k)
        for (int i = 0; i < SensorPointCount; ++i) {
            std::uint8_t word[2];
            PackWord(word, 4000 - 100 * i + 10 * k);
            bytes[k * 80 + 2 * i] = static_cast<char>(word[0]);
            bytes[k * 80 + 2 * i + 1] = static_cast<char>(word[1]);
        }
    PutFile(name, bytes);
}

SensorRecord FileRecord(int number)
{
    const std::string bytes = FileBytes(SensorGroupFileName(number));
    SensorRecord r{};
    std::copy_n(bytes.data() + (number % 100) * 80, 80, r.begin());
    return r;
}

// What a cell shows: its open editor's text, or its own.
QString Shown(QTableWidget* grid, int row)
{
    if (auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(row, 1))))
        return editor->text();
    return grid->item(row, 1)->text();
}


void ClickRow(QTableWidget* grid, int row)
{
    const QRect cell = grid->visualItemRect(grid->item(row - 1, 1));
    QVERIFY2(grid->viewport()->rect().contains(cell.center()), "row not on screen");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}


} // namespace

class SensorTableWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<TServiceBench> bench_;
    std::unique_ptr<TFormErrF> formErr_;
    std::unique_ptr<TFBazaF> window_;

    TFBazaF* Open(int sensor)
    {
        SensorNumber = sensor;
        window_ = std::make_unique<TFBazaF>();
        window_->show();
        [&] { QVERIFY(QTest::qWaitForWindowActive(window_.get())); }();
        return window_.get();
    }

    std::vector<std::string> Quiet() { return bench_->QuietFrames(); }

    // The points typed into the grid, one row after another.
    void TypePoints(TFBazaF* w, const SensorPointTable& points)
    {
        for (int r = 0; r < SensorPointCount; ++r)
            TypeIntoCell(w->GridBaza, r, 1, QString::number(points[r]));
    }

private slots:
    void init()
    {
        folder_ = std::make_unique<TempDir>();
        ResetSensorState();
        UseBenchPort();
        LastError.clear();
        formErr_ = std::make_unique<TFormErrF>();
        FormErrF = formErr_.get();
        bench_ = std::make_unique<TServiceBench>((folder_->Path() / "sim.log").string());
        PutGroup("Hun12.fig");
        SetJournalClock([] { return TJournalClock{"09.12.2026", "11:00:00"}; });
    }

    void cleanup()
    {
        window_.reset();
        FormErrF = nullptr;
        formErr_.reset();
        bench_.reset();
        SetJournalClock({});
        folder_.reset();
    }

    void activationShowsTheGroupAndSelectsTheSensor()
    {
        TFBazaF* w = Open(1234);
        QCOMPARE(w->windowTitle(), QStringLiteral("FBazaF"));
        QVERIFY(!w->isModal());
        QCOMPARE(w->Grid1->horizontalHeaderItem(0)->text(), QStringLiteral("сенсор"));
        QCOMPARE(w->Grid1->horizontalHeaderItem(7)->text(), QStringLiteral("2.0"));
        QCOMPARE(w->Grid1->item(0, 0)->text(), QStringLiteral(" 1200"));
        QCOMPARE(w->Grid1->item(99, 0)->text(), QStringLiteral(" 1299"));
        QCOMPARE(w->Grid1->item(34, 1)->text(), QStringLiteral("4340"));
        QCOMPARE(w->Grid1->currentRow(), 34);
        QCOMPARE(w->TopRow(), 35);
        QCOMPARE(w->numSenE->text(), QStringLiteral("1234"));
        QCOMPARE(w->GridBaza->item(0, 0)->text(), QStringLiteral("\"Чистый\" воздух"));
        QCOMPARE(w->GridBaza->item(0, 1)->text(), QStringLiteral("  4340"));
        QCOMPARE(w->Grid_S->item(10, 0)->text(), QStringLiteral("Дельта"));
        QCOMPARE(w->Grid_S->item(10, 1)->text(), QStringLiteral("    10"));
        QVERIFY(!w->PortB->IsOpen());
        QVERIFY(!PortOpenFlag);
    }

    void clickingARowMakesItsSensorCurrentAndScrollsByTheRule()
    {
        TFBazaF* w = Open(1270);
        QCOMPARE(w->TopRow(), 71); // the grid keeps its top row
        ClickRow(w->Grid1, 80);
        QCOMPARE(SensorNumber, 1279);
        QCOMPARE(w->numSenE->text(), QStringLiteral("1279"));
        QCOMPARE(w->TopRow(), 71); // the grid keeps its top row
        QCOMPARE(w->GridBaza->item(0, 1)->text(), QStringLiteral("  4790"));
        ClickRow(w->Grid1, 72);
        QCOMPARE(w->TopRow(), 72);
        QCOMPARE(SensorNumber, 1271);
        QCOMPARE(w->Grid1->currentRow(), 71);
    }

    void aTypedNumberWithEnterAndTheStepsMoveToThatSensor()
    {
        TFBazaF* w = Open(1234);
        TypeInto(w->numSenE, QStringLiteral("57"));
        // nothing before Enter
        QCOMPARE(SensorNumber, 1234);
        QTest::keyClick(w->numSenE, Qt::Key_Return);
        QCOMPARE(SensorNumber, 57);
        QCOMPARE(w->Grid1->item(0, 0)->text(), QStringLiteral("  000"));
        QCOMPARE(w->Grid1->currentRow(), 57);
        QTest::mouseClick(w->upN, Qt::LeftButton);
        QCOMPARE(w->numSenE->text(), QStringLiteral("58"));
        QCOMPARE(SensorNumber, 58);
        QTest::mouseClick(w->downN, Qt::LeftButton);
        QTest::mouseClick(w->downN, Qt::LeftButton);
        QCOMPARE(SensorNumber, 56);
        // Typed and left without Enter: the edit shows the sensor shown.
        TypeInto(w->numSenE, QStringLiteral("999"));
        QTest::mouseClick(w->txt_PlMinus, Qt::LeftButton);
        QCOMPARE(w->numSenE->text(), QStringLiteral("56"));
        QCOMPARE(SensorNumber, 56);
    }

    void wrongPointsShowTheInputErrorWindowAndTheGridStays()
    {
        TFBazaF* w = Open(1234);
        const std::string before = FileBytes("Hun12.fig");
        TypeIntoCell(w->GridBaza, 3, 1, QStringLiteral("5000"));
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        QTRY_VERIFY(FormErrF->isVisible());
        QCOMPARE(FormErrF->GridBaza->item(3, 1)->text(), QStringLiteral("  5000"));
        QCOMPARE(FileBytes("Hun12.fig"), before);
        QTest::mouseClick(FormErrF->Button1, Qt::LeftButton);
        QTRY_VERIFY(!FormErrF->isVisible());
        QApplication::setActiveWindow(w); // the window manager's part
        QTRY_VERIFY(w->isActiveWindow());
        QTest::qWait(100);
        QCOMPARE(w->GridBaza->item(3, 1)->text(), QStringLiteral("5000"));
    }

    void shiftingRaisesThePointsWithoutSaving()
    {
        TFBazaF* w = Open(1234);
        const std::string before = FileBytes("Hun12.fig");
        QTest::mouseClick(w->key_DelPl, Qt::LeftButton);
        QCOMPARE(w->GridBaza->item(0, 1)->text(), QStringLiteral("  4440"));
        QCOMPARE(w->GridBaza->item(6, 1)->text(), QStringLiteral("  3840"));
        QCOMPARE(FileBytes("Hun12.fig"), before);
        QCOMPARE(w->Grid1->item(34, 1)->text(), QStringLiteral("4340"));
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        QCOMPARE(RecordPoints(FileRecord(1234))[0], 4440);
        QCOMPARE(w->Grid1->item(34, 1)->text(), QStringLiteral("4440"));
        // flagWrite clear: nothing sent
        QVERIFY(bench_->Frames().empty());
    }

    // With engineer accounts, the sensor table opened from the main window
    // (no one signed in) keeps the group file and writes nothing.
    void withAccountsOnlyASessionWritesTheInstrument()
    {
        QVERIFY(WriteFileAtomically("engineers", AccountsText({{"Иванов И.И.", HashPassword("secret-1")}})));
        qputenv("KAVREL_ENGINEERS", QDir::current().absoluteFilePath(QStringLiteral("engineers")).toUtf8());
        LoadServiceAccounts();
        qunsetenv("KAVREL_ENGINEERS");
        TFBazaF* w = Open(1234);
        TypePoints(w, Edited);
        QTest::mouseClick(w->flagWrite, Qt::LeftButton);
        QString told;
        QTimer::singleShot(0, w, [w, &told] {
            if (auto* box = w->findChild<QMessageBox*>(QStringLiteral("SignInNeeded"))) {
                told = box->text();
                box->accept();
            }
        });
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        LoadServiceAccounts();
        QCOMPARE(told, QStringLiteral("Данные сенсора сохранены в базе. Запись в прибор выполняется только в "
                                      "сеансе наладки: войдите через панель «Наладка  прибора»."));
        QCOMPARE(RecordPoints(FileRecord(1234)), Edited);
        QVERIFY(!PortOpenFlag);
        QVERIFY(bench_->QuietFrames().empty());
    }

    void commitWithFlagWriteWritesTheInstrumentAndGivesTheLineBack()
    {
        TFBazaF* w = Open(1234);
        ClickRow(w->Grid1, 40);
        TypePoints(w, Edited);
        TypeInto(w->editTxt, QStringLiteral("Стенд 3, проверка"));
        QTest::mouseClick(w->flagWrite, Qt::LeftButton);
        QVERIFY(w->flagWrite->isChecked());
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        QVERIFY(PortOpenFlag);
        QVERIFY(w->PortB->IsOpen());
        QTRY_VERIFY(!PortOpenFlag);
        QVERIFY(!w->PortB->IsOpen());

        SensorTable derived{};
        SensorNumber = 1239;
        DeriveSensorTable(Edited, derived);
        const auto frames = Collapsed(Quiet());
        QCOMPARE(frames.size(), std::size_t(2 + 25 + 25 + 12));
        QCOMPARE(frames[0], ReadFrameText(2, 11)); // the words no table sets, read first
        QCOMPARE(frames[1], ReadFrameText(2, 13));
        for (int a = 0; a <= 24; ++a) {
            QCOMPARE(frames[static_cast<std::size_t>(2 + a)], WriteFrameText(2, a, Data_Sen[a]));
            QCOMPARE(frames[static_cast<std::size_t>(27 + a)], ReadFrameText(2, a)); // read back
        }
        QCOMPARE(frames[52], ReadFrameText(1, 0));
        QCOMPARE(frames[63], ReadFrameText(2, 30));
        QVERIFY(!w->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed")));
        for (int a : {0, 5, 10, 12, 14, 23, 24})
            QCOMPARE(bench_->Register(2, a), derived[a]);
        const SensorRecord r = FileRecord(1239);
        QCOMPARE(RecordPoints(r), Edited);
        QCOMPARE(QString::fromStdString(NoteText(r)).trimmed(), QStringLiteral("Стенд 3, проверка"));
        QCOMPARE(w->Grid1->item(39, 8)->text().trimmed(), QStringLiteral("Стенд 3  проверка"));
        QCOMPARE(w->progress_WrB->value(), 0);
        QVERIFY(LastError.empty());
    }

    // A point typed without Enter, the user away in another program and
    // back: the point is still there, and "Ввод" writes it. The instrument
    // echoes the write but keeps another value in word 0: the read-back
    // tells it. Meanwhile the window cannot be closed and "Ввод" waits. A
    // write the instrument keeps is not told.
    // One reply in seven broken on the line, in each way a line breaks one:
    // every "Ввод" with the write is confirmed by its read-back, the
    // instrument holds the points typed and keeps its words 11 and 13, and
    // nothing waits for the give-up.
    void aBrokenReplyNeverBecomesAValue()
    {
        TFBazaF* w = Open(1234);
        QTest::mouseClick(w->flagWrite, Qt::LeftButton);
        bench_->SetWord(11, 1);
        bench_->SetWord(13, 114);
        int k = 0;
        for (const TReplyFault& fault : ReplyFaults()) {
            const QByteArray what = QByteArray::fromStdString(fault.Name);
            fault.Set(bench_->Line(), 7);
            ++k;
            TypeWithoutEnter(w->GridBaza, 0, QString::number(4400 + 10 * k));
            QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!PortOpenFlag, 20000); // the line given back after the read-back
            QVERIFY2(!w->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed")), what);
            QCOMPARE(bench_->Register(2, 0), 4400 + 10 * k);
            QCOMPARE(bench_->Register(2, 11), 1);
            QCOMPARE(bench_->Register(2, 13), 114);
            for (int a : {0, 14, 23, 24, 27, 31})
                QVERIFY2(Bank2Image[a] == bench_->Register(2, a), what + " word " + QByteArray::number(a));
            ClearReplyFaults(bench_->Line());
        }
    }

    void aTypedPointIsWrittenAndConfirmedByItsReadBack()
    {
        TFBazaF* w = Open(1234);
        QTest::mouseClick(w->flagWrite, Qt::LeftButton);
        TypeWithoutEnter(w->GridBaza, 0, QStringLiteral("4400"));
        QApplication::setActiveWindow(nullptr); // another program takes the focus
        QTRY_VERIFY(!w->isActiveWindow());
        QApplication::setActiveWindow(w);
        QTRY_VERIFY(w->isActiveWindow());
        QTest::qWait(200);
        QCOMPARE(Shown(w->GridBaza, 0), QStringLiteral("4400"));
        QVERIFY(bench_->Frames().empty());

        TypeWithoutEnter(w->GridBaza, 1, QStringLiteral("4150"));
        bool weak = true;
        w->Table.Exchange.Hooks.ListEnd = [&](bool writeList) {
            if (writeList && weak)
                bench_->SetWord(0, 4000); // after its write was echoed
        };
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        QCOMPARE(RecordPoints(FileRecord(1234))[0], 4400);
        QCOMPARE(RecordPoints(FileRecord(1234))[1], 4150);
        QVERIFY(!w->Key__Exit->isEnabled());
        QVERIFY(!w->Key_DataEdit->isEnabled());
        w->close();
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(w->isVisible());

        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = w->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed"))) != nullptr);
        QCOMPARE(box->text(), QStringLiteral("Запись не подтверждена: характеристика.\n"
                                             "Прибор хранит не то, что в него записано.\n"
                                             "слово 0: записано 4400, прочитано 4000\n"
                                             "Проверьте связь с прибором и запишите снова."));
        QCOMPARE(Collapsed(Quiet()).size(), std::size_t(2 + 25 + 25 + 12));
        QVERIFY(!PortOpenFlag);
        QVERIFY(w->Key__Exit->isEnabled());
        box->accept();

        weak = false;
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        Quiet();
        QCOMPARE(bench_->Register(2, 0), 4400);
        QVERIFY(!w->findChild<QMessageBox*>(QStringLiteral("WriteUnconfirmed")));
        QTest::mouseClick(w->Key__Exit, Qt::LeftButton);
        QTRY_VERIFY(!w->isVisible());
        // One line per write; the second knows what the first left.
        QCOMPARE(ServiceJournalLines(),
                 QStringList({ServiceJournalHeadingLine,
                              QStringLiteral("09.12.2026;11:00:00;1207;512;не указан;-;характеристика;не подтверждена;"
                                             "из таблицы сенсоров, сенсор 1234;точки до неизвестны;"
                                             "точки после 4400 4150 4140 4040 3940 3840 3740;"
                                             "в приборе 4000 4150 4140 4040 3940 3840 3740;слово 11 0 -> 0;слово 13 140 -> 140;."),
                              QStringLiteral("09.12.2026;11:00:00;1207;512;не указан;-;характеристика;подтверждена;"
                                             "из таблицы сенсоров, сенсор 1234;"
                                             "точки до 4000 4150 4140 4040 3940 3840 3740;"
                                             "точки после 4400 4150 4140 4040 3940 3840 3740;"
                                             "в приборе 4400 4150 4140 4040 3940 3840 3740;слово 11 0 -> 0;слово 13 140 -> 140;.")}));
    }

    void aLineHeldByAnotherWindowIsToldAndNothingIsWritten()
    {
        TFBazaF* w = Open(1234);
        PortOpenFlag = true; // another window holds the line
        QTest::mouseClick(w->flagWrite, Qt::LeftButton);
        TypeIntoCell(w->GridBaza, 0, 1, QStringLiteral("4400"));
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = w->findChild<QMessageBox*>(QStringLiteral("TableMessage"))) != nullptr);
        QVERIFY(box->text().startsWith(QStringLiteral("Линия связи с прибором занята другим окном программы")));
        // stored in the file all the same
        QCOMPARE(RecordPoints(FileRecord(1234))[0], 4400);
        QTest::qWait(200);
        QVERIFY(bench_->Frames().empty());
        QVERIFY(!w->PortB->IsOpen());
        box->accept();
        w->close();
        // the other window's line is left alone
        QVERIFY(PortOpenFlag);
        PortOpenFlag = false;
    }

    void theNoteEditHoldsWhatARecordHolds()
    {
        TFBazaF* w = Open(1234);
        TypeInto(w->editTxt, QStringLiteral("1234567890123456789012345678901234567890"));
        QCOMPARE(w->editTxt->text().size(), 38);
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        QCOMPARE(QString::fromStdString(NoteText(FileRecord(1234))),
                 QStringLiteral("12345678901234567890123456789012345678"));
    }

    void everyControlHasANameAndASpokenName()
    {
        TFBazaF* w = Open(1234);
        const ControlNameReport names = CheckControlNames(w);
        QVERIFY2(names.unnamed.isEmpty(), qPrintable(names.unnamed.join(' ')));
        QCOMPARE(names.unspoken, QStringList());
        QVERIFY(names.checked > 15);
        QCOMPARE(w->Key_DataEdit->toolTip(), QStringLiteral("Пересчет  данных "));
        QCOMPARE(w->Key__Exit->toolTip(), QStringLiteral("Выход"));
        QCOMPARE(w->flagWrite->text(), QStringLiteral("Записать в прибор"));
        QCOMPARE(w->progress_WrB->maximum(), 5);
        QCOMPARE(w->Grid1->columnWidth(8), 202);
        QCOMPARE(w->Grid1->columnWidth(1), 52);
    }

    // A picture of the window for the documentation, on request only.
    void screenshots()
    {
        if (!qEnvironmentVariableIsSet("KAVREL_SCREENSHOTS"))
            QSKIP("screenshots only on request");
        const QString dir = qEnvironmentVariable("KAVREL_SCREENSHOTS");
        TFBazaF* w = Open(1234);
        TypeInto(w->editTxt, QStringLiteral("KV: 1207-XX  стенд"));
        QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
        QVERIFY(w->grab().save(dir + QStringLiteral("/sensor-table.png")));
    }
};

int main(int argc, char** argv)
{
    CatchingApplication app(argc, argv);
    SensorTableWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SensorTableWindowTest.moc"
