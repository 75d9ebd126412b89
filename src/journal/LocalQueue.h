#pragma once
// The sender's view of the post's register: the records not yet
// acknowledged by the server, oldest first, and the acknowledgements,
// kept in a table of their own in Kavrel.db (`sent`, one row a record the
// server holds, by the post's name it went under) so that the register's
// records are never touched. Opened on the sender's thread with a
// connection of its own; a missing file, or one that is not a register, is
// never created or changed.
#include "RegisterRecord.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

// What the server said of a record sent.
struct Acknowledgement {
    long long number = 0;
    std::string serverChain; // the server's chain value when it differs; empty when the same
};

class LocalQueue {
public:
    LocalQueue(std::string fileName, QString connectionName);
    ~LocalQueue();
    LocalQueue(const LocalQueue&) = delete;
    LocalQueue& operator=(const LocalQueue&) = delete;

    // The post the acknowledgements are of: the server keys records by post
    // and number, so a post given another name sends everything again.
    void SetPost(std::string post) { post_ = std::move(post); }

    // False with the reason when the register is not there (yet).
    bool Open(std::string* reason);
    void Close();

    // How many records wait, and the next ones of them in number order.
    std::optional<long long> Waiting(std::string* reason);
    bool Next(int limit, std::vector<RegisterRecord>* out, std::string* reason);
    // Notes the records the server holds now, in one transaction.
    bool Acknowledge(const std::vector<Acknowledgement>& acks, std::string* reason);
    // The records the server holds with another chain value.
    std::vector<Acknowledgement> Discrepancies(std::string* reason);

private:
    std::string fileName_;
    QString name_;
    std::string post_;
    bool open_ = false;
};
