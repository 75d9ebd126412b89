#pragma once
// One piece of work on the journal's server away from the windows: a
// thread of its own, a connection of its own (closed at the end), the
// program's time limits. What it finds goes back to the main thread by a
// queued call the work makes itself (AnswerOnMainThread).
#include "ServerLink.h"

#include <QPointer>

#include <functional>
#include <string>

class QObject;
class QSqlDatabase;

// `work` gets the open connection, or null and libpq's reason when it
// could not be made.
using ServerWork = std::function<void(QSqlDatabase* db, ReplyDeadline& deadline, const std::string& reason)>;
void RunOnServer(const std::string& connection, const LinkTimeouts& limits, ServerWork work);

// Work on the server still going on a thread of the program's (a task of
// RunOnServer, or a sender left waiting for the network when it was
// deleted). NoteServerThreadLeft counts one such sender.
bool ServerWorkRunning();
void NoteServerThreadLeft();
// Waits up to `ms` for the tasks of RunOnServer to end; true when none runs.
bool WaitForServerTasks(int ms);

// Runs `answer` on the main thread if `receiver` still exists then.
void AnswerOnMainThread(QPointer<QObject> receiver, std::function<void()> answer);
