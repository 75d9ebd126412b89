#include "TBLOW_F.h"

#include "UiKit.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

TBLOW_F* BLOW_F = nullptr;

namespace {

constexpr int kPanelWidth = 493;
constexpr int kPanelHeight = 130;

QLabel* BoldLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    NameControl(label, name, text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLineEdit* ValueEdit(QWidget* parent, const char* name, const QString& role, bool readOnly)
{
    auto* edit = new QLineEdit(QStringLiteral("0"), parent);
    NameControl(edit, name, role);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setReadOnly(readOnly);
    edit->setMaximumWidth(72);
    return edit;
}

} // namespace

TBLOW_F::TBLOW_F(QWidget* parent) : TPathCheckWindow(BlowPathKind, "BLOW_F", parent)
{
    GroupBox2->setTitle(QStringLiteral("Изменить  характеристики  пробоотбора  "));
    GroupBox2->setAccessibleName(GroupBox2->title().trimmed());
    Label12->setText(QStringLiteral("Характеристики  АЦП "));
    Label12->setAccessibleName(Label12->text().trimmed());

    Panel1 = new QFrame(GroupBox2);
    NameControl(Panel1, "Panel1", QStringLiteral("Характеристики пробоотбора"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    Label17 = BoldLabel(Panel1, "Label17", QStringLiteral("Дельта  запуска  (в  единицах  АЦП):"));
    Label18 = BoldLabel(Panel1, "Label18", QStringLiteral("BLOW_OUT \"0\"  (в  единицах  АЦП):"));
    Label19 = new QLabel(QStringLiteral("В приборе"), Panel1);
    NameControl(Label19, "Label19", Label19->text());
    Label24 = new QLabel(QStringLiteral("Записать "), Panel1);
    NameControl(Label24, "Label24", Label24->text());
    delta_Rd = ValueEdit(Panel1, "delta_Rd", QStringLiteral("Дельта запуска в приборе"), true);
    fix_Rd = ValueEdit(Panel1, "fix_Rd", QStringLiteral("BLOW_OUT \"0\" в приборе"), true);
    delta_Wr = ValueEdit(Panel1, "delta_Wr", QStringLiteral("Дельта запуска для записи"), false);
    fix_Wr = ValueEdit(Panel1, "fix_Wr", QStringLiteral("BLOW_OUT \"0\" для записи"), false);
    fix_Wr->hide(); // not used

    auto* grid = new QGridLayout(Panel1);
    grid->addWidget(Label19, 0, 1, Qt::AlignHCenter);
    grid->addWidget(Label24, 0, 2, Qt::AlignHCenter);
    grid->addWidget(Label17, 1, 0);
    grid->addWidget(delta_Rd, 1, 1);
    grid->addWidget(delta_Wr, 1, 2);
    grid->addWidget(Label18, 2, 0);
    grid->addWidget(fix_Rd, 2, 1);
    grid->addWidget(fix_Wr, 2, 2);
    grid->setRowStretch(3, 1);

    connect(delta_Wr, &QLineEdit::textEdited, this, [this](const QString& text) { Check.View.DeltaWr = S(text); });

    // The calibration rows are covered here: keep the keyboard off them.
    for (QWidget* covered : std::initializer_list<QWidget*>{fiks_U2, real_U2, fiks_U1, real_U1})
        covered->setFocusPolicy(Qt::NoFocus);
    calibTable->setMinimumSize(kPanelWidth, kPanelHeight);
    calibTable->installEventFilter(this);
    PlacePanel();
}

void TBLOW_F::PlacePanel()
{
    Panel1->setGeometry(QRect(calibTable->mapTo(GroupBox2, QPoint(0, 0)), calibTable->size()));
    Panel1->raise();
}

void TBLOW_F::ShowOwn(unsigned parts)
{
    if (!(parts & ViewCalibration))
        return;
    PutText(delta_Rd, Check.View.DeltaRd);
    PutText(fix_Rd, Check.View.FixRd);
}

bool TBLOW_F::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == calibTable && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        PlacePanel();
    return TPathCheckWindow::eventFilter(watched, event);
}
