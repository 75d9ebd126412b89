#include "TADCF.h"

#include "UiKit.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QToolButton>

TADCF* ADCF = nullptr;

TADCF::TADCF(QWidget* parent) : TPathCheckWindow(MeasuringPathKind, "ADCF", parent)
{
    Memo1 = new QPlainTextEdit(GroupBox2);
    NameControl(Memo1, "Memo1", QStringLiteral("Пояснение к калибровке"));
    Memo1->setPlainText(QStringLiteral("При  использовании  ads1115, нет  необходимости  в  калибровке.\n"
                                       "\n"
                                       "16/3  единиц  АЦП  =  1 мВ\n"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    key_HideMemo = new QToolButton(Memo1);
    NameControl(key_HideMemo, "key_HideMemo", QStringLiteral("Скрыть пояснение"));
    key_HideMemo->setToolTip(key_HideMemo->accessibleName());
    key_HideMemo->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    key_HideMemo->setAutoRaise(true);
    key_HideMemo->setFixedSize(20, 20);
    connect(key_HideMemo, &QToolButton::clicked, this, &TADCF::key_HideMemoClick);

    calibBlock->installEventFilter(this);
    // Focus moved by keyboard onto a covered control uncovers the block.
    for (QWidget* covered : std::initializer_list<QWidget*>{fiks_U2, real_U2, fiks_U1, real_U1, key_wrCalibr})
        covered->installEventFilter(this);
    PlaceMemo();
}

void TADCF::PlaceMemo()
{
    Memo1->setGeometry(calibBlock->geometry());
    key_HideMemo->move(Memo1->width() - key_HideMemo->width() - 4, 4);
    Memo1->raise();
}

void TADCF::key_HideMemoClick()
{
    const bool hadFocus = Memo1->hasFocus() || key_HideMemo->hasFocus();
    Memo1->hide();
    if (hadFocus)
        real_U2->setFocus(Qt::OtherFocusReason);
}

void TADCF::ClosedOwn()
{
    // Focus left under the note would uncover it again at the next opening.
    if (calibBlock->isAncestorOf(focusWidget()))
        Key__Exit->setFocus(Qt::OtherFocusReason);
    Memo1->show();
    PlaceMemo();
}

bool TADCF::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == calibBlock && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        PlaceMemo();
    else if (event->type() == QEvent::FocusIn && watched != calibBlock && Memo1->isVisible()) {
        // Only the keyboard moves the note aside; focus given back when the
        // window is activated again does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
            Memo1->hide();
    }
    return TPathCheckWindow::eventFilter(watched, event);
}
