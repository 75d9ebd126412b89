#include "RegisterStore.h"

#include "Files.h"
#include "Text.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <sqlite3.h>

#include <array>
#include <atomic>
#include <charconv>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "KAVR": marks a database as this program's register.
constexpr int kApplicationId = 0x4B415652;
constexpr int kSchemaVersion = 1;

constexpr const char* kColumns =
    "no, date, time, utc_offset, year, month, name, tenths, result, instrument, sensor, month_file, line, note, chain";

const QStringList kSchema = {
    QStringLiteral("CREATE TABLE tests ("
                   " no INTEGER PRIMARY KEY AUTOINCREMENT,"
                   " date TEXT NOT NULL,"
                   " time TEXT NOT NULL,"
                   " utc_offset TEXT NOT NULL,"
                   " year INTEGER,"
                   " month INTEGER NOT NULL,"
                   " name TEXT NOT NULL,"
                   " tenths INTEGER,"
                   " result TEXT NOT NULL,"
                   " instrument INTEGER,"
                   " sensor INTEGER,"
                   " month_file TEXT NOT NULL,"
                   " line TEXT NOT NULL,"
                   " note TEXT NOT NULL,"
                   " chain TEXT NOT NULL) STRICT"),
    // The journal lists the newest records of a year, a month or both: each
    // index holds the number too, in order.
    QStringLiteral("CREATE INDEX tests_by_year ON tests (year)"),
    QStringLiteral("CREATE INDEX tests_by_month ON tests (month)"),
    QStringLiteral("CREATE INDEX tests_by_year_month ON tests (year, month)"),
    QStringLiteral("CREATE TRIGGER tests_no_update BEFORE UPDATE ON tests"
                   " BEGIN SELECT RAISE(ABORT, 'the test register is append-only'); END"),
    QStringLiteral("CREATE TRIGGER tests_no_delete BEFORE DELETE ON tests"
                   " BEGIN SELECT RAISE(ABORT, 'the test register is append-only'); END"),
    QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId),
    QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion),
};

std::atomic<int> connections{0};

QVariant Nullable(const std::optional<int>& v)
{
    return v ? QVariant(static_cast<qlonglong>(*v)) : QVariant();
}

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

std::string ColumnText(sqlite3_stmt* st, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(st, column))) : std::string();
}

std::optional<int> ColumnInt(sqlite3_stmt* st, int column)
{
    if (sqlite3_column_type(st, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_int(st, column);
}

RegisterRecord RecordOf(sqlite3_stmt* st)
{
    RegisterRecord r;
    r.number = sqlite3_column_int64(st, 0);
    r.date = ColumnText(st, 1);
    r.time = ColumnText(st, 2);
    r.utcOffset = ColumnText(st, 3);
    r.year = ColumnInt(st, 4);
    r.month = sqlite3_column_int(st, 5);
    r.name = ColumnText(st, 6);
    r.tenths = ColumnInt(st, 7);
    r.result = ColumnText(st, 8);
    r.instrument = ColumnInt(st, 9);
    r.sensor = ColumnInt(st, 10);
    r.monthFile = ColumnText(st, 11);
    r.line = ColumnText(st, 12);
    r.note = ColumnText(st, 13);
    r.chain = ColumnText(st, 14);
    return r;
}

// A column's value as text: digits for an integer (as SQLite writes them),
// nothing for NULL.
std::string_view FieldText(sqlite3_stmt* st, int column, std::array<char, 24>& digits)
{
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER: {
        const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), sqlite3_column_int64(st, column)).ptr;
        return std::string_view(digits.data(), static_cast<std::size_t>(end - digits.data()));
    }
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
        return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(st, column)))
                    : std::string_view();
    }
    }
}

// The WHERE clause of a filter; its values are bound in this order.
std::string WhereOf(const RecordFilter& f)
{
    std::string where;
    auto add = [&where](const char* condition) { where += where.empty() ? " WHERE " : " AND "; where += condition; };
    if (f.unknownYear)
        add("year IS NULL");
    else if (f.year)
        add("year = ?");
    if (f.month > 0)
        add("month = ?");
    if (f.lineHolds)
        add("instr(line, ?) > 0");
    return where;
}

void BindFilter(sqlite3_stmt* st, const RecordFilter& f)
{
    int at = 1;
    if (!f.unknownYear && f.year)
        sqlite3_bind_int(st, at++, *f.year);
    if (f.month > 0)
        sqlite3_bind_int(st, at++, f.month);
    if (f.lineHolds)
        sqlite3_bind_text(st, at++, f.lineHolds->data(), static_cast<int>(f.lineHolds->size()), SQLITE_TRANSIENT);
}

// A statement read to its end by `row`; false with the SQLite code on error.
bool Each(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& bind,
          const std::function<bool(sqlite3_stmt*)>& row, int* code)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        if (bind)
            bind(st);
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            if (!row(st)) {
                rc = SQLITE_DONE;
                break;
            }
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        *code = rc;
        return false;
    }
    return true;
}

std::optional<long long> Scalar(sqlite3* db, const std::string& sql, int* code)
{
    std::optional<long long> value;
    if (!Each(db, sql, nullptr, [&](sqlite3_stmt* st) {
            value = sqlite3_column_int64(st, 0);
            return false;
        }, code))
        return std::nullopt;
    return value.value_or(0);
}

} // namespace

RegisterStore::RegisterStore(std::string fileName)
    : fileName_(std::move(fileName)), connection_(QStringLiteral("kavrel-register-%1").arg(++connections))
{
}

RegisterStore::~RegisterStore()
{
    Close();
}

QSqlDatabase RegisterStore::Database() const
{
    return QSqlDatabase::database(connection_, false);
}

RegisterError RegisterStore::ErrorOf(int sqliteCode) const
{
    const int systemError = handle_ ? sqlite3_system_errno(handle_) : 0;
    RegisterError e;
    switch (sqliteCode & 0xFF) {
    case SQLITE_READONLY:
        e = {RegisterFault::ReadOnly, "файл доступен только для чтения"};
        break;
    case SQLITE_FULL:
        e = {RegisterFault::Full, systemError ? FileErrorText(systemError) : "нет места на диске"};
        break;
    case SQLITE_CORRUPT:
        e = {RegisterFault::Damaged, "файл повреждён"};
        break;
    case SQLITE_NOTADB:
        e = {RegisterFault::Damaged, "это не файл базы данных (файл повреждён или чужой)"};
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        e = {RegisterFault::Busy, "файл занят другой программой"};
        break;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        e = {RegisterFault::CannotOpen, systemError ? FileErrorText(systemError) : "файл не удаётся открыть"};
        break;
    case SQLITE_IOERR:
        // A write refused past the file size limit comes as an I/O error.
        e = {systemError == EFBIG || systemError == ENOSPC || systemError == EDQUOT ? RegisterFault::Full
                                                                                  : RegisterFault::InOut,
             systemError ? FileErrorText(systemError) : "ошибка ввода-вывода"};
        break;
    default:
        e = {RegisterFault::InOut, handle_ ? sqlite3_errstr(sqliteCode) : "ошибка базы данных"};
        break;
    }
    return e;
}

RegisterError RegisterStore::ErrorOf(const QSqlError& error) const
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    if (ok && code != 0)
        return ErrorOf(code);
    return {RegisterFault::InOut, error.text().toStdString()};
}

bool RegisterStore::Exec(const QString& sql, RegisterError* error)
{
    QSqlQuery q(Database());
    if (q.exec(sql))
        return true;
    if (error)
        *error = ErrorOf(q.lastError());
    return false;
}

// SQLite makes the log and its index with the file's permissions: made
// while the file was read-only, they keep the register read-only after the
// file's write permission is given back.
void RegisterStore::FreeCompanions() const
{
    struct stat file {};
    if (::access(fileName_.c_str(), W_OK) != 0 || ::stat(fileName_.c_str(), &file) != 0)
        return;
    for (const char* companion : {"-wal", "-shm"}) {
        const std::string name = fileName_ + companion;
        if (::access(name.c_str(), F_OK) == 0 && ::access(name.c_str(), W_OK) != 0)
            ::chmod(name.c_str(), file.st_mode & 0666);
    }
}

RegisterStore::Opened RegisterStore::Open(RegisterError* error)
{
    Close();
    std::error_code ec;
    if (std::filesystem::is_directory(fileName_, ec)) {
        *error = {RegisterFault::CannotOpen, "на этом месте папка, а не файл"};
        return Opened::Failed;
    }
    FreeCompanions();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(Text(fileName_));
        // A reader (the sqlite3 tool) may hold the file for a moment; the
        // test's end must not wait longer than that.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=250"));
        if (!db.open()) {
            *error = ErrorOf(db.lastError());
            if (error->fault == RegisterFault::InOut)
                *error = {RegisterFault::CannotOpen, error->reason};
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection_);
            return Opened::Failed;
        }
        const QVariant h = db.driver()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
            handle_ = *static_cast<sqlite3* const*>(h.constData());
    }
    if (!handle_) {
        *error = {RegisterFault::CannotOpen, "нет драйвера SQLite"};
        Close();
        return Opened::Failed;
    }

    // Only reads until the file is known to be a register: a foreign
    // database is not to be touched.
    int code = 0;
    const auto tables = Scalar(handle_, "SELECT count(*) FROM sqlite_master", &code);
    const auto application = tables ? Scalar(handle_, "PRAGMA application_id", &code) : std::nullopt;
    const auto version = application ? Scalar(handle_, "PRAGMA user_version", &code) : std::nullopt;
    if (!version) {
        *error = ErrorOf(code);
        Close();
        return Opened::Failed;
    }
    Opened state = Opened::Existing;
    if (*tables == 0 && *application == 0 && *version == 0) {
        state = Opened::Empty;
    } else {
        std::string columns;
        const bool read = Each(handle_, "PRAGMA table_info(tests)", nullptr, [&](sqlite3_stmt* st) {
            columns += (columns.empty() ? "" : ", ") + ColumnText(st, 1);
            return true;
        }, &code);
        if (!read) {
            *error = ErrorOf(code);
            Close();
            return Opened::Failed;
        }
        if (*application != kApplicationId || *version != kSchemaVersion || columns != kColumns) {
            *error = {RegisterFault::Foreign, "это база данных другой программы, а не журнал тестов"};
            Close();
            return Opened::Failed;
        }
    }
    // A read-only file keeps its journal mode; that is no reason to stop.
    Exec(QStringLiteral("PRAGMA journal_mode = WAL"), nullptr);
    Exec(QStringLiteral("PRAGMA synchronous = FULL"), nullptr);
    // The check reads every record: mapped, the file is read without a
    // copy per page.
    Exec(QStringLiteral("PRAGMA mmap_size = 1073741824"), nullptr);
    return state;
}

bool RegisterStore::IsReadOnly() const
{
    return handle_ && sqlite3_db_readonly(handle_, "main") == 1;
}

void RegisterStore::Close()
{
    if (!QSqlDatabase::contains(connection_))
        return;
    handle_ = nullptr;
    {
        QSqlDatabase db = Database();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

bool RegisterStore::InsertAll(std::vector<RegisterRecord>& records, RegisterError* error)
{
    int code = 0;
    const auto highest = Scalar(handle_, "SELECT seq FROM sqlite_sequence WHERE name = 'tests'", &code);
    std::string previous;
    const bool read = highest && Each(handle_, "SELECT chain FROM tests ORDER BY no DESC LIMIT 1", nullptr,
                                      [&](sqlite3_stmt* st) {
                                          previous = ColumnText(st, 0);
                                          return false;
                                      }, &code);
    if (!read) {
        *error = ErrorOf(code);
        return false;
    }
    long long number = *highest;
    QSqlQuery insert(Database());
    insert.prepare(QStringLiteral("INSERT INTO tests (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                       .arg(QString::fromLatin1(kColumns)));
    for (RegisterRecord& r : records) {
        r.number = ++number;
        r.chain = ChainValue(previous, r);
        previous = r.chain;
        const QVariant values[] = {static_cast<qlonglong>(r.number), Text(r.date), Text(r.time), Text(r.utcOffset),
                                   Nullable(r.year), r.month, Text(r.name), Nullable(r.tenths), Text(r.result),
                                   Nullable(r.instrument), Nullable(r.sensor), Text(r.monthFile), Text(r.line),
                                   Text(r.note), Text(r.chain)};
        for (int i = 0; i < 15; ++i)
            insert.bindValue(i, values[i]);
        if (!insert.exec()) {
            *error = ErrorOf(insert.lastError());
            return false;
        }
    }
    return true;
}

bool RegisterStore::Write(std::vector<RegisterRecord>& records, bool withSchema, RegisterError* error)
{
    RegisterError e{RegisterFault::CannotOpen, "файл не открыт"};
    bool ok = IsOpen() && Exec(QStringLiteral("BEGIN IMMEDIATE"), &e);
    for (const QString& statement : kSchema)
        ok = ok && (!withSchema || Exec(statement, &e));
    ok = ok && InsertAll(records, &e) && Exec(QStringLiteral("COMMIT"), &e) && ReadBack(records, &e);
    if (!ok) {
        if (IsOpen())
            Exec(QStringLiteral("ROLLBACK"), nullptr);
        for (RegisterRecord& r : records) {
            r.number = 0;
            r.chain.clear();
        }
        *error = e;
    }
    return ok;
}

// The records just committed must be the newest ones, as written: a file
// damaged where no write looked took them and gave back something else.
bool RegisterStore::ReadBack(const std::vector<RegisterRecord>& records, RegisterError* error)
{
    std::vector<std::pair<long long, std::string>> newest;
    int code = 0;
    const bool read = Each(handle_, "SELECT no, chain FROM tests ORDER BY no DESC LIMIT " + std::to_string(records.size()),
                           nullptr, [&](sqlite3_stmt* st) {
                               newest.emplace_back(sqlite3_column_int64(st, 0), ColumnText(st, 1));
                               return true;
                           }, &code);
    if (!read) {
        *error = ErrorOf(code);
        return false;
    }
    bool same = newest.size() == records.size();
    for (std::size_t i = 0; same && i < records.size(); ++i) {
        const RegisterRecord& r = records[records.size() - 1 - i];
        same = newest[i].first == r.number && newest[i].second == r.chain;
    }
    if (!same)
        *error = {RegisterFault::Damaged, "записанное не читается обратно (файл повреждён)"};
    return same;
}

bool RegisterStore::Create(std::vector<RegisterRecord>& records, RegisterError* error)
{
    return Write(records, true, error);
}

bool RegisterStore::Append(std::vector<RegisterRecord>& records, RegisterError* error)
{
    return Write(records, false, error);
}

bool RegisterStore::Read(const RecordFilter& filter, const std::function<bool(RegisterRecord&)>& take,
                         RegisterError* error, bool newestFirst, long long limit)
{
    if (!IsOpen()) {
        *error = {RegisterFault::CannotOpen, "файл не открыт"};
        return false;
    }
    std::string sql = std::string("SELECT ") + kColumns + " FROM tests" + WhereOf(filter) + " ORDER BY no" +
                      (newestFirst ? " DESC" : "");
    if (limit >= 0)
        sql += " LIMIT " + std::to_string(limit);
    int code = 0;
    const bool read = Each(handle_, sql, [&](sqlite3_stmt* st) { BindFilter(st, filter); },
                           [&](sqlite3_stmt* st) {
                               RegisterRecord r = RecordOf(st);
                               return take(r);
                           }, &code);
    if (!read)
        *error = ErrorOf(code);
    return read;
}

bool RegisterStore::ReadChain(const std::function<bool(const ChainRow&)>& take, RegisterError* error)
{
    if (!IsOpen()) {
        *error = {RegisterFault::CannotOpen, "файл не открыт"};
        return false;
    }
    ChainRow row;
    // Integers are written out here: SQLite would make a text of each one
    // in memory of its own, six times a record.
    std::array<std::array<char, 24>, ChainFieldCount> digits;
    int code = 0;
    const bool read = Each(handle_, std::string("SELECT ") + kColumns + " FROM tests ORDER BY no", nullptr,
                           [&](sqlite3_stmt* st) {
                               row.number = sqlite3_column_int64(st, 0);
                               for (std::size_t c = 0; c < ChainFieldCount; ++c)
                                   row.fields[c] = FieldText(st, static_cast<int>(c), digits[c]);
                               row.chain = FieldText(st, 14, digits[0]);
                               return take(row);
                           }, &code);
    if (!read)
        *error = ErrorOf(code);
    return read;
}

std::optional<RegisterRecord> RegisterStore::RecordNumbered(long long number, RegisterError* error)
{
    std::optional<RegisterRecord> found;
    int code = 0;
    if (!IsOpen() || !Each(handle_, std::string("SELECT ") + kColumns + " FROM tests WHERE no = ?",
                           [number](sqlite3_stmt* st) { sqlite3_bind_int64(st, 1, number); },
                           [&](sqlite3_stmt* st) {
                               found = RecordOf(st);
                               return false;
                           }, &code))
        *error = IsOpen() ? ErrorOf(code) : RegisterError{RegisterFault::CannotOpen, "файл не открыт"};
    return found;
}

long long RegisterStore::Count(const RecordFilter& filter, RegisterError* error)
{
    long long count = 0;
    int code = 0;
    if (!IsOpen() || !Each(handle_, "SELECT count(*) FROM tests" + WhereOf(filter),
                           [&](sqlite3_stmt* st) { BindFilter(st, filter); },
                           [&](sqlite3_stmt* st) {
                               count = sqlite3_column_int64(st, 0);
                               return false;
                           }, &code))
        *error = IsOpen() ? ErrorOf(code) : RegisterError{RegisterFault::CannotOpen, "файл не открыт"};
    return count;
}

std::vector<int> RegisterStore::Years(bool* unknownYear, RegisterError* error)
{
    std::vector<int> years;
    *unknownYear = false;
    int code = 0;
    if (!IsOpen() || !Each(handle_, "SELECT DISTINCT year FROM tests ORDER BY year", nullptr,
                           [&](sqlite3_stmt* st) {
                               if (sqlite3_column_type(st, 0) == SQLITE_NULL)
                                   *unknownYear = true;
                               else
                                   years.push_back(sqlite3_column_int(st, 0));
                               return true;
                           }, &code))
        *error = IsOpen() ? ErrorOf(code) : RegisterError{RegisterFault::CannotOpen, "файл не открыт"};
    return years;
}

std::optional<long long> RegisterStore::Value(const char* sql, RegisterError* error)
{
    int code = 0;
    const auto value = IsOpen() ? Scalar(handle_, sql, &code) : std::nullopt;
    if (!value)
        *error = IsOpen() ? ErrorOf(code) : RegisterError{RegisterFault::CannotOpen, "файл не открыт"};
    return value;
}

long long RegisterStore::HighestNumber(RegisterError* error)
{
    return Value("SELECT seq FROM sqlite_sequence WHERE name = 'tests'", error).value_or(0);
}

bool RegisterStore::GuardsInPlace(RegisterError* error)
{
    return Value("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND tbl_name = 'tests'"
                 " AND name IN ('tests_no_update', 'tests_no_delete')",
                 error)
               .value_or(0) == 2;
}

std::string RegisterStore::MoveAside(const ClockReading& now, std::string* reason)
{
    Close();
    namespace fs = std::filesystem;
    const fs::path file(fileName_);
    const std::string stamp = std::to_string(now.year) + TwoDigits(now.month) + TwoDigits(now.day) + "-" +
                              TwoDigits(now.hour) + TwoDigits(now.minute) + TwoDigits(now.second);
    const std::string stem = file.stem().string() + "-damaged-" + stamp;
    std::error_code ec;
    fs::path aside = file.parent_path() / (stem + ".db");
    for (int n = 2; fs::exists(aside, ec) || fs::exists(aside.string() + "-wal", ec); ++n)
        aside = file.parent_path() / (stem + "-" + std::to_string(n) + ".db");
    fs::rename(file, aside, ec);
    if (ec) {
        *reason = FileErrorText(ec.value());
        return {};
    }
    // The log belongs to the file it was written for; the index is rebuilt.
    if (fs::exists(fileName_ + "-wal", ec))
        fs::rename(fileName_ + "-wal", aside.string() + "-wal", ec);
    fs::remove(fileName_ + "-shm", ec);
    return aside.filename().string();
}
