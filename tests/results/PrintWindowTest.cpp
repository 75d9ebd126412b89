// The print window, headless: printing goes through the same print job as
// on paper, aimed at a PDF file, which pdftotext then reads back.
#include "Cp1251.h"
#include "DialogAnswerer.h"
#include "FileBytes.h"
#include "PdfText.h"
#include "PrintWindowRig.h"
#include "QtLines.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

namespace {

// The file's lines: Windows-1251 with CR LF, as UTF-8.
QStringList FileLines(const std::string& name)
{
    const std::string bytes = FileBytes(name);
    QStringList lines = QString::fromStdString(FromCp1251(bytes)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // after the last CR LF
    return lines;
}

// Types the name into the dialog's file name field, as the user would.
void TypeFileName(QFileDialog* dialog, const QString& name)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(name);
}

void AcceptFile(QFileDialog* dialog, const QString& name)
{
    TypeFileName(dialog, name);
    static_cast<QDialog*>(dialog)->accept(); // the file dialog's own checks run
}

// pdftotext may render two blanks as one; compare with single blanks.
QString Flat(QString text)
{
    static const QRegularExpression blanks(QStringLiteral(" +"));
    return text.replace(blanks, QStringLiteral(" "));
}

bool Holds(const QString& text, const QString& part)
{
    return Flat(text).contains(Flat(part));
}

} // namespace

class PrintWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { rig_.Start(); }
    void cleanup() { rig_.Stop(); }

    void ListOfEightyLinesPrintsOnlyTheFirstFiftyFive()
    {
        window_->SetPageText(NumberedLines(80));
        window_->PdfOutput = Path("list.pdf");
        window_->key_Print->click();
        const QString text = PdfText(Path("list.pdf"));
        QCOMPARE(PdfPages(text), 1);
        QVERIFY(Holds(text, QStringLiteral("21.03 10:00 > Строка 0  -  0.0")));
        QVERIFY(Holds(text, QStringLiteral("21.03 10:54 > Строка 54  -  0.0")));
        QVERIFY(!Holds(text, QStringLiteral("Строка 55")));
        // A list leaves the page and the three buttons as they were.
        QCOMPARE(window_->PageText().size(), 80u);
        QVERIFY(window_->key_Print->isVisible() && window_->key_Save->isVisible() && window_->key_Next->isVisible());
    }

    void ScrolledPagePrintsWhatIsShown()
    {
        window_->SetPageText(NumberedLines(80));
        window_->memo_R->verticalScrollBar()->setValue(10);
        window_->PdfOutput = Path("scrolled.pdf");
        window_->key_Print->click();
        const QString text = PdfText(Path("scrolled.pdf"));
        QVERIFY(!Holds(text, QStringLiteral("Строка 9 ")));
        QVERIFY(Holds(text, QStringLiteral("Строка 10 ")));
        QVERIFY(Holds(text, QStringLiteral("Строка 64 ")));
        QVERIFY(!Holds(text, QStringLiteral("Строка 65 ")));
    }

    void ActPrintsAsTwoOnePageJobs()
    {
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        window_->PdfOutput = Path("act1.pdf");
        window_->key_Print->click();
        const QString first = PdfText(Path("act1.pdf"));
        QCOMPARE(PdfPages(first), 1);
        QVERIFY(Holds(first, QStringLiteral("АКТ ОСВИДЕТЕЛЬСТВОВАНИЯ N _____")));
        QVERIFY(Holds(first, QStringLiteral("Кузнецов П.С. ____")));
        QVERIFY(Holds(first, QStringLiteral("Начало проведения освидетельствования 21.03 14:07___")));
        QVERIFY(Holds(first, QStringLiteral("\"Каврел 12к\"")));
        QVERIFY(Holds(first, QStringLiteral("0.8___")));
        QVERIFY(Holds(first, QStringLiteral(" в 14  ч 07  мин")));
        QVERIFY(!Holds(first, QStringLiteral("М.П.")));
        // The second page is now shown, ready for a second press; no save.
        QCOMPARE(window_->PageText(), SecondPageTemplate());
        QVERIFY(window_->key_Print->isVisible());
        QVERIFY(window_->key_Next->isVisible());
        QVERIFY(!window_->key_Save->isVisible());

        window_->PdfOutput = Path("act2.pdf");
        window_->key_Print->click();
        const QString second = PdfText(Path("act2.pdf"));
        QCOMPARE(PdfPages(second), 1);
        QVERIFY(Holds(second, QStringLiteral("Окончание проведения освидетельствования")));
        QVERIFY(Holds(second, QStringLiteral("М.П.")));
        QVERIFY(!Holds(second, QStringLiteral("АКТ ОСВИДЕТЕЛЬСТВОВАНИЯ")));
        QCOMPARE(window_->PageText(), SecondPageTemplate());
    }

    void NoDefaultPrinterSaysSoAndChangesNothing()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        DialogAnswerer answerer;
        window_->key_Print->click();
        QCOMPARE(answerer.messages.size(), 1);
        QVERIFY(answerer.messages[0].contains(QStringLiteral("Принтер не установлен")));
        QCOMPARE(window_->PageText(), BuildAct(kActLine));
        QVERIFY(window_->key_Save->isVisible());
    }

    void PrinterErrorIsShownAndTheActStaysOnItsFirstPage()
    {
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        window_->PdfOutput = Path("no_such_folder/act.pdf");
        DialogAnswerer answerer;
        window_->key_Print->click();
        QCOMPARE(answerer.messages.size(), 1);
        QVERIFY(answerer.messages[0].contains(QStringLiteral("Ошибка печати")));
        QCOMPARE(window_->PageText(), BuildAct(kActLine));
        QVERIFY(window_->key_Print->isVisible() && window_->key_Save->isVisible());
    }

    void SavedActHoldsBothPagesAndASecondSaveTheSecondPageTwice()
    {
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        DialogAnswerer answerer;
        QString preset;
        answerer.onFileDialog = [&](QFileDialog* d) {
            preset = d->selectedFiles().value(0);
            AcceptFile(d, QStringLiteral("act.txt"));
        };
        window_->key_Save->click();
        QCOMPARE(answerer.fileDialogs, 1);
        QVERIFY2(preset.endsWith(QStringLiteral("/Kav_21_03.txt")), qPrintable(preset));
        QStringList lines = FileLines("act.txt");
        QCOMPARE(lines.size(), 55 + 43);
        QCOMPARE(lines.mid(0, 55), Strings(BuildAct(kActLine)));
        QCOMPARE(lines.mid(55), Strings(SecondPageTemplate()));
        QCOMPARE(window_->PageText(), SecondPageTemplate());

        window_->key_Save->click();
        lines = FileLines("act.txt");
        QCOMPARE(lines.size(), 43 + 43);
        QCOMPARE(lines.mid(0, 43), Strings(SecondPageTemplate()));
        QCOMPARE(lines.mid(43), Strings(SecondPageTemplate()));
        // The file dialog asked before replacing the file; nothing failed.
        QVERIFY(!answerer.messages.join(QString()).contains(QStringLiteral("не сохранен")));
    }

    void SavedListHoldsEveryLineOfThePageText()
    {
        window_->SetPageText(NumberedLines(80));
        DialogAnswerer answerer;
        answerer.onFileDialog = [](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); }; // the preset name
        window_->key_Save->click();
        const QStringList lines = FileLines("Kav_21_03.txt");
        QCOMPARE(lines, Strings(NumberedLines(80)));
        QCOMPARE(window_->PageText(), NumberedLines(80));
    }

    void CancelledSaveWritesNothingAndChangesNothing()
    {
        PutFile("Kav_21_03.txt", "earlier protocol\r\n");
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        DialogAnswerer answerer;
        answerer.onFileDialog = [](QFileDialog* d) { d->reject(); };
        window_->key_Save->click();
        QCOMPARE(answerer.fileDialogs, 1);
        QCOMPARE(FileBytes("Kav_21_03.txt"), std::string("earlier protocol\r\n"));
        QCOMPARE(window_->PageText(), BuildAct(kActLine));
        QVERIFY(answerer.messages.isEmpty());
    }

    void FailedSaveIsReportedAndKeepsTheFirstPage()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("folder")));
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        DialogAnswerer answerer;
        // A folder's name as the file: the protocol cannot replace it.
        answerer.onFileDialog = [](QFileDialog* d) {
            TypeFileName(d, QDir::current().absoluteFilePath(QStringLiteral("folder")));
            static_cast<QDialog*>(d)->done(QDialog::Accepted);
        };
        window_->key_Save->click();
        QCOMPARE(answerer.messages.size(), 1);
        QVERIFY(answerer.messages[0].contains(QStringLiteral("Протокол не сохранен")));
        QCOMPARE(window_->PageText(), BuildAct(kActLine));
    }

    void NextClosesAndShowingAgainShowsEveryButton()
    {
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        window_->PdfOutput = Path("act.pdf");
        window_->key_Print->click();
        QVERIFY(!window_->key_Save->isVisible());
        window_->key_Next->click();
        QTRY_VERIFY(!window_->isVisible());
        window_->show();
        window_->activateWindow();
        QTRY_VERIFY(window_->key_Save->isVisible());
    }

private:
    QString Path(const char* name) const { return rig_.Path(name); }

    PrintWindowRig rig_;
    std::unique_ptr<TPrintF>& window_ = rig_.window;
};

QTEST_MAIN(PrintWindowTest)
#include "PrintWindowTest.moc"
