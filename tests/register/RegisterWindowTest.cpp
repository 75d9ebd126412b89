// The register through the real windows, against the simulated instrument
// on a pseudo-terminal: tests recorded by the online window across a new
// year, the results window's year choice, its CSV export and act, and what
// it tells of a register changed behind the program's back; a register that
// stops taking records while tests go on.
#include "Cp1251.h"
#include "DateFields.h"
#include "DialogAnswerer.h"
#include "ExchangeGlobals.h"
#include "FileBytes.h"
#include "FileFaults.h"
#include "PersonList.h"
#include "ProtocolPages.h"
#include "RegisterDb.h"
#include "Settings.h"
#include "ScriptedOnline.h"
#include "Simulator.h"
#include "Spoken.h"
#include "TKavNewF.h"
#include "TKavResultF.h"
#include "TPrintF.h"
#include "TempDir.h"
#include "TestFiles.h"
#include "TestRegister.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace {

constexpr int kTickMs = 150; // the online window's tick, shortened as in its own tests

// How many records another program finds in the register (SQLite's locks
// are a process's: only another program sees them).
std::string CountInAnotherProgram()
{
    QProcess reader;
    reader.start(QStringLiteral(REGISTER_READER), {QStringLiteral("Kavrel.db")});
    if (!reader.waitForFinished(30000))
        return "the reader did not end";
    return reader.readAllStandardOutput().toStdString();
}

} // namespace

class RegisterWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> folder_;
    TScriptedOnline on_;
    std::unique_ptr<TPrintF> print_;
    std::unique_ptr<TKavResultF> results_;
    std::unique_ptr<TestRegister> register_;
    ClockReading now_;

    void OpenOnline() { QVERIFY(on_.Open(kTickMs)); }

    void WaitModeSteps(int more) { QVERIFY(on_.WaitModeSteps(more)); }

    // One test ending at `at` with the result v6: the instrument goes
    // through mode 3 to mode 6, and the window records it.
    void TestAt(ClockReading at, int v6)
    {
        now_ = at;
        QVERIFY(on_.Test(v6));
    }

    void OpenResults()
    {
        if (!results_) {
            print_ = std::make_unique<TPrintF>();
            PrintF = print_.get();
            results_ = std::make_unique<TKavResultF>();
        }
        results_->show();
        results_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(results_.get()));
        QTRY_VERIFY(results_->RegisterShown());
    }

    QString Listed() { return results_->memo_R->toPlainText(); }

private slots:
    void init()
    {
        folder_ = std::make_unique<TempDir>();
        ResetSettings();
        PortIndex = 3;
        PortName = "COM3";
        PortOpenFlag = false;
        ResetPersonList();
        ResetExchangeGlobals();
        ResetDateFields();
        PrintActMode = false;
        now_ = {2025, 12, 31, 23, 58, 10, 180};
        ReadClock = [this] { return now_; };
        PutFile(PersonFileName, ToCp1251("Орлов О. О.\r\n;\r\n"));
        PutFile("Test_12.txt", ToCp1251("20.12 11:30 > Сидоров  -  0.2\r\n"));
        register_ = std::make_unique<TestRegister>();
        QCOMPARE(register_->Open(), std::string());
        Register = register_.get();
    }

    void cleanup()
    {
        results_.reset();
        PrintF = nullptr;
        print_.reset();
        on_.Reset();
        Register = nullptr;
        register_.reset();
        ReadClock = SystemClock;
        folder_.reset();
    }

    void testsAcrossTheNewYearAreKeptWithTheirYearsAndShownByYear()
    {
        OpenOnline();
        on_.window->tab_FIO->setCurrentCell(0, 1);
        QCOMPARE(on_.window->edit_FIO->text(), QStringLiteral("Орлов О. О."));
        TestAt({2025, 12, 31, 23, 58, 10, 180}, 4);
        TestAt({2025, 12, 31, 23, 59, 59, 180}, 0);
        TestAt({2026, 1, 1, 0, 0, 30, 180}, 12);
        // The month file is exactly as without the register; the file named
        // at activation takes the test after midnight too.
        QCOMPARE(FileBytes("Test_12.txt"), ToCp1251("20.12 11:30 > Сидоров  -  0.2\r\n"
                                                     "31.12 23:58 > Орлов О. О.  -  0.4\r\n"
                                                     "31.12 23:59 > Орлов О. О.  -  0.0\r\n"
                                                     "01.01 00:00 > Орлов О. О.  -  1.2\r\n"));
        QCOMPARE(SqliteRows("Kavrel.db", RegisterRowsSql),
                 std::vector<std::string>({
                     "1|20.12|11:30|||12|Сидоров|2|0.2|||Test_12.txt|20.12 11:30 > Сидоров  -  0.2|год не указан",
                     "2|31.12.2025|23:58:10|+03:00|2025|12|Орлов О. О.|4|0.4|1207|512|Test_12.txt|31.12 23:58 > "
                     "Орлов О. О.  -  0.4|",
                     "3|31.12.2025|23:59:59|+03:00|2025|12|Орлов О. О.|0|0.0|1207|512|Test_12.txt|31.12 23:59 > "
                     "Орлов О. О.  -  0.0|",
                     "4|01.01.2026|00:00:30|+03:00|2026|1|Орлов О. О.|12|1.2|1207|512|Test_12.txt|01.01 00:00 > "
                     "Орлов О. О.  -  1.2|",
                 }));
        QTest::mouseClick(on_.window->Key__Exit, Qt::LeftButton);
        QTRY_VERIFY(!on_.window->isVisible());

        // The results window opens on the current year.
        OpenResults();
        QComboBox* year = results_->findChild<QComboBox*>(QStringLiteral("box_Year"));
        QVERIFY(year && year->isVisible());
        QCOMPARE(year->currentText(), QStringLiteral("2026"));
        QStringList items;
        for (int i = 0; i < year->count(); ++i)
            items << year->itemText(i);
        QCOMPARE(items, QStringList({"Все годы", "2025", "2026", "год не указан"}));
        // The register's controls can be found and read by a screen reader.
        QCOMPARE(year->accessibleName(), QStringLiteral("Выбрать год"));
        QCOMPARE(SpokenName(results_->Label_Year), QStringLiteral("выбрать  год"));
        QCOMPARE(SpokenName(results_->key_Csv), QStringLiteral("Экспорт журнала"));
        QCOMPARE(results_->lab_Count->objectName(), QStringLiteral("lab_Count"));
        QCOMPARE(results_->lab_Count->accessibleDescription(), QStringLiteral("Сколько записей показано"));
        QCOMPARE(Listed(), QStringLiteral("     4  01.01.2026 00:00:30 > Орлов О. О.  -  1.2"));
        year->setCurrentIndex(1);
        QCOMPARE(Listed(), QStringLiteral("     2  31.12.2025 23:58:10 > Орлов О. О.  -  0.4\n"
                                          "     3  31.12.2025 23:59:59 > Орлов О. О.  -  0.0"));
        // The month choice within the year: the test's own month.
        results_->box_M->setCurrentIndex(1);
        QCOMPARE(Listed(), QString());
        year->setCurrentIndex(2);
        QCOMPARE(Listed(), QStringLiteral("     4  01.01.2026 00:00:30 > Орлов О. О.  -  1.2"));
        results_->box_M->setCurrentIndex(0);
        year->setCurrentIndex(0);
        QCOMPARE(Listed(), QStringLiteral("     1  20.12 11:30 > Сидоров  -  0.2  (год не указан)\n"
                                          "     2  31.12.2025 23:58:10 > Орлов О. О.  -  0.4\n"
                                          "     3  31.12.2025 23:59:59 > Орлов О. О.  -  0.0\n"
                                          "     4  01.01.2026 00:00:30 > Орлов О. О.  -  1.2"));
        // The person choice within the year.
        year->setCurrentIndex(1);
        QTest::mouseClick(results_->findChild<QAbstractButton*>(QStringLiteral("box_List_1")), Qt::LeftButton);
        QCOMPARE(results_->ListedCount(), 2); // selected in the online window
        results_->tab_FIO->setCurrentCell(3, 1);
        QCOMPARE(Listed(), QString()); // nobody
        results_->tab_FIO->setCurrentCell(0, 1);
        QCOMPARE(results_->ListedCount(), 2);

        // The year's journal as CSV, with the file named in the dialog.
        DialogAnswerer answers;
        QString offered;
        answers.onFileDialog = [&offered](QFileDialog* dialog) {
            offered = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            // Typed in, as the user would.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("журнал.csv"));
            static_cast<QDialog*>(dialog)->accept();
        };
        QTest::mouseClick(results_->key_Csv, Qt::LeftButton);
        QCOMPARE(answers.fileDialogs, 1);
        QCOMPARE(offered, QStringLiteral("Журнал_2025.csv"));
        QCOMPARE(FileBytes("журнал.csv"), ToCp1251("№;дата;время;ФИО;результат;прибор;сенсор;примечание\r\n"
                                                   "2;31.12.2025;23:58:10;Орлов О. О.;0,4;1207;512;\r\n"
                                                   "3;31.12.2025;23:59:59;Орлов О. О.;0,0;1207;512;\r\n"));

        // The act of the second line carries the record's number and year.
        QTest::mouseClick(results_->box_1, Qt::LeftButton);
        results_->grid_R->setCurrentCell(1, 0);
        QTest::mouseClick(results_->key_Print, Qt::LeftButton);
        QTRY_VERIFY(print_->isVisible());
        const QStringList page = print_->memo_R->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(page[9], QStringLiteral("                      АКТ ОСВИДЕТЕЛЬСТВОВАНИЯ N 3"));
        QCOMPARE(page[23].left(13), QStringLiteral("Орлов О. О. _"));
        QCOMPARE(page[31], QStringLiteral("Начало проведения освидетельствования 31.12.2025 23:59_____________________"));
        QCOMPARE(page[46], QStringLiteral("результат ___________________________0.0___________________ в 23  ч 59  мин"));
        print_->close();

        if (qEnvironmentVariableIsSet("KAVREL_SCREENSHOTS")) {
            QTest::mouseClick(results_->box_1, Qt::LeftButton);
            results_->findChild<QAbstractButton*>(QStringLiteral("box_List_0"))->click();
            year->setCurrentIndex(0);
            QTest::qWait(200); // laid out again
            QVERIFY(results_->grab().save(qEnvironmentVariable("KAVREL_SCREENSHOTS") +
                                          QStringLiteral("/results-register.png")));
        }
    }

    // A result changed with SQLite's own library and a line typed into the
    // month file are told when the window opens, once, and every line is
    // still listed.
    void changesBehindTheProgramAreToldOnOpening()
    {
        OpenOnline();
        on_.window->edit_FIO->setText(QStringLiteral("Ким"));
        TestAt({2025, 12, 31, 10, 0, 0, 180}, 3);
        TestAt({2025, 12, 31, 10, 5, 0, 180}, 5);
        on_.window->close();
        OpenResults();
        QVERIFY(results_->findChildren<QMessageBox*>(QStringLiteral("RegisterMessage")).isEmpty());
        results_->close();

        QCOMPARE(SqliteExec("Kavrel.db", "DROP TRIGGER tests_no_update; UPDATE tests SET result = '0.0', tenths = 0 "
                                         "WHERE no = 2; CREATE TRIGGER tests_no_update BEFORE UPDATE ON tests "
                                         "BEGIN SELECT RAISE(ABORT, 'x'); END;"),
                 std::string());
        PutFile("Test_12.txt", FileBytes("Test_12.txt") + ToCp1251("31.12 10:07 > Ким  -  0.0\r\n"));
        OpenResults();
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = results_->findChild<QMessageBox*>(QStringLiteral("RegisterMessage"))) != nullptr);
        QCOMPARE(box->text(),
                 QStringLiteral("Журнал тестов Kavrel.db не совпадает с тем, что записала в него программа:\n"
                                "- запись № 2 от 31.12.2025 10:00:00, Ким изменена или вставлена не программой: её "
                                "контрольная сумма не совпадает;\n"
                                "- строка 4 файла Test_12.txt «31.12 10:07 > Ким  -  0.0» не имеет записи в журнале "
                                "(вписана вручную?).\n\nВсе записи и строки показаны."));
        box->accept();
        QApplication::setActiveWindow(results_.get());
        QTRY_VERIFY(results_->isActiveWindow());
        QTRY_COMPARE(results_->findChildren<QMessageBox*>(QStringLiteral("RegisterMessage")).size(), 0);
        QTest::qWait(50);
        QCOMPARE(results_->findChildren<QMessageBox*>(QStringLiteral("RegisterMessage")).size(), 0);
        results_->findChild<QComboBox*>(QStringLiteral("box_Year"))->setCurrentIndex(0);
        QCOMPARE(Listed(), QStringLiteral("     1  20.12 11:30 > Сидоров  -  0.2  (год не указан)\n"
                                          "     2  31.12.2025 10:00:00 > Ким  -  0.3\n"
                                          "     3  31.12.2025 10:05:00 > Ким  -  0.5\n"
                                          "     —  31.12 10:07 > Ким  -  0.0  (нет записи в журнале)"));
    }

    // Another program reads the register while this one runs (the sqlite3
    // tool): the write-ahead log it shares with the program stays, and what
    // the program writes afterwards is there for everybody. The program's
    // file dialogs opened and closed the folder's files to tell their types,
    // which dropped SQLite's locks; the reader then removed the log.
    void aReaderBesideTheProgramRemovesNothing()
    {
        OpenOnline();
        on_.window->edit_FIO->setText(QStringLiteral("Ан"));
        TestAt({2025, 12, 31, 12, 0, 0, 180}, 1);
        on_.window->close();
        OpenResults();
        DialogAnswerer answers;
        answers.onFileDialog = [](QFileDialog* dialog) {
            QTest::qWait(300); // the folder listed, as the operator looks at it
            static_cast<QDialog*>(dialog)->reject();
        };
        QTest::mouseClick(results_->key_Csv, Qt::LeftButton);
        QCOMPARE(answers.fileDialogs, 1);
        QVERIFY(std::filesystem::exists("Kavrel.db-wal"));
        QCOMPARE(CountInAnotherProgram(), std::string("2"));
        QVERIFY(std::filesystem::exists("Kavrel.db-wal"));
        results_->close();

        OpenOnline();
        TestAt({2025, 12, 31, 12, 5, 0, 180}, 2);
        QCOMPARE(CountInAnotherProgram(), std::string("3"));
    }

    // The register stops taking records (its file may grow no more): the
    // operator is told once, the month lines go on, and the records follow
    // as soon as the file can grow again.
    void fullRegisterIsToldOnceAndCatchesUp()
    {
        OpenOnline();
        on_.window->edit_FIO->setText(QStringLiteral("Ли"));
        TestAt({2025, 12, 31, 11, 0, 0, 180}, 1);
        std::error_code ec;
        const auto biggest = std::max(std::filesystem::file_size("Kavrel.db", ec),
                                      std::filesystem::file_size("Kavrel.db-wal", ec));
        {
            FileSizeLimit limit(biggest);
            TestAt({2025, 12, 31, 11, 1, 0, 180}, 2);
            QMessageBox* box = nullptr;
            QTRY_VERIFY((box = on_.window->findChild<QMessageBox*>(QStringLiteral("RegisterFailureBox"))) != nullptr);
            QCOMPARE(box->text(), QStringLiteral("Результат теста не записан в журнал тестов Kavrel.db:\n"
                                                 "превышен допустимый размер файла\n\n"
                                                 "Запись хранится в памяти программы и будет записана в журнал, "
                                                 "как только это станет возможно.\n\n"
                                                 "31.12 11:01 > Ли  -  0.2"));
            box->accept();
            QApplication::setActiveWindow(on_.window.get());
            QTRY_VERIFY(on_.window->isActiveWindow());
            QTRY_COMPARE(on_.window->findChildren<QMessageBox*>(QStringLiteral("RegisterFailureBox")).size(), 0);
            TestAt({2025, 12, 31, 11, 2, 0, 180}, 3);
            QTest::qWait(3 * kTickMs);
            QCOMPARE(on_.window->findChildren<QMessageBox*>(QStringLiteral("RegisterFailureBox")).size(), 0);
            QVERIFY(on_.window->findChildren<QMessageBox*>(QStringLiteral("FailureBox")).isEmpty());
            QCOMPARE(Register->Pending().size(), 2u);
        }
        TestAt({2025, 12, 31, 11, 3, 0, 180}, 4);
        QVERIFY(Register->Pending().empty());
        QCOMPARE(SqliteRows("Kavrel.db", "SELECT no, time, result FROM tests WHERE year = 2025"),
                 std::vector<std::string>({"2|11:00:00|0.1", "3|11:01:00|0.2", "4|11:02:00|0.3", "5|11:03:00|0.4"}));
        QCOMPARE(MemoLines(on_.window->memo_test).size(), 5);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // As on a desktop: file icons come from a theme, by the files' types.
    QIcon::setThemeName(QStringLiteral("hicolor"));
    RegisterWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RegisterWindowTest.moc"
