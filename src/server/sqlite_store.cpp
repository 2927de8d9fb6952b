// The store in one SQLite file: write-ahead logging, each submission one
// transaction, durable before it is acknowledged (synchronous FULL), every
// statement prepared. One connection, taken in turn; the tables are
// created, and upgraded, by the server itself, with the schema's version
// kept in the file.
#include <sqlite3.h>

#include <mutex>

#include "server/store.h"

namespace {

const int SchemaVersion = 1;

const char* const Schema[] = {
    "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS journals (id INTEGER PRIMARY KEY, digest TEXT NOT NULL UNIQUE,"
    " bytes BLOB NOT NULL, received INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS games (id TEXT PRIMARY KEY, key TEXT NOT NULL UNIQUE,"
    " journal INTEGER NOT NULL REFERENCES journals(id), score INTEGER NOT NULL, name BLOB NOT NULL,"
    " received INTEGER NOT NULL, rules INTEGER NOT NULL, first_frame INTEGER NOT NULL, last_frame INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS games_by_place ON games (score DESC)",  // ties in the order entered: by rowid
};

// A prepared statement, reset after each use.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr); }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return statement_ != nullptr; }
    Statement& Bind(int at, int64_t value) {
        sqlite3_bind_int64(statement_, at, value);
        return *this;
    }
    Statement& Bind(int at, const std::string& text) {
        sqlite3_bind_text(statement_, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& BindBlob(int at, const std::string& bytes) {
        sqlite3_bind_blob(statement_, at, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // The next row (true), or the end (false); `done` says which when false.
    bool Step(int* result = nullptr) {
        const int r = sqlite3_step(statement_);
        if (result != nullptr) *result = r;
        return r == SQLITE_ROW;
    }
    int64_t Int(int column) { return sqlite3_column_int64(statement_, column); }
    std::string Bytes(int column) {
        const void* data = sqlite3_column_blob(statement_, column);
        return data == nullptr ? std::string() : std::string(static_cast<const char*>(data), sqlite3_column_bytes(statement_, column));
    }
    void Reset() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }

private:
    sqlite3_stmt* statement_ = nullptr;
};

const char EntryColumns[] = "id, score, name, received, rules, first_frame, last_frame, rowid";

class SqliteStore final : public Store {
public:
    explicit SqliteStore(sqlite3* db)
        : db_(db),
          begin_(db, "BEGIN IMMEDIATE"),
          commit_(db, "COMMIT"),
          rollback_(db, "ROLLBACK"),
          findJournal_(db, "SELECT id FROM journals WHERE digest = ?1"),
          addJournal_(db, "INSERT INTO journals (digest, bytes, received) VALUES (?1, ?2, ?3)"),
          findGame_(db, (std::string("SELECT ") + EntryColumns + " FROM games WHERE key = ?1").c_str()),
          addGame_(db, "INSERT INTO games (id, key, journal, score, name, received, rules, first_frame, last_frame)"
                       " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"),
          best_(db, (std::string("SELECT ") + EntryColumns + " FROM games ORDER BY score DESC, rowid LIMIT ?1").c_str()),
          byId_(db, (std::string("SELECT ") + EntryColumns + " FROM games WHERE id = ?1").c_str()),
          rank_(db, "SELECT count(*) FROM games WHERE score > ?1 OR (score = ?1 AND rowid < ?2)"),
          count_(db, "SELECT count(*) FROM games"),
          journalOf_(db, "SELECT j.bytes FROM games g JOIN journals j ON j.id = g.journal WHERE g.id = ?1"),
          removeGame_(db, "DELETE FROM games WHERE id = ?1 RETURNING journal"),
          removeJournal_(db, "DELETE FROM journals WHERE id = ?1 AND NOT EXISTS (SELECT 1 FROM games WHERE journal = ?1)"),
          check_(db, "PRAGMA integrity_check") {}

    ~SqliteStore() override {
        // The statements go first: closing waits for none.
        sqlite3_close_v2(db_);
    }

    bool Prepared() const {
        for (const Statement* s : {&begin_, &commit_, &rollback_, &findJournal_, &addJournal_, &findGame_, &addGame_, &best_,
                                   &byId_, &rank_, &count_, &journalOf_, &removeGame_, &removeJournal_, &check_})
            if (!s->ok()) return false;
        return true;
    }

    std::optional<std::vector<std::pair<Entry, bool>>> Submit(const Submission& submission, std::string* error) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Run(begin_)) return Fail(error);
        std::vector<std::pair<Entry, bool>> entries;
        int64_t journal = 0;
        findJournal_.Bind(1, submission.digest);
        if (findJournal_.Step()) journal = findJournal_.Int(0);
        findJournal_.Reset();
        if (journal == 0) {
            addJournal_.Bind(1, submission.digest).BindBlob(2, submission.journal).Bind(3, submission.received);
            if (!Run(addJournal_)) return Abandon(error);
            journal = sqlite3_last_insert_rowid(db_);
        }
        for (const Submission::Game& game : submission.games) {
            findGame_.Bind(1, game.key);
            if (findGame_.Step()) {
                entries.emplace_back(Read(findGame_), false);
                findGame_.Reset();
                continue;
            }
            findGame_.Reset();
            Entry entry{game.key.substr(0, 16), game.score, game.name, submission.received, submission.rules, game.from, game.to};
            addGame_.Bind(1, entry.id).Bind(2, game.key).Bind(3, journal).Bind(4, entry.score).BindBlob(5, entry.name)
                .Bind(6, entry.received).Bind(7, entry.rules).Bind(8, entry.from).Bind(9, entry.to);
            if (!Run(addGame_)) return Abandon(error);
            entry.order = sqlite3_last_insert_rowid(db_);
            entries.emplace_back(entry, true);
        }
        if (!Run(commit_)) return Abandon(error);
        return entries;
    }

    bool HasJournal(const std::string& digest) override {
        std::lock_guard<std::mutex> lock(mutex_);
        findJournal_.Bind(1, digest);
        const bool found = findJournal_.Step();
        findJournal_.Reset();
        return found;
    }

    std::vector<Entry> Best(int count) override {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<Entry> entries;
        best_.Bind(1, count);
        while (best_.Step()) entries.push_back(Read(best_));
        best_.Reset();
        return entries;
    }

    std::optional<Entry> Find(const std::string& id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        std::optional<Entry> entry;
        byId_.Bind(1, id);
        if (byId_.Step()) entry = Read(byId_);
        byId_.Reset();
        return entry;
    }

    int64_t Rank(const Entry& entry) override {
        std::lock_guard<std::mutex> lock(mutex_);
        rank_.Bind(1, entry.score).Bind(2, entry.order);
        const int64_t better = rank_.Step() ? rank_.Int(0) : 0;
        rank_.Reset();
        return better + 1;
    }

    int64_t Count() override {
        std::lock_guard<std::mutex> lock(mutex_);
        const int64_t count = count_.Step() ? count_.Int(0) : 0;
        count_.Reset();
        return count;
    }

    std::optional<std::string> JournalOf(const std::string& id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        std::optional<std::string> bytes;
        journalOf_.Bind(1, id);
        if (journalOf_.Step()) bytes = journalOf_.Bytes(0);
        journalOf_.Reset();
        return bytes;
    }

    bool Remove(const std::string& id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Run(begin_)) return false;
        removeGame_.Bind(1, id);
        int result = 0;
        const bool found = removeGame_.Step(&result);
        const int64_t journal = found ? removeGame_.Int(0) : 0;
        while (removeGame_.Step(&result)) {
        }
        removeGame_.Reset();
        if (result != SQLITE_DONE || (found && !Run(removeJournal_.Bind(1, journal)))) {
            Run(rollback_);
            return false;
        }
        return Run(commit_) && found;
    }

    bool Check(std::string* problem) override {
        std::lock_guard<std::mutex> lock(mutex_);
        problem->clear();
        while (check_.Step()) {
            const std::string line = check_.Bytes(0);
            if (line != "ok") *problem += (problem->empty() ? "" : "; ") + line;
        }
        check_.Reset();
        return problem->empty();
    }

private:
    static Entry Read(Statement& s) {
        return Entry{s.Bytes(0), static_cast<int32_t>(s.Int(1)), s.Bytes(2), s.Int(3), static_cast<int>(s.Int(4)),
                     static_cast<uint32_t>(s.Int(5)), static_cast<uint32_t>(s.Int(6)), s.Int(7)};
    }
    // Runs a statement that returns no rows.
    bool Run(Statement& s) {
        int result = 0;
        while (s.Step(&result)) {
        }
        s.Reset();
        return result == SQLITE_DONE;
    }
    std::nullopt_t Fail(std::string* error) {
        *error = sqlite3_errmsg(db_);
        return std::nullopt;
    }
    std::nullopt_t Abandon(std::string* error) {
        *error = sqlite3_errmsg(db_);
        Run(rollback_);
        return std::nullopt;
    }

    sqlite3* db_;
    std::mutex mutex_;
    Statement begin_, commit_, rollback_, findJournal_, addJournal_, findGame_, addGame_, best_, byId_, rank_, count_,
        journalOf_, removeGame_, removeJournal_, check_;
};

bool Exec(sqlite3* db, const char* sql, std::string* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    *error = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

bool RollBack(sqlite3* db) {
    std::string ignored;
    Exec(db, "ROLLBACK", &ignored);
    return false;
}

// Makes the tables, or brings older ones up to this version.
bool Upgrade(sqlite3* db, std::string* error) {
    if (!Exec(db, "BEGIN IMMEDIATE", error)) return false;
    for (const char* statement : Schema)
        if (!Exec(db, statement, error)) return RollBack(db);
    sqlite3_stmt* read = nullptr;
    int version = 0;
    if (sqlite3_prepare_v2(db, "SELECT max(version) FROM schema_version", -1, &read, nullptr) == SQLITE_OK &&
        sqlite3_step(read) == SQLITE_ROW)
        version = sqlite3_column_int(read, 0);
    sqlite3_finalize(read);
    if (version > SchemaVersion) {
        *error = "the database was made by a newer server (schema " + std::to_string(version) + ")";
        return RollBack(db);
    }
    // Versions after the first add their steps here, each from the one before.
    if (version < SchemaVersion) {
        const std::string set = "DELETE FROM schema_version; INSERT INTO schema_version VALUES (" +
                                std::to_string(SchemaVersion) + ")";
        if (!Exec(db, set.c_str(), error)) return RollBack(db);
    }
    return Exec(db, "COMMIT", error);
}

}  // namespace

std::unique_ptr<Store> OpenSqliteStore(const std::string& path, std::string* error) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
        SQLITE_OK) {
        *error = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    if (!Exec(db, "PRAGMA journal_mode = WAL", error) || !Exec(db, "PRAGMA synchronous = FULL", error) ||
        !Exec(db, "PRAGMA foreign_keys = ON", error) || !Upgrade(db, error)) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    auto store = std::make_unique<SqliteStore>(db);
    if (!store->Prepared()) {
        *error = sqlite3_errmsg(db);
        return nullptr;
    }
    return store;
}
