// What the score server answers: the site's files, the score pages and the
// JSON API under /api/.
//
//   GET  /api/                    {"server": "kubrask-server", "rules": 1, "version": ...}
//   POST /api/games[?name=NAME]   a journal's bytes: 201 with the games entered
//                                 (200, "duplicate": true, when all were), or a refusal
//   GET  /api/games[?count=N]     the best N games (at most 100), best first
//   GET  /api/games/ID            one game, with its rank
//   GET  /api/games/ID/journal    the journal it was proven from
//   GET  /scores                  the best 100 with a link to watch each, the games
//                                 this browser sent, and "Send a journal…"
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
