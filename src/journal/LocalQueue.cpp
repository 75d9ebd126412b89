#include "LocalQueue.h"

#include "JournalRows.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// The records after the highest one the server acknowledged for the post.
constexpr const char* kAfterSent = "coalesce((SELECT max(no) FROM sent WHERE post = ?), 0)";

std::string Reason(const QSqlError& e)
{
    return "журнал тестов: " + e.text().toStdString();
}

} // namespace

LocalQueue::LocalQueue(std::string fileName, QString connectionName)
    : fileName_(std::move(fileName)), name_(std::move(connectionName))
{
}

LocalQueue::~LocalQueue()
{
    Close();
}

bool LocalQueue::Open(std::string* reason)
{
    if (open_)
        return true;
    if (!QFileInfo(U(fileName_)).isFile()) {
        *reason = "журнала тестов " + fileName_ + " нет";
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        // mode=rw: never makes a file where there is none.
        db.setDatabaseName(QStringLiteral("file:%1?mode=rw").arg(U(fileName_)));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        bool ok = db.open();
        QSqlQuery q(db);
        ok = ok && q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'tests'")) &&
             q.next();
        if (ok && q.value(0).toInt() != 1) {
            *reason = fileName_ + " не является журналом тестов";
            ok = false;
        } else if (!ok) {
            *reason = Reason(q.lastError().isValid() ? q.lastError() : db.lastError());
        }
        ok = ok && q.exec(QStringLiteral("PRAGMA synchronous = FULL")) &&
             q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS sent (post TEXT NOT NULL, no INTEGER NOT NULL, "
                                   "server_chain TEXT, at TEXT NOT NULL, PRIMARY KEY (post, no)) STRICT"));
        if (!ok && reason->empty())
            *reason = Reason(q.lastError());
        if (ok) {
            open_ = true;
            return true;
        }
    }
    QSqlDatabase::removeDatabase(name_);
    return false;
}

void LocalQueue::Close()
{
    if (!QSqlDatabase::contains(name_))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
    open_ = false;
}

std::optional<long long> LocalQueue::Waiting(std::string* reason)
{
    QSqlQuery q(QSqlDatabase::database(name_, false));
    q.prepare(QStringLiteral("SELECT count(*) FROM tests WHERE no > %1").arg(QLatin1String(kAfterSent)));
    q.addBindValue(U(post_));
    if (!q.exec() || !q.next()) {
        *reason = Reason(q.lastError());
        return std::nullopt;
    }
    return q.value(0).toLongLong();
}

bool LocalQueue::Next(int limit, std::vector<RegisterRecord>* out, std::string* reason)
{
    QSqlQuery q(QSqlDatabase::database(name_, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM tests WHERE no > %2 ORDER BY no LIMIT %3")
                  .arg(QLatin1String(RecordColumns), QLatin1String(kAfterSent))
                  .arg(limit));
    q.addBindValue(U(post_));
    if (!q.exec()) {
        *reason = Reason(q.lastError());
        return false;
    }
    out->clear();
    while (q.next())
        out->push_back(RecordOfRow(q));
    return true;
}

bool LocalQueue::Acknowledge(const std::vector<Acknowledgement>& acks, std::string* reason)
{
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (!db.transaction()) {
        *reason = Reason(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO sent (post, no, server_chain, at) VALUES (?, ?, ?, ?)"));
    const QString at = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    for (const Acknowledgement& a : acks) {
        q.addBindValue(U(post_));
        q.addBindValue(QVariant(static_cast<qlonglong>(a.number)));
        q.addBindValue(a.serverChain.empty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(U(a.serverChain)));
        q.addBindValue(at);
        if (!q.exec()) {
            *reason = Reason(q.lastError());
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        *reason = Reason(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

std::vector<Acknowledgement> LocalQueue::Discrepancies(std::string* reason)
{
    std::vector<Acknowledgement> out;
    QSqlQuery q(QSqlDatabase::database(name_, false));
    q.prepare(QStringLiteral("SELECT no, server_chain FROM sent WHERE post = ? AND server_chain IS NOT NULL ORDER BY no"));
    q.addBindValue(U(post_));
    if (!q.exec()) {
        *reason = Reason(q.lastError());
        return out;
    }
    while (q.next())
        out.push_back({q.value(0).toLongLong(), q.value(1).toString().toStdString()});
    return out;
}
