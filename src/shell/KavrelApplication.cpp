#include "KavrelApplication.h"

#include "UiKit.h"

#include <QMessageBox>
#include <exception>

KavrelApplication::KavrelApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The program's title, "Каврел", captions its message boxes (AppTitle).
    // It is deliberately not the application display name: the window
    // system would append it to every window caption.
    setApplicationName(QStringLiteral("kavrel"));
}

void KavrelApplication::ShowError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, AppTitle(), text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
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
