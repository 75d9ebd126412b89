#pragma once
// The application object: an exception escaping any handler is shown in a
// message box with its text, and the program goes on.
#include <QApplication>
#include <functional>

class KavrelApplication : public QApplication {
public:
    KavrelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error text the way escaped exceptions are shown.
    static void ShowError(const QString& text);
};
