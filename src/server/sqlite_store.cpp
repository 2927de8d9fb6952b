// The store in one SQLite file: write-ahead logging, each submission one
// transaction, durable before it is acknowledged (synchronous FULL), every
// statement prepared. One connection, taken in turn; the tables are
// created, and upgraded, by the server itself, with the schema's version
// kept in the file.
#include <sqlite3.h>

#include <mutex>

#include "server/store.h"
#include "server/store_schema.h"

namespace {

// The tables as each version of the schema has them: each step takes the
// one before it to the next.
const char* const Steps[] = {
    // 1: all-time games.
    "CREATE TABLE journals (id INTEGER PRIMARY KEY, digest TEXT NOT NULL UNIQUE, bytes BLOB NOT NULL,"
    " received INTEGER NOT NULL);"
    "CREATE TABLE games (id TEXT PRIMARY KEY, key TEXT NOT NULL UNIQUE, journal INTEGER NOT NULL REFERENCES journals(id),"
    " score INTEGER NOT NULL, name BLOB NOT NULL, received INTEGER NOT NULL, rules INTEGER NOT NULL,"
    " first_frame INTEGER NOT NULL, last_frame INTEGER NOT NULL);"
    "CREATE INDEX games_by_place ON games (score DESC);",
    // 2: the days' boards and tables; games keep their order in a column of their own.
    "CREATE TABLE days (day TEXT PRIMARY KEY, seed INTEGER NOT NULL);"
    "CREATE INDEX days_by_seed ON days (seed);"
    "CREATE TABLE games_of_days (seq INTEGER PRIMARY KEY, id TEXT NOT NULL UNIQUE, day TEXT NOT NULL DEFAULT '',"
    " key TEXT NOT NULL, journal INTEGER NOT NULL REFERENCES journals(id), score INTEGER NOT NULL, name BLOB NOT NULL,"
    " received INTEGER NOT NULL, rules INTEGER NOT NULL, first_frame INTEGER NOT NULL, last_frame INTEGER NOT NULL,"
    " UNIQUE (key, day));"
    "INSERT INTO games_of_days (seq, id, day, key, journal, score, name, received, rules, first_frame, last_frame)"
    " SELECT rowid, id, '', key, journal, score, name, received, rules, first_frame, last_frame FROM games;"
    "DROP TABLE games;"
    "ALTER TABLE games_of_days RENAME TO games;"
    "CREATE INDEX games_by_place ON games (day, score DESC, seq);",
};
static_assert(sizeof Steps / sizeof Steps[0] == SchemaVersion, "a step for each version");

// A prepared statement, reset after each use. The parameters written $1,
// $2... for both engines are SQLite's ?1, ?2...
class Statement {
public:
    Statement(sqlite3* db, std::string sql) {
        for (size_t i = 0; i + 1 < sql.size(); ++i)
            if (sql[i] == '$' && sql[i + 1] >= '0' && sql[i + 1] <= '9') sql[i] = '?';
        sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
    }
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
    // The next row (true), or the end or a failure (false, and `result` says which).
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

class SqliteStore final : public Store {
public:
    explicit SqliteStore(sqlite3* db)
        : db_(db),
          begin_(db, "BEGIN IMMEDIATE"),
          commit_(db, "COMMIT"),
          rollback_(db, "ROLLBACK"),
          findJournal_(db, Sql::FindJournal),
          addJournal_(db, Sql::AddJournal),
          findGame_(db, Sql::FindGame),
          addGame_(db, Sql::AddGame),
          best_(db, Sql::Best),
          bestOfDay_(db, Sql::BestOfDay),
          byId_(db, Sql::ById),
          rank_(db, Sql::Rank),
          rankOfDay_(db, Sql::RankOfDay),
          count_(db, Sql::Count),
          countOfDay_(db, Sql::CountOfDay),
          bestOf_(db, Sql::BestOf),
          journalOf_(db, Sql::JournalOf),
          addDay_(db, Sql::AddDay),
          daySeed_(db, Sql::DaySeed),
          dayOfSeed_(db, Sql::DayOfSeed),
          removeGame_(db, Sql::RemoveGame),
          removeJournal_(db, Sql::RemoveJournal),
          check_(db, "PRAGMA integrity_check"),
          lost_(db, Sql::Lost) {}

    ~SqliteStore() override { sqlite3_close_v2(db_); }  // after the statements: closing waits for none

    bool Prepared() const {
        for (const Statement* s : {&begin_, &commit_, &rollback_, &findJournal_, &addJournal_, &findGame_, &addGame_, &best_,
                                   &bestOfDay_, &byId_, &rank_, &rankOfDay_, &count_, &countOfDay_, &bestOf_, &journalOf_,
                                   &addDay_, &daySeed_, &dayOfSeed_, &removeGame_, &removeJournal_, &check_, &lost_})
            if (!s->ok()) return false;
        return true;
    }

    std::optional<std::vector<std::pair<Entry, bool>>> Submit(const Submission& submission, StoreFault* fault,
                                                              std::string* error) override {
        std::lock_guard<std::mutex> lock(mutex_);
        int result = 0;
        if (!Run(begin_, &result)) return Fail(result, fault, error, false);
        std::vector<std::pair<Entry, bool>> entries;
        int64_t journal = 0;
        findJournal_.Bind(1, submission.digest);
        if (findJournal_.Step()) journal = findJournal_.Int(0);
        findJournal_.Reset();
        if (journal == 0) {
            addJournal_.Bind(1, submission.digest).BindBlob(2, submission.journal).Bind(3, submission.received);
            if (!Run(addJournal_, &result, &journal)) return Fail(result, fault, error, true);
        }
        for (const Submission::Game& game : submission.games) {
            findGame_.Bind(1, game.key).Bind(2, submission.day);
            if (findGame_.Step()) {
                entries.emplace_back(Read(findGame_), false);
                findGame_.Reset();
                continue;
            }
            findGame_.Reset();
            Entry entry = NewEntry(submission, game);
            addGame_.Bind(1, entry.id).Bind(2, entry.day).Bind(3, game.key).Bind(4, journal).Bind(5, entry.score)
                .BindBlob(6, entry.name).Bind(7, entry.received).Bind(8, entry.rules).Bind(9, entry.from).Bind(10, entry.to);
            if (!Run(addGame_, &result, &entry.order)) return Fail(result, fault, error, true);
            entries.emplace_back(entry, true);
        }
        if (!Run(commit_, &result)) return Fail(result, fault, error, true);
        return entries;
    }

    std::optional<std::vector<Entry>> Best(const std::string& day, int count) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Statement& s = day.empty() ? best_ : bestOfDay_;
        std::vector<Entry> entries;
        s.Bind(1, day).Bind(2, count);
        int result = 0;
        while (s.Step(&result)) entries.push_back(Read(s));
        s.Reset();
        if (result != SQLITE_DONE) return std::nullopt;
        return entries;
    }

    std::optional<Entry> Find(const std::string& id, bool* unavailable) override {
        std::lock_guard<std::mutex> lock(mutex_);
        std::optional<Entry> entry;
        byId_.Bind(1, id);
        int result = 0;
        if (byId_.Step(&result)) entry = Read(byId_);
        byId_.Reset();
        *unavailable = result != SQLITE_ROW && result != SQLITE_DONE;
        return entry;
    }

    std::optional<std::pair<int64_t, int64_t>> Rank(const Entry& entry) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Statement& rank = entry.day.empty() ? rank_ : rankOfDay_;
        Statement& count = entry.day.empty() ? count_ : countOfDay_;
        rank.Bind(1, entry.day).Bind(2, entry.score).Bind(3, entry.order).BindBlob(4, entry.name);
        const bool ranked = rank.Step();
        const int64_t better = ranked ? rank.Int(0) : 0;
        rank.Reset();
        count.Bind(1, entry.day);
        const bool counted = count.Step();
        const int64_t places = counted ? count.Int(0) : 0;
        count.Reset();
        if (!ranked || !counted) return std::nullopt;
        return std::make_pair(better + 1, places);
    }

    std::optional<Entry> BestOf(const std::string& day, const std::string& name, bool* unavailable) override {
        std::lock_guard<std::mutex> lock(mutex_);
        std::optional<Entry> entry;
        bestOf_.Bind(1, day).BindBlob(2, name);
        int result = 0;
        if (bestOf_.Step(&result)) entry = Read(bestOf_);
        bestOf_.Reset();
        *unavailable = result != SQLITE_ROW && result != SQLITE_DONE;
        return entry;
    }

    std::optional<std::string> JournalOf(const std::string& id, bool* unavailable) override {
        std::lock_guard<std::mutex> lock(mutex_);
        std::optional<std::string> bytes;
        journalOf_.Bind(1, id);
        int result = 0;
        if (journalOf_.Step(&result)) bytes = journalOf_.Bytes(0);
        journalOf_.Reset();
        *unavailable = result != SQLITE_ROW && result != SQLITE_DONE;
        return bytes;
    }

    std::optional<int64_t> DaySeed(const std::string& day, int64_t proposed) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Run(addDay_.Bind(1, day).Bind(2, proposed))) return std::nullopt;
        std::optional<int64_t> seed;
        daySeed_.Bind(1, day);
        if (daySeed_.Step()) seed = daySeed_.Int(0);
        daySeed_.Reset();
        return seed;
    }

    std::optional<std::string> DayOfSeed(int64_t seed) override {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string day;
        dayOfSeed_.Bind(1, seed);
        int result = 0;
        if (dayOfSeed_.Step(&result)) day = dayOfSeed_.Bytes(0);
        dayOfSeed_.Reset();
        if (result != SQLITE_ROW && result != SQLITE_DONE) return std::nullopt;
        return day;
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
        // Every game's journal is there, whole.
        if (lost_.Step() && lost_.Int(0) != 0) *problem += std::to_string(lost_.Int(0)) + " games without their journal";
        lost_.Reset();
        return problem->empty();
    }

private:
    static Entry Read(Statement& s) {
        Entry e;
        e.id = s.Bytes(0);
        e.day = s.Bytes(1);
        e.score = static_cast<int32_t>(s.Int(2));
        e.name = s.Bytes(3);
        e.received = s.Int(4);
        e.rules = static_cast<int>(s.Int(5));
        e.from = static_cast<uint32_t>(s.Int(6));
        e.to = static_cast<uint32_t>(s.Int(7));
        e.order = s.Int(8);
        return e;
    }
    // Runs a statement to its end; `returned`, if given, takes the first
    // column of the row it returns.
    bool Run(Statement& s, int* result = nullptr, int64_t* returned = nullptr) {
        int r = 0;
        while (s.Step(&r))
            if (returned != nullptr) *returned = s.Int(0);
        s.Reset();
        if (result != nullptr) *result = r;
        return r == SQLITE_DONE;
    }
    std::nullopt_t Fail(int result, StoreFault* fault, std::string* error, bool begun) {
        *error = sqlite3_errmsg(db_);
        const int kind = result & 0xff;
        *fault = kind == SQLITE_FULL || kind == SQLITE_IOERR ? StoreFault::Full : StoreFault::Unavailable;
        if (begun) Run(rollback_);
        return std::nullopt;
    }

    sqlite3* db_;
    std::mutex mutex_;
    Statement begin_, commit_, rollback_, findJournal_, addJournal_, findGame_, addGame_, best_, bestOfDay_, byId_, rank_,
        rankOfDay_, count_, countOfDay_, bestOf_, journalOf_, addDay_, daySeed_, dayOfSeed_, removeGame_, removeJournal_,
        check_, lost_;
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

// Makes the tables, or brings older ones up to this version, a step at a
// time, in one transaction.
bool Upgrade(sqlite3* db, std::string* error) {
    if (!Exec(db, "BEGIN IMMEDIATE; CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", error))
        return RollBack(db);
    sqlite3_stmt* read = nullptr;
    int version = 0;
    if (sqlite3_prepare_v2(db, "SELECT coalesce(max(version), 0) FROM schema_version", -1, &read, nullptr) == SQLITE_OK &&
        sqlite3_step(read) == SQLITE_ROW)
        version = sqlite3_column_int(read, 0);
    sqlite3_finalize(read);
    if (version > SchemaVersion) {
        *error = "the database was made by a newer server (schema " + std::to_string(version) + ")";
        return RollBack(db);
    }
    for (int step = version; step < SchemaVersion; ++step)
        if (!Exec(db, Steps[step], error)) return RollBack(db);
    const std::string set = "DELETE FROM schema_version; INSERT INTO schema_version VALUES (" + std::to_string(SchemaVersion) + ")";
    if (!Exec(db, set.c_str(), error)) return RollBack(db);
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
