// What the two engines of the store share: the schema's version, the
// queries that place games on their tables (written for both, with
// parameters as $1, $2...), and how a new entry is named.
#pragma once

#include <string>

#include "server/sha256.h"
#include "server/store.h"

// Raised with each change to the tables; each engine has a step to it from
// the version before.
const int SchemaVersion = 2;

namespace Sql {

const std::string Columns = "id, day, score, name, received, rules, first_frame, last_frame, seq";
const std::string Select = "SELECT " + Columns;
// Each name's best game on a day's table ($1).
const std::string BestOfEachName = "(SELECT " + Columns +
                                   ", row_number() OVER (PARTITION BY name ORDER BY score DESC, seq) AS place"
                                   " FROM games WHERE day = $1) AS best WHERE place = 1";
// $1 the table's day ('' for all time), $2 how many.
const std::string Best = Select + " FROM games WHERE day = $1 ORDER BY score DESC, seq LIMIT $2";
const std::string BestOfDay = Select + " FROM " + BestOfEachName + " ORDER BY score DESC, seq LIMIT $2";
// The places before an entry's: $1 day, $2 score, $3 order; on a day's
// table, $4 the entry's name, whose other games do not count.
const std::string Rank = "SELECT count(*) FROM games WHERE day = $1 AND (score > $2 OR (score = $2 AND seq < $3))";
const std::string RankOfDay = "SELECT count(*) FROM " + BestOfEachName +
                              " AND name <> $4 AND (score > $2 OR (score = $2 AND seq < $3))";
// How many places: $1 day.
const std::string Count = "SELECT count(*) FROM games WHERE day = $1";
const std::string CountOfDay = "SELECT count(DISTINCT name) FROM games WHERE day = $1";
// A name's best on a day: $1 day, $2 name.
const std::string BestOf = Select + " FROM games WHERE day = $1 AND name = $2 ORDER BY score DESC, seq LIMIT 1";

// Keeping a submission: a journal by its digest ($1; and its bytes $2 and
// time received $3), a game on a table ($1 key, $2 day, and to add it the
// rest of its columns). Adding one already there adds nothing and returns
// no row.
const std::string FindJournal = "SELECT id FROM journals WHERE digest = $1";
const std::string AddJournal =
    "INSERT INTO journals (digest, bytes, received) VALUES ($1, $2, $3) ON CONFLICT DO NOTHING RETURNING id";
const std::string FindGame = Select + " FROM games WHERE key = $1 AND day = $2";
const std::string AddGame =
    "INSERT INTO games (id, day, key, journal, score, name, received, rules, first_frame, last_frame)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10) ON CONFLICT DO NOTHING RETURNING seq";
// An entry by its id ($1), and its journal's bytes.
const std::string ById = Select + " FROM games WHERE id = $1";
const std::string JournalOf = "SELECT j.bytes FROM games g JOIN journals j ON j.id = g.journal WHERE g.id = $1";
// Days' boards: $1 day, $2 seed.
const std::string AddDay = "INSERT INTO days (day, seed) VALUES ($1, $2) ON CONFLICT (day) DO NOTHING";
const std::string DaySeed = "SELECT seed FROM days WHERE day = $1";
const std::string DayOfSeed = "SELECT day FROM days WHERE seed = $1 ORDER BY day DESC LIMIT 1";
// Taking an entry down ($1 its id), then its journal ($1), if no other entry needs it.
const std::string RemoveGame = "DELETE FROM games WHERE id = $1 RETURNING journal";
const std::string RemoveJournal = "DELETE FROM journals WHERE id = $1 AND NOT EXISTS (SELECT 1 FROM games WHERE journal = $1)";
// Games whose journal is missing or empty: none in a whole store.
const std::string Lost = "SELECT count(*) FROM games g LEFT JOIN journals j ON j.id = g.journal"
                         " WHERE j.id IS NULL OR length(j.bytes) = 0";

}  // namespace Sql

// A new entry for one of a submission's games: named by its game on the
// all-time table, and by its game and day on a day's.
inline Entry NewEntry(const Submission& submission, const Submission::Game& game) {
    Entry entry;
    entry.id = submission.day.empty() ? game.key.substr(0, 16) : Sha256Hex(submission.day + " " + game.key).substr(0, 16);
    entry.day = submission.day;
    entry.score = game.score;
    entry.name = game.name;
    entry.received = submission.received;
    entry.rules = submission.rules;
    entry.from = game.from;
    entry.to = game.to;
    return entry;
}
