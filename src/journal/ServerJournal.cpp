#include "ServerJournal.h"

#include "JournalRows.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

// The condition of the choices and its values, in order.
struct Where {
    QString sql;
    QVariantList values;
};

Where WhereOf(YearChoice year, int monthChoice, int personChoice, const std::string& selectedName)
{
    QStringList parts;
    Where w;
    if (year.kind == YearChoice::Kind::One) {
        parts << QStringLiteral("year = ?");
        w.values << year.year;
    } else if (year.kind == YearChoice::Kind::Unknown) {
        parts << QStringLiteral("year IS NULL");
    }
    if (monthChoice > 0) {
        parts << QStringLiteral("month = ?");
        w.values << monthChoice;
    }
    if (personChoice != 0) {
        parts << QStringLiteral("strpos(line, ?) > 0");
        w.values << U(selectedName);
    }
    if (!parts.isEmpty())
        w.sql = QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
    return w;
}

bool Run(QSqlDatabase& db, QSqlQuery& q, const QString& sql, const QVariantList& values, ReplyDeadline& deadline,
         int replyMs, std::string* reason)
{
    DeadlineScope watch(deadline, db, replyMs);
    q.setForwardOnly(true);
    bool ok = false;
    if (values.isEmpty()) {
        ok = q.exec(sql); // a cursor's statements cannot be prepared
    } else {
        ok = q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        ok = ok && q.exec();
    }
    if (!ok)
        *reason = deadline.Fired() ? "сервер не отвечает" : ReasonOf(q.lastError());
    return ok;
}

} // namespace

std::string ServerLineOf(const std::string& post, const RegisterRecord& r)
{
    return post + "  |" + JournalLineOf(r);
}

bool ReadServerJournal(QSqlDatabase& db, ReplyDeadline& deadline, int replyMs, YearChoice year, int monthChoice,
                       int personChoice, const std::string& selectedName, std::size_t cap, JournalView* out,
                       std::string* reason)
{
    *out = {};
    if (personChoice != 0 && selectedName.empty())
        return true;
    const Where w = WhereOf(year, monthChoice, personChoice, selectedName);
    QSqlQuery q(db);
    const QString sql = QStringLiteral("SELECT post, %1 FROM kavrel.journal%2 ORDER BY tested DESC, post DESC, no DESC "
                                       "LIMIT %3")
                            .arg(QLatin1String(RecordColumns), w.sql)
                            .arg(cap);
    if (!Run(db, q, sql, w.values, deadline, replyMs, reason))
        return false;
    while (q.next()) {
        RegisterRecord r = RecordOfRow(q, 1);
        const std::string post = q.value(0).toString().toStdString();
        out->entries.push_back({ServerLineOf(post, r), r.line, std::move(r)});
    }
    std::reverse(out->entries.begin(), out->entries.end());
    out->total = static_cast<long long>(out->entries.size());
    if (out->entries.size() < cap)
        return true;
    QSqlQuery count(db);
    if (!Run(db, count, QStringLiteral("SELECT count(*) FROM kavrel.journal") + w.sql, w.values, deadline, replyMs,
             reason) ||
        !count.next())
        return false;
    out->total = count.value(0).toLongLong();
    return true;
}

bool ReadServerYears(QSqlDatabase& db, ReplyDeadline& deadline, int replyMs, std::vector<int>* years,
                     bool* unknownYear, std::string* reason)
{
    years->clear();
    // One step of the year index a year, not a reading of every row.
    QSqlQuery q(db);
    if (!Run(db, q,
             QStringLiteral("WITH RECURSIVE y AS (SELECT min(year) AS year FROM kavrel.journal UNION ALL "
                            "SELECT (SELECT min(year) FROM kavrel.journal WHERE year > y.year) FROM y "
                            "WHERE y.year IS NOT NULL) SELECT year FROM y WHERE year IS NOT NULL"),
             {}, deadline, replyMs, reason))
        return false;
    while (q.next())
        years->push_back(q.value(0).toInt());
    QSqlQuery unknown(db);
    if (!Run(db, unknown, QStringLiteral("SELECT EXISTS (SELECT 1 FROM kavrel.journal WHERE year IS NULL)"), {},
             deadline, replyMs, reason) ||
        !unknown.next())
        return false;
    *unknownYear = unknown.value(0).toBool();
    return true;
}

bool CheckServerChains(QSqlDatabase& db, ReplyDeadline& deadline, int replyMs, ServerCheck* out, std::string* reason)
{
    *out = {};
    // Through a cursor, a slice at a time: the whole journal does not fit
    // in memory at once.
    {
        DeadlineScope watch(deadline, db, replyMs);
        if (!db.transaction()) {
            *reason = ReasonOf(db.lastError());
            return false;
        }
    }
    QSqlQuery declare(db);
    if (!Run(db, declare,
             QStringLiteral("DECLARE chain_rows NO SCROLL CURSOR FOR SELECT post, %1 FROM kavrel.journal "
                            "ORDER BY post, no")
                 .arg(QLatin1String(RecordColumns)),
             {}, deadline, replyMs, reason)) {
        if (db.isOpen())
            db.rollback();
        return false;
    }
    std::string post;
    std::string previous;
    long long last = 0;
    bool found = false;
    for (;;) {
        QSqlQuery slice(db);
        if (!Run(db, slice, QStringLiteral("FETCH 20000 FROM chain_rows"), {}, deadline, replyMs, reason)) {
            if (db.isOpen())
                db.rollback();
            return false;
        }
        long long got = 0;
        while (slice.next()) {
            ++got;
            ++out->rows;
            const std::string rowPost = slice.value(0).toString().toStdString();
            RegisterRecord r = RecordOfRow(slice, 1);
            if (rowPost != post || out->rows == 1) {
                post = rowPost;
                previous.clear();
                last = 0;
                found = false;
                ++out->posts;
            }
            if (found)
                continue;
            if (r.number != last + 1) {
                out->findings.push_back({post, {RegisterFinding::Kind::Gap, r, last + 1, r.number - 1, {}}});
                found = true;
            } else if (!ChainMatches(previous, ChainInput(r), r.chain)) {
                out->findings.push_back({post, {RegisterFinding::Kind::Changed, r, 0, 0, {}}});
                found = true;
            }
            previous = r.chain;
            last = r.number;
        }
        if (got == 0)
            break;
    }
    DeadlineScope watch(deadline, db, replyMs);
    db.rollback();
    return true;
}

std::string ServerCheckMessage(const ServerCheck& check)
{
    if (check.findings.empty())
        return {};
    std::string text = "Журнал на сервере не совпадает с журналами постов:";
    for (const ServerFinding& f : check.findings) {
        const RegisterRecord& r = f.finding.record;
        text += "\nпост «" + f.post + "»: ";
        if (f.finding.kind == RegisterFinding::Kind::Gap)
            text += "нет записей № " + std::to_string(f.finding.missingFrom) +
                    (f.finding.missingTo > f.finding.missingFrom ? "–" + std::to_string(f.finding.missingTo) : "") +
                    " перед записью № " + std::to_string(r.number);
        else
            text += "запись № " + std::to_string(r.number) + " от " + r.date + ", " + r.name +
                    ", изменена на сервере";
    }
    return text;
}
