// Saving protocols as PDF from the print window, headless, through the real
// save dialog answered with keys and clicks; the PDF is read back with
// poppler's pdftotext.
#include "Cp1251.h"
#include "DialogAnswerer.h"
#include "FileBytes.h"
#include "PdfText.h"
#include "PrintWindowRig.h"
#include "QtLines.h"
#include "QtRussian.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// The lines without the empty ones at the end, which leave no trace on paper.
QStringList Printed(const std::vector<std::string>& lines)
{
    QStringList list = Strings(lines);
    while (!list.isEmpty() && list.back().isEmpty())
        list.removeLast();
    return list;
}

QStringList Flat(const QStringList& lines)
{
    static const QRegularExpression blanks(QStringLiteral(" +"));
    QStringList flat;
    for (QString line : lines)
        if (!line.trimmed().isEmpty())
            flat << line.trimmed().replace(blanks, QStringLiteral(" "));
    return flat;
}

// One field of pdfinfo's report ("Title", "Creator", "Page size").
QString PdfInfo(const QString& pdf, const QString& field)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    for (const QString& row : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (row.startsWith(field + QLatin1Char(':')))
            return row.mid(field.size() + 1).trimmed();
    return QString();
}

QLineEdit* NameField(QFileDialog* d) { return d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }

QPushButton* DialogButton(QFileDialog* d, QDialogButtonBox::ButtonRole role)
{
    auto* box = d->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    for (QAbstractButton* b : box ? box->buttons() : QList<QAbstractButton*>())
        if (box->buttonRole(b) == role)
            return qobject_cast<QPushButton*>(b);
    return nullptr;
}

// Replaces the name in the dialog's file name field by typing, as the user does.
void TypeName(QFileDialog* d, const QString& name)
{
    QLineEdit* edit = NameField(d);
    QVERIFY(edit);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, name);
}

void ClickSave(QFileDialog* d)
{
    QPushButton* save = DialogButton(d, QDialogButtonBox::AcceptRole);
    QVERIFY(save);
    QTest::mouseClick(save, Qt::LeftButton);
}

// Picks the dialog's second file type, "PDF (*.pdf)", with the keyboard.
void ChoosePdfFilter(QFileDialog* d)
{
    auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(types);
    QCOMPARE(types->currentText(), QStringLiteral("Текстовые файлы (*.txt)"));
    QTest::keyClick(types, Qt::Key_Down);
    QCOMPARE(types->currentText(), QStringLiteral("PDF (*.pdf)"));
}

QString Plain(QString text) { return text.remove(QLatin1Char('&')); }

// Limits the size of files this process writes, so that writing a larger
// file fails the way a full disk does; the old limit comes back at the end.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a killed process
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit now = old_;
        now.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &now);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

private:
    rlimit old_ {};
};

} // namespace

class PdfSaveTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(LoadQtRussian()); }

    void init() { rig_.Start(); }
    void cleanup() { rig_.Stop(); }

    void ListOfEightyLinesGivesOneA4PageOfTheFirstFiftyFive()
    {
        window_->SetPageText(NumberedLines(80));
        DialogAnswerer answerer;
        answerer.onFileDialog = [](QFileDialog* d) {
            TypeName(d, QStringLiteral("list.pdf")); // under the preset text filter
            ClickSave(d);
        };
        QTest::mouseClick(window_->key_Save, Qt::LeftButton);
        QCOMPARE(answerer.fileDialogs, 1);
        QVERIFY(answerer.messages.isEmpty());

        const QString pdf = Path("list.pdf");
        const std::vector<std::string> all = NumberedLines(80);
        const std::vector<std::string> first55(all.begin(), all.begin() + 55);
        const QString layout = PdfText(pdf);
        QCOMPARE(PdfPages(layout), 1);
        // -layout merges the blanks of "  -  "; line by line it is the page.
        QCOMPARE(Flat(layout.chopped(1).split(QLatin1Char('\n'))), Flat(Strings(first55)));
        // Put back on the character grid, the page is exact.
        const QList<PdfPage> pages = PdfPagesOnGrid(pdf);
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0].lines, Strings(first55));
        QCOMPARE(PdfInfo(pdf, QStringLiteral("Page size")), QStringLiteral("595 x 842 pts (A4)"));
        QCOMPARE(PdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("Протокол"));
        QCOMPARE(PdfInfo(pdf, QStringLiteral("Creator")), QStringLiteral("Каврел"));
        // Only the PDF was written; the window keeps its page and buttons.
        QCOMPARE(QDir().entryList(QDir::Files), QStringList {QStringLiteral("list.pdf")});
        QCOMPARE(window_->PageText(), NumberedLines(80));
        QVERIFY(window_->key_Print->isVisible() && window_->key_Save->isVisible());
    }

    void ActUnderThePdfFilterGivesBothPagesInOneFile()
    {
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        DialogAnswerer answerer;
        QString shownName;
        answerer.onFileDialog = [&](QFileDialog* d) {
            ChoosePdfFilter(d);
            shownName = NameField(d)->text();
            ClickSave(d);
        };
        QTest::mouseClick(window_->key_Save, Qt::LeftButton);
        QCOMPARE(shownName, QStringLiteral("Kav_21_03.pdf")); // the preset name follows the filter

        const QString pdf = Path("Kav_21_03.pdf");
        const QList<PdfPage> pages = PdfPagesOnGrid(pdf);
        QCOMPARE(pages.size(), 2);
        QCOMPARE(pages[0].lines, Printed(BuildAct(kActLine)));
        QCOMPARE(pages[0].lines.size(), 55);
        QCOMPARE(pages[0].lines[23], QStringLiteral("Кузнецов П.С. ") + QString(61, QLatin1Char('_')));
        QCOMPARE(pages[0].lines[46], QStringLiteral("результат ___________________________0.8___________________ в 14  ч 07  мин"));
        QCOMPARE(pages[1].lines, Printed(SecondPageTemplate()));
        QCOMPARE(pages[1].lines.size(), 42); // the 43rd line is empty
        QCOMPARE(pages[1].width, pages[0].width);
        QCOMPARE(PdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("АКТ ОСВИДЕТЕЛЬСТВОВАНИЯ N _____"));
        // The window stays on the first page, ready to print the act.
        QCOMPARE(window_->PageText(), BuildAct(kActLine));
        QVERIFY(window_->key_Save->isVisible());
        QVERIFY(answerer.messages.isEmpty());
    }

    void NameWithoutSuffixTakesTheFilterFormatEachTime()
    {
        window_->SetPageText({"первая", "вторая"});
        DialogAnswerer answerer;
        answerer.onFileDialog = [](QFileDialog* d) {
            ChoosePdfFilter(d);
            TypeName(d, QStringLiteral("protocol"));
            ClickSave(d);
        };
        QTest::mouseClick(window_->key_Save, Qt::LeftButton);
        QVERIFY(FileBytes("protocol.pdf").starts_with("%PDF-"));

        // The next showing starts again from the text filter.
        answerer.onFileDialog = [](QFileDialog* d) {
            TypeName(d, QStringLiteral("protocol"));
            ClickSave(d);
        };
        QTest::mouseClick(window_->key_Save, Qt::LeftButton);
        QCOMPARE(FileBytes("protocol.txt"), ToCp1251("первая\r\nвторая\r\n"));
        QCOMPARE(answerer.fileDialogs, 2);
    }

    void SavedAndPrintedPagesAreTheSame()
    {
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        DialogAnswerer answerer;
        answerer.onFileDialog = [](QFileDialog* d) {
            TypeName(d, QStringLiteral("saved.pdf"));
            ClickSave(d);
        };
        QTest::mouseClick(window_->key_Save, Qt::LeftButton);
        window_->PdfOutput = Path("printed.pdf"); // the print job, aimed at a file
        QTest::mouseClick(window_->key_Print, Qt::LeftButton);

        const QString saved = Pdftotext({QStringLiteral("-bbox")}, Path("saved.pdf"));
        const QString printed = Pdftotext({QStringLiteral("-bbox")}, Path("printed.pdf"));
        // Every word of the first page in the same place, on the same sheet.
        const auto words = [](const QString& bbox) {
            const QString page1 = bbox.section(QStringLiteral("</page>"), 0, 0);
            return page1.mid(page1.indexOf(QStringLiteral("<page ")));
        };
        QVERIFY(!words(printed).isEmpty());
        QCOMPARE(words(saved), words(printed));
        QCOMPARE(PdfInfo(Path("printed.pdf"), QStringLiteral("Title")), QStringLiteral("АКТ ОСВИДЕТЕЛЬСТВОВАНИЯ N _____"));
    }

    void CancelledDialogWritesNothing()
    {
        PutFile("Kav_21_03.pdf", "earlier");
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        DialogAnswerer answerer;
        answerer.onFileDialog = [](QFileDialog* d) {
            ChoosePdfFilter(d);
            QTest::mouseClick(DialogButton(d, QDialogButtonBox::RejectRole), Qt::LeftButton);
        };
        QTest::mouseClick(window_->key_Save, Qt::LeftButton);
        QCOMPARE(answerer.fileDialogs, 1);
        QCOMPARE(QDir().entryList(QDir::Files), QStringList {QStringLiteral("Kav_21_03.pdf")});
        QCOMPARE(FileBytes("Kav_21_03.pdf"), std::string("earlier"));
        QCOMPARE(window_->PageText(), BuildAct(kActLine));
        QVERIFY(answerer.messages.isEmpty());
    }

    void FailedWriteLeavesTheOldFileWholeAndSaysSo()
    {
        PutFile("act.pdf", "earlier act");
        window_->SetPageText(BuildAct(kActLine));
        PrintActMode = true;
        DialogAnswerer answerer; // also answers "replace?" with Yes
        answerer.onFileDialog = [](QFileDialog* d) {
            TypeName(d, QStringLiteral("act.pdf"));
            ClickSave(d);
        };
        {
            const FileSizeLimit limit(1000); // far smaller than the PDF
            QTest::mouseClick(window_->key_Save, Qt::LeftButton);
        }
        QVERIFY(!answerer.messages.isEmpty());
        QVERIFY2(answerer.messages.back().startsWith(QStringLiteral("Протокол не сохранен.\n")),
                 qPrintable(answerer.messages.back()));
        QCOMPARE(FileBytes("act.pdf"), std::string("earlier act"));
        QCOMPARE(QDir().entryList(QDir::Files), QStringList {QStringLiteral("act.pdf")});
        QCOMPARE(window_->PageText(), BuildAct(kActLine));
    }

    void SaveDialogAndItsQuestionSpeakRussian()
    {
        PutFile("Kav_21_03.txt", "earlier");
        DialogAnswerer answerer;
        QStringList seen;
        answerer.onFileDialog = [&](QFileDialog* d) {
            seen << Plain(DialogButton(d, QDialogButtonBox::AcceptRole)->text())
                 << Plain(DialogButton(d, QDialogButtonBox::RejectRole)->text())
                 << Plain(d->findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text())
                 << Plain(d->findChild<QLabel*>(QStringLiteral("fileTypeLabel"))->text())
                 << d->findChild<QToolButton*>(QStringLiteral("backButton"))->toolTip()
                 << d->findChild<QToolButton*>(QStringLiteral("newFolderButton"))->toolTip();
            ClickSave(d); // the preset name exists: the dialog asks first
        };
        QStringList question;
        answerer.onMessageBox = [&](QMessageBox* box) {
            question << Plain(box->button(QMessageBox::Yes)->text()) << Plain(box->button(QMessageBox::No)->text());
        };
        QTest::mouseClick(window_->key_Save, Qt::LeftButton);
        QCOMPARE(seen, (QStringList {QStringLiteral("Сохранить"), QStringLiteral("Отмена"),
                                     QStringLiteral("Имя файла:"), QStringLiteral("Типы файлов:"),
                                     QStringLiteral("Назад"), QStringLiteral("Создать папку")}));
        QCOMPARE(answerer.messages.size(), 1);
        QVERIFY2(answerer.messages[0].contains(QStringLiteral("уже существует")), qPrintable(answerer.messages[0]));
        QCOMPARE(question, (QStringList {QStringLiteral("Да"), QStringLiteral("Нет")}));
    }

private:
    QString Path(const char* name) const { return rig_.Path(name); }

    PrintWindowRig rig_;
    std::unique_ptr<TPrintF>& window_ = rig_.window;
};

QTEST_MAIN(PdfSaveTest)
#include "PdfSaveTest.moc"
