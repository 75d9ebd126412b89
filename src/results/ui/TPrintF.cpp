#include "TPrintF.h"

#include "FileDialogs.h"
#include "PagePrinter.h"
#include "ProtocolPages.h"
#include "ProtocolPdf.h"
#include "TestFiles.h"
#include "UiKit.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

TPrintF* PrintF = nullptr;

// The icons are compiled into this static library; register them before
// first use (outside any namespace, as the resource initialiser needs).
static void EnsureIcons()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(results_icons);
        return true;
    }();
    (void)done;
}

namespace {

const QString TextFilter = QStringLiteral("Текстовые файлы (*.txt)");
const QString PdfFilter = QStringLiteral("PDF (*.pdf)");

QString JoinLines(const std::vector<std::string>& lines)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        list << Q(line);
    return list.join(QLatin1Char('\n'));
}

std::vector<std::string> SplitLines(const QString& text)
{
    std::vector<std::string> lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        lines.push_back(S(line));
    return lines;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, const QString& spoken)
{
    auto* memo = new QPlainTextEdit(parent);
    NameControl(memo, name, spoken);
    memo->setFont(PageFont());
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFrameShape(QFrame::NoFrame);
    // No margin: 55 lines of 17 pixels fill the 938-pixel page.
    memo->document()->setDocumentMargin(0);
    memo->setStyleSheet(QStringLiteral("QPlainTextEdit { background: white; color: black; }"));
    return memo;
}

QToolButton* MakeButton(QWidget* parent, const char* name, const QString& hint, const char* icon)
{
    QToolButton* button = MakePictureButton(parent, name, hint, icon, 32);
    button->setCheckable(false);
    return button;
}

} // namespace

TPrintF::TPrintF(QWidget* parent) : QDialog(parent)
{
    EnsureIcons();
    setObjectName(QStringLiteral("PrintF"));
    setWindowTitle(QStringLiteral("Печать"));
    // Shown with show() from windows that are themselves modal: only a
    // modal window shown later takes input above them.
    setWindowModality(Qt::ApplicationModal);

    key_Print = MakeButton(this, "key_Print", QStringLiteral("Печатать"), "print");
    key_Save = MakeButton(this, "key_Save", QStringLiteral("Сохранить в файле (текст или PDF)"), "save");
    key_Next = MakeButton(this, "key_Next", QStringLiteral("Закрыть"), "exit");
    connect(key_Print, &QToolButton::clicked, this, &TPrintF::key_PrintClick);
    connect(key_Save, &QToolButton::clicked, this, &TPrintF::key_SaveClick);
    connect(key_Next, &QToolButton::clicked, this, &TPrintF::key_NextClick);

    memo_R = MakeMemo(this, "memo_R", QStringLiteral("Страница протокола"));
    memo_R->setFixedSize(PagePixelWidth, PagePixelHeight);
    memo_R1 = MakeMemo(this, "memo_R1", QStringLiteral("Первая страница акта"));
    memo_R2 = MakeMemo(this, "memo_R2", QStringLiteral("Вторая страница акта"));
    memo_R1->setPlainText(JoinLines(FirstPageTemplate()));
    memo_R2->setPlainText(JoinLines(SecondPageTemplate()));
    memo_R1->hide();
    memo_R2->hide();
    memo_R->setPlainText(memo_R1->toPlainText());

    SaveDialog1 = new QFileDialog(this, QStringLiteral("Сохранить протокол"));
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
    KeepFilesUnopened(SaveDialog1);
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    SaveDialog1->setNameFilters({TextFilter, PdfFilter, QStringLiteral("Все файлы (*)")});
    SaveDialog1->setDefaultSuffix(QStringLiteral("txt"));
    connect(SaveDialog1, &QFileDialog::filterSelected, this, &TPrintF::SaveDialog1TypeChange);

    auto* strip = new QVBoxLayout;
    strip->addWidget(key_Print);
    strip->addWidget(key_Save);
    strip->addWidget(key_Next);
    strip->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(strip);
    layout->addWidget(memo_R, 0, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TPrintF::event(QEvent* e)
{
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return handled;
}

void TPrintF::SetPageText(const std::vector<std::string>& lines)
{
    document_.clear();
    memo_R->setPlainText(JoinLines(lines));
}

void TPrintF::SetDocument(const std::vector<std::vector<std::string>>& pages, const std::string& title,
                          const std::string& fileName)
{
    std::vector<std::string> lines;
    for (const std::vector<std::string>& page : pages)
        lines.insert(lines.end(), page.begin(), page.end());
    memo_R->setPlainText(JoinLines(lines));
    document_ = pages;
    documentTitle_ = title;
    documentFile_ = fileName;
}

QString TPrintF::Title() const
{
    return document_.empty() ? Q(ProtocolTitle(PrintActMode)) : Q(documentTitle_);
}

std::vector<std::string> TPrintF::PageText() const
{
    return SplitLines(memo_R->toPlainText());
}

std::vector<std::string> TPrintF::ShownPage() const
{
    std::vector<std::string> lines = PageText();
    // Without wrapping, the scroll position is the first line shown.
    const std::size_t first = std::min<std::size_t>(memo_R->verticalScrollBar()->value(), lines.size());
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(first));
    return VisiblePage(lines);
}

void TPrintF::ShowButtons(bool print, bool save, bool next)
{
    key_Print->setVisible(print);
    key_Save->setVisible(save);
    key_Next->setVisible(next);
}

void TPrintF::Complain(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("PrintMessage"));
    box.exec();
}

void TPrintF::FormActivate()
{
    // The act's second page keeps key_Save hidden until the window is
    // shown again.
    ShowButtons(true, true, true);
}

void TPrintF::key_PrintClick()
{
    std::unique_ptr<QPrinter> printer;
    if (PdfOutput.isEmpty()) {
        const QPrinterInfo target = QPrinterInfo::defaultPrinter();
        if (target.isNull()) {
            Complain(QStringLiteral("Принтер не установлен: в системе нет принтера по умолчанию.\n"
                                    "Печать невозможна."));
            return;
        }
        printer = std::make_unique<QPrinter>(target, QPrinter::HighResolution);
    } else {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(PdfOutput);
    }

    const bool saveShown = key_Save->isVisible();
    ShowButtons(false, false, false); // as on paper
    QString error;
    const bool printed = document_.empty() ? PrintPage(*printer, ShownPage(), Title(), &error)
                                           : PrintPages(*printer, document_, Title(), &error);
    if (!printed) {
        ShowButtons(true, saveShown, true);
        Complain(error);
        return;
    }
    if (!PrintActMode || !document_.empty()) {
        ShowButtons(true, true, true);
        return;
    }
    memo_R->setPlainText(memo_R2->toPlainText());
    ShowButtons(true, false, true);
}

void TPrintF::key_SaveClick()
{
    SaveDialog1->setDirectory(QDir::currentPath());
    SaveDialog1->selectNameFilter(TextFilter);
    SaveDialog1->setDefaultSuffix(QStringLiteral("txt"));
    SaveDialog1->selectFile(Q(document_.empty() ? ExportFileName() : documentFile_));
    if (SaveDialog1->exec() != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty())
        return;
    const QString fileName = QFileInfo(SaveDialog1->selectedFiles().constFirst()).absoluteFilePath();
    const ProtocolFormat chosen =
        SaveDialog1->selectedNameFilter() == PdfFilter ? ProtocolFormat::Pdf : ProtocolFormat::Text;
    if (ProtocolFormatFor(S(fileName), chosen) == ProtocolFormat::Pdf)
        SavePdf(fileName);
    else
        SaveText(fileName);
}

void TPrintF::SaveDialog1TypeChange(const QString& filter)
{
    // A name typed without a suffix gets the chosen filter's suffix. The
    // dialog itself swaps the suffix of a name already typed.
    SaveDialog1->setDefaultSuffix(filter == PdfFilter ? QStringLiteral("pdf") : QStringLiteral("txt"));
}

void TPrintF::SaveText(const QString& fileName)
{
    std::vector<std::string> lines = PageText();
    if (PrintActMode && document_.empty()) {
        const std::vector<std::string> second = SplitLines(memo_R2->toPlainText());
        lines.insert(lines.end(), second.begin(), second.end());
    }
    std::string error;
    if (!WriteProtocol(S(fileName), lines, &error)) {
        Complain(QStringLiteral("Протокол не сохранен.\n%1").arg(Q(error)));
        return;
    }
    if (PrintActMode && document_.empty())
        memo_R->setPlainText(memo_R2->toPlainText());
}

void TPrintF::SavePdf(const QString& fileName)
{
    // The pages the printer gets: the page shown, then for an act the
    // second page. The window keeps its page, so printing after the save
    // still starts with the act's first page.
    std::vector<std::vector<std::string>> pages = {ShownPage()};
    if (!document_.empty())
        pages = document_;
    else if (PrintActMode)
        pages.push_back(SplitLines(memo_R2->toPlainText()));
    std::string error;
    if (!WriteProtocolPdf(S(fileName), pages, Title(), &error))
        Complain(QStringLiteral("Протокол не сохранен.\n%1").arg(Q(error)));
}

void TPrintF::key_NextClick()
{
    close();
}
