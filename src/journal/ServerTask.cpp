#include "ServerTask.h"

#include <QCoreApplication>
#include <QSqlDatabase>

#include <atomic>
#include <thread>

void RunOnServer(const std::string& connection, const LinkTimeouts& limits, ServerWork work)
{
    static std::atomic<int> made{0};
    const QString name = QStringLiteral("kavrel-task-%1").arg(++made);
    // Detached: a network that keeps it waiting within the deadlines never
    // holds up the program's end.
    std::thread([name, connection, limits, work = std::move(work)] {
        ReplyDeadline deadline;
        std::string reason;
        try {
            {
                const bool open = OpenServer(name, connection, limits, &reason);
                QSqlDatabase db = QSqlDatabase::database(name, false);
                work(open ? &db : nullptr, deadline, reason);
            }
            CloseServer(name);
        } catch (const std::exception& e) {
            // Out of memory, say: the work is told it had no connection.
            CloseServer(name);
            try {
                work(nullptr, deadline, e.what());
            } catch (...) {
            }
        }
    }).detach();
}

void AnswerOnMainThread(QPointer<QObject> receiver, std::function<void()> answer)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [receiver, answer = std::move(answer)] {
            if (receiver)
                answer();
        },
        Qt::QueuedConnection);
}
