#include "THistoryF.h"

#include "Certificate.h"
#include "Files.h"
#include "FileDialogs.h"
#include "InstrumentHistory.h"
#include "ProtocolPages.h"
#include "TPrintF.h"
#include "Text.h"
#include "UiKit.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

void ShowCertificate(const std::vector<TServiceEntry>& journal, std::size_t index)
{
    if (!PrintF)
        return;
    const TServiceEntry& cert = journal.at(index);
    const std::string number = CertificateNumber(cert);
    PrintActMode = false;
    std::string date = cert.Date;
    std::replace(date.begin(), date.end(), '.', '_');
    PrintF->SetDocument(CertificatePages(journal, index), "Свидетельство о регулировке № " + number,
                        "Свидетельство_" + std::to_string(cert.Instrument) + "_" + date + ".pdf");
    ShowNonModal(PrintF);
}

THistoryF::THistoryF(int instrument, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HistoryF"));
    setWindowTitle(QStringLiteral("История прибора"));
    setAccessibleName(windowTitle());
    auto edit = [this](const char* name, const QString& spoken, const QString& text) {
        auto* e = new QLineEdit(text, this);
        NameControl(e, name, spoken);
        return e;
    };
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        NameControl(b, name, caption);
        return b;
    };
    edit_HistNumber = edit("edit_HistNumber", QStringLiteral("Номер прибора"), QString::number(instrument));
    edit_HistFrom = edit("edit_HistFrom", QStringLiteral("С даты"), QString());
    edit_HistTo = edit("edit_HistTo", QStringLiteral("По дату"), QString());
    edit_HistFrom->setPlaceholderText(QStringLiteral("ДД.ММ.ГГГГ"));
    edit_HistTo->setPlaceholderText(QStringLiteral("ДД.ММ.ГГГГ"));
    key_HistShow = button("key_HistShow", QStringLiteral("Показать"));
    Grid_Hist = new QTableWidget(0, 8, this);
    NameControl(Grid_Hist, "Grid_Hist", QStringLiteral("Записи журнала прибора"));
    Grid_Hist->setHorizontalHeaderLabels({QStringLiteral("Дата"), QStringLiteral("Время"), QStringLiteral("Прибор"),
                                          QStringLiteral("Сенсор"), QStringLiteral("Наладчик"),
                                          QStringLiteral("Запись"), QStringLiteral("Проверка"),
                                          QStringLiteral("Подробности")});
    Grid_Hist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid_Hist->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid_Hist->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid_Hist->horizontalHeader()->setStretchLastSection(true);
    Grid_Hist->setMinimumSize(900, 360);
    lab_Hist = new QLabel(this);
    NameValueLabel(lab_Hist, "lab_Hist", QStringLiteral("Сообщение истории"));
    key_HistPrint = button("key_HistPrint", QStringLiteral("Печать"));
    key_HistCsv = button("key_HistCsv", QStringLiteral("Сохранить CSV"));
    key_HistCert = button("key_HistCert", QStringLiteral("Свидетельство"));
    key_HistClose = button("key_HistClose", QStringLiteral("Закрыть"));

    auto* filter = new QHBoxLayout;
    filter->addWidget(new QLabel(QStringLiteral("Прибор N"), this));
    filter->addWidget(edit_HistNumber);
    filter->addWidget(new QLabel(QStringLiteral("с"), this));
    filter->addWidget(edit_HistFrom);
    filter->addWidget(new QLabel(QStringLiteral("по"), this));
    filter->addWidget(edit_HistTo);
    filter->addWidget(key_HistShow);
    auto* keys = new QHBoxLayout;
    keys->addWidget(key_HistPrint);
    keys->addWidget(key_HistCsv);
    keys->addWidget(key_HistCert);
    keys->addStretch();
    keys->addWidget(key_HistClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filter);
    layout->addWidget(Grid_Hist);
    layout->addWidget(lab_Hist);
    layout->addLayout(keys);

    connect(key_HistShow, &QPushButton::clicked, this, Guarded(this, &THistoryF::key_HistShowClick));
    connect(key_HistPrint, &QPushButton::clicked, this, Guarded(this, &THistoryF::key_HistPrintClick));
    connect(key_HistCsv, &QPushButton::clicked, this, Guarded(this, &THistoryF::key_HistCsvClick));
    connect(key_HistCert, &QPushButton::clicked, this, Guarded(this, &THistoryF::key_HistCertClick));
    connect(key_HistClose, &QPushButton::clicked, this, &QDialog::accept);
    key_HistShowClick();
}

void THistoryF::key_HistShowClick()
{
    journal_ = ReadServiceJournal();
    const auto from = ParseDay(S(edit_HistFrom->text().trimmed()));
    const auto to = ParseDay(S(edit_HistTo->text().trimmed()));
    const int instrument = static_cast<int>(ReadInt(S(edit_HistNumber->text())));
    rows_ = InstrumentHistory(journal_, instrument, from, to);
    Grid_Hist->setRowCount(static_cast<int>(rows_.size()));
    int damaged = 0;
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const TServiceEntry& e = journal_[rows_[r]];
        std::string details;
        for (const std::string& d : e.Details)
            details += (details.empty() ? "" : "; ") + d;
        const std::string what = e.Damaged ? "ПОВРЕЖДЕНА" : e.What;
        const std::string cells[8] = {e.Date,  e.Time, std::to_string(e.Instrument), std::to_string(e.Sensor),
                                      e.Damaged ? "" : e.Engineer, what, e.Verdict, e.Damaged ? e.Raw : details};
        for (int c = 0; c < 8; ++c)
            Grid_Hist->setItem(r, c, new QTableWidgetItem(Q(cells[c])));
        damaged += e.Damaged ? 1 : 0;
    }
    // The short columns as wide as they need; the details take the rest.
    for (int c = 0; c < 7; ++c)
        Grid_Hist->resizeColumnToContents(c);
    QString text = QStringLiteral("Записей: %1").arg(rows_.size());
    if (damaged)
        text += QStringLiteral(", из них поврежденных строк журнала: %1").arg(damaged);
    lab_Hist->setText(text);
}

void THistoryF::key_HistPrintClick()
{
    if (!PrintF)
        return;
    const int instrument = static_cast<int>(ReadInt(S(edit_HistNumber->text())));
    PrintActMode = false;
    const std::string title = "История прибора N " + std::to_string(instrument);
    PrintF->SetDocument(NumberedPages(HistoryLines(journal_, rows_, instrument), title + " (продолжение)"), title,
                        "История_" + std::to_string(instrument) + ".pdf");
    ShowNonModal(PrintF);
}

void THistoryF::key_HistCsvClick()
{
    QString name = CsvOutput;
    if (name.isEmpty()) {
        QFileDialog dialog(this, QStringLiteral("Сохранить историю прибора"));
        dialog.setObjectName(QStringLiteral("HistCsvDialog"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        KeepFilesUnopened(&dialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDirectory(QDir::currentPath());
        dialog.setNameFilters({QStringLiteral("CSV (*.csv)")});
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        dialog.selectFile(QStringLiteral("История_%1.csv").arg(edit_HistNumber->text().trimmed()));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        name = dialog.selectedFiles().constFirst();
    }
    std::string error;
    if (!WriteFileAtomically(S(name), HistoryCsv(journal_, rows_), &error))
        QMessageBox::warning(this, AppTitle(), QStringLiteral("История не сохранена.\n%1").arg(Q(error)));
    else
        lab_Hist->setText(QStringLiteral("История сохранена: %1").arg(name));
}

void THistoryF::key_HistCertClick()
{
    const int r = Grid_Hist->currentRow();
    if (r < 0 || r >= static_cast<int>(rows_.size()) || CertificateNumber(journal_[rows_[r]]).empty()) {
        lab_Hist->setText(QStringLiteral("Выберите строку свидетельства (запись «свидетельство»)."));
        return;
    }
    ShowCertificate(journal_, rows_[r]);
}
