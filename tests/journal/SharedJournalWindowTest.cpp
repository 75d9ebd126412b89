// Two posts, each in its own working folder with its own register, test
// through the real online window against the simulated instrument; their
// main windows' status fields follow the sending; the dialog "Сервер
// журнала" checks the connection and saves Kavrel.ini; the results window
// with "Все посты" lists both posts' tests from a real PostgreSQL server,
// and when the server is away says so and lists the post's own.
#include "Cp1251.h"
#include "JournalSender.h"
#include "UiKit.h"
#include "DateFields.h"
#include "ExchangeGlobals.h"
#include "FileBytes.h"
#include "PersonList.h"
#include "PgServer.h"
#include "ServerStart.h"
#include "Settings.h"
#include "ScriptedOnline.h"
#include "Simulator.h"
#include "TKavNewF.h"
#include "TKavResultF.h"
#include "TKavrelF.h"
#include "TPrintF.h"
#include "TServerF.h"
#include "TempDir.h"
#include "TestFiles.h"
#include "TestRegister.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <sqlite3.h>

#include <filesystem>
#include <memory>

namespace {

constexpr int kTickMs = 150;

// With KAVREL_SCREENSHOTS naming a folder, the window as shown goes there
// as a PNG (the README's pictures).
void Shot(QWidget* w, const char* name)
{
    const QByteArray folder = qgetenv("KAVREL_SCREENSHOTS");
    if (!folder.isEmpty())
        w->grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(QString::fromLatin1(name)));
}

} // namespace

class SharedJournalWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> root_;
    std::unique_ptr<PgServer> pg_;
    TScriptedOnline on_;
    ClockReading now_;

    // The post's folder made the working folder, with its person list and
    // its [server] section.
    void EnterPost(const std::string& folder, const std::string& person, const ServerSettings& server)
    {
        std::filesystem::create_directory(root_->Path() / folder);
        std::filesystem::current_path(root_->Path() / folder);
        PutFile(PersonFileName, ToCp1251(person + "\r\n;\r\n"));
        std::string reason;
        QVERIFY(SaveServerSettings(server, &reason));
        ResetPersonList();
        ResetExchangeGlobals();
        PortOpenFlag = false;
    }

    void OpenOnline()
    {
        QVERIFY(on_.Open(kTickMs));
        on_.window->tab_FIO->setCurrentCell(0, 1);
    }

    void TestAt(ClockReading at, int v6)
    {
        now_ = at;
        QVERIFY(on_.Test(v6));
    }

    void CloseOnline()
    {
        QTest::mouseClick(on_.window->Key__Exit, Qt::LeftButton);
        QTRY_VERIFY(!on_.window->isVisible());
        on_.Reset();
    }

private slots:
    void init()
    {
        root_ = std::make_unique<TempDir>();
        pg_ = std::make_unique<PgServer>();
        QVERIFY2(pg_->Ok(), pg_->Error().c_str());
        QVERIFY(pg_->AddPost("post_a", "Депо 1"));
        QVERIFY(pg_->AddPost("post_b", "Депо 2"));
        QVERIFY(pg_->AddReader("officer"));
        ResetSettings();
        PortIndex = 3;
        PortName = "COM3";
        ResetDateFields();
        ReadClock = [this] { return now_; };
        now_ = {2026, 3, 2, 8, 0, 0, 180};
    }
    void cleanup()
    {
        on_.Reset();
        Register = nullptr;
        ReadClock = SystemClock;
        pg_.reset();
        root_.reset();
    }

    void testsAtTwoPostsMeetInTheSharedJournal()
    {
        // Post 1: two tests; its main window's field follows them out.
        EnterPost("depot1", "Орлов О. О.", {"Депо 1", pg_->Connection("post_a"), ""});
        {
            TestRegister reg;
            QCOMPARE(reg.Open(), std::string());
            Register = &reg;
            QMainWindow main;
            StartServer(&main);
            auto* field = main.findChild<QLabel*>(QStringLiteral("StatusBar_Server"));
            QVERIFY(field);
            QTRY_COMPARE_WITH_TIMEOUT(field->text(), QStringLiteral("Сервер: всё отправлено"), 20000);
            OpenOnline();
            TestAt({2025, 12, 30, 17, 0, 0, 180}, 1);
            TestAt({2026, 3, 2, 8, 5, 10, 180}, 4);
            TestAt({2026, 3, 2, 9, 15, 0, 180}, 0);
            CloseOnline();
            QTRY_COMPARE_WITH_TIMEOUT(field->text(), QStringLiteral("Сервер: всё отправлено"), 20000);
            // The server away: the post goes on and its field says so.
            QVERIFY(pg_->Stop());
            OpenOnline();
            TestAt({2026, 3, 2, 9, 40, 0, 180}, 12);
            CloseOnline();
            QTRY_VERIFY_WITH_TIMEOUT(field->text().startsWith(QStringLiteral("Сервер: нет связи (connection to server at "
                                                                             "\"127.0.0.1\"")),
                                     20000);
            QVERIFY(pg_->Start());
            ServerSending()->Wake();
            QTRY_COMPARE_WITH_TIMEOUT(field->text(), QStringLiteral("Сервер: всё отправлено"), 20000);
            // Two rows changed on the server, and the post sending them
            // again (its notes lost): one message names the first and
            // counts the other; the server keeps its rows.
            QVERIFY(pg_->Sql("ALTER TABLE kavrel.journal DISABLE TRIGGER journal_no_update; "
                             "UPDATE kavrel.journal SET chain = repeat('f', 64) WHERE no <= 2; "
                             "ALTER TABLE kavrel.journal ENABLE TRIGGER journal_no_update").ok);
            {
                sqlite3* db = nullptr;
                QCOMPARE(sqlite3_open("Kavrel.db", &db), SQLITE_OK);
                QCOMPARE(sqlite3_exec(db, "DELETE FROM sent", nullptr, nullptr, nullptr), SQLITE_OK);
                sqlite3_close(db);
            }
            ServerSending()->Wake();
            QTRY_VERIFY_WITH_TIMEOUT(main.findChild<QMessageBox*>(QStringLiteral("ServerDiscrepancyMessage")), 20000);
            auto* told = main.findChild<QMessageBox*>(QStringLiteral("ServerDiscrepancyMessage"));
            QCOMPARE(told->text(), QStringLiteral("Запись № 1 поста «Депо 1» на сервере журнала отличается от записи "
                                                  "в журнале тестов этого поста.\nЗначение цепочки у поста: %1\nна "
                                                  "сервере: %2\n\nЗапись на сервере не изменена.")
                                       .arg(Q(reg.Store().RecordNumbered(1, nullptr)->chain), QString(64, 'f')));
            QTRY_COMPARE(told->informativeText(), QStringLiteral("Отличаются и другие записи поста: ещё 1, последняя № 2."));
            QCOMPARE(pg_->Rows("SELECT count(*) FROM kavrel.journal WHERE chain = repeat('f', 64)"),
                     std::vector<std::string>({"2"}));
            told->close();
            FinishServer();
            Register = nullptr;
        }

        // Post 2: one test; the dialog gives it the reader's connection for
        // the whole journal.
        EnterPost("depot2", "Петров П. П.", {"Депо 2", pg_->Connection("post_b"), ""});
        TestRegister reg;
        QCOMPARE(reg.Open(), std::string());
        Register = &reg;
        SaveSettings(); // the main window reads it at each activation
        TKavrelF main;
        TServerF dialog(&main);
        ServerF = &dialog;
        StartServer(&main);
        OpenOnline();
        TestAt({2026, 3, 2, 8, 30, 0, 180}, 2);
        CloseOnline();
        auto* field = main.findChild<QLabel*>(QStringLiteral("StatusBar_Server"));
        QTRY_COMPARE_WITH_TIMEOUT(field->text(), QStringLiteral("Сервер: всё отправлено"), 20000);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(field->isVisible());
        QCOMPARE(field->accessibleDescription(), QStringLiteral("Сервер журнала"));
        Shot(&main, "main-window-server.png");
        main.hide();

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.edit_Post->text(), QStringLiteral("Депо 2"));
        QCOMPARE(dialog.edit_Connection->text(), Q(pg_->Connection("post_b")));
        QTest::mouseClick(dialog.key_Check, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.lab_Answer->text().startsWith(QStringLiteral("Связь есть: PostgreSQL 15.")), 20000);
        QVERIFY2(dialog.lab_Answer->text().endsWith(QStringLiteral(", роль post_b. Роль отправляет записи поста «Депо 2».")),
                 qPrintable(dialog.lab_Answer->text()));
        dialog.edit_Journal->setText(Q(pg_->Connection("officer")));
        QTest::mouseClick(dialog.key_Check, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.lab_Answer->text().endsWith(QStringLiteral("Роль отправляет записи поста «Депо 2».")),
                                 20000);
        Shot(&dialog, "server-dialog.png");
        dialog.edit_Post->setText(QStringLiteral("Депо 2 "));
        QTest::mouseClick(dialog.key_Save, Qt::LeftButton);
        QTRY_VERIFY(!dialog.isVisible());
        QCOMPARE(LoadServerSettings(), (ServerSettings{"Депо 2", pg_->Connection("post_b"), pg_->Connection("officer")}));
        QCOMPARE(QString::fromUtf8(FileBytes("Kavrel.ini").c_str()),
                 QStringLiteral("[server]\nconnection=\"%1\"\njournal=\"%2\"\npost=Депо 2\n")
                     .arg(Q(pg_->Connection("post_b")), Q(pg_->Connection("officer"))));

        // The results window: the post's own lines, then every post's.
        TPrintF print;
        PrintF = &print;
        TKavResultF results;
        results.show();
        results.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&results));
        QTRY_VERIFY(results.RegisterShown());
        QCOMPARE(results.memo_R->toPlainText(), QStringLiteral("     1  02.03.2026 08:30:00 > Петров П. П.  -  0.2"));
        QVERIFY(results.box_AllPosts->isVisible());
        QTest::mouseClick(results.box_AllPosts, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(results.ServerShown(), 20000);
        QCOMPARE(results.memo_R->toPlainText(),
                 QStringLiteral("Депо 1  |     2  02.03.2026 08:05:10 > Орлов О. О.  -  0.4\n"
                                "Депо 2  |     1  02.03.2026 08:30:00 > Петров П. П.  -  0.2\n"
                                "Депо 1  |     3  02.03.2026 09:15:00 > Орлов О. О.  -  0.0\n"
                                "Депо 1  |     4  02.03.2026 09:40:00 > Орлов О. О.  -  1.2"));
        // The year choice has the other post's years too; 2025 holds its
        // test of that year only.
        QStringList years;
        for (int i = 0; i < results.box_Year->count(); ++i)
            years << results.box_Year->itemText(i);
        QCOMPARE(years, QStringList({"Все годы", "2025", "2026"}));
        QCOMPARE(results.box_Year->currentText(), QStringLiteral("2026"));
        // The server's chains checked: the rows changed there are found.
        QTRY_COMPARE_WITH_TIMEOUT(results.ServerAsked(), 0, 20000);
        auto* check = results.findChild<QMessageBox*>(QStringLiteral("ServerCheckMessage"));
        QVERIFY(check);
        QCOMPARE(check->text(), QStringLiteral("Журнал на сервере не совпадает с журналами постов:\n"
                                               "пост «Депо 1»: запись № 1 от 30.12.2025, Орлов О. О., изменена на "
                                               "сервере"));
        check->close();
        Shot(&results, "results-all-posts.png");
        // The month choice works on the server's lines too.
        results.box_M->setCurrentIndex(2);
        QTRY_VERIFY_WITH_TIMEOUT(results.ServerShown() && results.ListedCount() == 0, 20000);
        results.box_M->setCurrentIndex(3);
        QTRY_VERIFY_WITH_TIMEOUT(results.ServerShown() && results.ListedCount() == 4, 20000);
        results.box_M->setCurrentIndex(0);
        results.box_Year->setCurrentIndex(1);
        QTRY_VERIFY_WITH_TIMEOUT(results.ServerShown() && results.ListedCount() == 1, 20000);
        QCOMPARE(results.memo_R->toPlainText(), QStringLiteral("Депо 1  |     1  30.12.2025 17:00:00 > Орлов О. О.  -  0.1"));
        results.box_Year->setCurrentIndex(2);

        // The server away: said so, and the post's own lines stay.
        QVERIFY(pg_->Stop());
        results.box_M->setCurrentIndex(3);
        QTRY_VERIFY_WITH_TIMEOUT(results.lab_Server->text().startsWith(QStringLiteral("Нет связи с сервером журнала (")),
                                 20000);
        QVERIFY(results.lab_Server->text().endsWith(QStringLiteral("). Показаны записи этого поста.")));
        QVERIFY(!results.ServerShown());
        QCOMPARE(results.memo_R->toPlainText(), QStringLiteral("     1  02.03.2026 08:30:00 > Петров П. П.  -  0.2"));
        results.close();
        // The dialog's check says why there is no connection, in libpq's words.
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.key_Check, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.lab_Answer->text().startsWith(
                                     QStringLiteral("Нет связи с сервером: connection to server at \"127.0.0.1\", port ")),
                                 20000);
        QVERIFY2(dialog.lab_Answer->text().contains(QStringLiteral("Connection refused")),
                 qPrintable(dialog.lab_Answer->text()));
        dialog.close();
        FinishServer();
        ServerF = nullptr;
        PrintF = nullptr;
        Register = nullptr;
    }
};

QTEST_MAIN(SharedJournalWindowTest)
#include "SharedJournalWindowTest.moc"
