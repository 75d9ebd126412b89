// The input error window on its own, headless.
#include "TFormErrF.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

class FormErrTest : public QObject {
    Q_OBJECT
private slots:
    void ShowsLabelsAndPointsRightAligned()
    {
        TFormErrF window;
        window.EnteredPoints = {2500, 2400, 2300, 2000, 1900, 1500, 0};
        window.show();
        window.activateWindow();
        auto* grid = window.findChild<QTableWidget*>(QStringLiteral("GridBaza"));
        QVERIFY(grid);
        QTRY_COMPARE(grid->item(6, 1)->text(), QStringLiteral("     0"));
        QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("\"Чистый\" воздух"));
        QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("  2500"));
        QCOMPARE(grid->item(3, 0)->text(), QStringLiteral("0.5 промиле "));
        QCOMPARE(grid->item(5, 1)->text(), QStringLiteral("  1500"));
        QCOMPARE(grid->item(6, 0)->text(), QStringLiteral("2.0 промиле "));
        QCOMPARE(grid->columnWidth(0), 110);
        QCOMPARE(grid->columnWidth(1), 110);
        QCOMPARE(window.windowTitle(), QStringLiteral("Ошибка  ввода  данных"));
        auto* memo = window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        QVERIFY(memo);
        QVERIFY(memo->toPlainText().startsWith(QStringLiteral("ВНИМАНИЕ!  Недопустимые  данные.")));
    }

    void ShowingAgainShowsTheNewPointsAndWideValuesInFull()
    {
        TFormErrF window;
        window.EnteredPoints = {1, 2, 3, 4, 5, 6, 7};
        window.show();
        window.activateWindow();
        auto* grid = window.findChild<QTableWidget*>(QStringLiteral("GridBaza"));
        QTRY_COMPARE(grid->item(0, 1)->text(), QStringLiteral("     1"));
        window.close();
        window.EnteredPoints = {1234567, -5, 3, 4, 5, 6, 7};
        window.show();
        window.activateWindow();
        QTRY_COMPARE(grid->item(0, 1)->text(), QStringLiteral("1234567"));
        QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("    -5"));
    }

    void RepeatButtonClosesTheWindow()
    {
        TFormErrF window;
        window.show();
        QTRY_VERIFY(window.isVisible());
        auto* button = window.findChild<QPushButton*>(QStringLiteral("Button1"));
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("ПОВТОРНЫЙ  ВВОД"));
        QCOMPARE(button->accessibleName(), QStringLiteral("ПОВТОРНЫЙ  ВВОД"));
        button->click();
        QTRY_VERIFY(!window.isVisible());
    }
};

QTEST_MAIN(FormErrTest)
#include "FormErrTest.moc"
