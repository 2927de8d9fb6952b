// The store in a PostgreSQL database that many servers may share: a few
// connections of this server's, each with every statement prepared; each
// submission one transaction, whose unique keys keep one entry for a game
// however many servers take it at once. A connection that breaks (the
// database stopped or restarted) is opened again on its next use; until
// then each call fails as unavailable, and the server answers 503.
#include <libpq-fe.h>

#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>

#include "server/store.h"
#include "server/store_schema.h"

namespace {

// The tables as each version of the schema has them: each step takes the
// one before it to the next.
const char* const Steps[] = {
    // 1: all-time games.
    "CREATE TABLE journals (id BIGSERIAL PRIMARY KEY, digest TEXT NOT NULL UNIQUE, bytes BYTEA NOT NULL,"
    " received BIGINT NOT NULL);"
    "CREATE TABLE games (id TEXT PRIMARY KEY, key TEXT NOT NULL UNIQUE, journal BIGINT NOT NULL REFERENCES journals(id),"
    " score INTEGER NOT NULL, name BYTEA NOT NULL, received BIGINT NOT NULL, rules INTEGER NOT NULL,"
    " first_frame BIGINT NOT NULL, last_frame BIGINT NOT NULL);"
    "CREATE INDEX games_by_place ON games (score DESC);",
    // 2: the days' boards and tables; games keep their order in a column of their own.
    "CREATE TABLE days (day TEXT PRIMARY KEY, seed BIGINT NOT NULL);"
    "CREATE INDEX days_by_seed ON days (seed);"
    "ALTER TABLE games ADD COLUMN seq BIGSERIAL;"
    "ALTER TABLE games ADD COLUMN day TEXT NOT NULL DEFAULT '';"
    "ALTER TABLE games DROP CONSTRAINT games_key_key;"
    "ALTER TABLE games ADD CONSTRAINT games_key_day UNIQUE (key, day);"
    "DROP INDEX games_by_place;"
    "CREATE INDEX games_by_place ON games (day, score DESC, seq);",
};
static_assert(sizeof Steps / sizeof Steps[0] == SchemaVersion, "a step for each version");

// The statements, by name, each with its parameters' count.
const std::map<std::string, std::pair<std::string, int>> Statements = {
    {"find journal", {Sql::FindJournal, 1}},
    {"add journal", {Sql::AddJournal, 3}},
    {"find game", {Sql::FindGame, 2}},
    {"add game", {Sql::AddGame, 10}},
    {"best", {Sql::Best, 2}},
    {"best of day", {Sql::BestOfDay, 2}},
    {"by id", {Sql::ById, 1}},
    {"rank", {Sql::Rank, 3}},
    {"rank of day", {Sql::RankOfDay, 4}},
    {"count", {Sql::Count, 1}},
    {"count of day", {Sql::CountOfDay, 1}},
    {"best of", {Sql::BestOf, 2}},
    {"journal of", {Sql::JournalOf, 1}},
    {"add day", {Sql::AddDay, 2}},
    {"day seed", {Sql::DaySeed, 1}},
    {"day of seed", {Sql::DayOfSeed, 1}},
    {"remove game", {Sql::RemoveGame, 1}},
    {"remove journal", {Sql::RemoveJournal, 1}},
};

// A parameter: text, or bytes (a journal, a name).
struct Param {
    std::string value;
    bool binary = false;
};
Param Text(std::string value) { return Param{std::move(value), false}; }
Param Number(int64_t value) { return Param{std::to_string(value), false}; }
Param Bytes(std::string value) { return Param{std::move(value), true}; }

// A query's answer, freed when it goes.
class Result {
public:
    explicit Result(PGresult* result) : result_(result) {}
    ~Result() { PQclear(result_); }
    Result(Result&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    bool ok() const {
        const ExecStatusType status = PQresultStatus(result_);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }
    int rows() const { return PQntuples(result_); }
    std::string Text(int row, int column) const { return PQgetvalue(result_, row, column); }
    int64_t Int(int row, int column) const { return std::strtoll(PQgetvalue(result_, row, column), nullptr, 10); }
    std::string Bytes(int row, int column) const {
        size_t length = 0;
        unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(PQgetvalue(result_, row, column)), &length);
        std::string out(reinterpret_cast<const char*>(bytes), length);
        PQfreemem(bytes);
        return out;
    }
    std::string Error() const { return result_ != nullptr ? PQresultErrorMessage(result_) : "no answer"; }
    // The database's code for what went wrong: "53100" is a full disk.
    std::string State() const {
        const char* state = result_ != nullptr ? PQresultErrorField(result_, PG_DIAG_SQLSTATE) : nullptr;
        return state != nullptr ? state : "";
    }

private:
    PGresult* result_;
};

Entry Read(const Result& r, int row) {
    Entry e;
    e.id = r.Text(row, 0);
    e.day = r.Text(row, 1);
    e.score = static_cast<int32_t>(r.Int(row, 2));
    e.name = r.Bytes(row, 3);
    e.received = r.Int(row, 4);
    e.rules = static_cast<int>(r.Int(row, 5));
    e.from = static_cast<uint32_t>(r.Int(row, 6));
    e.to = static_cast<uint32_t>(r.Int(row, 7));
    e.order = r.Int(row, 8);
    return e;
}

// One connection, with its statements prepared.
class Connection {
public:
    explicit Connection(const std::string& url) : url_(url) {}
    ~Connection() { PQfinish(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Whether it is open and ready, opening it (again) if need be.
    bool Ready(std::string* error) {
        if (db_ != nullptr && PQstatus(db_) == CONNECTION_OK) return true;
        PQfinish(db_);
        db_ = PQconnectdb(url_.c_str());
        if (PQstatus(db_) != CONNECTION_OK) {
            *error = PQerrorMessage(db_);
            return false;
        }
        for (const auto& [name, statement] : Statements) {
            Result prepared(PQprepare(db_, name.c_str(), statement.first.c_str(), statement.second, nullptr));
            if (!prepared.ok()) {
                *error = prepared.Error();
                PQfinish(db_);
                db_ = nullptr;
                return false;
            }
        }
        return true;
    }

    Result Run(const std::string& name, const std::vector<Param>& params) {
        std::vector<const char*> values;
        std::vector<int> lengths, formats;
        for (const Param& p : params) {
            values.push_back(p.value.data());
            lengths.push_back(static_cast<int>(p.value.size()));
            formats.push_back(p.binary ? 1 : 0);
        }
        return Result(PQexecPrepared(db_, name.c_str(), static_cast<int>(params.size()), values.data(), lengths.data(),
                                     formats.data(), 0));
    }
    Result Exec(const char* sql) { return Result(PQexec(db_, sql)); }
    PGconn* db() { return db_; }

private:
    std::string url_;
    PGconn* db_ = nullptr;
};

class PostgresStore final : public Store {
public:
    PostgresStore(const std::string& url, int connections) {
        for (int i = 0; i < connections; ++i) idle_.push_back(std::make_unique<Connection>(url));
    }

    std::optional<std::vector<std::pair<Entry, bool>>> Submit(const Submission& submission, StoreFault* fault,
                                                              std::string* error) override {
        Borrowed c(*this);
        *fault = StoreFault::Unavailable;
        if (!c->Ready(error)) return std::nullopt;
        auto fail = [&](const Result& r) {
            *error = r.Error();
            if (r.State() == "53100") *fault = StoreFault::Full;  // disk full
            c->Exec("ROLLBACK");
            return std::nullopt;
        };
        Result begun = c->Exec("BEGIN");
        if (!begun.ok()) return fail(begun);
        Result added = c->Run("add journal", {Text(submission.digest), Bytes(submission.journal), Number(submission.received)});
        if (!added.ok()) return fail(added);
        int64_t journal = 0;
        if (added.rows() == 1) {
            journal = added.Int(0, 0);
        } else {
            Result found = c->Run("find journal", {Text(submission.digest)});
            if (!found.ok() || found.rows() != 1) return fail(found);
            journal = found.Int(0, 0);
        }
        std::vector<std::pair<Entry, bool>> entries;
        for (const Submission::Game& game : submission.games) {
            Entry entry = NewEntry(submission, game);
            Result put = c->Run("add game", {Text(entry.id), Text(entry.day), Text(game.key), Number(journal), Number(entry.score),
                                             Bytes(entry.name), Number(entry.received), Number(entry.rules),
                                             Number(entry.from), Number(entry.to)});
            if (!put.ok()) return fail(put);
            if (put.rows() == 1) {
                entry.order = put.Int(0, 0);
                entries.emplace_back(entry, true);
                continue;
            }
            Result found = c->Run("find game", {Text(game.key), Text(submission.day)});  // entered before, here or elsewhere
            if (!found.ok() || found.rows() != 1) return fail(found);
            entries.emplace_back(Read(found, 0), false);
        }
        Result committed = c->Exec("COMMIT");
        if (!committed.ok()) return fail(committed);
        return entries;
    }

    std::optional<std::vector<Entry>> Best(const std::string& day, int count) override {
        Borrowed c(*this);
        std::string error;
        if (!c->Ready(&error)) return std::nullopt;
        Result best = c->Run(day.empty() ? "best" : "best of day", {Text(day), Number(count)});
        if (!best.ok()) return std::nullopt;
        std::vector<Entry> entries;
        for (int i = 0; i < best.rows(); ++i) entries.push_back(Read(best, i));
        return entries;
    }

    std::optional<Entry> Find(const std::string& id, bool* unavailable) override {
        return One("by id", {Text(id)}, unavailable);
    }

    std::optional<std::pair<int64_t, int64_t>> Rank(const Entry& entry) override {
        Borrowed c(*this);
        std::string error;
        if (!c->Ready(&error)) return std::nullopt;
        Result better = entry.day.empty()
                            ? c->Run("rank", {Text(entry.day), Number(entry.score), Number(entry.order)})
                            : c->Run("rank of day", {Text(entry.day), Number(entry.score), Number(entry.order), Bytes(entry.name)});
        Result places = c->Run(entry.day.empty() ? "count" : "count of day", {Text(entry.day)});
        if (!better.ok() || !places.ok()) return std::nullopt;
        return std::make_pair(better.Int(0, 0) + 1, places.Int(0, 0));
    }

    std::optional<Entry> BestOf(const std::string& day, const std::string& name, bool* unavailable) override {
        return One("best of", {Text(day), Bytes(name)}, unavailable);
    }

    std::optional<std::string> JournalOf(const std::string& id, bool* unavailable) override {
        Borrowed c(*this);
        std::string error;
        *unavailable = true;
        if (!c->Ready(&error)) return std::nullopt;
        Result bytes = c->Run("journal of", {Text(id)});
        if (!bytes.ok()) return std::nullopt;
        *unavailable = false;
        if (bytes.rows() != 1) return std::nullopt;
        return bytes.Bytes(0, 0);
    }

    std::optional<int64_t> DaySeed(const std::string& day, int64_t proposed) override {
        Borrowed c(*this);
        std::string error;
        if (!c->Ready(&error)) return std::nullopt;
        Result added = c->Run("add day", {Text(day), Number(proposed)});
        Result seed = c->Run("day seed", {Text(day)});
        if (!added.ok() || !seed.ok() || seed.rows() != 1) return std::nullopt;
        return seed.Int(0, 0);
    }

    std::optional<std::string> DayOfSeed(int64_t seed) override {
        Borrowed c(*this);
        std::string error;
        if (!c->Ready(&error)) return std::nullopt;
        Result day = c->Run("day of seed", {Number(seed)});
        if (!day.ok()) return std::nullopt;
        return day.rows() == 1 ? day.Text(0, 0) : std::string();
    }

    bool Remove(const std::string& id) override {
        Borrowed c(*this);
        std::string error;
        if (!c->Ready(&error) || !c->Exec("BEGIN").ok()) return false;
        Result removed = c->Run("remove game", {Text(id)});
        if (!removed.ok() || removed.rows() != 1 || !c->Run("remove journal", {Text(removed.Text(0, 0))}).ok()) {
            c->Exec("ROLLBACK");
            return false;
        }
        return c->Exec("COMMIT").ok();
    }

    bool Check(std::string* problem) override {
        Borrowed c(*this);
        problem->clear();
        if (!c->Ready(problem)) return false;
        // Every game's journal is there, whole.
        Result lost = c->Exec(Sql::Lost.c_str());
        if (!lost.ok()) *problem = lost.Error();
        else if (lost.Int(0, 0) != 0) *problem = std::to_string(lost.Int(0, 0)) + " games without their journal";
        return problem->empty();
    }

private:
    // A connection taken for one call, and given back.
    class Borrowed {
    public:
        explicit Borrowed(PostgresStore& store) : store_(store) {
            std::unique_lock<std::mutex> lock(store_.mutex_);
            store_.returned_.wait(lock, [this] { return !store_.idle_.empty(); });
            connection_ = std::move(store_.idle_.back());
            store_.idle_.pop_back();
        }
        ~Borrowed() {
            {
                std::lock_guard<std::mutex> lock(store_.mutex_);
                store_.idle_.push_back(std::move(connection_));
            }
            store_.returned_.notify_one();
        }
        Connection* operator->() { return connection_.get(); }

    private:
        PostgresStore& store_;
        std::unique_ptr<Connection> connection_;
    };

    std::optional<Entry> One(const std::string& statement, const std::vector<Param>& params, bool* unavailable) {
        Borrowed c(*this);
        std::string error;
        *unavailable = true;
        if (!c->Ready(&error)) return std::nullopt;
        Result found = c->Run(statement, params);
        if (!found.ok()) return std::nullopt;
        *unavailable = false;
        if (found.rows() != 1) return std::nullopt;
        return Read(found, 0);
    }

    std::mutex mutex_;
    std::condition_variable returned_;
    std::vector<std::unique_ptr<Connection>> idle_;
};

// Makes the tables, or brings older ones up to this version, a step at a
// time, in one transaction; the servers starting at once take turns.
bool Upgrade(const std::string& url, std::string* error) {
    PGconn* db = PQconnectdb(url.c_str());
    bool done = false;
    if (PQstatus(db) != CONNECTION_OK) {
        *error = PQerrorMessage(db);
    } else {
        auto exec = [&](const std::string& sql) {
            Result r(PQexec(db, sql.c_str()));
            if (!r.ok()) *error = r.Error();
            return r.ok();
        };
        int version = -1;
        if (exec("BEGIN") && exec("SELECT pg_advisory_xact_lock(20261210)") &&
            exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)")) {
            Result read(PQexec(db, "SELECT coalesce(max(version), 0) FROM schema_version"));
            if (read.ok()) version = static_cast<int>(read.Int(0, 0));
        }
        if (version > SchemaVersion) *error = "the database was made by a newer server (schema " + std::to_string(version) + ")";
        bool stepped = version >= 0 && version <= SchemaVersion;
        for (int step = version; stepped && step < SchemaVersion; ++step) stepped = exec(Steps[step]);
        done = stepped && exec("DELETE FROM schema_version") &&
               exec("INSERT INTO schema_version VALUES (" + std::to_string(SchemaVersion) + ")") && exec("COMMIT");
        if (!done) exec("ROLLBACK");
    }
    PQfinish(db);
    return done;
}

}  // namespace

std::unique_ptr<Store> OpenPostgresStore(const std::string& url, int connections, std::string* error) {
    if (!Upgrade(url, error)) return nullptr;
    return std::make_unique<PostgresStore>(url, connections > 0 ? connections : 1);
}

std::unique_ptr<Store> OpenStore(const std::string& database, int connections, std::string* error) {
    if (database.rfind("postgresql://", 0) == 0 || database.rfind("postgres://", 0) == 0)
        return OpenPostgresStore(database, connections, error);
    return OpenSqliteStore(database, error);
}
