#pragma once
// Checks that every control of a window has a name for code (objectName)
// and one a screen reader speaks (the accessible name it gets: a set name,
// or a value label's current text). Parts Qt builds inside composite
// widgets (scroll areas, headers) belong to those widgets.
#include "Spoken.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStringList>
#include <QTableWidget>
#include <QWidget>

struct ControlNameReport {
    int checked = 0;
    QStringList unnamed;    // class names of controls without an objectName
    QStringList unspoken;   // objectNames of controls a screen reader cannot name
};

inline ControlNameReport CheckControlNames(const QWidget* window)
{
    ControlNameReport report;
    for (QWidget* c : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(c) || qobject_cast<QLabel*>(c)
            || qobject_cast<QLineEdit*>(c) || qobject_cast<QPlainTextEdit*>(c) || qobject_cast<QGroupBox*>(c)
            || qobject_cast<QTableWidget*>(c) || qobject_cast<QFrame*>(c) || qobject_cast<QProgressBar*>(c);
        if (!control || c->objectName().startsWith(QLatin1String("qt_")) || !c->parentWidget()
            || c->parentWidget()->objectName().startsWith(QLatin1String("qt_")))
            continue;
        if (qobject_cast<QAbstractScrollArea*>(c->parentWidget()) && !qobject_cast<QAbstractButton*>(c))
            continue;
        ++report.checked;
        if (c->objectName().isEmpty())
            report.unnamed << QString::fromLatin1(c->metaObject()->className());
        else if (SpokenName(c).trimmed().isEmpty()
                 && !(qobject_cast<QLabel*>(c) && !c->accessibleDescription().isEmpty())) // an empty value label
            report.unspoken << c->objectName();
    }
    return report;
}
