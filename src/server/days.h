// Today's board: one board a day for everyone, from midnight UTC to
// midnight UTC. Each day's seed (the launch counter its games start from)
// is chosen by the server the first time the day is asked for and kept in
// the store, so a day's board never changes and no client can know it
// ahead of time. A game is entered on a day's table only if its journal
// starts from that day's seed and arrives during the day or in the hour
// after it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "server/store.h"
#include "server/submit.h"

const int64_t GraceSeconds = 3600;

// The day a time falls on, "2026-12-10", and the seconds from it to the next.
std::string DayOf(int64_t seconds);
int64_t SecondsToNextDay(int64_t seconds);
// The day before.
std::string DayBefore(const std::string& day);
// The day's seed, chosen now if it has none.
std::optional<int64_t> SeedOfDay(Store& store, const std::string& day);
// The day's table a journal starting from `counter` (the launch counter in
// its header) goes to at `now`, or the refusal.
std::optional<Outcome> TableForDaily(Store& store, const std::string& counter, int64_t now, std::string* day);
