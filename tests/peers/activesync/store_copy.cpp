// store_copy FROM TO: copies one SQLite file onto another through SQLite's
// online backup, as a person restoring a backup with sqlite3's .restore would:
// connections open on TO in other processes see the copied content.
#include <sqlite3.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: store_copy FROM TO\n");
        return 2;
    }
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    int rc = sqlite3_open_v2(argv[1], &from, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_open(argv[2], &to);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(to, 10000);
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
        rc = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(to);
        if (backup)
            sqlite3_backup_finish(backup);
    }
    if (rc != SQLITE_DONE && rc != SQLITE_OK)
        std::fprintf(stderr, "store_copy: %s\n", sqlite3_errstr(rc));
    sqlite3_close(from);
    sqlite3_close(to);
    return rc == SQLITE_DONE || rc == SQLITE_OK ? 0 : 1;
}
