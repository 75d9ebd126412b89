#pragma once
// A register record as a row of SQL, the same columns in the post's
// Kavrel.db and on the server: read from a query, bound to an insert.
#include "RegisterRecord.h"

#include <QString>

class QSqlQuery;

// The record's columns, in the register's order, chain last.
inline constexpr const char* RecordColumns =
    "no, date, time, utc_offset, year, month, name, tenths, result, instrument, sensor, month_file, line, note, chain";
inline constexpr int RecordColumnCount = 15;

// The record in the row's columns from `first` on, in RecordColumns' order.
RegisterRecord RecordOfRow(const QSqlQuery& q, int first = 0);
// Binds the record's fields, in that order, after what is bound already.
void BindRecord(QSqlQuery& q, const RegisterRecord& r);

// QString of UTF-8, never a null one: the driver binds a null string as
// NULL, and an empty field is an empty text.
inline QString U(const std::string& s)
{
    QString q = QString::fromStdString(s);
    return q.isNull() ? QString(0, QLatin1Char(' ')) : q;
}
