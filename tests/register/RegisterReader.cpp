// Another program reading the register, as the sqlite3 tool does: opens the
// file, prints how many records it holds, closes it.
// Usage: register_reader FILE
#include <sqlite3.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM tests", -1, &st, nullptr);
    if (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        std::printf("%lld", sqlite3_column_int64(st, 0));
    else
        std::printf("error: %s", sqlite3_errmsg(db));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return 0;
}
