#include "ServerTask.h"

#include <QCoreApplication>
#include <QSqlDatabase>

#include <memory>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {
std::mutex tasksMutex;
std::condition_variable tasksEnded;
int tasksRunning = 0;
std::atomic<bool> senderLeft{false};

// Counts a task from its start to its end, also when the work throws.
struct TaskCount {
    TaskCount()
    {
        std::lock_guard lock(tasksMutex);
        ++tasksRunning;
    }
    ~TaskCount()
    {
        std::lock_guard lock(tasksMutex);
        --tasksRunning;
        tasksEnded.notify_all();
    }
};
}  // namespace

bool ServerWorkRunning()
{
    std::lock_guard lock(tasksMutex);
    return tasksRunning > 0 || senderLeft;
}

void NoteServerThreadLeft()
{
    senderLeft = true;
}

bool WaitForServerTasks(int ms)
{
    std::unique_lock lock(tasksMutex);
    return tasksEnded.wait_for(lock, std::chrono::milliseconds(ms), [] { return tasksRunning == 0; });
}

void RunOnServer(const std::string& connection, const LinkTimeouts& limits, ServerWork work)
{
    static std::atomic<int> made{0};
    const QString name = QStringLiteral("kavrel-task-%1").arg(++made);
    // Detached: a network that keeps it waiting within the deadlines never
    // holds up the program's end.
    auto count = std::make_shared<TaskCount>();
    std::thread([count, name, connection, limits, work = std::move(work)] {
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
