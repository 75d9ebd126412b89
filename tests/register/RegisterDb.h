#pragma once
// The register file read and changed with SQLite's own library, not through
// the program: what a curious user with the sqlite3 tool sees and does.
#include <sqlite3.h>

#include <string>
#include <vector>

// Every record as one "|"-joined row, without its chain value.
inline constexpr const char* RegisterRowsSql =
    "SELECT no || '|' || date || '|' || time || '|' || utc_offset || '|' || ifnull(year, '') || '|' || month"
    " || '|' || name || '|' || ifnull(tenths, '') || '|' || result || '|' || ifnull(instrument, '') || '|'"
    " || ifnull(sensor, '') || '|' || month_file || '|' || line || '|' || note FROM tests ORDER BY no";

// The rows a query gives, its columns joined by "|"; a failure gives one
// row "error: ..." instead.
inline std::vector<std::string> SqliteRows(const std::string& file, const std::string& sql)
{
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        rows.push_back(std::string("error: ") + sqlite3_errmsg(db));
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        rows.push_back(std::string("error: ") + sqlite3_errmsg(db));
    } else {
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                row += (c ? "|" : "") + std::string(text ? text : "");
            }
            rows.push_back(row);
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// Runs statements on the file; "" or SQLite's message.
inline std::string SqliteExec(const std::string& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        result = sqlite3_errmsg(db);
    } else {
        char* message = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
            result = message ? message : "error";
        sqlite3_free(message);
    }
    sqlite3_close(db);
    return result;
}
