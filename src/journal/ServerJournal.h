#pragma once
// The shared journal as the server holds it: every post's rows, with the
// results window's year, month and person choices, each line with its
// post's name; the years it holds; the check of each post's chain. Run on
// a thread of their own (ServerTask.h) with a connection of their own.
#include "RegisterView.h"
#include "ServerLink.h"

#include <string>
#include <vector>

class QSqlDatabase;

// The line the shared journal shows: the post's name, then the record's
// journal line. "Депо 1  |      7  31.12.2025 23:58:10 > Иванов  -  1.2"
std::string ServerLineOf(const std::string& post, const RegisterRecord& r);

// The newest `cap` rows that pass the choices, in the journal's order
// (date and time of the test, then post and number); `total` counts every
// row that passed. The entries carry the records (the act shows them).
bool ReadServerJournal(QSqlDatabase& db, ReplyDeadline& deadline, int replyMs, YearChoice year, int monthChoice,
                       int personChoice, const std::string& selectedName, std::size_t cap, JournalView* out,
                       std::string* reason);

// The years the server's rows hold, in order, and whether some have none.
bool ReadServerYears(QSqlDatabase& db, ReplyDeadline& deadline, int replyMs, std::vector<int>* years,
                     bool* unknownYear, std::string* reason);

// The first row of a post whose chain does not hold: its value does not
// match its fields and the row before it, or numbers are missing before it.
struct ServerFinding {
    std::string post;
    RegisterFinding finding; // Changed or Gap
};
struct ServerCheck {
    long long rows = 0;
    long long posts = 0;
    std::vector<ServerFinding> findings; // one a post at most, in the posts' order
};
bool CheckServerChains(QSqlDatabase& db, ReplyDeadline& deadline, int replyMs, ServerCheck* out,
                       std::string* reason);
// The message of the findings ("" when every chain holds).
std::string ServerCheckMessage(const ServerCheck& check);
