#pragma once

#include <cstddef>
#include <memory>
#include <string>

// What the engine alone costs, with no Qt in between: the yardstick the store and the list are
// measured against.
namespace sqlitefloor {

// Opens the bank at `path`, copies every row of `tiku` into plain structs and closes it again; the
// number of rows read.
std::size_t scanAll(const std::string& path);

// One connection on a bank, in rollback-journal mode with full syncs (the engine's defaults, as the
// store runs them), that inserts single questions, each in its own transaction.
class SyncedInserter {
public:
    explicit SyncedInserter(const std::string& path);
    ~SyncedInserter();
    SyncedInserter(const SyncedInserter&) = delete;
    SyncedInserter& operator=(const SyncedInserter&) = delete;

    // Prepares, binds, runs and finalises one INSERT: one committed, synced write.
    void insertOne(const std::string& text, const std::string& explanation);

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

} // namespace sqlitefloor
