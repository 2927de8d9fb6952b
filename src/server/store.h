// What the score server keeps, behind one narrow interface: the journals
// sent to it, each kept once; the games proven from them, each entered once
// in its table (all time, or a day's); and each day's board. SQLite keeps
// them in one file (sqlite_store.cpp), PostgreSQL in a database many
// servers share (postgres_store.cpp). Nothing about who sent a game is kept.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A game on a table.
struct Entry {
    std::string id;        // its link: /games/ID
    std::string day;       // the day whose table it is on ("2026-12-10"), empty for all time
    int32_t score = 0;
    std::string name;      // in the game's 8-bit code page
    int64_t received = 0;  // when the server took it, in seconds since 1970 (UTC)
    int rules = 0;         // the rules it was proven under
    uint32_t from = 0;     // the frame its game starts at in its journal
    uint32_t to = 0;       // and the one it ended at
    int64_t order = 0;     // its place in the order games were entered: first entered, first placed
};

// A journal whose games were proven, to keep.
struct Submission {
    std::string digest;   // of the whole journal (SHA-256, hex)
    std::string journal;  // its bytes
    std::string day;      // the day's table it is for, empty for all time
    int64_t received = 0;
    int rules = 0;
    struct Game {
        std::string key;  // the digest of the journal up to this game's end: the game, wherever it was sent from
        int32_t score = 0;
        std::string name;
        uint32_t from = 0, to = 0;
    };
    std::vector<Game> games;
};

// What went wrong, where a call can fail: the database cannot be reached
// (try again soon), or has no room left.
enum class StoreFault { Unavailable, Full };

struct Store {
    virtual ~Store() = default;
    // Keeps the submission in one transaction: the journal, unless one of
    // the same digest is kept, and each game not already entered on the
    // submission's table. Returns each game's entry and whether it is new.
    virtual std::optional<std::vector<std::pair<Entry, bool>>> Submit(const Submission& submission, StoreFault* fault,
                                                                       std::string* error) = 0;
    // The best `count` games of a table, best first: the higher score, then
    // the one entered first. A day's table holds each name's best game only.
    virtual std::optional<std::vector<Entry>> Best(const std::string& day, int count) = 0;
    // An entry by its id: nothing when there is none, or when the store
    // cannot be reached (then `unavailable` is set).
    virtual std::optional<Entry> Find(const std::string& id, bool* unavailable) = 0;
    // An entry's place on its table, from 1 (on a day's, among each name's
    // best), and how many places the table has.
    virtual std::optional<std::pair<int64_t, int64_t>> Rank(const Entry& entry) = 0;
    // A name's best game on a day's table, as Find.
    virtual std::optional<Entry> BestOf(const std::string& day, const std::string& name, bool* unavailable) = 0;
    // The journal an entry was proven from, as Find.
    virtual std::optional<std::string> JournalOf(const std::string& id, bool* unavailable) = 0;
    // A day's board: its seed, set to `proposed` when the day has none yet
    // (however many servers ask at once, one is kept). Nothing on failure.
    virtual std::optional<int64_t> DaySeed(const std::string& day, int64_t proposed) = 0;
    // The latest day whose board has this seed, or "" for none.
    virtual std::optional<std::string> DayOfSeed(int64_t seed) = 0;
    // Takes an entry down (its journal too, when no other entry needs it).
    virtual bool Remove(const std::string& id) = 0;
    // Whether the store is whole: empty `problem` when it is.
    virtual bool Check(std::string* problem) = 0;
};

// The store in the SQLite file at `path`, made if missing; null with the
// reason when it cannot be opened.
std::unique_ptr<Store> OpenSqliteStore(const std::string& path, std::string* error);
// The store in the PostgreSQL database `url` (postgresql://...), its tables
// made or upgraded if need be; `connections` of them at most. Null with
// the reason when it cannot be reached.
std::unique_ptr<Store> OpenPostgresStore(const std::string& url, int connections, std::string* error);
// Either, by what `database` names: a postgresql:// URL, or a SQLite file.
std::unique_ptr<Store> OpenStore(const std::string& database, int connections, std::string* error);
