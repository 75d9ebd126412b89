// A service session through the real windows against the service bench:
// the engineer signs in, states the gas, finds the instrument 0.05 off,
// adjusts it and leaves it right; the journal and the numbered certificate
// (on screen and as the printer gets it) say so. A second session left
// outside the tolerance is "не годен". Signing in: wrong passwords, the
// wait after five, no accounts file, an accounts file others may write.
#include "TDebNewF.h"

#include "CatchingApplication.h"
#include "Certificate.h"
#include "Engineers.h"
#include "ExchangeGlobals.h"
#include "Files.h"
#include "JournalFile.h"
#include "KeyTyping.h"
#include "PdfText.h"
#include "SensorState.h"
#include "ServiceBench.h"
#include "ServiceDoor.h"
#include "ServiceSession.h"
#include "SignInGuard.h"
#include "TFormErrF.h"
#include "TGasF.h"
#include "THistoryF.h"
#include "TPrintF.h"
#include "TSignInF.h"
#include "TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>
#include <sys/stat.h>

namespace {

constexpr int kTickMs = 150;
const char* const kPassword = "gas-0.30-ok";

// Runs `step` once the window named `name` is the active modal window:
// modal boxes run their own event loops, so each step of a scenario runs
// inside the loop of the window it drives.
void WhenActive(const char* name, std::function<void()> step)
{
    auto* poll = new QTimer;
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, [poll, name, step] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->objectName() != QLatin1String(name) || !w->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        step();
    });
    poll->start();
}

// Pictures for the documentation, on request only (KAVREL_SCREENSHOTS).
void Picture(QWidget* window, const char* name)
{
    if (!qEnvironmentVariableIsSet("KAVREL_SCREENSHOTS"))
        return;
    QTest::qWait(50);   // the layout takes in a message set just now
    window->grab().save(qEnvironmentVariable("KAVREL_SCREENSHOTS") + QLatin1Char('/') + QLatin1String(name)
                            + QStringLiteral(".png"));
}

QStringList Lines(const std::vector<std::string>& lines)
{
    QStringList list;
    for (const std::string& l : lines)
        list << QString::fromStdString(l);
    return list;
}

} // namespace

class ServiceSessionWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<TServiceBench> bench_;
    std::unique_ptr<TFormErrF> formErr_;
    std::unique_ptr<TPrintF> print_;
    std::unique_ptr<TDebNewF> window_;
    TJournalClock clock_;
    int listEnds_ = 0;
    bool stepsDone_ = false;

    void Engineers(mode_t mode)
    {
        ::mkdir("etc", 0755);
        QVERIFY(WriteFileAtomically("etc/engineers",
                                         AccountsText({{"Иванов И.И.", HashPassword(kPassword)},
                                                       {"Петров П.П.", HashPassword("another-one")}})));
        ::chmod("etc/engineers", mode);
        qputenv("KAVREL_ENGINEERS", QDir::current().absoluteFilePath(QStringLiteral("etc/engineers")).toUtf8());
        LoadServiceAccounts();
    }

    void WaitLists(int more)
    {
        const int target = listEnds_ + more;
        QTRY_VERIFY_WITH_TIMEOUT(listEnds_ >= target, 10000);
    }

    void TestAndRead(int completed)
    {
        bench_->StartTest();
        QTRY_COMPARE_WITH_TIMEOUT(bench_->TestsCompleted(), completed, 10000);
        QTest::mouseClick(window_->Key_Read, Qt::LeftButton);
        WaitLists(1);
    }

    // Signs in as Иванов and states the gas (an expired one first).
    void SignInAndStateGas(bool pictures = false)
    {
        WhenActive("SignInF", [pictures] {
            auto* box = qobject_cast<TSignInF*>(QApplication::activeModalWidget());
            QCOMPARE(box->box_Engineer->currentText(), QStringLiteral("Иванов И.И."));
            TypeInto(box->edit_Password, QString::fromLatin1(kPassword));
            if (pictures)
                Picture(box, "sign-in");
            QTest::mouseClick(box->key_SignIn, Qt::LeftButton);
        });
        WhenActive("GasF", [pictures] {
            auto* box = qobject_cast<TGasF*>(QApplication::activeModalWidget());
            TypeInto(box->edit_GasValue, QStringLiteral("0.30"));
            TypeInto(box->edit_GasLot, QStringLiteral("Б-17"));
            TypeInto(box->edit_GasExpiry, QStringLiteral("08.12.2026"));
            QTest::mouseClick(box->key_GasOk, Qt::LeftButton);
            QCOMPARE(box->lab_Gas->text(), QStringLiteral("Срок годности газа истек 08.12.2026: газ с истекшим "
                                                          "сроком для регулировки не годится."));
            QVERIFY(box->isVisible());
            if (pictures)
                Picture(box, "gas");
            TypeInto(box->edit_GasExpiry, QStringLiteral("31.12.2027"));
            QTest::mouseClick(box->key_GasOk, Qt::LeftButton);
        });
    }

    void RunSession(std::function<void()> inWindow)
    {
        stepsDone_ = false;
        const int before = listEnds_;
        WhenActive("DebNewF", [this, inWindow, before] {
            // A failing step returns from its lambda: the window closes anyway.
            [&] {
                QTRY_VERIFY_WITH_TIMEOUT(listEnds_ > before, 10000);   // the read on opening
                inWindow();
                stepsDone_ = true;
            }();
            window_->close();
        });
        RunServiceSession(nullptr, window_.get());
        QVERIFY(stepsDone_);
    }

    // The certificate the button shows, checked against the printer's PDF.
    QStringList Certificate()
    {
        QTest::mouseClick(window_->key_Protocol, Qt::LeftButton);
        if (!PrintF->isVisible())
            return {QStringLiteral("(no print window)")};
        QStringList shown = Lines(PrintF->PageText());
        const QString pdf = QDir::current().absoluteFilePath(QStringLiteral("certificate.pdf"));
        PrintF->PdfOutput = pdf;
        if (shown.value(0).endsWith(QStringLiteral("2026-0001")))
            Picture(PrintF, "certificate");
        QTest::mouseClick(PrintF->key_Print, Qt::LeftButton);
        QStringList printed;
        for (const PdfPage& page : PdfPagesOnGrid(pdf)) {
            QStringList lines = page.lines;
            while (lines.size() < 55)
                lines << QString();
            printed << lines;
        }
        PrintF->close();
        if (printed != shown) {
            for (int i = 0; i < std::max(printed.size(), shown.size()); ++i)
                if (printed.value(i) != shown.value(i))
                    qWarning("line %d printed [%s] shown [%s]", i, qPrintable(printed.value(i)), qPrintable(shown.value(i)));
            return {QStringLiteral("(the printed pages differ from the window)")};
        }
        return shown;
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
        TInstrumentSetup setup;
        setup.TimeScale = 0.05;
        setup.TrueZeroOffsetMv = 140;
        setup.TrueSupplyMv = 5000;
        bench_ = std::make_unique<TServiceBench>("", setup);
        window_ = std::make_unique<TDebNewF>();
        window_->Engine.Policy.TimerPeriodMs = kTickMs;
        auto end = window_->Engine.Hooks.ListEnd;
        window_->Engine.Hooks.ListEnd = [this, end] {
            end();
            ++listEnds_;
        };
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
        qunsetenv("KAVREL_ENGINEERS");
        LoadServiceAccounts();
        folder_.reset();
    }

    void aSessionFromSignInToItsCertificate()
    {
        Engineers(0644);
        QCOMPARE(ServiceAccounts().State, TAccountsState::Ready);
        SignInAndStateGas(true);
        RunSession([this] {
            TDebNewF* w = window_.get();
            QCOMPARE(w->edit_real_Kav->text(), QStringLiteral("  30"));
            // The newest stored test is older than the session: told, and a
            // write waits for a fresh one.
            QCOMPARE(w->lab_Link->text(), QStringLiteral("Последний тест прибора сделан до начала сеанса: сделайте "
                                                         "тест газом сеанса и нажмите «ЧИТАТЬ» (как найдено)."));
            QTest::mouseClick(w->write_Corr, Qt::LeftButton);
            QTRY_VERIFY(w->findChild<QMessageBox*>(QStringLiteral("AsFoundMissing")));
            w->findChild<QMessageBox*>(QStringLiteral("AsFoundMissing"))->accept();
            bench_->SetGas(30);
            clock_.Time = "10:16:00";
            TestAndRead(1);
            QCOMPARE(w->lab_Link->text(), QStringLiteral("Как найдено: 0.35 промилле при газе 0.30."));
            clock_.Time = "10:17:00";
            QTest::mouseClick(w->write_Corr, Qt::LeftButton);
            WaitLists(1);
            clock_.Time = "10:18:00";
            TestAndRead(2);
            clock_.Time = "10:19:00";
            const QStringList certificate = Certificate();
            QCOMPARE(certificate.mid(0, 30), QStringList({
                QStringLiteral("                   СВИДЕТЕЛЬСТВО О РЕГУЛИРОВКЕ № 2026-0001"),
                QStringLiteral("     прибора определения концентрации паров этанола \"Каврел 12кв\""),
                QString(),
                QStringLiteral("Прибор N 1207      Сенсор N 512      Дата 09.12.2026"),
                QStringLiteral("Наладчик: Иванов И.И."),
                QStringLiteral("Сеанс: 20261209-101502"),
                QStringLiteral("Газ: 0.30 промилле, партия Б-17, годен до 31.12.2027"),
                QStringLiteral("Допуск: ±0.05 промилле      Интервал регулировки: 12 мес."),
                QString(),
                QStringLiteral("Как найдено: тест 09.12.2026 10:16:00: 0.35 2430 мВ, разница +0.05"),
                QString(),
                QStringLiteral("Записи в прибор:"),
                QStringLiteral("1. 09.12.2026 10:17:00  Характеристика: запись подтверждена"),
                QStringLiteral("    дельта -150 мВ; точки до 4000 3500 3000 2000 1800 1000 500;"),
                QStringLiteral("    точки после 3850 3350 2850 1850 1650 850 350;"),
                QStringLiteral("    в приборе 3850 3350 2850 1850 1650 850 350; слово 11 0 -> 0;"),
                QStringLiteral("    слово 13 140 -> 140"),
                QString(),
                QStringLiteral("Как оставлено: тест 09.12.2026 10:18:00: 0.30 2430 мВ, разница 0.00"),
                QString(),
                QStringLiteral("Вывод: отрегулирован, годен"),
                QStringLiteral("    (как оставлено 0.30 при газе 0.30, разница 0.00, допуск ±0.05)"),
                QStringLiteral("Следующая регулировка: до 09.12.2027"),
                QString(),
                QStringLiteral("Наладчик: ______________________ (Иванов И.И.)"),
                QString(),
                QStringLiteral("Подпись: ____________________             Дата: 09.12.2026"),
                QString(), QString(), QString(),
            }));
            QCOMPARE(certificate.size(), 55);
            QCOMPARE(certificate[54], QStringLiteral("                                                                Лист 1 из 1"));
            // Asked again with nothing new: the same certificate, no new number.
            QCOMPARE(Certificate(), certificate);
        });

        const QString session = QStringLiteral(";Иванов И.И.;20261209-101502;");
        QCOMPARE(ServiceJournalLines(), QStringList({
            ServiceJournalHeadingLine,
            QStringLiteral("09.12.2026;10:15:02;0;0") + session + QStringLiteral("вход;-;наладчик Иванов И.И.;."),
            QStringLiteral("09.12.2026;10:15:02;0;0") + session
                + QStringLiteral("газ;-;газ 0.30;партия Б-17;годен до 31.12.2027;допуск 0.05;интервал 12 мес.;."),
            QStringLiteral("09.12.2026;10:16:00;1207;512") + session
                + QStringLiteral("как найдено;-;газ 0.30;как найдено 0.35 2430 мВ;разница +0.05;."),
            QStringLiteral("09.12.2026;10:17:00;1207;512") + session
                + QStringLiteral("характеристика;подтверждена;газ 0.30;последний тест 0.35 2430 мВ;дельта -150 мВ;"
                                 "точки до 4000 3500 3000 2000 1800 1000 500;"
                                 "точки после 3850 3350 2850 1850 1650 850 350;"
                                 "в приборе 3850 3350 2850 1850 1650 850 350;слово 11 0 -> 0;слово 13 140 -> 140;."),
            QStringLiteral("09.12.2026;10:18:00;1207;512") + session
                + QStringLiteral("контрольный тест;-;газ 0.30;как оставлено 0.30 2430 мВ;разница 0.00;."),
            QStringLiteral("09.12.2026;10:19:00;1207;512") + session
                + QStringLiteral("свидетельство;-;№ 2026-0001;вывод отрегулирован, годен;"
                                 "следующая регулировка 09.12.2027;."),
            QStringLiteral("09.12.2026;10:19:00;0;0") + session + QStringLiteral("выход;-;наладчик Иванов И.И.;."),
        }));
        QVERIFY(!ServiceJournalLines().join(QString()).contains(QStringLiteral("$argon2id")));

        // The next session: the instrument left 0.03 off with a tolerance
        // of 0.02 set in Kavrel.ini.
        {
            QFile ini(QStringLiteral("Kavrel.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[service]\ntolerance=0.02\ninterval=6\n");
        }
        clock_ = {"09.12.2026", "11:00:00"};
        SignInAndStateGas();
        RunSession([this] {
            TDebNewF* w = window_.get();
            bench_->SetGas(33);
            clock_.Time = "11:01:00";
            TestAndRead(3);
            clock_.Time = "11:02:00";
            QTest::mouseClick(w->Key_DataEdit, Qt::LeftButton);
            WaitLists(1);
            bench_->SetGas(27);
            clock_.Time = "11:03:00";
            TestAndRead(4);
            clock_.Time = "11:04:00";
            const QStringList certificate = Certificate();
            QCOMPARE(certificate[0], QStringLiteral("                   СВИДЕТЕЛЬСТВО О РЕГУЛИРОВКЕ № 2026-0002"));
            QVERIFY2(certificate.contains(QStringLiteral("Вывод: не годен")), qPrintable(certificate.join('\n')));
            QVERIFY(certificate.contains(
                QStringLiteral("    (как оставлено 0.27 при газе 0.30, разница -0.03, допуск ±0.02)")));
            QVERIFY(certificate.contains(QStringLiteral("Следующая регулировка: не назначается")));

            // The history finds both sessions; the first certificate prints
            // again as it was issued.
            WhenActive("HistoryF", [] {
                auto* h = qobject_cast<THistoryF*>(QApplication::activeModalWidget());
                [h] {
                QCOMPARE(h->edit_HistNumber->text(), QStringLiteral("1207"));
                QCOMPARE(h->Grid_Hist->rowCount(), 13);
                QCOMPARE(h->Grid_Hist->item(0, 5)->text(), QStringLiteral("свидетельство"));
                int first = -1;
                for (int r = 0; r < h->Grid_Hist->rowCount(); ++r)
                    if (h->Grid_Hist->item(r, 7)->text().startsWith(QStringLiteral("№ 2026-0001")))
                        first = r;
                QVERIFY(first > 0);
                h->Grid_Hist->selectRow(first);
                QTest::mouseClick(h->key_HistCert, Qt::LeftButton);
                QTRY_VERIFY(PrintF->isVisible());
                QCOMPARE(Q(PrintF->PageText()[0]),
                         QStringLiteral("                   СВИДЕТЕЛЬСТВО О РЕГУЛИРОВКЕ № 2026-0001"));
                QVERIFY(Lines(PrintF->PageText()).contains(QStringLiteral("Вывод: отрегулирован, годен")));
                PrintF->close();
                Picture(h, "history");
                h->CsvOutput = QStringLiteral("history.csv");
                QTest::mouseClick(h->key_HistCsv, Qt::LeftButton);
                }();
                h->accept();
            });
            QTest::mouseClick(w->key_History, Qt::LeftButton);
            std::string csv;
            QVERIFY(ReadWholeFile("history.csv", csv));
            QCOMPARE(QString::fromStdString(FromCp1251(csv.substr(0, csv.find("\r\n")))),
                     QStringLiteral("дата;время;прибор;сенсор;наладчик;сеанс;запись;проверка;подробности"));
        });
    }

    // Wrong passwords open nothing; after five the box waits 60 s, then
    // 120 s; the right password opens. Each refusal is journaled.
    void wrongPasswordsAndTheWait()
    {
        std::int64_t now = 0;
        TSignInGuard guard([&now] { return now; });
        TSignInF box({{"Иванов И.И.", HashPassword(kPassword)}}, guard);
        box.show();
        for (int i = 1; i <= 5; ++i) {
            TypeInto(box.edit_Password, QStringLiteral("wrong"));
            QTest::mouseClick(box.key_SignIn, Qt::LeftButton);
        }
        QCOMPARE(box.lab_SignIn->text(), QStringLiteral("Неверный пароль. Вход закрыт на 60 с."));
        now += 30000;
        TypeInto(box.edit_Password, QString::fromLatin1(kPassword));
        QTest::mouseClick(box.key_SignIn, Qt::LeftButton);
        QCOMPARE(box.lab_SignIn->text(), QStringLiteral("Вход закрыт после неверных паролей. Повторите через 30 с."));
        QVERIFY(box.isVisible());
        now += 30000;
        TypeInto(box.edit_Password, QStringLiteral("wrong"));
        QTest::mouseClick(box.key_SignIn, Qt::LeftButton);
        QCOMPARE(box.lab_SignIn->text(), QStringLiteral("Неверный пароль. Вход закрыт на 120 с."));
        now += 120000;
        TypeInto(box.edit_Password, QString::fromLatin1(kPassword));
        QTest::mouseClick(box.key_SignIn, Qt::LeftButton);
        QCOMPARE(box.result(), int(QDialog::Accepted));
        QCOMPARE(guard.FailuresInARow(), 0);
        const QStringList lines = ServiceJournalLines();
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines[1], QStringLiteral("09.12.2026;10:15:02;0;0;не указан;-;отказ входа;-;наладчик Иванов И.И.;"
                                          "неверный пароль;."));
        QCOMPARE(lines[6], QStringLiteral("09.12.2026;10:15:02;0;0;не указан;-;отказ входа;-;наладчик Иванов И.И.;"
                                          "вход закрыт ещё 30 с;."));
        QVERIFY(!lines.join(QString()).contains(QStringLiteral("argon2")));
        QVERIFY(!lines.join(QString()).contains(QString::fromLatin1(kPassword)));
    }

    // Signed in without a gas stated: a characteristic write waits for one.
    // No accounts file: the window opens at once, engineer "не указан". An
    // accounts file others may write: refused and told, nothing opens.
    void noGasNoAccountsAndAnUnsafeFile()
    {
        Engineers(0644);
        WhenActive("SignInF", [] {
            auto* box = qobject_cast<TSignInF*>(QApplication::activeModalWidget());
            TypeInto(box->edit_Password, QString::fromLatin1(kPassword));
            QTest::mouseClick(box->key_SignIn, Qt::LeftButton);
        });
        WhenActive("GasF", [] {
            auto* box = qobject_cast<TGasF*>(QApplication::activeModalWidget());
            QTest::mouseClick(box->key_GasCancel, Qt::LeftButton);
        });
        RunSession([this] {
            QTest::mouseClick(window_->write_Corr, Qt::LeftButton);
            QTRY_VERIFY(window_->findChild<QMessageBox*>(QStringLiteral("GasMissing")));
            window_->findChild<QMessageBox*>(QStringLiteral("GasMissing"))->accept();
        });
        QVERIFY(!ServiceJournalLines().join(QString()).contains(QStringLiteral("характеристика")));


        qputenv("KAVREL_ENGINEERS", QByteArray("/nonexistent/engineers"));
        LoadServiceAccounts();
        RunSession([this] {
            QCOMPARE(CurrentSession().Engineer, std::string("не указан"));
            QTest::mouseClick(window_->key_DelPl, Qt::LeftButton);
        });
        QVERIFY(!SessionOpen());

        Engineers(0666);
        QCOMPARE(ServiceAccounts().State, TAccountsState::Refused);
        bool told = false;
        WhenActive("AccountsRefused", [&told] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            told = box->text().startsWith(QStringLiteral("Файл учетных записей наладчиков отклонен: файл "))
                && box->text().contains(QStringLiteral("может изменить не только его владелец"));
            box->accept();
        });
        RunServiceSession(nullptr, window_.get());
        QVERIFY(told);
        QVERIFY(!window_->isVisible());
        QVERIFY(!SessionOpen());
    }
};

int main(int argc, char** argv)
{
    CatchingApplication app(argc, argv);
    ServiceSessionWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ServiceSessionWindowTest.moc"
