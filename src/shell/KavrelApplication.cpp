#include "KavrelApplication.h"

#include "UiKit.h"

#include <QIcon>
#include <QMessageBox>
#include <exception>

KavrelApplication::KavrelApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The program's title, "Каврел", captions its message boxes (AppTitle).
    // It is deliberately not the application display name: the window
    // system would append it to every window caption.
    setApplicationName(QStringLiteral("kavrel"));
    // Names the installed menu entry, so that the desktop shows its icon and
    // name for the program's windows.
    setDesktopFileName(QStringLiteral(KAVREL_APP_ID));
    // The installed icon (none when run from the build folder).
    setWindowIcon(QIcon::fromTheme(QStringLiteral(KAVREL_APP_ID)));
}

void KavrelApplication::ShowError(const QString& text)
{
    ShowErrorBox(text);
}

bool KavrelApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("Непредвиденная ошибка"));
    }
    return false;
}
