#include "JournalRows.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

std::string Text(const QSqlQuery& q, int i)
{
    return q.value(i).toString().toStdString();
}

std::optional<int> Number(const QSqlQuery& q, int i)
{
    const QVariant v = q.value(i);
    if (v.isNull())
        return std::nullopt;
    return v.toInt();
}

QVariant Bound(const std::optional<int>& v)
{
    return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::Int));
}

} // namespace

RegisterRecord RecordOfRow(const QSqlQuery& q, int first)
{
    RegisterRecord r;
    r.number = q.value(first).toLongLong();
    r.date = Text(q, first + 1);
    r.time = Text(q, first + 2);
    r.utcOffset = Text(q, first + 3);
    r.year = Number(q, first + 4);
    r.month = q.value(first + 5).toInt();
    r.name = Text(q, first + 6);
    r.tenths = Number(q, first + 7);
    r.result = Text(q, first + 8);
    r.instrument = Number(q, first + 9);
    r.sensor = Number(q, first + 10);
    r.monthFile = Text(q, first + 11);
    r.line = Text(q, first + 12);
    r.note = Text(q, first + 13);
    r.chain = Text(q, first + 14);
    return r;
}

void BindRecord(QSqlQuery& q, const RegisterRecord& r)
{
    q.addBindValue(QVariant(static_cast<qlonglong>(r.number)));
    q.addBindValue(U(r.date));
    q.addBindValue(U(r.time));
    q.addBindValue(U(r.utcOffset));
    q.addBindValue(Bound(r.year));
    q.addBindValue(r.month);
    q.addBindValue(U(r.name));
    q.addBindValue(Bound(r.tenths));
    q.addBindValue(U(r.result));
    q.addBindValue(Bound(r.instrument));
    q.addBindValue(Bound(r.sensor));
    q.addBindValue(U(r.monthFile));
    q.addBindValue(U(r.line));
    q.addBindValue(U(r.note));
    q.addBindValue(U(r.chain));
}
