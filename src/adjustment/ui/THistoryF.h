#pragma once
// "История прибора": the service journal's lines of one instrument (every
// number it had, its sensor), newest first, within a date range; printed as
// numbered pages, exported as CSV, and any certificate in it printed again
// as it was issued. Damaged journal lines are shown as such.
#include "ServiceJournal.h"

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class THistoryF : public QDialog {
    Q_OBJECT
public:
    explicit THistoryF(int instrument, QWidget* parent = nullptr);

    QLineEdit* edit_HistNumber;
    QLineEdit* edit_HistFrom;
    QLineEdit* edit_HistTo;
    QPushButton* key_HistShow;
    QTableWidget* Grid_Hist;
    QLabel* lab_Hist;
    QPushButton* key_HistPrint;
    QPushButton* key_HistCsv;
    QPushButton* key_HistCert;
    QPushButton* key_HistClose;

    // Tests: where key_HistCsv writes without asking; empty asks.
    QString CsvOutput;

public slots:
    void key_HistShowClick();
    void key_HistPrintClick();
    void key_HistCsvClick();
    void key_HistCertClick();

private:
    std::vector<TServiceEntry> journal_;
    std::vector<std::size_t> rows_;
};

// Shows the certificate whose journal line is `index` in the print window.
void ShowCertificate(const std::vector<TServiceEntry>& journal, std::size_t index);
