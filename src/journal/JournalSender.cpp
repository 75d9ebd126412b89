#include "JournalSender.h"
#include "ServerTask.h"

#include "JournalRows.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <algorithm>

namespace {

const QString kInsert = QStringLiteral(
    "INSERT INTO kavrel.journal (post, %1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
    "ON CONFLICT (post, no) DO NOTHING RETURNING no")
                            .arg(QLatin1String(RecordColumns));
const QString kServerChain = QStringLiteral("SELECT chain FROM kavrel.journal WHERE post = ? AND no = ?");

} // namespace

std::string StatusTextOf(const SenderState& s, long long inMemory)
{
    switch (s.kind) {
    case SenderState::Kind::Off:
        return {};
    case SenderState::Kind::NoLink:
        return "Сервер: нет связи (" + s.reason + ")";
    case SenderState::Kind::AllSent:
    case SenderState::Kind::Waiting:
        break;
    }
    const long long waiting = s.waiting + inMemory;
    return waiting == 0 ? "Сервер: всё отправлено" : "Сервер: ждут отправки " + std::to_string(waiting);
}

JournalSender::JournalSender(std::string registerFile, QString name, LinkTimeouts limits)
    : registerFile_(std::move(registerFile)), name_(std::move(name)), limits_(limits)
{
}

JournalSender::~JournalSender()
{
    // Deleted on its own thread as that ends (the Stop asked for may not
    // have run before the thread was told to quit).
    Stop();
}

void JournalSender::Configure(const QString& post, const QString& connection)
{
    if (post.toStdString() != post_ || connection.toStdString() != connection_)
        Drop();
    post_ = post.toStdString();
    connection_ = connection.toStdString();
}

void JournalSender::Stop()
{
    Drop();
    local_.reset();
    deadline_.reset();
}

void JournalSender::Tell(SenderState::Kind kind, long long waiting, const std::string& reason)
{
    emit StateChanged(static_cast<int>(kind), waiting, U(reason), discrepancies_);
}

void JournalSender::Drop()
{
    if (connected_ || QSqlDatabase::contains(name_ + QStringLiteral("-server")))
        CloseServer(name_ + QStringLiteral("-server"));
    connected_ = false;
}

bool JournalSender::Connected(std::string* reason)
{
    if (connected_)
        return true;
    if (!deadline_)
        deadline_ = std::make_unique<ReplyDeadline>();
    connected_ = OpenServer(name_ + QStringLiteral("-server"), connection_, limits_, reason);
    if (!connected_)
        Drop();
    return connected_;
}

void JournalSender::Round()
{
    // Nothing may escape into the thread's event loop: the round ends, told.
    try {
        RoundOnce();
    } catch (const std::exception& e) {
        Drop();
        if (local_)
            local_->Close();
        Tell(SenderState::Kind::NoLink, 0, e.what());
    }
}

void JournalSender::RoundOnce()
{
    roundAsked = false;
    if (post_.empty() || connection_.empty()) {
        Tell(SenderState::Kind::Off, 0, {});
        return;
    }
    if (!local_)
        local_ = std::make_unique<LocalQueue>(registerFile_, name_ + QStringLiteral("-local"));
    local_->SetPost(post_);
    std::string reason;
    if (!local_->Open(&reason)) {
        Tell(SenderState::Kind::NoLink, 0, reason);
        return;
    }
    std::vector<RegisterRecord> batch;
    std::vector<Acknowledgement> acks;
    bool fresh = !connected_; // a kept connection may have died since
    for (;;) {
        const std::optional<long long> waiting = local_->Waiting(&reason);
        if (!waiting) {
            Tell(SenderState::Kind::NoLink, 0, reason);
            break;
        }
        if (*waiting == 0) {
            Tell(SenderState::Kind::AllSent, 0, {});
            break;
        }
        if (!Connected(&reason)) {
            Tell(SenderState::Kind::NoLink, *waiting, reason);
            break;
        }
        Tell(SenderState::Kind::Waiting, *waiting, {});
        if (!local_->Next(Batch, &batch, &reason)) {
            Tell(SenderState::Kind::NoLink, *waiting, reason);
            break;
        }
        if (!SendBatch(batch, &acks, &reason)) {
            Drop();
            if (!fresh) {
                fresh = true; // made anew once, at once
                continue;
            }
            Tell(SenderState::Kind::NoLink, *waiting, reason);
            break;
        }
        fresh = true;
        if (AfterServerCommit)
            AfterServerCommit();
        if (!local_->Acknowledge(acks, &reason)) {
            // The server holds the batch; sent again, it adds nothing.
            Tell(SenderState::Kind::NoLink, *waiting, reason);
            break;
        }
        for (const Acknowledgement& a : acks) {
            if (a.serverChain.empty())
                continue;
            ++discrepancies_;
            const auto local = std::find_if(batch.begin(), batch.end(),
                                            [&](const RegisterRecord& r) { return r.number == a.number; });
            emit Discrepancy(a.number, U(post_), local != batch.end() ? U(local->chain) : QString(),
                             U(a.serverChain));
        }
    }
    // Closed after each round: the register may be set aside and begun
    // anew between rounds.
    local_->Close();
}

bool JournalSender::SendBatch(const std::vector<RegisterRecord>& batch, std::vector<Acknowledgement>* acks,
                              std::string* reason)
{
    acks->clear();
    QSqlDatabase db = QSqlDatabase::database(name_ + QStringLiteral("-server"), false);
    auto failed = [&](const QSqlError& e) {
        *reason = deadline_->Fired() ? "сервер не отвечает" : ReasonOf(e);
        DeadlineScope watch(*deadline_, db, limits_.replyMs);
        if (db.isOpen()) // a lost connection has nothing to roll back
            db.rollback(); // before the statements are freed
        return false;
    };
    {
        DeadlineScope watch(*deadline_, db, limits_.replyMs);
        if (!db.transaction())
            return failed(db.lastError());
    }
    QSqlQuery insert(db);
    QSqlQuery chain(db);
    {
        DeadlineScope watch(*deadline_, db, limits_.replyMs);
        if (!insert.prepare(kInsert))
            return failed(insert.lastError());
        if (!chain.prepare(kServerChain))
            return failed(chain.lastError());
    }
    const QString post = U(post_);
    for (const RegisterRecord& r : batch) {
        DeadlineScope watch(*deadline_, db, limits_.replyMs);
        insert.addBindValue(post);
        BindRecord(insert, r);
        if (!insert.exec())
            return failed(insert.lastError());
        if (insert.next()) {
            acks->push_back({r.number, {}});
            continue;
        }
        // The server has this record already (sent before the post noted
        // it): the same, or a discrepancy.
        chain.addBindValue(post);
        chain.addBindValue(QVariant(static_cast<qlonglong>(r.number)));
        if (!chain.exec())
            return failed(chain.lastError());
        if (!chain.next()) {
            *reason = "сервер не показывает запись № " + std::to_string(r.number) + " этого поста";
            return false;
        }
        const std::string held = chain.value(0).toString().toStdString();
        acks->push_back({r.number, held == r.chain ? std::string() : held});
    }
    insert.finish();
    chain.finish();
    DeadlineScope watch(*deadline_, db, limits_.replyMs);
    if (!db.commit())
        return failed(db.lastError());
    return true;
}

JournalSending::JournalSending(const std::string& registerFile, const ServerSettings& settings, LinkTimeouts limits,
                               int retryMs, QObject* parent)
    : QObject(parent), settings_(settings)
{
    static std::atomic<int> made{0};
    const QString name = QStringLiteral("kavrel-sender-%1").arg(++made);
    thread_ = new QThread;
    thread_->setObjectName(name);
    sender_ = new JournalSender(registerFile, name, limits);
    sender_->moveToThread(thread_);
    connect(thread_, &QThread::finished, sender_, &QObject::deleteLater);
    connect(sender_, &JournalSender::StateChanged, this,
            [this](int kind, qlonglong waiting, const QString& reason, qlonglong discrepancies) {
                state_ = {static_cast<SenderState::Kind>(kind), waiting, reason.toStdString(), discrepancies};
                ++rounds_;
                emit Changed();
            });
    connect(sender_, &JournalSender::Discrepancy, this, &JournalSending::DiscrepancyFound);
    thread_->start();
    retry_ = new QTimer(this);
    retry_->setObjectName(QStringLiteral("ServerRetry"));
    connect(retry_, &QTimer::timeout, this, [this] {
        if (state_.kind == SenderState::Kind::Waiting || state_.kind == SenderState::Kind::NoLink)
            Wake();
    });
    retry_->start(retryMs);
    Configure(settings);
}

JournalSending::~JournalSending()
{
    retry_->stop();
    JournalSender* sender = sender_;
    QMetaObject::invokeMethod(sender, [sender] { sender->Stop(); }, Qt::QueuedConnection);
    thread_->quit();
    if (thread_->wait(3000)) {
        delete thread_;
    } else {
        // Still waiting for a network within its deadlines: the thread is
        // left to end with the program (destroying it running would abort).
        disconnect(sender_, nullptr, this, nullptr);
        NoteServerThreadLeft();
    }
}

void JournalSending::Configure(const ServerSettings& settings)
{
    settings_ = settings;
    JournalSender* sender = sender_;
    const QString post = U(settings.post);
    const QString connection = U(settings.connection);
    QMetaObject::invokeMethod(sender, [sender, post, connection] { sender->Configure(post, connection); },
                              Qt::QueuedConnection);
    sender_->roundAsked = false;
    Wake();
}

void JournalSending::Wake()
{
    if (sender_->roundAsked.exchange(true))
        return;
    JournalSender* sender = sender_;
    QMetaObject::invokeMethod(sender, [sender] { sender->Round(); }, Qt::QueuedConnection);
}
