// What the score server answers: the site's files, the score pages and the
// JSON API under /api/.
//
//   GET  /api/                    {"server": "kubrask-server", "rules": 1, "version": ...}
//   POST /api/games[?name=NAME]   a journal's bytes: 201 with the games entered
//                                 (200, "duplicate": true, when all were), or a refusal
//   GET  /api/games[?count=N]     the best N games (at most 100), best first
//   POST /api/games?daily=1[&name=NAME]   a game of today's board, for today's table
//   GET  /api/games/ID            one game, with its rank
//   GET  /api/games/ID/journal    the journal it was proven from
//   GET  /api/daily               today's board: {"day", "seed", "secondsLeft", ...}
//   GET  /api/daily/games[?day=D] a day's table: each name's best, the best 100
//   GET  /api/daily/around?name=N[&day=D]   a name's best on a day's table, its
//                                 rank, and the games around it
//   GET  /scores                  today's table with a countdown to the next,
//                                 yesterday's, the best 100 of all time with a link to
//                                 watch each, the games this browser sent and its
//                                 best today, and "Send a journal…"
//   GET  /games/ID                the game's page, watching that game
//   GET  anything else            the site's files
//
// A refusal is a 4xx or 5xx with {"error": KIND, "reason": ...}. Every
// answer carries strict headers (a Content-Security-Policy, nosniff).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "server/http.h"
#include "server/store.h"
#include "server/verify.h"

struct RouteOptions {
    std::string site;                // the site's folder
    int submissionsPerMinute = 10;   // from one address
    int64_t clockOffset = 0;         // seconds the server's clock is set ahead (for tests)
};

class Routes {
public:
    Routes(RouteOptions options, Store& store, VerifyQueue& queue);
    ~Routes();
    void Handle(Request&& request, const Client& client, Reply reply);

private:
    struct State;
    std::unique_ptr<State> state_;
};
