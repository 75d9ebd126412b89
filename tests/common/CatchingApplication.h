#pragma once
// An application that catches an exception escaping an event handler and
// keeps its text, as the program's own handler shows it in a message box.
#include <QApplication>

#include <exception>
#include <string>

inline std::string LastError;

class CatchingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            LastError = e.what();
        }
        return false;
    }
};
