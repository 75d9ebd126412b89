#pragma once
// The print window: shows one page of protocol text (a list of journal
// lines, or the examination act), prints exactly the page shown on the
// system's default printer without a dialog, and saves the page text as a
// protocol text file or as a PDF of the printed pages. The results window sets the page text and the act
// mode flag (PrintActMode) and shows it (not modally).
#include <QDialog>

#include <string>
#include <vector>

class QFileDialog;
class QPlainTextEdit;
class QToolButton;

class TPrintF : public QDialog {
    Q_OBJECT
public:
    explicit TPrintF(QWidget* parent = nullptr);

    // The page text, one string per line of memo_R.
    void SetPageText(const std::vector<std::string>& lines);
    // A document of numbered pages (a certificate, a history): memo_R
    // shows them one below the other; printing prints them all as one job,
    // saving writes them all, and the save dialog suggests `fileName`.
    // SetPageText ends it.
    void SetDocument(const std::vector<std::vector<std::string>>& pages, const std::string& title,
                     const std::string& fileName);
    const std::vector<std::vector<std::string>>& DocumentPages() const { return document_; }
    std::vector<std::string> PageText() const;
    // The lines the window shows from its top: at most 55, each cut to 75.
    std::vector<std::string> ShownPage() const;

    // Where key_Print sends the page: empty (the program) means the
    // system's default printer; a file name makes the same print job write
    // a PDF file instead (tests).
    QString PdfOutput;

    QToolButton* key_Print;
    QToolButton* key_Save;
    QToolButton* key_Next;
    QPlainTextEdit* memo_R;
    QPlainTextEdit* memo_R1;
    QPlainTextEdit* memo_R2;
    QFileDialog* SaveDialog1;

public slots:
    void FormActivate();
    // Prints the page shown; for an act, then shows the second page.
    void key_PrintClick();
    // Saves the page text (and for an act the second page) to a file chosen
    // in SaveDialog1, as text or, for the PDF filter or a ".pdf" name, as a
    // PDF of the pages as they print; a cancelled dialog writes nothing.
    void key_SaveClick();
    // The save dialog's filter changed: names typed without a suffix get
    // the filter's suffix.
    void SaveDialog1TypeChange(const QString& filter);
    void key_NextClick();

protected:
    bool event(QEvent* e) override;

private:
    void ShowButtons(bool print, bool save, bool next);
    void SaveText(const QString& fileName);
    void SavePdf(const QString& fileName);
    void Complain(const QString& text);
    QString Title() const;

    std::vector<std::vector<std::string>> document_;
    std::string documentTitle_;
    std::string documentFile_;
};

extern TPrintF* PrintF;
