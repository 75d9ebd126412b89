// Controls and layout of the online test window.
#include "TKavNewF.h"

#include "ReadingsView.h"
#include "UiKit.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kOverlayHeight = 161;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    NameControl(label, name, text.isEmpty() ? QStringLiteral("Надпись") : text);
    return label;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, const QString& role)
{
    auto* memo = new QPlainTextEdit(parent);
    NameControl(memo, name, role);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return memo;
}

} // namespace

QWidget* TKavNewF::BuildLeftPanel()
{
    Panel1 = new QWidget(this);
    NameControl(Panel1, "Panel1", QStringLiteral("Работа с прибором"));
    Panel1->setMaximumWidth(480);

    // The graph with its scale beside it: "5000" on the top row, then one
    // label every 30 pixels.
    QLabel* scaleLabels[5];
    QHBoxLayout* graphRow =
        MakeGraphRow(Panel1, "Im", Im, scaleLabels, {"Label10", "Label11", "Label12", "Label13", "Label14"});
    Label10 = scaleLabels[0];
    Label11 = scaleLabels[1];
    Label12 = scaleLabels[2];
    Label13 = scaleLabels[3];
    Label14 = scaleLabels[4];

    Label4 = MakeLabel(Panel1, "Label4", QStringLiteral("Сенсор  алкоголя (mV):"));
    lab_mV = MakeVoltageLabel(Panel1, "lab_mV");
    auto* mvRow = new QHBoxLayout;
    mvRow->addWidget(Label4);
    mvRow->addWidget(lab_mV);
    mvRow->addStretch();

    GroupBox1 = new QGroupBox(QStringLiteral("Текущие показания  прибора "), Panel1);
    NameControl(GroupBox1, "GroupBox1", GroupBox1->title());
    auto* readouts = new QWidget(GroupBox1);
    NameControl(readouts, "readouts", QStringLiteral("Показания"));
    readouts->setFixedHeight(kOverlayHeight);
    Edit_Kav_c = MakeReadout(readouts, "Edit_Kav_c", QStringLiteral("0.000"),
                             QStringLiteral("Концентрация в воздухе, мг/л"), 22);
    Edit_Kav0_1 = MakeReadout(readouts, "Edit_Kav0_1", QStringLiteral("0.0"),
                              QStringLiteral("Алкоголь в крови, промилле"), 22);
    L_Kav_01 = new QLabel(QStringLiteral("0.00"), readouts);
    NameValueLabel(L_Kav_01, "L_Kav_01", QStringLiteral("Алкоголь в крови, сотые промилле"));
    L_Kav_01->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont small = L_Kav_01->font();
    small.setPointSize(14);
    L_Kav_01->setFont(small);
    auto* grid = new QGridLayout(readouts);
    grid->addWidget(MakeLabel(readouts, "Label5", QStringLiteral("Концентрация")), 0, 0);
    grid->addWidget(MakeLabel(readouts, "Label6", QStringLiteral("в воздухе")), 1, 0);
    grid->addWidget(Edit_Kav_c, 2, 0);
    grid->addWidget(MakeLabel(readouts, "Label7", QStringLiteral("мг/л")), 2, 1);
    grid->addWidget(MakeLabel(readouts, "Label8", QStringLiteral("в крови")), 1, 2);
    grid->addWidget(Edit_Kav0_1, 2, 2);
    grid->addWidget(MakeLabel(readouts, "Label9", QStringLiteral("промилле")), 2, 3);
    grid->addWidget(L_Kav_01, 3, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    // The overlay lies over the readouts and is kept on their whole area.
    panel_RG = new QFrame(readouts);
    NameControl(panel_RG, "panel_RG", QStringLiteral("Режим прибора"));
    panel_RG->setFrameShape(QFrame::Panel);
    panel_RG->setFrameShadow(QFrame::Raised);
    panel_RG->setAutoFillBackground(true);
    edit_RG = new QLineEdit(QStringLiteral("РГ"), panel_RG);
    NameControl(edit_RG, "edit_RG", QStringLiteral("Код режима прибора"));
    edit_RG->setReadOnly(true);
    edit_RG->setFocusPolicy(Qt::NoFocus);
    edit_RG->setAlignment(Qt::AlignCenter);
    QFont codeFont = edit_RG->font();
    codeFont.setPointSize(40);
    codeFont.setBold(true);
    edit_RG->setFont(codeFont);
    auto* overlayLayout = new QVBoxLayout(panel_RG);
    overlayLayout->addWidget(edit_RG);
    readouts->installEventFilter(this);
    auto* box1 = new QVBoxLayout(GroupBox1);
    box1->addWidget(readouts);

    Key_T = new QPushButton(QStringLiteral("  ТЕСТ              "), Panel1);
    NameControl(Key_T, "Key_T", Key_T->text());
    QFont testFont = Key_T->font();
    testFont.setPointSize(14);
    testFont.setBold(true);
    Key_T->setFont(testFont);
    Key_T->setAutoDefault(false);

    GroupBox2 = new QGroupBox(QStringLiteral("Результаты последних (завершенных) тестов  "), Panel1);
    NameControl(GroupBox2, "GroupBox2", GroupBox2->title());
    memo_res = MakeMemo(GroupBox2, "memo_res", GroupBox2->title());
    memo_res->setMinimumHeight(14 * memo_res->fontMetrics().lineSpacing() + 12);
    auto* box2 = new QVBoxLayout(GroupBox2);
    box2->addWidget(memo_res);

    auto* left = new QVBoxLayout(Panel1);
    left->setContentsMargins(0, 0, 0, 0);
    left->addLayout(graphRow);
    left->addLayout(mvRow);
    left->addWidget(GroupBox1);
    left->addWidget(Key_T);
    left->addWidget(GroupBox2, 1);
    return Panel1;
}

QWidget* TKavNewF::BuildRightPanel()
{
    auto* right = new QWidget(this);
    NameControl(right, "Panel2", QStringLiteral("Список тестируемых и результаты"));

    box_Avtonom = new QCheckBox(QStringLiteral("Автономно (без подключения  к прибору)"), right);
    NameControl(box_Avtonom, "box_Avtonom", box_Avtonom->text());

    tab_FIO = MakePersonGrid(right);

    edit_FIO = new QLineEdit(right);
    NameControl(edit_FIO, "edit_FIO", QStringLiteral("Фамилия, имя, отчество"));
    key_Add = new QPushButton(QStringLiteral("Добавить в таб."), right);
    NameControl(key_Add, "key_Add", key_Add->text());
    key_Add->setAutoDefault(false);
    auto* addRow = new QHBoxLayout;
    addRow->addWidget(edit_FIO, 1);
    addRow->addWidget(key_Add);

    Label3 = MakeLabel(right, "Label3", QStringLiteral("Результаты  тестов.Сегодня: "));
    lab_Date = new QLabel(QStringLiteral("11.01.2017"), right);
    NameValueLabel(lab_Date, "lab_Date", QStringLiteral("Сегодняшняя дата"));
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(Label3);
    dateRow->addWidget(lab_Date);
    dateRow->addStretch();

    memo_test = MakeMemo(right, "memo_test", QStringLiteral("Результаты тестов за месяц"));

    Key__Exit = MakePictureButton(right, "Key__Exit", QStringLiteral("Выход"), "exit", 32);
    auto* exitRow = new QHBoxLayout;
    exitRow->addStretch();
    exitRow->addWidget(Key__Exit);

    auto* layout = new QVBoxLayout(right);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box_Avtonom);
    layout->addWidget(tab_FIO, 2);
    layout->addLayout(addRow);
    layout->addLayout(dateRow);
    layout->addWidget(memo_test, 1);
    layout->addLayout(exitRow);
    return right;
}

void TKavNewF::PlaceOverlay()
{
    QWidget* area = panel_RG->parentWidget();
    panel_RG->setGeometry(0, 0, area->width(), kOverlayHeight);
    panel_RG->raise();
}

bool TKavNewF::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == panel_RG->parentWidget() && event->type() == QEvent::Resize)
        PlaceOverlay();
    return QDialog::eventFilter(watched, event);
}
