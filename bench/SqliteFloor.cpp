#include "bench/SqliteFloor.h"

#include "bench/SqliteHandle.h"

#include <vector>

namespace sqlitefloor {

namespace {

struct PlainQuestion {
    int id = 0;
    std::string ti_neirong;
    int daanleixing = 0;
    sqlite3_int64 ti_daan = 0;
    std::string img;
    std::string jiexi;
    int dui = 0;
    int cuo = 0;
    int gong = 0;
};

std::string textAt(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)))
                : std::string();
}

} // namespace

std::size_t scanAll(const std::string& path) {
    SqliteDb db(path, SQLITE_OPEN_READWRITE);
    SqliteStatement select(db, "SELECT * FROM tiku");
    std::vector<PlainQuestion> rows;
    while (select.step()) {
        sqlite3_stmt* s = select.get();
        PlainQuestion q;
        q.id = sqlite3_column_int(s, 0);
        q.ti_neirong = textAt(s, 1);
        q.daanleixing = sqlite3_column_int(s, 2);
        q.ti_daan = sqlite3_column_int64(s, 3);
        q.img = textAt(s, 4);
        q.jiexi = textAt(s, 5);
        q.dui = sqlite3_column_int(s, 6);
        q.cuo = sqlite3_column_int(s, 7);
        q.gong = sqlite3_column_int(s, 8);
        rows.push_back(std::move(q));
    }
    return rows.size();
}

struct SyncedInserter::Connection {
    explicit Connection(const std::string& path) : db(path, SQLITE_OPEN_READWRITE) {}
    SqliteDb db;
};

SyncedInserter::SyncedInserter(const std::string& path) : connection_(std::make_unique<Connection>(path)) {
    // It shares the file with the store's connection; should that one ever hold a lock, wait as it does.
    sqlite3_busy_timeout(connection_->db.get(), 2000);
    connection_->db.exec("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;");
}

SyncedInserter::~SyncedInserter() = default;

void SyncedInserter::insertOne(const std::string& text, const std::string& explanation) {
    SqliteStatement insert(connection_->db, "INSERT INTO tiku (ti_neirong, ti_daan, daanleixing, img, jiexi) "
                                            "VALUES (?1, ?2, ?3, ?4, ?5)");
    static const std::string picture = "3456789012a.jpg";
    insert.bindText(1, text);
    insert.bindInt(2, 2);
    insert.bindInt(3, 1);
    insert.bindText(4, picture);
    insert.bindText(5, explanation);
    insert.step();
}

} // namespace sqlitefloor
