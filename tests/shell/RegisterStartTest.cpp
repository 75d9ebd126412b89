// The test register over a run of the program: opened at start with what
// went wrong told, and written before the program ends, the user asked to
// try again while it cannot be.
#include "DateFields.h"
#include "RegisterStart.h"
#include "TempDir.h"
#include "TestFiles.h"
#include "TestRegister.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace {

RegisterRecord TestAt(int minute)
{
    ReadClock = [minute] { return ClockReading{2026, 5, 4, 10, minute, 0, 180}; };
    const ClockReading now = ReadDateTime();
    MonthFileName = "Test_05.txt";
    const std::string line = TestLine("Ким", 3);
    return TestRecordOf(now, "Ким", 3, 1207, 512, MonthFileName, line, AppendTestLine(line));
}

// Answers the exit question with `button` once `before` has run.
void AnswerExitQuestion(QMessageBox::StandardButton button, std::function<void()> before, QStringList* asked)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, button, before, asked] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible() || box->objectName() != QStringLiteral("RegisterExitQuestion"))
                continue;
            *asked << box->text();
            if (before)
                before();
            box->button(button)->click();
            timer->deleteLater();
            return;
        }
    });
    timer->start();
}

} // namespace

class RegisterStartTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<QWidget> main_;

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        main_ = std::make_unique<QWidget>();
        main_->show();
    }
    void cleanup()
    {
        FinishRegister();
        main_.reset();
        ReadClock = SystemClock;
        dir_.reset();
    }

    void whatCannotBeWrittenIsToldAtStartAndAskedForAtTheEnd()
    {
        QVERIFY(::mkdir("Kavrel.db", 0755) == 0);
        StartRegister(main_.get());
        QVERIFY(Register);
        QMessageBox* told = nullptr;
        QTRY_VERIFY((told = main_->findChild<QMessageBox*>(QStringLiteral("RegisterMessage"))) != nullptr);
        QVERIFY(told->text().startsWith(QStringLiteral("Журнал тестов Kavrel.db не может быть записан:\n"
                                                       "на этом месте папка, а не файл")));
        told->accept();
        QCOMPARE(Register->Add(TestAt(1)), std::string());
        QCOMPARE(Register->Add(TestAt(2)), std::string());
        QCOMPARE(Register->Pending().size(), 2u);

        // At the end: asked, the folder taken away, "Повторить": written.
        QStringList asked;
        AnswerExitQuestion(QMessageBox::Retry, [] { std::filesystem::remove("Kavrel.db"); }, &asked);
        FinishRegister();
        QVERIFY(!Register);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.front(), QStringLiteral("В журнал тестов Kavrel.db не записано тестов: 2.\nна этом месте папка, "
                                               "а не файл\n\nИх строки есть в файлах Test_MM.txt, но записи журнала "
                                               "(полная дата, номер прибора и сенсора) будут потеряны. Освободите место "
                                               "на диске или исправьте права доступа к файлу и нажмите «Повторить»."));
        TestRegister after;
        QCOMPARE(after.Open(), std::string());
        long long count = 0;
        RegisterError e;
        after.Store().Read({}, [&count](RegisterRecord&) { return ++count > 0; }, &e);
        QCOMPARE(count, 2);
    }

    void leavingWithoutWritingEndsAtOnce()
    {
        QVERIFY(::mkdir("Kavrel.db", 0755) == 0);
        StartRegister(main_.get());
        Register->Add(TestAt(1));
        QStringList asked;
        AnswerExitQuestion(QMessageBox::Discard, nullptr, &asked);
        FinishRegister();
        QVERIFY(!Register);
        QCOMPARE(asked.size(), 1);
        QVERIFY(std::filesystem::is_directory("Kavrel.db")); // nothing put in its place
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    RegisterStartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RegisterStartTest.moc"
