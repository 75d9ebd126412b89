#include "TKavResultF.h"

#include "DateFields.h"
#include "Journal.h"
#include "PersonGrid.h"
#include "PersonList.h"
#include "ProtocolPages.h"
#include "TPrintF.h"
#include "TestFiles.h"
#include "UiKit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
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

    connect(box_M, &QComboBox::currentIndexChanged, this, &TKavResultF::box_MChange);
    connect(personChoice_, &QButtonGroup::idClicked, this, &TKavResultF::box_ListClick);
    connect(box_1, &QCheckBox::clicked, this, &TKavResultF::box_1Click);
    // A click on the current row selects it again too, so the grid and the
    // listed lines always name the same person.
    connect(tab_FIO, &QTableWidget::cellClicked, this, &TKavResultF::tab_FIOClick);
    connect(tab_FIO, &QTableWidget::cellDoubleClicked, this, &TKavResultF::tab_FIOClick);
    connect(tab_FIO, &QTableWidget::currentCellChanged, this, &TKavResultF::tab_FIOClick);
    connect(key_File, &QPushButton::clicked, this, &TKavResultF::key_FileClick);
    connect(key_Print, &QPushButton::clicked, this, &TKavResultF::key_PrintClick);
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
    box_1->setChecked(false);
    memo_R->show();
    grid_R->hide();
    ReadDate();
    edit_NameF->setText(Q(ExportFileName()));
}

void TKavResultF::FormActivate()
{
    Refresh();
    if (PersonFileUnreadable && !personErrorTold_) {
        // Told once per showing, without a nested loop: coming back from
        // the message activates the window again.
        personErrorTold_ = true;
        auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(), Q(personError_), QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("PersonListMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
}

void TKavResultF::Refresh()
{
    personError_.clear();
    LoadPersonList(&personError_);
    NumberPersonList();
    ShowPersonList(tab_FIO);

    ReadDate();
    const std::vector<std::string> journal = LoadJournal(DateMonth, box_M->currentIndex());
    listed_ = ListLines(journal, personChoice_->checkedId(), SelectedName);
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
        PrintF->SetPageText(BuildAct(S(GridLine(grid_R->currentRow()))));
        PrintActMode = true;
    }
    PrintF->show();
    PrintF->raise();
    PrintF->activateWindow();
}

void TKavResultF::hideEvent(QHideEvent* e)
{
    personErrorTold_ = false;
    QDialog::hideEvent(e);
}

void TKavResultF::Key__ExitClick()
{
    close();
    Key__Exit->setChecked(false);
}
