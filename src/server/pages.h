// The score server's own pages: the table of the best games, and what it
// says of a link that leads nowhere. Names are shown as text, never as
// markup.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/store.h"

// A day's table: the day, each name's best game, best first.
struct Table {
    std::string day;
    std::vector<Entry> games;
};

// The score page: today's table with the seconds left of the day,
// yesterday's, and the best of all time.
std::string ScoresPage(const std::vector<Entry>& best, const Table& today, const Table& yesterday, int64_t secondsLeft);
std::string NoSuchGamePage();
std::string NotFoundPage();
// The score page's script (pages/scores.js), built in.
extern const char ScoresScript[];
// Text made safe to stand in HTML.
std::string HtmlText(const std::string& utf8);
