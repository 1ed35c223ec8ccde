// Build step: creates database.db from schema.sql when the file is missing.
// An existing file is never opened, so a rebuild keeps the user's data.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_database SCHEMA.sql DATABASE.db\n");
        return 2;
    }
    struct stat st {};
    if (stat(argv[2], &st) == 0)
        return 0;
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "make_database: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream schema;
    schema << in.rdbuf();
    const std::string temp = std::string(argv[2]) + ".new";
    std::remove(temp.c_str());
    sqlite3 *db = nullptr;
    if (sqlite3_open(temp.c_str(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "make_database: %s\n", db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return 1;
    }
    char *error = nullptr;
    if (sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "make_database: %s\n", error ? error : "error");
        sqlite3_free(error);
        sqlite3_close(db);
        std::remove(temp.c_str());
        return 1;
    }
    sqlite3_close(db);
    // The store will hold the push tokens: its owner's alone.
    chmod(temp.c_str(), 0600);
    // Appear under the final name only when complete.
    if (std::rename(temp.c_str(), argv[2]) != 0) {
        std::perror("make_database");
        return 1;
    }
    return 0;
}
