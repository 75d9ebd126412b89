// Controls and layout of the sensor table window (875 × 646).
#include "TFBazaF.h"

#include "ServiceControls.h"
#include "UiKit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <string>

namespace {

constexpr int kWidth = 875;
constexpr int kHeight = 646;
constexpr int kColumnWidth = 52;
constexpr int kNoteWidth = 202;
constexpr int kRowHeight = 16;
constexpr int kPointColumnWidth = 120;
constexpr int kThresholdRowsShown = 8;

QLabel* Caption(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    NameControl(label, name, text);
    return label;
}

QToolButton* SpeedButton(QWidget* parent, const char* name, const QString& text, const QString& role)
{
    auto* button = new QToolButton(parent);
    NameControl(button, name, role);
    button->setText(text);
    button->setMinimumSize(28, 26);
    return button;
}

void NameCorner(QTableWidget* grid, const char* name)
{
    grid->setCornerButtonEnabled(false);
    if (auto* corner = grid->findChild<QAbstractButton*>())
        NameControl(corner, (std::string(name) + "_corner").c_str(), QStringLiteral("Угол таблицы"));
}

} // namespace

void TFBazaF::BuildLayout()
{
    resize(kWidth, kHeight);

    // Top panel: the sensor number and the exit.
    Panel1 = new QFrame(this);
    NameControl(Panel1, "Panel1", QStringLiteral("Номер сенсора"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Label1 = Caption(Panel1, "Label1", QStringLiteral("Номер  сенсора"));
    numSenE = new QLineEdit(QStringLiteral("00001"), Panel1);
    NameControl(numSenE, "numSenE", QStringLiteral("Номер  сенсора"));
    QFont bold = numSenE->font();
    bold.setBold(true);
    numSenE->setFont(bold);
    numSenE->setMaximumWidth(80);
    numSenE->setToolTip(QStringLiteral("Номер сенсора; Enter — показать его группу"));
    downN = SpeedButton(Panel1, "downN", QStringLiteral("-"), QStringLiteral("Предыдущий сенсор"));
    upN = SpeedButton(Panel1, "upN", QStringLiteral("+"), QStringLiteral("Следующий сенсор"));
    Key__Exit = new QToolButton(Panel1);
    NameControl(Key__Exit, "Key__Exit", QStringLiteral("Выход"));
    Key__Exit->setToolTip(QStringLiteral("Выход"));
    Key__Exit->setCheckable(true);
    Key__Exit->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    Key__Exit->setIconSize(QSize(24, 24));
    auto* top = new QHBoxLayout(Panel1);
    top->addWidget(Label1);
    top->addWidget(numSenE);
    top->addWidget(downN);
    top->addWidget(upN);
    top->addStretch();
    top->addWidget(Key__Exit);

    // The group table: a fixed heading row, the sensor column, seven points
    // and the note; not editable.
    Grid1 = new QTableWidget(SensorTableRows - 1, SensorTableColumns, this);
    NameControl(Grid1, "Grid1", QStringLiteral("Таблица сенсоров группы"));
    Grid1->verticalHeader()->hide();
    Grid1->verticalHeader()->setMinimumSectionSize(kRowHeight);
    Grid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->horizontalHeader()->setFixedHeight(kRowHeight + 4);
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->horizontalHeader()->setHighlightSections(false);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    Grid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Grid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid1->setWordWrap(false);
    Grid1->setTextElideMode(Qt::ElideNone); // a note wider than its column is cut, not dotted
    Grid1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    NameCorner(Grid1, "Grid1");
    const QBrush fixedColumn = palette().brush(QPalette::Button);
    for (int c = 0; c < SensorTableColumns; ++c) {
        Grid1->setColumnWidth(c, c == SensorTableColumns - 1 ? kNoteWidth : kColumnWidth);
        Grid1->setHorizontalHeaderItem(c, new QTableWidgetItem);
        for (int r = 0; r < SensorTableRows - 1; ++r) {
            auto* item = new QTableWidgetItem;
            if (c > 0 && c < SensorTableColumns - 1)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c == 0)
                item->setBackground(fixedColumn);
            Grid1->setItem(r, c, item);
        }
    }
    const int gridWidth = (SensorTableColumns - 1) * kColumnWidth + kNoteWidth
        + Grid1->verticalScrollBar()->sizeHint().width() + 2 * Grid1->frameWidth();
    Grid1->setFixedSize(gridWidth, VisibleRows * kRowHeight + kRowHeight + 4 + 2 * Grid1->frameWidth());

    // The selected sensor's points and thresholds.
    GridBaza = MakeGrid(this, "GridBaza", QStringLiteral("Точки сенсора"), SensorPointCount, true,
                        TGridShape{.LabelWidth = kPointColumnWidth, .ValueWidth = kPointColumnWidth});
    Grid_S = MakeGrid(this, "Grid_S", QStringLiteral("Пороги переходов"), ThresholdRows, false,
                      TGridShape{.LabelWidth = kPointColumnWidth,
                                 .ValueWidth = kPointColumnWidth,
                                 .RowHeight = kRowHeight,
                                 .RowsShown = kThresholdRowsShown});
    for (int r = 0; r < SensorPointCount; ++r)
        GridBaza->item(r, 0)->setText(QString::fromUtf8(SensorPointLabels[static_cast<std::size_t>(r)]));
    for (int r = 0; r < ThresholdRows; ++r)
        Grid_S->item(r, 0)->setText(QString::fromUtf8(ThresholdLabels[static_cast<std::size_t>(r)]));

    key_DelMi = new QPushButton(QStringLiteral("-"), this);
    NameControl(key_DelMi, "key_DelMi", QStringLiteral("Сдвинуть точки вниз"));
    txt_PlMinus = new QLineEdit(QStringLiteral("100"), this);
    NameControl(txt_PlMinus, "txt_PlMinus", QStringLiteral("Шаг, мВ"));
    txt_PlMinus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txt_PlMinus->setMaximumWidth(60);
    key_DelPl = new QPushButton(QStringLiteral("+"), this);
    NameControl(key_DelPl, "key_DelPl", QStringLiteral("Сдвинуть точки вверх"));
    for (QPushButton* b : {key_DelMi, key_DelPl}) {
        b->setAutoDefault(false);
        b->setMaximumWidth(40);
    }

    Label3 = Caption(this, "Label3", QStringLiteral("Запись в прибор:"));
    progress_WrB = new QProgressBar(this);
    NameControl(progress_WrB, "progress_WrB", Label3->text());
    Label4 = Caption(this, "Label4", QStringLiteral("Считывание из прибора:"));
    progress_RdB = new QProgressBar(this);
    NameControl(progress_RdB, "progress_RdB", Label4->text());
    for (QProgressBar* bar : {progress_WrB, progress_RdB}) {
        bar->setRange(0, TSensorExchange::ProgressMax);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setMaximumHeight(14);
    }
    flagWrite = new QCheckBox(QStringLiteral("Записать в прибор"), this);
    NameControl(flagWrite, "flagWrite", flagWrite->text());
    Key_DataEdit = new QToolButton(this);
    NameControl(Key_DataEdit, "Key_DataEdit", QStringLiteral("Ввод"));
    Key_DataEdit->setText(QStringLiteral("Ввод"));
    Key_DataEdit->setToolTip(QStringLiteral("Пересчет  данных "));
    Key_DataEdit->setAccessibleDescription(Key_DataEdit->toolTip());
    Key_DataEdit->setMinimumSize(90, 32);

    // The note: as long as a record holds it, so what is seen is stored.
    Label2 = Caption(this, "Label2", QStringLiteral("Коментарии"));
    editTxt = new QLineEdit(QStringLiteral("1234567890123456789012345678901234567890"), this);
    NameControl(editTxt, "editTxt", QStringLiteral("Коментарии"));
    editTxt->setMaxLength(SensorNoteLength);
    editTxt->setFont(bold);

    auto* step = new QHBoxLayout;
    step->addWidget(key_DelMi);
    step->addWidget(txt_PlMinus);
    step->addWidget(key_DelPl);
    step->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(GridBaza);
    right->addLayout(step);
    right->addWidget(Grid_S);
    right->addSpacing(8);
    right->addWidget(Label3);
    right->addWidget(progress_WrB);
    right->addWidget(Label4);
    right->addWidget(progress_RdB);
    right->addSpacing(8);
    right->addWidget(flagWrite);
    right->addWidget(Key_DataEdit, 0, Qt::AlignLeft);
    right->addStretch();

    auto* middle = new QHBoxLayout;
    middle->addWidget(Grid1, 0, Qt::AlignTop);
    middle->addLayout(right);

    auto* note = new QHBoxLayout;
    note->addWidget(Label2);
    note->addWidget(editTxt, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addLayout(middle);
    layout->addLayout(note);
    layout->addStretch();
}
