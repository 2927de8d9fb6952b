// What the score server keeps, behind one narrow interface: the journals
// sent to it, each kept once, and the games proven from them, each entered
// once. SQLite keeps them here (sqlite_store.cpp); another engine fits
// behind the same calls. Nothing about who sent a game is kept.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A game on the table.
struct Entry {
    std::string id;      // its link: /games/ID
    int32_t score = 0;
    std::string name;    // in the game's 8-bit code page
    int64_t received = 0;  // when the server took it, in seconds since 1970 (UTC)
    int rules = 0;       // the rules it was proven under
    uint32_t from = 0;   // the frame its game starts at in its journal
    uint32_t to = 0;     // and the one it ended at
    int64_t order = 0;   // its place in the order games were entered, for those received in the same second
};

// A journal whose games were proven, to keep.
struct Submission {
    std::string digest;   // of the whole journal (SHA-256, hex)
    std::string journal;  // its bytes
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

struct Store {
    virtual ~Store() = default;
    // Keeps the submission in one transaction: the journal, unless one of
    // the same digest is kept, and each game not already entered. Returns
    // each game's entry and whether it is new; nothing on failure.
    virtual std::optional<std::vector<std::pair<Entry, bool>>> Submit(const Submission& submission,
                                                                       std::string* error) = 0;
    // Whether a journal of this digest is kept.
    virtual bool HasJournal(const std::string& digest) = 0;
    // The best `count` games, best first: the higher score, then the one
    // entered first.
    virtual std::vector<Entry> Best(int count) = 0;
    virtual std::optional<Entry> Find(const std::string& id) = 0;
    // An entry's place on the table, from 1, and how many games there are.
    virtual int64_t Rank(const Entry& entry) = 0;
    virtual int64_t Count() = 0;
    // The journal an entry was proven from.
    virtual std::optional<std::string> JournalOf(const std::string& id) = 0;
    // Takes an entry down (its journal too, when no other entry needs it).
    virtual bool Remove(const std::string& id) = 0;
    // Whether the store is whole: empty `problem` when it is.
    virtual bool Check(std::string* problem) = 0;
};

// The store in the SQLite file at `path`, made if missing; null with the
// reason when it cannot be opened.
std::unique_ptr<Store> OpenSqliteStore(const std::string& path, std::string* error);
