// Sending a game: what the server makes of a journal, from the bytes to the
// entries kept or the refusal, apart from HTTP. First what can be told at
// once (the name asked for, the file's format); then, once the replay has
// run, its verdict: each game of the run that reached game over with no test
// switch used is entered, with the score the replay found and the name
// typed into the game (or the one sent along, for a game without one). The
// score, the time and the rules are the server's, never the sender's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "server/store.h"
#include "server/verify.h"

// An answer: an HTTP status and one line of JSON.
struct Outcome {
    int status = 200;
    std::string body;
    int retryAfter = 0;  // seconds, for 429 and 503
};

// A refusal: {"error": KIND, "reason": ...}.
Outcome Refusal(int status, const std::string& kind, const std::string& reason, int retryAfter = 0);

// A name typed on the page (UTF-8), held to the name dialog's rules: 1 to
// 299 characters, all of them printable ones of the game's code page.
// Returns it in the code page, or nothing.
std::optional<std::string> NameFromPage(const std::string& utf8);

// Refuses at once a journal that cannot be one of this game's: not a
// journal, damaged, cut inside a chunk, of other rules. Nothing when it
// should be played again; `counter` is then the launch counter its run
// started from, as its header keeps random.txt ("" for none).
std::optional<Outcome> CheckFormat(const std::string& journal, std::string* counter);

// The entries the verdict proves, kept in `store` on the table of `day`
// (empty: all time; on a day's, the run's first game alone, which starts
// from the day's board), or the refusal. `name` is the page's, in the code
// page (empty: none sent).
Outcome Decide(Store& store, const std::string& journal, const std::string& name, const Verdict& verdict, int64_t now,
               const std::string& day);

// An entry as JSON, with its place on its table.
std::string EntryJson(Store& store, const Entry& entry, bool isNew);
// The time as "2026-12-10T07:15:00Z".
std::string IsoTime(int64_t seconds);
// JSON text of a string of the game's code page.
std::string NameText(const std::string& cp1252);
