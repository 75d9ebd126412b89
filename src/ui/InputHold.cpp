#include "InputHold.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QWidget>

TInputHold::TInputHold(QWidget* owner) : QObject(owner), owner_(owner) {}

TInputHold::~TInputHold()
{
    Hold(false);
}

void TInputHold::AlsoHold(std::initializer_list<QWidget*> controls)
{
    for (QWidget* c : controls)
        controls_.emplace_back(c);
    if (holding_)
        HoldControls(true);
}

void TInputHold::Hold(bool on)
{
    if (on == holding_)
        return;
    holding_ = on;
    HoldControls(on);
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void TInputHold::HoldControls(bool on)
{
    if (on) {
        for (const QPointer<QWidget>& c : controls_)
            if (c && c->isEnabled()) {
                c->setEnabled(false);
                disabled_.push_back(c);
            }
        return;
    }
    for (const QPointer<QWidget>& c : disabled_)
        if (c)
            c->setEnabled(true);
    disabled_.clear();
}

bool TInputHold::Allowed(QObject* receiver) const
{
    if (receiver->isWindowType())
        return true; // the platform's window hands the event on to a widget
    // An action or a shortcut counts as the widget it belongs to.
    QObject* object = receiver;
    while (object && !object->isWidgetType())
        object = object->parent();
    if (!object)
        return true;
    auto* widget = static_cast<QWidget*>(object);
    if (qobject_cast<QMessageBox*>(widget->window()))
        return true;
    // The owner, its controls and whatever it opened (popups, dialogs).
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (w == owner_)
            return true;
    return false;
}

bool TInputHold::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == owner_) {
        // The write runs to its end before the window may close.
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape
        && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == owner_)
        return true;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        if (!Allowed(watched))
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
