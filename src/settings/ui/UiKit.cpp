#include "UiKit.h"

#include "Warnings.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QToolButton>

void NameControl(QWidget* control, const char* objectName, const QString& accessibleName)
{
    control->setObjectName(QString::fromLatin1(objectName));
    control->setAccessibleName(accessibleName.trimmed());
}

// The icons are compiled into this static library; register them before
// first use, since nothing else references the resource's initialiser.
static void EnsureIcons()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

QToolButton* MakePictureButton(QWidget* parent, const char* objectName, const QString& hint, const char* icon,
                               int iconSize)
{
    EnsureIcons();
    auto* button = new QToolButton(parent);
    NameControl(button, objectName, hint);
    button->setToolTip(hint);
    button->setCheckable(true);
    button->setAutoRaise(false);
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QString::fromLatin1(icon))));
    button->setIconSize(QSize(iconSize, iconSize));
    button->setFixedSize(iconSize + 12, iconSize + 12);
    return button;
}

QString AppTitle()
{
    const QString title = QApplication::applicationDisplayName();
    return title.isEmpty() ? QStringLiteral("Каврел") : title;
}

void InstallWarningDialogs()
{
    ShowWarning = [](const std::string& text) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Предупреждение"), Q(text),
                        QMessageBox::Ok | QMessageBox::Cancel);
        box.setObjectName(QStringLiteral("FileWarning"));
        box.exec();
    };
}
