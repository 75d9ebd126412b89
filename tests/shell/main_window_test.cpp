// The main window and the port setup window, driven as a user would.
#include "KavrelApplication.h"
#include "PtyHelpers.h"
#include "TADCF.h"
#include "TBLOW_F.h"
#include "TCommEr.h"
#include "Settings.h"
#include "TDebNewF.h"
#include "TFBazaF.h"
#include "TFormErrF.h"
#include "TNewBazaF.h"
#include "TPrintF.h"
#include "SensorGroup.h"
#include "ServiceBench.h"
#include "TKavNewF.h"
#include "TKavResultF.h"
#include "TKavrelF.h"
#include "TServerF.h"
#include "TSetupNewF.h"
#include "Spoken.h"
#include "TempDir.h"
#include "UiKit.h"
#include "Warnings.h"
#include "Windows.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <fstream>
#include <unistd.h>
#include <functional>
#include <memory>

namespace {

std::string FileBytes()
{
    std::ifstream in(SettingsFileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Presses OK on every message box that comes up, remembering its text.
class BoxAnswerer : public QObject {
public:
    BoxAnswerer()
    {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (box && box->isVisible()) {
                    texts << box->text();
                    box->accept();
                }
            }
        });
        timer_.start();
    }
    QStringList texts;

private:
    QTimer timer_;
};

// Throws from its event handler, as a faulty handler would.
class Thrower : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Сбой обработчика");
        return QObject::event(e);
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        dir = std::make_unique<TempDir>();
        ResetSettings();
        answerer = std::make_unique<BoxAnswerer>();
        CreateWindows();
    }
    void cleanup()
    {
        DestroyWindows();
        answerer.reset();
        dir.reset();
    }

    void missingFileIsCreatedAndShownInTheStatusBar()
    {
        KavrelF->show();
        KavrelF->activateWindow();
        QTRY_COMPARE(KavrelF->StatusPanel[1]->text(), QStringLiteral("Порт: COM3"));
        QCOMPARE(KavrelF->StatusPanel[0]->text(), QStringLiteral("Каврел 12кв"));
        QCOMPARE(KavrelF->StatusPanel[2]->text(), QStringLiteral("Сенсор № 1"));
        QVERIFY(answerer->texts.contains(
            QStringLiteral("Файл kavrel_m.cnf  не найден.Будет создан новый файлПроверьте установки в программе")));
        QCOMPARE(FileBytes().size(), std::size_t(72));
        QCOMPARE(SetupNewF->SelectedEntry(), 0);
        // Coming back from the warning is not a new activation: the status
        // bar keeps what the first activation showed.
        KavrelF->activateWindow();
        QTRY_VERIFY(KavrelF->isActiveWindow());
        QTest::qWait(200);
        QCOMPARE(KavrelF->StatusPanel[1]->text(), QStringLiteral("Порт: COM3"));
    }

    void choosingAPortShowsItAfterTheSetupWindowCloses()
    {
        KavrelF->show();
        KavrelF->activateWindow();
        QTRY_COMPARE(KavrelF->StatusPanel[1]->text(), QStringLiteral("Порт: COM3"));
        for (const auto& [entry, shown, index] : {std::tuple{4, "Порт: COM5", 5}, {11, "Порт: Автоном.", 12}}) {
            QTimer::singleShot(100, [entry = entry] {
                SetupNewF->findChild<QRadioButton*>(QStringLiteral("RadioPort_%1").arg(entry))->click();
                SetupNewF->findChild<QToolButton*>(QStringLiteral("Key__Exit"))->click();
            });
            KavrelF->findChild<QToolButton*>(QStringLiteral("Key_Setup"))->click();
            QTRY_COMPARE(KavrelF->StatusPanel[1]->text(), QString::fromUtf8(shown));
            QVERIFY(!SetupNewF->isVisible());
            QVERIFY(!KavrelF->Key_Setup->isChecked());
            QCOMPARE(int(FileBytes().at(0)), index);
        }
        QCOMPARE(PortIndex, 12);
        QCOMPARE(PortName, std::string("Автоном."));
    }

    void theEmptyEntryIsStoredAsThirteenAndLoadsAsComOne()
    {
        SetupNewF->show();
        SetupNewF->findChild<QRadioButton*>(QStringLiteral("RadioPort_12"))->click();
        QCOMPARE(int(FileBytes().at(0)), 13);
        SetupNewF->Key__ExitClick();
        LoadSettings();
        QCOMPARE(PortIndex, 1);
        QCOMPARE(PortName, std::string("COM1"));
    }

    void closingWithoutTouchingStillSaves()
    {
        PortIndex = 7;
        PortName = "COM7";
        SetupNewF->SelectEntry(6);
        QVERIFY(!QFile::exists(QString::fromLatin1(SettingsFileName)));
        SetupNewF->show();
        SetupNewF->Key__Exit->click();
        QCOMPARE(int(FileBytes().at(0)), 7);
        QVERIFY(!PortOpenFlag);
    }

    void damagedFileIsReportedOnceAndTheWindowGoesOn()
    {
        std::ofstream(SettingsFileName, std::ios::binary) << std::string("\x05\x00", 2);
        KavrelF->show();
        KavrelF->activateWindow();
        QTRY_VERIFY(answerer->texts.filter(QStringLiteral("повреждён")).size() == 1);
        // Activating again does not report the same damage again.
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!KavrelF->isActiveWindow());
        other.close();
        KavrelF->activateWindow();
        QTRY_VERIFY(KavrelF->isActiveWindow());
        QTest::qWait(300);
        QCOMPARE(answerer->texts.filter(QStringLiteral("повреждён")).size(), 1);
        QCOMPARE(PortIndex, 5);
    }

    // A save that fails (here: a folder in the way of the temporary file)
    // is told once per save. The warning taking the focus and giving it back
    // is no leaving and entering of the port group.
    void failingSaveInTheSetupWindowIsToldOncePerSave()
    {
        QVERIFY(SaveSettings());
        SetupNewF->show();
        SetupNewF->activateWindow();
        QTRY_VERIFY(SetupNewF->isActiveWindow());
        QDir().mkdir(QStringLiteral("kavrel_m.cnf.tmp"));
        const QString told = QStringLiteral("Не удалось записать файл kavrel_m.cnf.\n"
                                            "kavrel_m.cnf.tmp: на этом месте папка, а не файл.");
        auto* entry = SetupNewF->findChild<QRadioButton*>(QStringLiteral("RadioPort_4"));
        QTest::mouseClick(entry, Qt::LeftButton);
        QTRY_VERIFY2(answerer->texts.contains(told), qPrintable(answerer->texts.join(QLatin1Char('|'))));
        QTest::qWait(1000);
        // Entering the group and the click itself save: at most two messages.
        const int shown = answerer->texts.count(told);
        QVERIFY2(shown >= 1 && shown <= 2, qPrintable(QString::number(shown)));
        QTest::qWait(500);
        QCOMPARE(answerer->texts.count(told), shown);
        SetupNewF->close();
    }

    // A message box taking the focus from the port group and giving it back
    // saves nothing: the focus never moved between this window's controls.
    void aMessageBoxTakingTheFocusIsNoLeavingOfTheGroup()
    {
        SetupNewF->show();
        SetupNewF->activateWindow();
        QTRY_VERIFY(SetupNewF->isActiveWindow());
        auto* entry = SetupNewF->findChild<QRadioButton*>(QStringLiteral("RadioPort_4"));
        QTest::mouseClick(entry, Qt::LeftButton);
        QTRY_VERIFY(entry->hasFocus());
        QCOMPARE(int(FileBytes().at(0)), 5);
        SetupNewF->SelectEntry(6); // shown, not saved
        QMessageBox::information(SetupNewF, QStringLiteral("Проверка"), QStringLiteral("Сообщение"));
        QApplication::setActiveWindow(SetupNewF); // the window manager's part
        QTRY_VERIFY(entry->hasFocus());
        QTest::qWait(200);
        QCOMPARE(int(FileBytes().at(0)), 5);
        SetupNewF->close();
    }

    // Window captions are exactly the windows' own texts: the program's
    // title is not the application display name that the window system
    // appends to every caption.
    void captionsAreTheWindowsOwnTexts()
    {
        QCOMPARE(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
        QCOMPARE(AppTitle(), QStringLiteral("Каврел"));
        QCOMPARE(KavrelF->windowTitle(), QStringLiteral("Каврел 12кВ"));
        QCOMPARE(SetupNewF->windowTitle(), QStringLiteral("SetupNewF"));
        QCOMPARE(KavNewF->windowTitle(), QStringLiteral("Каврел. Работа с  подключенным  прибором (online)"));
        QCOMPARE(KavResultF->windowTitle(), QStringLiteral("Результаты  тестирования"));
    }

    void everyTextOfTheMainWindowReadsAsDesigned()
    {
        const auto label = [](const char* name) {
            auto* l = KavrelF->findChild<QLabel*>(QString::fromLatin1(name));
            return l ? l->text() : QStringLiteral("(no label %1)").arg(QString::fromLatin1(name));
        };
        QCOMPARE(KavrelF->windowTitle(), QStringLiteral("Каврел 12кВ"));
        QCOMPARE(label("Label4"), QStringLiteral("Выход"));
        QCOMPARE(label("PanelAdres_Label1"),
                 QStringLiteral("          Прибор  специализированный  определения  концентрации "));
        QCOMPARE(label("PanelAdres_Label2"), QStringLiteral("           паров  этанола  в  выдыхаемом  воздухе"));
        QCOMPARE(label("PanelAdres_Label3"), QStringLiteral("    \" Каврел\""));
        QCOMPARE(label("PanelAdres_Label4"), QStringLiteral("v3.00 (06.12.2018)"));
        QCOMPARE(label("Label5"), QStringLiteral("Тестирование (online)"));
        QCOMPARE(label("Label6"), QStringLiteral("Результаты (протоколы)"));
        QCOMPARE(label("Label7"), QStringLiteral("Установки  программы"));
        QCOMPARE(label("Label18"), QStringLiteral("Наладка  прибора"));
        QCOMPARE(KavrelF->Key__Exit->toolTip(), QStringLiteral("Выход  из  программы"));
        QCOMPARE(KavrelF->Key_Master->toolTip(), QStringLiteral("Пуско-наладка"));
        QCOMPARE(KavrelF->Key_Data->toolTip(), QStringLiteral("Программатор"));
        QCOMPARE(KavrelF->Key_Setup->toolTip(), QStringLiteral("Пуско-наладка"));
        QCOMPARE(KavrelF->Key_Debug->toolTip(), QStringLiteral("Пуско-наладка"));
        QCOMPARE(KavrelF->SpeedButton1->text(), QStringLiteral("База  сенсоров"));
        QCOMPARE(KavrelF->MemoMaster->toPlainText(), QStringLiteral("Комплекс  контроля  трезвости  \n"
                                                                    "Ппибор <=>  Персональный компьютер\n"
                                                                    "(Управление прибором с помощью ПЭВМ)\n"));
        QCOMPARE(KavrelF->MemoSens->toPlainText(), QStringLiteral("Просмотр  результатов  тестирования\n"
                                                                  "Ведение  жернала  работы\n"
                                                                  "Печать  протоколов"));
        QCOMPARE(KavrelF->MemoSetup->toPlainText(), QStringLiteral("Установки  необходимы  для:\n"
                                                                   "- выбора  номера  COM - порта;\n"
                                                                   "- задания  временных  задержек обмена;\n"
                                                                   "- задания  режимов  работы  с прибором."));
        const QStringList memo1 = KavrelF->Memo1->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(memo1.size(), 5);
        QCOMPARE(memo1[0], QStringLiteral("Для  работы  в  этом  режиме небходимо"));
        QCOMPARE(memo1[1], QStringLiteral("наличие  прав  доступа  (пароля)  "));
        QVERIFY(!memo1[2].trimmed().isEmpty()); // the contact line
        QCOMPARE(memo1[3], QString());
        QCOMPARE(memo1[4], QString());
        QStringList menu;
        for (QAction* a : KavrelF->menuBar()->actions())
            menu << a->text();
        QCOMPARE(menu, QStringList({QStringLiteral("Тестирование"), QStringLiteral("Результаты"),
                                    QStringLiteral("Установки"), QStringLiteral("Наладка"), QStringLiteral("Выход")}));
        // The status bar before the first activation.
        QCOMPARE(KavrelF->StatusPanel[0]->text(), QStringLiteral("Каврел 12кв"));
        QCOMPARE(KavrelF->StatusPanel[1]->text(), QStringLiteral("Порт  COM1"));
        QCOMPARE(KavrelF->StatusPanel[2]->text(), QStringLiteral("Сенсор  нет данных"));
        for (QLabel* panel : KavrelF->StatusPanel)
            QCOMPARE(panel->width(), 100);
    }

    void anEscapingExceptionIsShownAndTheProgramGoesOn()
    {
        Thrower thrower;
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QTRY_VERIFY(answerer->texts.contains(QStringLiteral("Сбой обработчика")));
        // Events keep flowing afterwards.
        bool later = false;
        QTimer::singleShot(0, [&] { later = true; });
        QTRY_VERIFY(later);
    }

    void everyControlHasANameAndASpokenName()
    {
        for (QWidget* window : {static_cast<QWidget*>(KavrelF), static_cast<QWidget*>(SetupNewF)}) {
            const auto controls = window->findChildren<QWidget*>();
            int checked = 0;
            for (QWidget* w : controls) {
                const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)
                    || qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QGroupBox*>(w);
                // Windows owned by the main window are checked by their own tests.
                if (!control || w->window() != window || w->objectName().startsWith(QLatin1String("qt_")))
                    continue;
                ++checked;
                QVERIFY2(!w->objectName().isEmpty(), qPrintable(w->metaObject()->className()));
                QVERIFY2(!SpokenName(w).isEmpty(), qPrintable(w->objectName()));
            }
            QVERIFY(checked > 10);
        }
        QCOMPARE(SpokenName(KavrelF->Key__Exit), QStringLiteral("Выход  из  программы"));
    }

    // A screen reader reads the status texts as they are now, and presses
    // the picture buttons, which then do what a click does.
    void statusTextsAreReadAndPictureButtonsArePressedByAssistiveTechnology()
    {
        KavrelF->show();
        KavrelF->activateWindow();
        QTRY_COMPARE(SpokenName(KavrelF->StatusPanel[1]), QStringLiteral("Порт: COM3"));
        QCOMPARE(SpokenName(KavrelF->StatusPanel[2]), QStringLiteral("Сенсор № 1"));
        QCOMPARE(KavrelF->StatusPanel[1]->accessibleDescription(), QStringLiteral("Строка состояния, поле 2"));

        for (QToolButton* key : {KavrelF->Key_Master, KavrelF->Key_Data, KavrelF->Key_Setup, KavrelF->Key__Exit})
            QCOMPARE(AccessibleActions(key), QStringList({QStringLiteral("Press")}));
        bool opened = false;
        QTimer::singleShot(200, [&] {
            opened = SetupNewF->isVisible();
            SetupNewF->close();
        });
        PressAccessibly(KavrelF->Key_Setup);
        QVERIFY(opened);
        QVERIFY(!KavrelF->Key_Setup->isChecked());
        PressAccessibly(KavrelF->Key__Exit);
        QTRY_VERIFY(!KavrelF->isVisible());
    }

    void testingAndResultsButtonsAndMenuOpenTheirWindowsModally()
    {
        PortIndex = 12; // autonomous: the online window touches no port
        PortName = "Автоном.";
        SaveSettings();
        KavrelF->show();
        KavrelF->activateWindow();
        QTRY_COMPARE(KavrelF->StatusPanel[1]->text(), QStringLiteral("Порт: Автоном."));
        struct Case {
            std::function<void()> open;
            QWidget* window;
            QToolButton* key;
        };
        const Case cases[] = {
            {[] { KavrelF->Key_Master->click(); }, KavNewF, KavrelF->Key_Master},
            {[] { KavrelF->N1->trigger(); }, KavNewF, KavrelF->Key_Master},
            {[] { KavrelF->Key_Data->click(); }, KavResultF, KavrelF->Key_Data},
            {[] { KavrelF->N2->trigger(); }, KavResultF, KavrelF->Key_Data},
        };
        for (const Case& c : cases) {
            bool wasModal = false;
            QTimer::singleShot(200, [&] {
                wasModal = c.window->isVisible() && QApplication::activeModalWidget() == c.window;
                c.window->close();
            });
            c.open();
            QVERIFY(wasModal);
            QVERIFY(!c.window->isVisible());
            QVERIFY(!c.key->isChecked());
        }
        // "Установки" holds the program's settings and the journal's server.
        QMenu* settings = KavrelF->findChild<QMenu*>(QStringLiteral("N5Menu"));
        QVERIFY(settings);
        QStringList items;
        for (QAction* a : settings->actions())
            items << a->text();
        QCOMPARE(items, QStringList({QStringLiteral("Установки программы"), QStringLiteral("Сервер журнала")}));
        bool wasModal = false;
        QTimer::singleShot(200, [&] {
            wasModal = ServerF->isVisible() && QApplication::activeModalWidget() == ServerF &&
                       ServerF->windowTitle() == QStringLiteral("Сервер журнала");
            ServerF->close();
        });
        KavrelF->N6->trigger();
        QVERIFY(wasModal);
    }

    // Service staff get in by typing into the "Наладка" panel's text: one
    // character opens the adjustment window modally, which takes the line.
    void typingIntoTheServicePanelOpensTheAdjustmentWindow()
    {
        PtyPair line; // nobody answers: only who holds the line counts here
        QVERIFY(!line.slavePath.empty());
        PortIndex = 3;
        PortName = "COM3";
        SaveSettings();
        KavrelF->show();
        KavrelF->activateWindow();
        QTRY_COMPARE(KavrelF->StatusPanel[1]->text(), QStringLiteral("Порт: COM3"));
        QVERIFY(::symlink(line.slavePath.c_str(), "COM3") == 0);
        bool opened = false;
        QTimer::singleShot(300, [&] {
            opened = DebNewF->isVisible() && QApplication::activeModalWidget() == DebNewF
                && DebNewF->windowTitle() == QStringLiteral("Наладка") && DebNewF->Port->IsOpen() && PortOpenFlag;
            QTest::mouseClick(DebNewF->Key__Exit, Qt::LeftButton);
        });
        QTest::mouseClick(KavrelF->Memo1->viewport(), Qt::LeftButton);
        QTest::keyClick(KavrelF->Memo1, Qt::Key_A);
        QVERIFY(opened);
        QVERIFY(!DebNewF->isVisible());
        QVERIFY(!DebNewF->Port->IsOpen());
        QVERIFY(!PortOpenFlag);
        QVERIFY(!KavrelF->Key_Debug->isChecked());
        QVERIFY(answerer->texts.filter(QStringLiteral("ОШИБКА")).isEmpty());
    }

    void allElevenWindowsAreCreatedOnceInTheirOrder()
    {
        // The main window first; the others are its children in the order
        // made; the shared journal's dialog comes after them.
        QStringList order;
        for (QObject* child : KavrelF->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (w && w->isWindow())
                order << QString::fromLatin1(w->metaObject()->className());
        }
        QCOMPARE(order, QStringList({"TDebNewF", "TADCF", "TBLOW_F", "TNewBazaF", "TKavResultF", "TPrintF",
                                     "TFormErrF", "TFBazaF", "TKavNewF", "TSetupNewF", "TServerF"}));
        int mainWindows = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            mainWindows += qobject_cast<TKavrelF*>(w) != nullptr;
        QCOMPARE(mainWindows, 1);
        QCOMPARE(DebNewF->SensorBase, static_cast<QWidget*>(NewBazaF));
        QCOMPARE(NewBazaF->SensorTable, static_cast<QDialog*>(FBazaF));
        QCOMPARE(FBazaF->windowTitle(), QStringLiteral("FBazaF"));
        QCOMPARE(NewBazaF->windowTitle(), QStringLiteral("База  данных  по  сенсорам"));
    }

    // "База  сенсоров" opens the sensor table beside the main window. While
    // the table writes into the instrument, no other window starts an
    // exchange: the line carries the table's frames alone, and the online
    // window gets it once the table is done.
    void theSensorTableOpensBesideAndWritesAloneOnTheLine()
    {
        TServiceBench bench((dir->Path() / "sim.log").string());
        PortIndex = 3;
        PortName = "COM3";
        SaveSettings();
        ResetSensorGroup();
        SensorPoints = {3900, 3400, 2900, 1900, 1700, 900, 400};
        SensorSlot = 1;
        PackSensorRecord();
        QVERIFY(SaveSensorGroup(1));
        KavrelF->show();
        KavrelF->activateWindow();
        QTRY_COMPARE(KavrelF->StatusPanel[1]->text(), QStringLiteral("Порт: COM3"));

        QTest::mouseClick(KavrelF->SpeedButton1, Qt::LeftButton);
        QTRY_VERIFY(FBazaF->isActiveWindow());
        QCOMPARE(FBazaF->windowModality(), Qt::NonModal);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(FBazaF->GridBaza->item(0, 1)->text(), QStringLiteral("  3900"));
        QVERIFY(!PortOpenFlag); // the table takes the line only to write

        QTest::mouseClick(FBazaF->flagWrite, Qt::LeftButton);
        QTest::mouseClick(FBazaF->Key_DataEdit, Qt::LeftButton);
        QVERIFY(PortOpenFlag);
        // The online test asked for while the table writes: nothing opens.
        bool openedMeanwhile = false;
        QTimer::singleShot(300, [&] {
            if (KavNewF->isVisible()) {
                openedMeanwhile = true;
                KavNewF->close();
            }
        });
        QTest::mouseClick(KavrelF->Key_Master, Qt::LeftButton);
        QVERIFY(!KavNewF->isVisible());
        QTRY_VERIFY(!PortOpenFlag);
        QVERIFY(!openedMeanwhile);
        // Words 11 and 13 read, the writes, words 0..24 read back, the numbers.
        const auto written = Collapsed(bench.QuietFrames());
        QCOMPARE(written.size(), std::size_t(2 + 25 + 25 + 12));
        QCOMPARE(written[2], WriteFrameText(2, 0, 3900));
        QCOMPARE(written[63], ReadFrameText(2, 30));
        QCOMPARE(bench.Register(2, 0), 3900);

        // Now the online test takes the line, and the table keeps its port shut.
        bool onlineOwnsTheLine = false;
        QTimer::singleShot(800, [&] {
            onlineOwnsTheLine = KavNewF->isVisible() && KavNewF->Port->IsOpen() && !FBazaF->PortB->IsOpen();
            KavNewF->close();
        });
        QTest::mouseClick(KavrelF->Key_Master, Qt::LeftButton);
        QVERIFY(onlineOwnsTheLine);
        const auto after = FramesSince(bench.QuietFrames(), written.size());
        QVERIFY(!after.empty());
        QCOMPARE(after.front(), ReadFrameText(2, 27)); // the online window's first read
        FBazaF->close();
        QVERIFY(!PortOpenFlag);
        QVERIFY(answerer->texts.filter(QStringLiteral("ОШИБКА")).isEmpty());
    }

    void debugButtonOpensNothingAndExitCloses()
    {
        KavrelF->show();
        KavrelF->Key_Debug->click();
        QVERIFY(!KavrelF->Key_Debug->isChecked());
        KavrelF->N4->trigger();
        QVERIFY(KavrelF->isVisible());
        KavrelF->N3->trigger();
        QTRY_VERIFY(!KavrelF->isVisible());
    }

private:
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<BoxAnswerer> answerer;
};

int main(int argc, char** argv)
{
    KavrelApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
