#include "TKavResultF.h"

#include "DateFields.h"
#include "FileDialogs.h"
#include "Journal.h"
#include "RegisterCsv.h"
#include "ServerJournal.h"
#include "ServerSettings.h"
#include "ServerTask.h"
#include "PersonGrid.h"
#include "PersonList.h"
#include "ProtocolPages.h"
#include "TPrintF.h"
#include "TestFiles.h"
#include "TestRegister.h"
#include "UiKit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>

TKavResultF* KavResultF = nullptr;

namespace {

constexpr int kGridWidth = 423;

} // namespace

TKavResultF::TKavResultF(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("KavResultF"));
    setWindowTitle(QStringLiteral("Результаты  тестирования"));
    setModal(true);
    BuildControls();
    BuildLayout();
    FormCreate();
}

void TKavResultF::BuildControls()
{
    Key__Exit = MakePictureButton(this, "Key__Exit", QStringLiteral("Выход"), "exit", 32);
    connect(Key__Exit, &QToolButton::clicked, this, &TKavResultF::Key__ExitClick);

    Label_Year = new QLabel(QStringLiteral("выбрать  год"), this);
    NameControl(Label_Year, "Label_Year", Label_Year->text());
    box_Year = new QComboBox(this);
    NameControl(box_Year, "box_Year", QStringLiteral("Выбрать год"));
    Label_Year->setBuddy(box_Year);
    lab_Count = new QLabel(this);
    NameValueLabel(lab_Count, "lab_Count", QStringLiteral("Сколько записей показано"));
    lab_Count->hide();
    box_AllPosts = new QCheckBox(QStringLiteral("Все посты"), this);
    NameControl(box_AllPosts, "box_AllPosts", box_AllPosts->text());
    lab_Server = new QLabel(this);
    NameValueLabel(lab_Server, "lab_Server", QStringLiteral("Журнал всех постов"));
    lab_Server->setWordWrap(true);
    lab_Server->hide();

    Label1 = new QLabel(QStringLiteral("выбрать  за   месяц"), this);
    NameControl(Label1, "Label1", Label1->text());
    box_M = new QComboBox(this);
    NameControl(box_M, "box_M", QStringLiteral("Выбрать за месяц"));
    for (const char* item : MonthChoiceItems)
        box_M->addItem(QString::fromUtf8(item));
    box_M->setCurrentIndex(0);
    Label1->setBuddy(box_M);

    box_List = new QGroupBox(QStringLiteral("Выбрать  тестируемого   "), this);
    NameControl(box_List, "box_List", box_List->title());
    personChoice_ = new QButtonGroup(this);
    const QString items[2] = {QStringLiteral("весь список"), QStringLiteral("выбрать  из  списка")};
    for (int i = 0; i < 2; ++i) {
        auto* item = new QRadioButton(items[i], box_List);
        const QByteArray name = QByteArrayLiteral("box_List_") + QByteArray::number(i);
        NameControl(item, name.constData(), items[i]);
        personChoice_->addButton(item, i);
    }
    personChoice_->button(0)->setChecked(true);

    box_1 = new QCheckBox(QStringLiteral("выбрать одну запись"), this);
    NameControl(box_1, "box_1", box_1->text());

    tab_FIO = MakePersonGrid(this);
    edit_FIO = new QLineEdit(this);
    NameControl(edit_FIO, "edit_FIO", QStringLiteral("Выбранный тестируемый"));
    edit_FIO->setReadOnly(true);

    memo_R = new QPlainTextEdit(this);
    NameControl(memo_R, "memo_R", QStringLiteral("Результаты тестов"));
    memo_R->setReadOnly(true);
    memo_R->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_R->setFixedWidth(kGridWidth + 2 * memo_R->frameWidth() +
                          memo_R->style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    grid_R = new QTableWidget(GridRows, 1, this);
    NameControl(grid_R, "grid_R", QStringLiteral("Результаты тестов по одному"));
    grid_R->horizontalHeader()->hide();
    grid_R->verticalHeader()->hide();
    grid_R->verticalHeader()->setDefaultSectionSize(17);
    grid_R->setColumnWidth(0, kGridWidth);
    grid_R->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_R->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_R->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_R->setWordWrap(false);
    grid_R->setFixedWidth(memo_R->width());

    key_Save = new QGroupBox(QStringLiteral("    Выбранные  результаты  (справа)  "), this);
    NameControl(key_Save, "key_Save", key_Save->title());
    key_File = new QPushButton(QStringLiteral("Сохранить  в  текстовом  файле"), key_Save);
    NameControl(key_File, "key_File", key_File->text());
    edit_NameF = new QLineEdit(QStringLiteral("Result.txt"), key_Save);
    NameControl(edit_NameF, "edit_NameF", QStringLiteral("Имя текстового файла"));
    key_Print = new QPushButton(QStringLiteral("Печатать "), key_Save);
    NameControl(key_Print, "key_Print", key_Print->text());
    key_Csv = new QPushButton(QStringLiteral("Экспорт журнала"), key_Save);
    NameControl(key_Csv, "key_Csv", key_Csv->text());

    SaveDialogCsv = new QFileDialog(this, QStringLiteral("Экспорт журнала"));
    SaveDialogCsv->setObjectName(QStringLiteral("SaveDialogCsv"));
    SaveDialogCsv->setOption(QFileDialog::DontUseNativeDialog);
    KeepFilesUnopened(SaveDialogCsv);
    SaveDialogCsv->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialogCsv->setFileMode(QFileDialog::AnyFile);
    SaveDialogCsv->setNameFilters({QStringLiteral("Таблица CSV (*.csv)"), QStringLiteral("Все файлы (*)")});
    SaveDialogCsv->setDefaultSuffix(QStringLiteral("csv"));

    connect(box_Year, &QComboBox::currentIndexChanged, this, &TKavResultF::box_YearChange);
    connect(box_M, &QComboBox::currentIndexChanged, this, &TKavResultF::box_MChange);
    connect(box_AllPosts, &QCheckBox::clicked, this, &TKavResultF::box_AllPostsClick);
    connect(personChoice_, &QButtonGroup::idClicked, this, &TKavResultF::box_ListClick);
    connect(box_1, &QCheckBox::clicked, this, &TKavResultF::box_1Click);
    // A click on the current row selects it again too, so the grid and the
    // listed lines always name the same person.
    connect(tab_FIO, &QTableWidget::cellClicked, this, &TKavResultF::tab_FIOClick);
    connect(tab_FIO, &QTableWidget::cellDoubleClicked, this, &TKavResultF::tab_FIOClick);
    connect(tab_FIO, &QTableWidget::currentCellChanged, this, &TKavResultF::tab_FIOClick);
    connect(key_File, &QPushButton::clicked, this, &TKavResultF::key_FileClick);
    connect(key_Print, &QPushButton::clicked, this, &TKavResultF::key_PrintClick);
    connect(key_Csv, &QPushButton::clicked, this, Guarded(this, &TKavResultF::key_CsvClick));
}

bool TKavResultF::event(QEvent* e)
{
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return handled;
}

void TKavResultF::FormCreate()
{
    // The register's controls come with the register (each opening).
    Label_Year->hide();
    box_Year->hide();
    box_AllPosts->hide();
    key_Csv->hide();
    box_1->setChecked(false);
    memo_R->show();
    grid_R->hide();
    ReadDate();
    edit_NameF->setText(Q(ExportFileName()));
}

void TKavResultF::FormActivate()
{
    if (!opened_) {
        opened_ = true;
        OpenRegister();
    }
    Refresh();
    if (PersonFileUnreadable && !personErrorTold_) {
        personErrorTold_ = true;
        Tell(Q(personError_), "PersonListMessage");
    }
    if (!registerNews_.empty() && !registerTold_) {
        registerTold_ = true;
        Tell(Q(registerNews_), "RegisterMessage");
    }
}

void TKavResultF::Tell(const QString& text, const char* boxName)
{
    // Told once per showing, without a nested loop: coming back from the
    // message activates the window again.
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QString::fromLatin1(boxName));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TKavResultF::OpenRegister()
{
    registerNews_.clear();
    check_ = RegisterCheck{};
    if (Register) {
        // What waits in memory goes in first, so that the check and the
        // journal find every test in the register.
        Register->Flush(&registerNews_);
    }
    registerShown_ = Register && Register->Readable();
    Label_Year->setVisible(registerShown_);
    box_Year->setVisible(registerShown_);
    key_Csv->setVisible(registerShown_);
    box_AllPosts->hide();
    journalConnection_.clear();
    lab_Count->hide();
    if (!registerShown_)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    check_ = CheckRegister(Register->Store(), Register->Pending());
    if (check_.failed && NeedsMovingAside(check_.failed->fault)) {
        // Damaged where only a whole reading finds it: kept aside, and the
        // check runs over the register begun in its place.
        registerNews_ += (registerNews_.empty() ? "" : "\n\n") + Register->SetAside(*check_.failed);
        check_ = CheckRegister(Register->Store(), Register->Pending());
    }
    QApplication::restoreOverrideCursor();
    registerShown_ = Register->Readable();
    Label_Year->setVisible(registerShown_);
    box_Year->setVisible(registerShown_);
    key_Csv->setVisible(registerShown_);
    if (!registerShown_)
        return;
    const std::string found = CheckMessage(check_, Register->FileName());
    if (!found.empty())
        registerNews_ += (registerNews_.empty() ? "" : "\n\n") + found;
    ReadDate();
    FillYears();
    journalConnection_ = LoadServerSettings().JournalConnection();
    box_AllPosts->setVisible(!journalConnection_.empty());
    serverChecked_ = false;
}

void TKavResultF::FillYears()
{
    RegisterError error;
    const YearItems items = YearChoices(Register->Store(), DateYear, !check_.unrecordedList.empty(), &error);
    years_ = items.choices;
    const QSignalBlocker quiet(box_Year);
    box_Year->clear();
    for (const std::string& text : items.texts)
        box_Year->addItem(Q(text));
    const auto current = std::find(years_.begin(), years_.end(), YearChoice{YearChoice::Kind::One, DateYear});
    box_Year->setCurrentIndex(static_cast<int>(current - years_.begin()));
}

YearChoice TKavResultF::ChosenYear() const
{
    const int index = box_Year->currentIndex();
    return index >= 0 && index < static_cast<int>(years_.size()) ? years_[static_cast<std::size_t>(index)]
                                                                   : YearChoice{};
}

void TKavResultF::Refresh()
{
    personError_.clear();
    LoadPersonList(&personError_);
    NumberPersonList();
    ShowPersonList(tab_FIO);

    ReadDate();
    entries_.clear();
    if (registerShown_ && Register && Register->Readable()) {
        RegisterError error;
        JournalView view = ViewJournal(Register->Store(), ChosenYear(), box_M->currentIndex(),
                                       personChoice_->checkedId(), SelectedName, Register->Pending(),
                                       check_.unrecordedList, JournalCap, &error);
        entries_ = std::move(view.entries);
        listed_.clear();
        for (const JournalEntry& e : entries_)
            listed_.push_back(e.shown);
        const bool capped = view.total > static_cast<long long>(entries_.size());
        lab_Count->setText(QStringLiteral("показаны последние %1 из %2").arg(entries_.size()).arg(view.total));
        lab_Count->setVisible(capped);
        serverShown_ = false;
        lab_Server->hide();
        if (!journalConnection_.empty() && box_AllPosts->isChecked())
            AskServer();
    } else {
        const std::vector<std::string> journal = LoadJournal(DateMonth, box_M->currentIndex());
        listed_ = ListLines(journal, personChoice_->checkedId(), SelectedName);
    }
    ShowListed();
}

void TKavResultF::ShowListed()
{
    QStringList text;
    text.reserve(static_cast<qsizetype>(listed_.size()));
    for (const std::string& line : listed_)
        text << Q(line);
    memo_R->setPlainText(text.join(QLatin1Char('\n')));

    // Every listed line gets a row, so that any of them can be made an act.
    const int rows = std::max<int>(GridRows, static_cast<int>(listed_.size()));
    if (grid_R->rowCount() != rows)
        grid_R->setRowCount(rows);
    const QString blank = QStringLiteral(" ");
    for (int r = 0; r < rows; ++r) {
        const QString& line = r < text.size() ? text[r] : blank;
        QTableWidgetItem* item = grid_R->item(r, 0);
        if (!item) {
            item = new QTableWidgetItem(line);
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            grid_R->setItem(r, 0, item);
        } else if (item->text() != line) {
            item->setText(line);
        }
    }
}

void TKavResultF::box_MChange()
{
    Refresh();
}

void TKavResultF::box_YearChange()
{
    Refresh();
}

void TKavResultF::box_AllPostsClick()
{
    Refresh();
    if (box_AllPosts->isChecked() && !serverChecked_)
        CheckServer();
}

void TKavResultF::ShowEntries(std::vector<JournalEntry> entries, long long total)
{
    entries_ = std::move(entries);
    listed_.clear();
    for (const JournalEntry& e : entries_)
        listed_.push_back(e.shown);
    lab_Count->setText(QStringLiteral("показаны последние %1 из %2").arg(entries_.size()).arg(total));
    lab_Count->setVisible(total > static_cast<long long>(entries_.size()));
    ShowListed();
}

void TKavResultF::AskServer()
{
    const int question = ++serverQuestion_;
    ++serverAsked_;
    lab_Server->setText(QStringLiteral("Журнал всех постов запрашивается у сервера…"));
    lab_Server->show();
    const YearChoice year = ChosenYear();
    const int month = box_M->currentIndex();
    const int person = personChoice_->checkedId();
    const std::string name = SelectedName;
    QPointer<QObject> self(this);
    RunOnServer(journalConnection_, LinkTimeouts{}, [=, this](QSqlDatabase* db, ReplyDeadline& deadline,
                                                              const std::string& reason) {
        JournalView view;
        std::string why = reason;
        const bool ok = db && ReadServerJournal(*db, deadline, LinkTimeouts{}.replyMs, year, month, person, name,
                                                JournalCap, &view, &why);
        std::vector<int> years;
        bool unknown = false;
        std::string ignored;
        if (ok)
            ReadServerYears(*db, deadline, LinkTimeouts{}.replyMs, &years, &unknown, &ignored);
        AnswerOnMainThread(self, [this, question, ok, why, years, view = std::move(view)]() mutable {
            --serverAsked_;
            if (question != serverQuestion_ || !box_AllPosts->isChecked() || !isVisible())
                return; // asked again since, or no longer wanted
            AddYears(years);
            if (!ok) {
                lab_Server->setText(QStringLiteral("Нет связи с сервером журнала (%1). Показаны записи этого поста.")
                                        .arg(Q(why)));
                return;
            }
            lab_Server->hide();
            serverShown_ = true;
            ShowEntries(std::move(view.entries), view.total);
        });
    });
}

void TKavResultF::AddYears(const std::vector<int>& years)
{
    // The years other posts have, in order among the post's own; the
    // choice stays where it is.
    const QSignalBlocker quiet(box_Year);
    for (int y : years) {
        const YearChoice choice{YearChoice::Kind::One, y};
        if (std::find(years_.begin(), years_.end(), choice) != years_.end())
            continue;
        std::size_t at = 1;
        while (at < years_.size() && years_[at].kind == YearChoice::Kind::One && years_[at].year < y)
            ++at;
        years_.insert(years_.begin() + static_cast<std::ptrdiff_t>(at), choice);
        box_Year->insertItem(static_cast<int>(at), QString::number(y));
    }
}

void TKavResultF::CheckServer()
{
    serverChecked_ = true;
    ++serverAsked_;
    QPointer<QObject> self(this);
    RunOnServer(journalConnection_, LinkTimeouts{}, [=, this](QSqlDatabase* db, ReplyDeadline& deadline,
                                                              const std::string&) {
        ServerCheck check;
        std::string why;
        const bool ok = db && CheckServerChains(*db, deadline, 10 * LinkTimeouts{}.replyMs, &check, &why);
        const std::string found = ok ? ServerCheckMessage(check) : std::string();
        AnswerOnMainThread(self, [this, found] {
            --serverAsked_;
            if (!found.empty() && isVisible())
                Tell(Q(found), "ServerCheckMessage");
        });
    });
}

void TKavResultF::box_ListClick()
{
    Refresh();
}

void TKavResultF::box_1Click()
{
    memo_R->setVisible(!box_1->isChecked());
    grid_R->setVisible(box_1->isChecked());
    Refresh();
}

void TKavResultF::tab_FIOClick()
{
    SelectPerson(PersonGridRow(tab_FIO));
    edit_FIO->setText(Q(SelectedName));
    Refresh();
}

void TKavResultF::key_FileClick()
{
    std::string error;
    if (!AppendExport(S(edit_NameF->text()), listed_, &error)) {
        QMessageBox box(QMessageBox::Warning, AppTitle(),
                        QStringLiteral("Результаты не сохранены.\n%1").arg(Q(error)), QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("ResultMessage"));
        box.exec();
    }
}

QString TKavResultF::GridLine(int row) const
{
    const QTableWidgetItem* item = grid_R->item(std::max(row, 0), 0);
    return item ? item->text() : QStringLiteral(" ");
}

void TKavResultF::key_PrintClick()
{
    if (!PrintF)
        return;
    if (!box_1->isChecked()) {
        PrintActMode = false;
        if (listed_.empty())
            return;
        PrintF->SetPageText(listed_);
    } else {
        const int row = grid_R->currentRow();
        if (row >= 0 && row < static_cast<int>(entries_.size())) {
            // The act is made from the line in the month file; a recorded
            // one carries the record's number and its date with the year.
            const JournalEntry& entry = entries_[static_cast<std::size_t>(row)];
            PrintF->SetPageText(entry.record ? BuildRecordedAct(entry.line, entry.record->number,
                                                                ActDateTimeOf(*entry.record))
                                             : BuildAct(entry.line));
        } else {
            PrintF->SetPageText(BuildAct(S(GridLine(row))));
        }
        PrintActMode = true;
    }
    PrintF->show();
    PrintF->raise();
    PrintF->activateWindow();
}

void TKavResultF::key_CsvClick()
{
    if (!Register || !Register->Readable())
        return;
    const YearChoice year = ChosenYear();
    SaveDialogCsv->setDirectory(QDir::currentPath());
    SaveDialogCsv->selectFile(Q(JournalCsvFileName(year)));
    if (SaveDialogCsv->exec() != QDialog::Accepted || SaveDialogCsv->selectedFiles().isEmpty())
        return;
    const QString fileName = QFileInfo(SaveDialogCsv->selectedFiles().constFirst()).absoluteFilePath();
    long long records = 0;
    std::string error;
    if (!WriteJournalCsv(Register->Store(), year, S(fileName), &records, &error)) {
        QMessageBox box(QMessageBox::Warning, AppTitle(), QStringLiteral("Журнал не сохранён.\n%1").arg(Q(error)),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("ResultMessage"));
        box.exec();
    }
}

void TKavResultF::hideEvent(QHideEvent* e)
{
    personErrorTold_ = false;
    registerTold_ = false;
    opened_ = false;
    serverShown_ = false;
    QDialog::hideEvent(e);
}

void TKavResultF::Key__ExitClick()
{
    close();
    Key__Exit->setChecked(false);
}
