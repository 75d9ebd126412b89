#pragma once
// Sending the post's register to the journal's server, on a thread of its
// own: the windows never wait for the network.
//
// A round takes the records the server has not acknowledged, in number
// order, a batch at a time: each batch goes in one server transaction,
// every record inserted unless the server holds (post, number) already, in
// which case the server's chain value is compared with the record's; then
// the batch is acknowledged in Kavrel.db. A program that ends between the
// server's commit and its own acknowledgement sends the batch again, and
// the server adds nothing; a row that differs is told as a discrepancy and
// never overwritten.
//
// JournalSending is the main thread's side: it starts rounds (at the
// start, after each record, every minute while records wait) and keeps
// the last state the sender told.
#include "LocalQueue.h"
#include "ServerLink.h"
#include "ServerSettings.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class QThread;
class QTimer;

struct SenderState {
    enum class Kind { Off, AllSent, Waiting, NoLink };
    Kind kind = Kind::Off;
    long long waiting = 0;   // records in Kavrel.db the server has not acknowledged
    std::string reason;      // NoLink: why
    long long discrepancies = 0;
};

// The status bar's text for the state, with `inMemory` records that wait
// to be written into Kavrel.db besides; empty when sending is off.
std::string StatusTextOf(const SenderState& s, long long inMemory);

class JournalSender : public QObject {
    Q_OBJECT
public:
    JournalSender(std::string registerFile, QString name, LinkTimeouts limits);
    ~JournalSender() override;

    static constexpr int Batch = 200;

public slots:
    void Configure(const QString& post, const QString& connection);
    void Round();
    void Stop();

signals:
    void StateChanged(int kind, qlonglong waiting, const QString& reason, qlonglong discrepancies);
    void Discrepancy(qlonglong number, const QString& post, const QString& local, const QString& server);

public:
    // Set by the main thread when it asks for a round, cleared as one begins.
    std::atomic<bool> roundAsked{false};
    // Run after the server committed a batch, before it is noted here (the
    // crash test ends the program there).
    std::function<void()> AfterServerCommit;

private:
    void RoundOnce();
    bool SendBatch(const std::vector<RegisterRecord>& batch, std::vector<Acknowledgement>* acks, std::string* reason);
    bool Connected(std::string* reason);
    void Drop();
    void Tell(SenderState::Kind kind, long long waiting, const std::string& reason);

    std::string registerFile_;
    QString name_;
    LinkTimeouts limits_;
    std::string post_;
    std::string connection_;
    std::unique_ptr<LocalQueue> local_;
    std::unique_ptr<ReplyDeadline> deadline_;
    bool connected_ = false;
    long long discrepancies_ = 0;
};

class JournalSending : public QObject {
    Q_OBJECT
public:
    // `registerFile` is the post's Kavrel.db (an absolute path: the sender
    // does not follow the working folder). `retryMs`: how often a round is
    // tried while records wait.
    JournalSending(const std::string& registerFile, const ServerSettings& settings, LinkTimeouts limits = {},
                   int retryMs = 60000, QObject* parent = nullptr);
    // Ends the sender's thread; one that a network keeps waiting longer
    // than the deadlines is left to end with the program.
    ~JournalSending() override;

    void Configure(const ServerSettings& settings);
    const ServerSettings& Settings() const { return settings_; }
    // Asks for a round; asks made while one is asked already count once.
    void Wake();
    const SenderState& State() const { return state_; }
    // Rounds the sender told of since the start.
    long long Rounds() const { return rounds_; }

signals:
    void Changed();
    void DiscrepancyFound(qlonglong number, const QString& post, const QString& local, const QString& server);

private:
    ServerSettings settings_;
    QThread* thread_;
    JournalSender* sender_;
    QTimer* retry_;
    SenderState state_;
    long long rounds_ = 0;
};
