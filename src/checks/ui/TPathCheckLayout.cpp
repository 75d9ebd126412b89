// Controls and layout shared by the two path check windows.
#include "TPathCheckWindow.h"

#include "UiKit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <string>

namespace {

constexpr int kWidth = 748;
constexpr int kHeight = 535;
constexpr int kRowHeight = 16;
constexpr int kColumnWidth = 74;

const QColor kBlue(0, 0, 255);

QLabel* Caption(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    NameControl(label, name, text);
    return label;
}

// A label that shows a value: blue, bold, fixed-width digits.
QLabel* Value(QWidget* parent, const char* name, const QString& text, const QString& role)
{
    auto* label = new QLabel(text, parent);
    NameValueLabel(label, name, role);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kBlue);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 4);
    return label;
}

QLineEdit* Edit(QWidget* parent, const char* name, const QString& text, const QString& role, bool blueBold)
{
    auto* edit = new QLineEdit(text, parent);
    NameControl(edit, name, role);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (blueBold) {
        QFont font = edit->font();
        font.setBold(true);
        edit->setFont(font);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, kBlue);
        edit->setPalette(palette);
    }
    edit->setMaximumWidth(72);
    return edit;
}

QTableWidget* LiveTable(QWidget* parent, const char* name, const QString& role)
{
    auto* grid = new QTableWidget(8, 3, parent);
    NameControl(grid, name, role);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setMinimumSectionSize(kRowHeight);
    grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grid->horizontalHeader()->setMinimumSectionSize(kRowHeight);
    grid->horizontalHeader()->setFixedHeight(kRowHeight + 4);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->setCornerButtonEnabled(false);
    if (auto* corner = grid->findChild<QAbstractButton*>())
        NameControl(corner, (std::string(name) + "_corner").c_str(), QStringLiteral("Угол таблицы"));
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    grid->setFont(font);
    for (int c = 0; c < 3; ++c) {
        grid->setColumnWidth(c, kColumnWidth);
        grid->setHorizontalHeaderItem(c, new QTableWidgetItem);
        for (int r = 0; r < 8; ++r) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r, c, item);
        }
    }
    grid->setFixedSize(3 * kColumnWidth + 2 * grid->frameWidth(),
                       8 * kRowHeight + kRowHeight + 4 + 2 * grid->frameWidth());
    return grid;
}

// A two-state speed button of the run/pause group, with a standard picture.
QToolButton* RunButton(QWidget* parent, const char* name, const QString& hint, QStyle::StandardPixmap icon)
{
    auto* button = new QToolButton(parent);
    NameControl(button, name, hint);
    button->setToolTip(hint);
    button->setCheckable(true);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setIconSize(QSize(24, 24));
    button->setFixedSize(36, 36);
    // A pressed-in button must be told from a raised one at a glance.
    button->setStyleSheet(QStringLiteral("QToolButton:checked { background-color: palette(mid); "
                                         "border: 2px inset palette(shadow); border-radius: 3px; }"));
    return button;
}

QToolButton* TextButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QToolButton(parent);
    NameControl(button, name, text);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumSize(140, 28);
    return button;
}

} // namespace

void TPathCheckWindow::BuildLayout()
{
    resize(kWidth, kHeight);

    Key__Exit = MakePictureButton(this, "Key__Exit", QStringLiteral("Выход  из  программы"), "exit", 32);
    auto* top = new QHBoxLayout;
    top->addWidget(BuildLivePart(), 1);
    top->addWidget(Key__Exit, 0, Qt::AlignTop);

    progress_Rd = new QProgressBar(this);
    NameControl(progress_Rd, "progress_Rd", QStringLiteral("Считывание из прибора:"));
    progress_Wr = new QProgressBar(this);
    NameControl(progress_Wr, "progress_Wr", QStringLiteral("Запись в прибор:"));
    auto* progress = new QHBoxLayout;
    for (auto [bar, name, text] : {std::tuple{progress_Rd, "lab_progress_Rd", "Считывание из прибора:"},
                                   std::tuple{progress_Wr, "lab_progress_Wr", "Запись в прибор:"}}) {
        bar->setRange(0, TPathCheck::ProgressMax);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setFixedSize(150, 14);
        progress->addWidget(Caption(this, name, QString::fromUtf8(text)));
        progress->addWidget(bar);
        progress->addSpacing(24);
    }
    progress->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(progress);
    layout->addWidget(BuildCalibrationPart());
    layout->addStretch();
}

QWidget* TPathCheckWindow::BuildLivePart()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Наблюдать   за  измерительным  трактом  "), this);
    NameControl(GroupBox1, "GroupBox1", GroupBox1->title());

    canal_1 = LiveTable(GroupBox1, "canal_1", QStringLiteral("Канал 1"));
    canal_2 = LiveTable(GroupBox1, "canal_2", QStringLiteral("Канал 2"));
    max_c1 = Edit(GroupBox1, "max_c1", QStringLiteral("0"), QStringLiteral("Максимум канала 1, мВ"), true);
    min_c1 = Edit(GroupBox1, "min_c1", QStringLiteral("5050"), QStringLiteral("Минимум канала 1, мВ"), true);
    max_c2 = Edit(GroupBox1, "max_c2", QStringLiteral("0"), QStringLiteral("Максимум канала 2, мВ"), true);
    min_c2 = Edit(GroupBox1, "min_c2", QStringLiteral("5050"), QStringLiteral("Минимум канала 2, мВ"), true);

    auto channel = [this](const char* titleName, const QString& title, QTableWidget* grid, QLineEdit* max,
                          QLineEdit* min, const char* maxName, const char* minName) {
        auto* box = new QVBoxLayout;
        box->addWidget(Caption(GroupBox1, titleName, title));
        box->addWidget(grid);
        auto* extremes = new QHBoxLayout;
        extremes->addWidget(Caption(GroupBox1, maxName, QStringLiteral("Max")));
        extremes->addWidget(max);
        extremes->addSpacing(12);
        extremes->addWidget(Caption(GroupBox1, minName, QStringLiteral("Min")));
        extremes->addWidget(min);
        extremes->addStretch();
        box->addLayout(extremes);
        return box;
    };

    Key_UW = RunButton(GroupBox1, "Key_UW", QStringLiteral("Перевод  в  версию  УР"), QStyle::SP_MediaPlay);
    Key_UU = RunButton(GroupBox1, "Key_UU", QStringLiteral("Перевод  в  версию  УП"), QStyle::SP_MediaPause);
    auto* run = new QVBoxLayout;
    run->addWidget(Key_UW);
    run->addWidget(Key_UU);
    run->addStretch();

    auto* layout = new QHBoxLayout(GroupBox1);
    layout->addLayout(channel("lab_canal_1", QStringLiteral("Канал 1  (Чувствительный  слой)"), canal_1, max_c1,
                              min_c1, "lab_max_c1", "lab_min_c1"));
    layout->addSpacing(12);
    layout->addLayout(channel("lab_canal_2", QStringLiteral("Канал 2  (BLOW_OUT)"), canal_2, max_c2, min_c2,
                              "lab_max_c2", "lab_min_c2"));
    layout->addSpacing(12);
    layout->addLayout(run);
    layout->addStretch();
    return GroupBox1;
}

QWidget* TPathCheckWindow::BuildCalibrationPart()
{
    GroupBox2 = new QGroupBox(QStringLiteral("Калибровать  измерительный  тракт"), this);
    NameControl(GroupBox2, "GroupBox2", GroupBox2->title());

    calibBlock = new QWidget(GroupBox2);
    NameControl(calibBlock, "calibBlock", QStringLiteral("Калибровка по двум точкам"));
    calibTable = new QWidget(calibBlock);
    NameControl(calibTable, "calibTable", QStringLiteral("Точки калибровки"));

    adc_0 = Value(calibTable, "adc_0", QStringLiteral("0000"), QStringLiteral("Код АЦП минимума"));
    mV_0 = Value(calibTable, "mV_0", QStringLiteral(" 140"), QStringLiteral("Напряжение при коде АЦП 0, мВ"));
    adc_U2 = Value(calibTable, "adc_U2", QStringLiteral("  96"), QStringLiteral("Код АЦП точки U2"));
    mv_U2 = Value(calibTable, "mv_U2", QStringLiteral(" 225"), QStringLiteral("Напряжение точки U2 в приборе, мВ"));
    adc_U1 = Value(calibTable, "adc_U1", QStringLiteral("1000"), QStringLiteral("Код АЦП точки U1"));
    mV_U1 = Value(calibTable, "mV_U1", QStringLiteral("5000"), QStringLiteral("Напряжение точки U1 в приборе, мВ"));
    adc_1023 = Value(calibTable, "adc_1023", QStringLiteral("1023"), QStringLiteral("Код АЦП максимума"));
    mV_1023 = Value(calibTable, "mV_1023", QStringLiteral("5000"),
                    QStringLiteral("Напряжение при коде АЦП 1023 (питание), мВ"));
    fiks_U2 = new QCheckBox(QStringLiteral("Фиксир-ть"), calibTable);
    NameControl(fiks_U2, "fiks_U2", QStringLiteral("Фиксировать точку U2"));
    fiks_U1 = new QCheckBox(QStringLiteral("Фиксир-ть"), calibTable);
    NameControl(fiks_U1, "fiks_U1", QStringLiteral("Фиксировать точку U1"));
    real_U2 = Edit(calibTable, "real_U2", QStringLiteral("5050"), QStringLiteral("Реальное напряжение U2, мВ"), false);
    real_U1 = Edit(calibTable, "real_U1", QStringLiteral("5050"), QStringLiteral("Реальное напряжение U1, мВ"), false);

    auto* table = new QGridLayout(calibTable);
    table->setContentsMargins(0, 0, 0, 0);
    table->addWidget(Caption(calibTable, "lab_InDevice", QStringLiteral("В приборе ")), 0, 1, 1, 2, Qt::AlignHCenter);
    table->addWidget(Caption(calibTable, "lab_Real", QStringLiteral("Реально")), 0, 4, Qt::AlignHCenter);
    table->addWidget(Caption(calibTable, "lab_Adc", QStringLiteral("АЦП")), 1, 1, Qt::AlignRight);
    table->addWidget(Caption(calibTable, "lab_mV", QStringLiteral("мВ")), 1, 2, Qt::AlignRight);
    table->addWidget(Caption(calibTable, "lab_RealmV", QStringLiteral("мВ")), 1, 4, Qt::AlignHCenter);
    const struct {
        const char* name;
        const char* text;
        QLabel* adc;
        QLabel* mv;
        QCheckBox* hold;
        QLineEdit* real;
    } rows[] = {
        {"lab_min", "min (АЦП)", adc_0, mV_0, nullptr, nullptr},
        {"lab_U2", "U2", adc_U2, mv_U2, fiks_U2, real_U2},
        {"lab_U1", "U1", adc_U1, mV_U1, fiks_U1, real_U1},
        {"lab_max", "max (питание)", adc_1023, mV_1023, nullptr, nullptr},
    };
    for (int i = 0; i < 4; ++i) {
        const auto& r = rows[i];
        table->addWidget(Caption(calibTable, r.name, QString::fromUtf8(r.text)), i + 2, 0);
        table->addWidget(r.adc, i + 2, 1);
        table->addWidget(r.mv, i + 2, 2);
        if (r.hold) {
            table->addWidget(r.hold, i + 2, 3);
            table->addWidget(r.real, i + 2, 4);
        }
    }
    table->setColumnMinimumWidth(0, 110);
    table->setColumnStretch(5, 1);

    // The read button is part of the design but hidden: the calibration
    // display is read along with polling.
    key_rdCalibr = TextButton(calibBlock, "key_rdCalibr", QString::fromUtf8(ReadButtonIdle));
    key_rdCalibr->setCheckable(true);
    key_rdCalibr->hide();
    key_wrCalibr = TextButton(calibBlock, "key_wrCalibr", QStringLiteral("Записать в прибор"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(key_rdCalibr);
    buttons->addWidget(key_wrCalibr);
    buttons->addStretch();

    auto* block = new QVBoxLayout(calibBlock);
    block->setContentsMargins(0, 0, 0, 0);
    block->addWidget(calibTable);
    block->addLayout(buttons);

    auto* bevel = new QFrame(GroupBox2);
    bevel->setObjectName(QStringLiteral("Bevel4"));
    bevel->setFrameShape(QFrame::VLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setAccessibleName(QStringLiteral("Разделитель"));

    Label12 = Caption(GroupBox2, "Label12", QStringLiteral("Характеристики "));
    QFont bold = Label12->font();
    bold.setBold(true);
    Label12->setFont(bold);
    data_sen_13 = Value(GroupBox2, "data_sen_13", QStringLiteral("0000"), QStringLiteral("Смещение нуля в приборе, мВ"));
    data_sen_25 = Value(GroupBox2, "data_sen_25", QStringLiteral("0000"), QStringLiteral("Питание в приборе, мВ"));
    auto* words = new QGridLayout;
    words->addWidget(Label12, 0, 0, 1, 2);
    words->addWidget(Caption(GroupBox2, "lab_data_sen_13", QStringLiteral("Смещение  нуля:")), 1, 0);
    words->addWidget(data_sen_13, 1, 1);
    words->addWidget(Caption(GroupBox2, "lab_data_sen_25", QStringLiteral("Питание:")), 2, 0);
    words->addWidget(data_sen_25, 2, 1);
    words->setRowStretch(3, 1);

    auto* layout = new QHBoxLayout(GroupBox2);
    layout->addWidget(calibBlock, 1);
    layout->addWidget(bevel);
    layout->addLayout(words);
    return GroupBox2;
}
