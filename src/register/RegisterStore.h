#pragma once
// The register's file: an SQLite database in the working folder, reached
// through Qt SQL. Journal mode WAL with synchronous=FULL: a commit returns
// only when the record is on the disk, so a record shown as written
// survives a killed program and a power cut. The table only grows: the
// program inserts and never updates or deletes, and triggers refuse both
// to anyone else who does not remove them first.
//
// Records are read straight from SQLite (the connection's own handle): the
// chain check reads every record, and Qt's conversion of each value made it
// three times slower.
#include "RegisterRecord.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
class QSqlDatabase;
class QSqlError;

inline constexpr const char* RegisterFileName = "Kavrel.db";

// Why the register file could not be opened, read or written.
enum class RegisterFault {
    None,
    CannotOpen,  // no file can be opened or made there (a folder, no rights)
    ReadOnly,    // it opens, but may not be written
    Full,        // the disk, or the file size allowed, is full
    Damaged,     // not a database, or a damaged one
    Foreign,     // a database, but not a test register
    Busy,        // another program holds it
    InOut,       // any other input or output error
};

struct RegisterError {
    RegisterFault fault = RegisterFault::None;
    std::string reason; // for the user, in Russian
};

// A damaged or foreign file is moved aside, never written over.
inline bool NeedsMovingAside(RegisterFault f)
{
    return f == RegisterFault::Damaged || f == RegisterFault::Foreign;
}

// A condition on the records read: the year (none: any; `unknownYear`:
// only those without a year), the month (0: any), a text the line must hold.
struct RecordFilter {
    std::optional<int> year;
    bool unknownYear = false;
    int month = 0;
    std::optional<std::string> lineHolds;
};

// One record as the check reads it: the texts of its fields as stored,
// valid while the reader has it.
struct ChainRow {
    long long number = 0;
    ChainFields fields;
    std::string_view chain;
};

class RegisterStore {
public:
    explicit RegisterStore(std::string fileName = RegisterFileName);
    ~RegisterStore();
    RegisterStore(const RegisterStore&) = delete;
    RegisterStore& operator=(const RegisterStore&) = delete;

    const std::string& FileName() const { return fileName_; }

    enum class Opened {
        Existing, // a register: read it, write to it
        Empty,    // a new or empty file: Create() makes the register
        Failed,   // see the error; a damaged or foreign file is left as it is
    };
    Opened Open(RegisterError* error);
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }
    // Opened, but the file may only be read.
    bool IsReadOnly() const;

    // Makes the register's tables in an empty file and appends `records`,
    // in one transaction: after a crash there is either the whole register
    // or an empty file again.
    bool Create(std::vector<RegisterRecord>& records, RegisterError* error);

    // Appends the records in one transaction, numbering each after the
    // highest number ever given and chaining it to the last record. On
    // failure nothing is written and the records keep number 0.
    bool Append(std::vector<RegisterRecord>& records, RegisterError* error);

    // Reads the records that pass the filter in number order (newest first
    // with `newestFirst`), at most `limit`, handing each to `take`, which
    // may stop the reading by returning false.
    bool Read(const RecordFilter& filter, const std::function<bool(RegisterRecord&)>& take,
              RegisterError* error, bool newestFirst = false, long long limit = -1);
    // Every record in number order, as texts (the check).
    bool ReadChain(const std::function<bool(const ChainRow&)>& take, RegisterError* error);
    // The record of that number, if there is one.
    std::optional<RegisterRecord> RecordNumbered(long long number, RegisterError* error);
    // How many records pass the filter.
    long long Count(const RecordFilter& filter, RegisterError* error);
    // The years the records hold, in order; `unknownYear` tells whether
    // records without a year are there too.
    std::vector<int> Years(bool* unknownYear, RegisterError* error);
    // The highest number ever given (records removed at the end leave it).
    long long HighestNumber(RegisterError* error);
    // Whether the triggers that keep the table append-only are in place.
    bool GuardsInPlace(RegisterError* error);

    // Closes the file and renames it (and its write-ahead log) to
    // "Kavrel-damaged-YYYYMMDD-HHMMSS.db" beside it; the name, or empty with
    // the reason.
    std::string MoveAside(const ClockReading& now, std::string* reason);

    // The error of the last failed statement, told as the user reads it.
    RegisterError ErrorOf(const QSqlError& error) const;
    RegisterError ErrorOf(int sqliteCode) const;

private:
    void FreeCompanions() const;
    bool Exec(const QString& sql, RegisterError* error);
    bool InsertAll(std::vector<RegisterRecord>& records, RegisterError* error);
    bool Write(std::vector<RegisterRecord>& records, bool withSchema, RegisterError* error);
    bool ReadBack(const std::vector<RegisterRecord>& records, RegisterError* error);
    std::optional<long long> Value(const char* sql, RegisterError* error);
    QSqlDatabase Database() const;

    std::string fileName_;
    QString connection_;
    sqlite3* handle_ = nullptr;
};
