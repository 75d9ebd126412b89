// The results window, headless, on month files and a person list in a
// temporary working folder.
#include "Cp1251.h"
#include "DateFields.h"
#include "DialogAnswerer.h"
#include "FileBytes.h"
#include "PersonGrid.h"
#include "PersonList.h"
#include "ProtocolPages.h"
#include "QtLines.h"
#include "TKavResultF.h"
#include "TPrintF.h"
#include "TempDir.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

namespace {

const std::string kIvanov = "14.03 09:00 > Иванов  -  0.0";
const std::string kIvanova = "15.03 14:07 > Иванова Анна  -  0.8";
const std::string kPetrov = "02.04 10:00 > Петров  -  12.3";
const std::string kSidorov = "20.12 11:30 > Сидоров  -  0.2";

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string bytes;
    for (const auto& l : lines)
        bytes += ToCp1251(l) + "\r\n";
    return bytes;
}

} // namespace

class ResultsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        ReadClock = [] { return ClockReading {2024, 3, 15, 16, 0}; };
        PutFile("Test_03.txt", Lines({kIvanov, kIvanova}));
        PutFile("Test_04.txt", Lines({kPetrov}));
        PutFile("Test_12.txt", Lines({kSidorov}));
        ResetPersonList();
        LoadPersonList();
        NumberPersonList();
        AddPerson("Иванов");
        AddPerson("Петров");
        ResetPersonList();
        PrintActMode = false;
        print_ = std::make_unique<TPrintF>();
        PrintF = print_.get();
        window_ = std::make_unique<TKavResultF>();
        window_->show();
        window_->activateWindow();
        QTRY_VERIFY(!window_->memo_R->toPlainText().isEmpty());
    }
    void cleanup()
    {
        window_.reset();
        PrintF = nullptr;
        print_.reset();
        dir_.reset();
        ReadClock = SystemClock;
    }

    void AllMonthsEndWithTheCurrentOne()
    {
        QCOMPARE(window_->windowTitle(), QStringLiteral("Результаты  тестирования"));
        QCOMPARE(window_->edit_NameF->text(), QStringLiteral("Kav_15_03.txt"));
        QCOMPARE(window_->box_M->currentIndex(), 0);
        QCOMPARE(window_->box_M->itemText(0), QStringLiteral("все  месяцы"));
        // April .. December, then January .. March.
        QCOMPARE(window_->memo_R->toPlainText(), Strings({kPetrov, kSidorov, kIvanov, kIvanova}).join('\n'));
        QCOMPARE(window_->ListedCount(), 4);
        // The person grid shows the list, numbered.
        QCOMPARE(window_->tab_FIO->item(0, 0)->text(), QStringLiteral("  1"));
        QCOMPARE(window_->tab_FIO->item(1, 1)->text(), QStringLiteral("Петров"));
    }

    void OneMonthAlone()
    {
        window_->box_M->setCurrentIndex(12);
        QCOMPARE(window_->ListedLines(), std::vector<std::string>({kSidorov}));
        window_->box_M->setCurrentIndex(2); // February: no file
        QCOMPARE(window_->ListedCount(), 0);
        QVERIFY(window_->memo_R->toPlainText().isEmpty());
    }

    void SelectedPersonListsEveryLineHoldingTheName()
    {
        SetPersonGridRow(window_->tab_FIO, 1);
        QCOMPARE(window_->edit_FIO->text(), QStringLiteral("Иванов"));
        // Still the whole list until the person choice says otherwise.
        QCOMPARE(window_->ListedCount(), 4);
        window_->findChild<QRadioButton*>(QStringLiteral("box_List_1"))->click();
        QCOMPARE(window_->ListedLines(), std::vector<std::string>({kIvanov, kIvanova}));
        SetPersonGridRow(window_->tab_FIO, 2);
        QCOMPARE(window_->ListedLines(), std::vector<std::string>({kPetrov}));
        // A row without a name lists nothing.
        SetPersonGridRow(window_->tab_FIO, 3);
        QCOMPARE(window_->edit_FIO->text(), QString());
        QCOMPARE(window_->ListedCount(), 0);
    }

    // The online window may select another person in between; clicking the
    // row the grid still shows as current must select that row's person.
    void ClickingTheCurrentRowSelectsItsPersonAgain()
    {
        QTableWidget* grid = window_->tab_FIO;
        const auto clickRow = [grid](int tableRow) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(tableRow, 1)).center());
        };
        QTest::mouseClick(window_->findChild<QRadioButton*>(QStringLiteral("box_List_1")), Qt::LeftButton);
        clickRow(0);
        QCOMPARE(window_->edit_FIO->text(), QStringLiteral("Иванов"));
        QCOMPARE(window_->ListedLines(), std::vector<std::string>({kIvanov, kIvanova}));

        SelectPerson(2); // as the online window does when Петров is picked there
        window_->Refresh();
        QCOMPARE(window_->ListedLines(), std::vector<std::string>({kPetrov}));
        QCOMPARE(grid->currentRow(), 0);
        clickRow(0);
        QCOMPARE(window_->edit_FIO->text(), QStringLiteral("Иванов"));
        QCOMPARE(window_->ListedLines(), std::vector<std::string>({kIvanov, kIvanova}));
        SelectPerson(2);
        window_->Refresh();
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                           grid->visualRect(grid->model()->index(0, 1)).center());
        QCOMPARE(window_->ListedLines(), std::vector<std::string>({kIvanov, kIvanova}));
    }

    void GridShowsOneLinePerRowAndBlanksBelow()
    {
        QVERIFY(window_->memo_R->isVisible());
        QVERIFY(!window_->grid_R->isVisible());
        window_->box_1->click();
        QVERIFY(!window_->memo_R->isVisible());
        QVERIFY(window_->grid_R->isVisible());
        QCOMPARE(window_->grid_R->columnCount(), 1);
        QCOMPARE(window_->grid_R->columnWidth(0), 423);
        QCOMPARE(window_->grid_R->rowCount(), 2000);
        QCOMPARE(window_->grid_R->item(0, 0)->text(), QString::fromStdString(kPetrov));
        QCOMPARE(window_->grid_R->item(3, 0)->text(), QString::fromStdString(kIvanova));
        QCOMPARE(window_->grid_R->item(4, 0)->text(), QStringLiteral(" "));
        QCOMPARE(window_->grid_R->item(1999, 0)->text(), QStringLiteral(" "));
    }

    void ExportAppendsTheListedLinesEachTime()
    {
        window_->edit_NameF->setText(QStringLiteral("export.txt"));
        window_->key_File->click();
        window_->key_File->click();
        const std::string once = Lines({kPetrov, kSidorov, kIvanov, kIvanova});
        QCOMPARE(FileBytes("export.txt"), once + once);
        // An act in between changes nothing of what is exported.
        window_->box_1->click();
        window_->grid_R->setCurrentCell(3, 0);
        window_->key_Print->click();
        window_->key_File->click();
        QCOMPARE(FileBytes("export.txt"), once + once + once);
    }

    void FailedExportIsReported()
    {
        window_->edit_NameF->setText(QStringLiteral("no_such_folder/export.txt"));
        DialogAnswerer answerer;
        window_->key_File->click();
        QCOMPARE(answerer.messages.size(), 1);
        QVERIFY(answerer.messages[0].contains(QStringLiteral("Результаты не сохранены")));
    }

    void ListGoesToThePrintWindow()
    {
        PrintActMode = true;
        window_->key_Print->click();
        QTRY_VERIFY(print_->isVisible());
        QVERIFY(!PrintActMode);
        QCOMPARE(print_->PageText(), window_->ListedLines());
    }

    void NothingListedPrintsNothing()
    {
        window_->box_M->setCurrentIndex(2);
        window_->key_Print->click();
        QTest::qWait(50);
        QVERIFY(!print_->isVisible());
    }

    void SelectedGridRowBecomesTheAct()
    {
        window_->box_1->click();
        window_->grid_R->setCurrentCell(3, 0);
        window_->key_Print->click();
        QTRY_VERIFY(print_->isVisible());
        QVERIFY(PrintActMode);
        const std::vector<std::string> act = print_->PageText();
        QCOMPARE(act, BuildAct(kIvanova));
        QVERIFY(QString::fromStdString(act[23]).startsWith(QStringLiteral("Иванова Анна ___")));
    }

    void BlankGridRowGivesTheBlankFirstPage()
    {
        window_->box_1->click();
        window_->grid_R->setCurrentCell(10, 0);
        window_->key_Print->click();
        QTRY_VERIFY(print_->isVisible());
        QVERIFY(PrintActMode);
        QCOMPARE(print_->PageText(), FirstPageTemplate());
    }

    void ChoicesSurviveClosingAndActivationReloadsTheFiles()
    {
        window_->box_M->setCurrentIndex(3);
        window_->box_1->click();
        window_->Key__Exit->click();
        QTRY_VERIFY(!window_->isVisible());
        PutFile("Test_03.txt", Lines({kIvanov, kIvanova, "15.03 15:55 > Новиков  -  0.1"}));
        window_->show();
        window_->activateWindow();
        QTRY_COMPARE(window_->ListedCount(), 3);
        QCOMPARE(window_->box_M->currentIndex(), 3);
        QVERIFY(window_->box_1->isChecked());
        QVERIFY(window_->grid_R->isVisible());
        QCOMPARE(window_->edit_NameF->text(), QStringLiteral("Kav_15_03.txt"));
    }

    void EveryLineBeyondTwoThousandGetsARow()
    {
        std::vector<std::string> many;
        std::string bytes;
        for (int i = 0; i < 2500; ++i) {
            many.push_back("01.03 10:00 > P" + std::to_string(i) + "  -  0.1");
            bytes += many.back() + "\r\n";
        }
        PutFile("Test_03.txt", bytes);
        window_->box_M->setCurrentIndex(3);
        QCOMPARE(window_->ListedCount(), 2500);
        QCOMPARE(window_->grid_R->rowCount(), 2500);
        QCOMPARE(window_->grid_R->item(2499, 0)->text(), QString::fromStdString(many.back()));
    }

private:
    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<TPrintF> print_;
    std::unique_ptr<TKavResultF> window_;
};

QTEST_MAIN(ResultsWindowTest)
#include "ResultsWindowTest.moc"
