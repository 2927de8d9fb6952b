// Today's board: see days.h.
#include "server/days.h"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <random>

namespace {

std::string Format(time_t t) {
    tm utc{};
    gmtime_r(&t, &utc);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
    return text;
}

int64_t MidnightOf(int64_t seconds) { return seconds - ((seconds % 86400) + 86400) % 86400; }

}  // namespace

std::string DayOf(int64_t seconds) { return Format(static_cast<time_t>(seconds)); }

int64_t SecondsToNextDay(int64_t seconds) { return MidnightOf(seconds) + 86400 - seconds; }

std::string DayBefore(const std::string& day) {
    tm date{};
    if (day.size() != 10 || std::sscanf(day.c_str(), "%d-%d-%d", &date.tm_year, &date.tm_mon, &date.tm_mday) != 3) return "";
    date.tm_year -= 1900;
    date.tm_mon -= 1;
    return Format(timegm(&date) - 86400);
}

std::optional<int64_t> SeedOfDay(Store& store, const std::string& day) {
    static std::mutex mutex;
    static std::mt19937_64 random(std::random_device{}());
    int64_t proposed;
    {
        std::lock_guard<std::mutex> lock(mutex);
        proposed = static_cast<int64_t>(random() % 1000000);  // a launch counter, as random.txt holds it
    }
    return store.DaySeed(day, proposed);
}

std::optional<Outcome> TableForDaily(Store& store, const std::string& counter, int64_t now, std::string* day) {
    const std::string today = DayOf(now);
    int64_t started = -1;
    if (!counter.empty() && counter.size() <= 7 && counter.find_first_not_of("0123456789") == std::string::npos)
        started = std::stoll(counter);
    const auto seed = SeedOfDay(store, today);
    if (!seed) return Refusal(503, "busy", "The server cannot reach its database just now.", 10);
    if (started == *seed) {
        *day = today;
        return std::nullopt;
    }
    const auto of = started >= 0 ? store.DayOfSeed(started) : std::optional<std::string>("");
    if (!of) return Refusal(503, "busy", "The server cannot reach its database just now.", 10);
    if (!of->empty() && *of == DayBefore(today) && now - MidnightOf(now) < GraceSeconds) {
        *day = *of;
        return std::nullopt;
    }
    if (!of->empty() && *of < today)
        return Refusal(422, "too late", "This game is of the board of " + *of + ", whose table closed an hour after its day.");
    return Refusal(422, "not today's board", "This game did not start from today's board (" + today + ").");
}
