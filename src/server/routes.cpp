// What the score server answers: see routes.h.
#include "server/routes.h"

#include <sys/stat.h>
#include <time.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>

#include "platform/posix/journal_format.h"
#include "server/days.h"
#include "server/pages.h"
#include "server/submit.h"

namespace {

const char SiteSecurity[] =
    "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self' 'unsafe-inline'; "
    "img-src 'self' data: blob:; media-src 'self' data: blob:; connect-src 'self'; worker-src 'self'; "
    "manifest-src 'self'; object-src 'none'; base-uri 'self'; form-action 'self'";
const char PageSecurity[] =
    "default-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; object-src 'none'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
const char ApiSecurity[] = "default-src 'none'; frame-ancestors 'none'";

const std::map<std::string, std::string> Types = {
    {".html", "text/html; charset=utf-8"},  {".js", "text/javascript; charset=utf-8"},
    {".wasm", "application/wasm"},          {".data", "application/octet-stream"},
    {".json", "application/json"},          {".webmanifest", "application/manifest+json"},
    {".css", "text/css; charset=utf-8"},    {".txt", "text/plain; charset=utf-8"},
    {".png", "image/png"},                  {".ico", "image/x-icon"},
    {".svg", "image/svg+xml"},              {".wav", "audio/wav"},
};

int FromHex(char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// %XX and + decoded; false for a broken escape.
bool Decode(std::string_view in, std::string* out) {
    out->clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '+') {
            *out += ' ';
        } else if (in[i] != '%') {
            *out += in[i];
        } else {
            if (i + 2 >= in.size() || FromHex(in[i + 1]) < 0 || FromHex(in[i + 2]) < 0) return false;
            *out += static_cast<char>(FromHex(in[i + 1]) * 16 + FromHex(in[i + 2]));
            i += 2;
        }
    }
    return true;
}

// The value of `key` in a query string; nothing when absent or broken.
std::optional<std::string> QueryValue(std::string_view query, std::string_view key) {
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const size_t eq = pair.find('=');
        if (pair.substr(0, eq) == key) {
            std::string value;
            if (eq == std::string_view::npos) return std::string();
            if (!Decode(pair.substr(eq + 1), &value)) return std::nullopt;
            return value;
        }
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

// The machine's own clock, in seconds.
double Monotonic() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

bool IsGameId(std::string_view id) {
    if (id.size() != 16) return false;
    for (char c : id)
        if (FromHex(c) < 0 || (c >= 'A' && c <= 'F')) return false;
    return true;
}

// Per address, a bucket of submissions that refills over a minute.
class RateLimit {
public:
    explicit RateLimit(int perMinute) : perMinute_(perMinute) {}
    // Whether one more is allowed now; else the seconds until one is.
    bool Take(const std::string& address, int* wait) {
        std::lock_guard<std::mutex> lock(mutex_);
        const double now = Monotonic();
        if (buckets_.size() > 100000) buckets_.clear();  // a flood of addresses: start afresh
        Bucket& bucket = buckets_.try_emplace(address, Bucket{static_cast<double>(perMinute_), now}).first->second;
        bucket.tokens = std::min<double>(perMinute_, bucket.tokens + (now - bucket.at) * perMinute_ / 60.0);
        bucket.at = now;
        if (bucket.tokens >= 1) {
            bucket.tokens -= 1;
            return true;
        }
        *wait = static_cast<int>((1 - bucket.tokens) * 60.0 / perMinute_) + 1;
        return false;
    }

private:
    struct Bucket {
        double tokens, at;
    };
    int perMinute_;
    std::mutex mutex_;
    std::map<std::string, Bucket> buckets_;
};

// A table as JSON: its games with their places.
std::string TableJson(const std::vector<Entry>& games) {
    std::string list = "[";
    for (size_t i = 0; i < games.size(); ++i) {
        nlohmann::json entry = {{"rank", i + 1},
                                {"id", games[i].id},
                                {"name", NameText(games[i].name)},
                                {"score", games[i].score},
                                {"received", IsoTime(games[i].received)},
                                {"url", "/games/" + games[i].id}};
        list += (i > 0 ? ", " : "") + entry.dump();
    }
    return list + "]";
}

}  // namespace

struct Routes::State {
    RouteOptions options;
    Store& store;
    VerifyQueue& queue;
    RateLimit limit;
    // The tables as JSON and the score page, made again once a game is
    // entered here, and at least once a second (for games entered or taken
    // down by others, and for a new day).
    std::atomic<uint64_t> changes{1};
    std::mutex cacheMutex;
    uint64_t cachedChanges = 0;
    double cachedAt = 0;
    std::shared_ptr<const std::string> bestJson, todayJson, scoresPage;

    State(RouteOptions o, Store& s, VerifyQueue& q)
        : options(std::move(o)), store(s), queue(q), limit(options.submissionsPerMinute) {}

    int64_t Now() const { return static_cast<int64_t>(time(nullptr)) + options.clockOffset; }

    // False when the store cannot be read and nothing was read before.
    bool Cache(std::shared_ptr<const std::string>* json, std::shared_ptr<const std::string>* today,
               std::shared_ptr<const std::string>* page) {
        std::lock_guard<std::mutex> lock(cacheMutex);
        const uint64_t now = changes.load();
        const double clock = Monotonic();
        if (cachedChanges != now || clock - cachedAt >= 1) {
            const int64_t seconds = Now();
            const std::string day = DayOf(seconds), yesterday = DayBefore(day);
            const auto best = store.Best("", 100), ofToday = store.Best(day, 100), ofYesterday = store.Best(yesterday, 100);
            if (best && ofToday && ofYesterday) {
                bestJson = std::make_shared<const std::string>("{\"games\": " + TableJson(*best) + "}\n");
                const auto places = ofToday->empty() ? std::nullopt : store.Rank(ofToday->front());
                todayJson = std::make_shared<const std::string>(
                    "{\"day\": \"" + day + "\", \"secondsLeft\": " + std::to_string(SecondsToNextDay(seconds)) +
                    ", \"players\": " + std::to_string(places ? places->second : 0) + ", \"games\": " + TableJson(*ofToday) + "}\n");
                scoresPage = std::make_shared<const std::string>(
                    ScoresPage(*best, Table{day, *ofToday}, Table{yesterday, *ofYesterday}, SecondsToNextDay(seconds)));
                cachedChanges = now;
                cachedAt = clock;
            }
        }
        *json = bestJson;
        *today = todayJson;
        *page = scoresPage;
        return bestJson != nullptr;
    }
};

Routes::Routes(RouteOptions options, Store& store, VerifyQueue& queue)
    : state_(std::make_unique<State>(std::move(options), store, queue)) {}
Routes::~Routes() = default;

namespace {

void Secure(Response& response, const char* policy) {
    response.set("Content-Security-Policy", policy);
    response.set("X-Content-Type-Options", "nosniff");
    response.set("Referrer-Policy", "same-origin");
}

Response Json(const Request& request, int status, std::string body) {
    Response response = MakeResponse(request, static_cast<http::status>(status), std::move(body), "application/json");
    Secure(response, ApiSecurity);
    response.set(http::field::cache_control, "no-store");
    return response;
}

Response FromOutcome(const Request& request, const Outcome& outcome) {
    Response response = Json(request, outcome.status, outcome.body);
    if (outcome.retryAfter > 0) response.set(http::field::retry_after, std::to_string(outcome.retryAfter));
    return response;
}

Response Page(const Request& request, http::status status, std::string html) {
    Response response = MakeResponse(request, status, std::move(html), "text/html; charset=utf-8");
    Secure(response, PageSecurity);
    response.set(http::field::cache_control, "no-store");
    return response;
}

// A file of the site, by its path on the site; nothing for none.
std::optional<Response> SiteFile(const Request& request, const std::string& site, std::string path) {
    if (path.empty() || path[0] != '/' || path.find("..") != std::string::npos || path.find('\0') != std::string::npos ||
        path.find('\\') != std::string::npos || path.find("//") != std::string::npos)
        return std::nullopt;
    if (path.back() == '/') path += "index.html";
    std::string file = site + path;
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) return std::nullopt;
    if (S_ISDIR(info.st_mode)) {
        file += "/index.html";
        if (stat(file.c_str(), &info) != 0) return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) return std::nullopt;
    const std::string tag = "\"" + std::to_string(info.st_size) + "-" + std::to_string(info.st_mtim.tv_sec) + "." +
                            std::to_string(info.st_mtim.tv_nsec) + "\"";
    const size_t dot = file.rfind('.');
    const auto type = dot == std::string::npos ? Types.end() : Types.find(file.substr(dot));
    Response response = MakeResponse(request, http::status::ok, "",
                                      type == Types.end() ? "application/octet-stream" : type->second);
    Secure(response, SiteSecurity);
    response.set(http::field::etag, tag);
    response.set(http::field::cache_control, "no-cache");
    response.set(http::field::access_control_allow_origin, "*");
    if (request[http::field::if_none_match] == tag) {
        response.result(http::status::not_modified);
        return response;
    }
    FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) return std::nullopt;
    std::string bytes(static_cast<size_t>(info.st_size), '\0');
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), in);
    std::fclose(in);
    bytes.resize(got);
    if (request.method() != http::verb::head) response.body() = std::move(bytes);
    return response;
}

}  // namespace

void Routes::Handle(Request&& request, const Client& client, Reply reply) {
    State& s = *state_;
    const std::string target(request.target());
    const size_t question = target.find('?');
    const std::string path = target.substr(0, question);
    const std::string_view query = question == std::string::npos ? std::string_view() : std::string_view(target).substr(question + 1);
    const bool get = request.method() == http::verb::get || request.method() == http::verb::head;

    if (path == "/api/games" && request.method() == http::verb::post) {
        int wait = 0;
        if (!s.limit.Take(client.address, &wait))
            return reply(FromOutcome(request, Refusal(429, "too many", "Too many games sent from here just now.", wait)));
        const auto daily = QueryValue(query, "daily");
        std::string name;
        if (const auto asked = QueryValue(query, "name"); asked && !asked->empty()) {
            const auto held = NameFromPage(*asked);
            if (!held)
                return reply(FromOutcome(request, Refusal(400, "bad name",
                                                          "A name is 1 to 299 characters of the game's code page "
                                                          "(Windows-1252), with no control characters.")));
            name = *held;
        }
        std::string counter, day;
        if (const auto refused = CheckFormat(request.body(), &counter)) return reply(FromOutcome(request, *refused));
        if (daily && *daily == "1")
            if (const auto refused = TableForDaily(s.store, counter, s.Now(), &day)) return reply(FromOutcome(request, *refused));
        auto shared = std::make_shared<Request>(std::move(request));
        const std::string& journal = shared->body();
        const bool queued = s.queue.Add(journal, [&s, shared, name, day, reply](Verdict verdict) {
            const Outcome outcome = Decide(s.store, shared->body(), name, verdict, s.Now(), day);
            if (outcome.status == 201) s.changes++;
            reply(FromOutcome(*shared, outcome));
        });
        if (!queued)
            reply(FromOutcome(*shared, Refusal(503, "busy", "Too many games are being played again just now.", 5)));
        return;
    }
    if (!get) {
        Response response = Json(request, 405, "{\"error\": \"method\", \"reason\": \"Not here.\"}\n");
        response.set(http::field::allow, path == "/api/games" ? "GET, HEAD, POST" : "GET, HEAD");
        return reply(std::move(response));
    }
    if (path == "/api/" || path == "/api") {
        return reply(Json(request, 200,
                          nlohmann::json{{"server", "kubrask-server"}, {"rules", KubraskRules}, {"rulesName", RulesName()}}
                                  .dump() + "\n"));
    }
    const auto unavailable = [&request]() {
        return FromOutcome(request, Refusal(503, "busy", "The server cannot reach its database just now.", 10));
    };
    if (path == "/api/games" || path == "/api/daily/games" || path == "/scores" || path == "/scores/") {
        std::shared_ptr<const std::string> json, today, page;
        const auto asked = QueryValue(query, "day");
        if (path == "/api/daily/games" && asked && !asked->empty() && *asked != DayOf(s.Now())) {
            const auto table = asked->size() == 10 ? s.store.Best(*asked, 100) : std::optional<std::vector<Entry>>();
            if (!table) return reply(unavailable());
            return reply(Json(request, 200, "{\"games\": " + TableJson(*table) + ", \"day\": " + nlohmann::json(*asked).dump() + "}\n"));
        }
        if (!s.Cache(&json, &today, &page)) return reply(unavailable());
        if (path == "/api/games") return reply(Json(request, 200, *json));
        if (path == "/api/daily/games") return reply(Json(request, 200, *today));
        return reply(Page(request, http::status::ok, *page));
    }
    if (path == "/api/daily") {
        const int64_t now = s.Now();
        const std::string day = DayOf(now);
        const auto seed = SeedOfDay(s.store, day);
        if (!seed) return reply(unavailable());
        return reply(Json(request, 200,
                          nlohmann::json{{"day", day}, {"seed", *seed}, {"secondsLeft", SecondsToNextDay(now)},
                                         {"graceSeconds", GraceSeconds}, {"rules", KubraskRules}}.dump() + "\n"));
    }
    if (path == "/api/daily/around") {
        const auto asked = QueryValue(query, "name");
        const auto name = asked ? NameFromPage(*asked) : std::nullopt;
        if (!name) return reply(FromOutcome(request, Refusal(400, "bad name", "Name the player: ?name=...")));
        const auto dayAsked = QueryValue(query, "day");
        const std::string day = dayAsked && dayAsked->size() == 10 ? *dayAsked : DayOf(s.Now());
        bool down = false;
        const auto best = s.store.BestOf(day, *name, &down);
        if (down) return reply(unavailable());
        if (!best) return reply(Json(request, 404, "{\"error\": \"no such game\", \"reason\": \"No game of that name on that day's table.\"}\n"));
        const auto rank = s.store.Rank(*best);
        const auto table = rank ? s.store.Best(day, static_cast<int>(std::min<int64_t>(rank->first + 3, 100000))) : std::nullopt;
        if (!rank || !table) return reply(unavailable());
        const size_t from = rank->first > 4 ? static_cast<size_t>(rank->first - 4) : 0;
        std::vector<Entry> around(table->begin() + static_cast<std::ptrdiff_t>(std::min(from, table->size())), table->end());
        std::string body = "{\"day\": " + nlohmann::json(day).dump() + ", \"best\": " + EntryJson(s.store, *best, false) +
                           ", \"around\": " + TableJson(around) + ", \"firstRank\": " + std::to_string(from + 1) + "}\n";
        return reply(Json(request, 200, body));
    }
    if (path.rfind("/api/games/", 0) == 0) {
        std::string id = path.substr(11);
        const bool journal = id.size() == 24 && id.compare(16, 8, "/journal") == 0;
        if (journal) id.resize(16);
        bool down = false;
        const auto entry = IsGameId(id) ? s.store.Find(id, &down) : std::nullopt;
        if (down) return reply(unavailable());
        if (!entry) return reply(Json(request, 404, "{\"error\": \"no such game\", \"reason\": \"No game has that link.\"}\n"));
        if (!journal) return reply(Json(request, 200, EntryJson(s.store, *entry, false) + "\n"));
        const auto bytes = s.store.JournalOf(id, &down);
        if (down || !bytes) return reply(unavailable());
        Response response = MakeResponse(request, http::status::ok, *bytes, "application/octet-stream");
        Secure(response, ApiSecurity);
        response.set(http::field::content_disposition, "attachment; filename=\"kubrask-" + id + ".journal\"");
        response.set(http::field::cache_control, "public, max-age=86400, immutable");
        return reply(std::move(response));
    }
    if (path == "/scores.js") {
        Response response = MakeResponse(request, http::status::ok, ScoresScript, "text/javascript; charset=utf-8");
        Secure(response, PageSecurity);
        response.set(http::field::cache_control, "no-cache");
        return reply(std::move(response));
    }
    if (path.rfind("/games/", 0) == 0) {
        const std::string id = path.substr(7);
        bool down = false;
        const bool known = IsGameId(id) && s.store.Find(id, &down);
        if (down) return reply(unavailable());
        if (!known) return reply(Page(request, http::status::not_found, NoSuchGamePage()));
        // The game's page, its parts found from the site's root.
        auto page = SiteFile(request, s.options.site, "/index.html");
        if (!page) return reply(Page(request, http::status::not_found, NoSuchGamePage()));
        page->erase(http::field::etag);
        page->set(http::field::cache_control, "no-store");
        const size_t head = page->body().find("<head>");
        if (head != std::string::npos) page->body().insert(head + 6, "\n<base href=\"/\">");
        return reply(std::move(*page));
    }
    if (auto file = SiteFile(request, s.options.site, path)) return reply(std::move(*file));
    reply(Page(request, http::status::not_found, NotFoundPage()));
}
