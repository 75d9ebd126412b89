#pragma once
// What assistive technology gets from a control: the name a screen reader
// speaks, and pressing the control through its accessibility actions.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QWidget>

inline QString SpokenName(QWidget* control)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
    return a ? a->text(QAccessible::Name) : QString();
}

inline QStringList AccessibleActions(QWidget* control)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
    QAccessibleActionInterface* actions = a ? a->actionInterface() : nullptr;
    return actions ? actions->actionNames() : QStringList();
}

// Presses the control as a screen reader's user does.
inline void PressAccessibly(QWidget* control)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
    if (a && a->actionInterface())
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}
