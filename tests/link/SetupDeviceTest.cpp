// The port setup window shows where the selected entry leads.
#include "PtyHelpers.h"
#include "Settings.h"
#include "TSetupNewF.h"
#include "Spoken.h"
#include "TempDir.h"

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QtTest>

#include <filesystem>

class SetupDeviceTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSettings(); }

    void entryResolvesToTheFolderLinkOrTheStandardPort()
    {
        TempDir dir;
        PtyPair pty;
        std::filesystem::create_symlink(pty.slavePath, "COM3");
        std::filesystem::create_symlink("/nonexistent/ttyUSB5", "COM5");
        TSetupNewF w;
        auto* label = w.findChild<QLabel*>(QStringLiteral("lab_PortDevice"));
        QVERIFY(label);
        QCOMPARE(label->accessibleDescription(), QStringLiteral("Устройство выбранного порта"));

        w.SelectEntry(2);
        QCOMPARE(SpokenName(label), label->text()); // a screen reader reads the device line itself
        QVERIFY(label->text().contains(QStringLiteral("COM3")));
        QVERIFY(label->text().contains(QString::fromStdString(pty.slavePath)));
        QVERIFY(label->text().endsWith(QStringLiteral("подключено")));

        w.SelectEntry(4);
        QVERIFY(label->text().contains(QStringLiteral("/nonexistent/ttyUSB5")));
        QVERIFY(label->text().endsWith(QStringLiteral("не найдено")));

        w.SelectEntry(5);
        QVERIFY(label->text().contains(QStringLiteral("/dev/ttyS5")));

        w.findChild<QRadioButton*>(QStringLiteral("RadioPort_11"))->click();
        QCOMPARE(label->text(), QStringLiteral("Работа без прибора"));
        QCOMPARE(PortIndex, 12);

        w.SelectEntry(12);
        QVERIFY(label->text().isEmpty());
    }

    void entriesKeepTheirTexts()
    {
        TempDir dir;
        TSetupNewF w;
        for (int i = 0; i < 11; ++i)
            QCOMPARE(w.findChild<QRadioButton*>(QStringLiteral("RadioPort_%1").arg(i))->text(),
                     QStringLiteral("COM%1").arg(i + 1));
        QCOMPARE(w.findChild<QRadioButton*>(QStringLiteral("RadioPort_11"))->text(), QStringLiteral("Автономно"));
    }

    void aDeviceAppearingWhileTheWindowIsOpenShows()
    {
        TempDir dir;
        PtyPair pty;
        TSetupNewF w;
        w.SelectEntry(6);
        w.show();
        auto* label = w.findChild<QLabel*>(QStringLiteral("lab_PortDevice"));
        QVERIFY(label->text().contains(QStringLiteral("/dev/ttyS6")));
        std::filesystem::create_symlink(pty.slavePath, "COM7");
        QTRY_VERIFY_WITH_TIMEOUT(label->text().endsWith(QStringLiteral("подключено")), 5000);
        w.close();
    }
};

QTEST_MAIN(SetupDeviceTest)
#include "SetupDeviceTest.moc"
