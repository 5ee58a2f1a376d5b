#pragma once

#include <sqlite3.h>
#include <stdexcept>
#include <string>

// Thin owners of sqlite3 connections and statements for the benchmark's own direct access: bank
// generation and the floor measurements. Any failure throws, naming the call that failed.
class SqliteDb {
public:
    explicit SqliteDb(const std::string& path, int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw std::runtime_error("sqlite3_open_v2(" + path + "): " + message);
        }
    }
    ~SqliteDb() { sqlite3_close(db_); }
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    sqlite3* get() const { return db_; }

    void exec(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : sqlite3_errmsg(db_);
            sqlite3_free(error);
            throw std::runtime_error("sqlite3_exec: " + message + " in: " + sql.substr(0, 80));
        }
    }

    [[noreturn]] void fail(const char* what) const {
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db_));
    }

private:
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteDb& db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
            db.fail("sqlite3_prepare_v2");
    }
    ~SqliteStatement() { sqlite3_finalize(stmt_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }

    // The texts bound must outlive the step: nothing is copied.
    void bindText(int index, const std::string& value) {
        if (sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), nullptr) !=
            SQLITE_OK)
            db_.fail("sqlite3_bind_text");
    }
    void bindInt(int index, sqlite3_int64 value) {
        if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
            db_.fail("sqlite3_bind_int64");
    }
    // True while a row is ready; false when done.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            db_.fail("sqlite3_step");
        return false;
    }
    void reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }

private:
    SqliteDb& db_;
    sqlite3_stmt* stmt_ = nullptr;
};
