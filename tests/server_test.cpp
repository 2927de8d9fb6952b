// The score server, run as a process on loopback, on each engine: a real
// SQLite file, and a real PostgreSQL of the tests' own (postgres.sh). The
// games of the journals kept in tests/journals entered with the scores
// their replays reach and the names typed into them; the refusals, each
// with its reason; a game sent twice, or in a longer journal of its run,
// entered once; requests held to their limits; each address held to its
// rate; a full queue turned away; the pages and links; a game taken down;
// every acknowledged game still there after the server is killed in a
// burst, the database whole; today's board and its table; and a database of
// the first schema brought up to date.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sqlite3.h>
#include <time.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "platform/posix/journal_format.h"
#include "server/store.h"
#include "server_support.h"

namespace {

// The planned game's score, as its plan gives it.
int PlannedScore() {
    std::ifstream plan(KUBRASK_SOURCE_DIR "/tests/e2e/planned_game.txt");
    std::string line;
    while (std::getline(plan, line))
        if (line.rfind("score=", 0) == 0) return std::stoi(line.substr(6));
    return -1;
}

const std::string Zoe = "Zo\xc3\xab";  // as the game tests type it

int Entries(const TestServer& server, const std::string& table = "/api/games") {
    const HttpAnswer best = Get(server.port(), table);
    int count = 0;
    while (!JsonField(best.body, "games." + std::to_string(count) + ".id").empty()) ++count;
    return count;
}

// Each test on each engine: SQLite in the server's data folder, or a fresh
// database in the tests' PostgreSQL.
class ScoreServer : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() != "postgresql") return;
        const std::string folder = PostgresFolder();
        if (folder.empty()) GTEST_SKIP() << "no PostgreSQL of the tests' own (KUBRASK_POSTGRES): run it through ctest";
        database_ = FreshDatabase(folder);
    }
    // A server on this test's database, with `extra` arguments.
    std::unique_ptr<TestServer> Start(std::vector<std::string> extra = {}, const std::string& data = "") {
        if (!database_.empty()) {
            extra.push_back("--database");
            extra.push_back(database_);
        }
        return std::make_unique<TestServer>(extra, data);
    }
    // The store the server keeps, opened by the test.
    std::unique_ptr<Store> OpenKept(const TestServer& server) {
        std::string error;
        auto store = OpenStore(database_.empty() ? server.data() + "/kubrask.sqlite" : database_, 1, &error);
        EXPECT_NE(store, nullptr) << error;
        return store;
    }
    std::string database_;
};

INSTANTIATE_TEST_SUITE_P(Engines, ScoreServer, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// A day's time, in seconds since 1970: 2026-12-10 at `hour`:`minute` UTC.
int64_t On10December(int hour, int minute) { return 1796860800 + hour * 3600 + minute * 60; }
std::string ClockAt(int64_t at) { return std::to_string(at - static_cast<int64_t>(time(nullptr))); }

}  // namespace

TEST_P(ScoreServer, EntersTheGamesItProvesWithTheirScoresAndNames) {
    const auto started = Start({"--submissions-per-minute", "1000"});
    const TestServer& server = *started;
    const std::string score = std::to_string(PlannedScore());

    // A run of the planned game, named in the game's dialog, then N: its
    // one finished game is entered.
    const HttpAnswer named = Post(server.port(), "/api/games", KeptJournal("planned-game-name.journal"));
    ASSERT_EQ(named.status, 201) << named.body;
    EXPECT_EQ(JsonField(named.body, "duplicate"), "false");
    EXPECT_EQ(JsonField(named.body, "games.0.score"), score);
    EXPECT_EQ(JsonField(named.body, "games.0.name"), Zoe);
    EXPECT_EQ(JsonField(named.body, "games.0.rank"), "1");
    EXPECT_EQ(JsonField(named.body, "games.1.id"), "");  // the game N started never ended
    const std::string first = JsonField(named.body, "games.0.id");
    EXPECT_EQ(JsonField(named.body, "games.0.url"), "/games/" + first);

    // Recorded in Chromium, named there.
    const HttpAnswer chromium = Post(server.port(), "/api/games", KeptJournal("planned-game-chromium.journal"));
    ASSERT_EQ(chromium.status, 201) << chromium.body;
    EXPECT_EQ(JsonField(chromium.body, "games.0.name"), Zoe);
    EXPECT_EQ(JsonField(chromium.body, "games.0.rank"), "2");  // the same score, received later

    // The dialog cancelled: a name must come with it, held to the dialog's rules.
    const std::string cancelled = KeptJournal("planned-game-cancel.journal");
    EXPECT_EQ(JsonField(Post(server.port(), "/api/games", cancelled).body, "error"), "no name");
    EXPECT_EQ(JsonField(Post(server.port(), "/api/games?name=%01", cancelled).body, "error"), "bad name");
    EXPECT_EQ(JsonField(Post(server.port(), "/api/games?name=" + std::string(300, 'a'), cancelled).body, "error"), "bad name");
    EXPECT_EQ(JsonField(Post(server.port(), "/api/games?name=%E2%98%83", cancelled).body, "error"), "bad name");  // no such character
    const HttpAnswer given = Post(server.port(), "/api/games?name=%3Cb%3EAnn+%E2%82%AC", cancelled);
    ASSERT_EQ(given.status, 201) << given.body;
    EXPECT_EQ(JsonField(given.body, "games.0.name"), "<b>Ann \xe2\x82\xac");
    EXPECT_EQ(JsonField(given.body, "games.0.score"), score);

    // Sent again: one entry, and it says so.
    const HttpAnswer again = Post(server.port(), "/api/games", KeptJournal("planned-game-name.journal"));
    EXPECT_EQ(again.status, 200) << again.body;
    EXPECT_EQ(JsonField(again.body, "duplicate"), "true");
    EXPECT_EQ(JsonField(again.body, "games.0.id"), first);
    EXPECT_EQ(Entries(server), 3);

    // The table, best first, and each game by its link.
    const HttpAnswer best = Get(server.port(), "/api/games");
    EXPECT_EQ(JsonField(best.body, "games.0.id"), first);
    EXPECT_EQ(JsonField(best.body, "games.2.name"), "<b>Ann \xe2\x82\xac");
    const HttpAnswer one = Get(server.port(), "/api/games/" + first);
    EXPECT_EQ(JsonField(one.body, "rank"), "1");
    EXPECT_EQ(JsonField(one.body, "of"), "3");
    EXPECT_EQ(Get(server.port(), "/api/games/" + first + "/journal").body, KeptJournal("planned-game-name.journal"));
}

// A page sends the run's journal as it stands after a game over, and may
// send the run again later: the game is entered once.
TEST_P(ScoreServer, EntersAGameOnceHoweverMuchOfItsRunFollows) {
    const auto started = Start({"--submissions-per-minute", "1000"});
    const TestServer& server = *started;
    const std::string whole = KeptJournal("planned-game-chromium.journal");
    // The shortest start of the run that holds its game over: cut shorter,
    // the run has none.
    size_t without = 1, with = ChunkCount(whole) + 1;
    std::string early;
    while (with - without > 1) {
        const size_t n = (without + with) / 2;
        const HttpAnswer cut = Post(server.port(), "/api/games", FirstChunks(whole, n));
        if (cut.status == 201) {
            with = n;
            early = JsonField(cut.body, "games.0.id");
        } else {
            ASSERT_EQ(JsonField(cut.body, "error"), "no game over") << "cut after " << n << " chunks: " << cut.body;
            without = n;
        }
    }
    ASSERT_FALSE(early.empty());
    const HttpAnswer shortest = Post(server.port(), "/api/games", FirstChunks(whole, with));
    EXPECT_EQ(JsonField(shortest.body, "duplicate"), "true");
    const HttpAnswer later = Post(server.port(), "/api/games", whole);
    EXPECT_EQ(later.status, 200) << later.body;
    EXPECT_EQ(JsonField(later.body, "games.0.id"), early);
    EXPECT_EQ(Entries(server), 1);
}

TEST_P(ScoreServer, RefusesWhatItCannotProveAndSaysWhy) {
    const auto started = Start({"--submissions-per-minute", "1000"});
    const TestServer& server = *started;
    const std::string journal = KeptJournal("planned-game-name.journal");
    std::string damaged = journal;
    damaged[journal.size() / 2] = static_cast<char>(damaged[journal.size() / 2] ^ 0x10);
    std::string otherRules;
    journal_format::PutText(otherRules, "rules 2");
    journal_format::PutVarint(otherRules, 0);
    otherRules = journal_format::Start() + journal_format::Chunk(otherRules);

    const struct {
        std::string name, bytes, error;
    } cases[] = {
        {"bytes of no journal", "RIFF and the rest of a wave file", "not a journal"},
        {"a changed byte", damaged, "damaged"},
        {"a cut inside a chunk", journal.substr(0, journal.size() - 3), "cut"},
        {"a journal of other rules", otherRules, "other rules"},
        {"the run started from another launch counter", WithCounter(journal, "57"), "went another way"},
        {"a run before its game over", FirstChunks(journal, 4), "no game over"},
        {"a run that never reached game over", KeptJournal("short-game.journal"), "no game over"},
    };
    for (const auto& c : cases) {
        const HttpAnswer refused = Post(server.port(), "/api/games?name=Ann", c.bytes);
        EXPECT_EQ(refused.status / 100, 4) << c.name << ": " << refused.body;
        EXPECT_EQ(JsonField(refused.body, "error"), c.error) << c.name << ": " << refused.body;
        EXPECT_GT(JsonField(refused.body, "reason").size(), 20u) << c.name;
    }
    EXPECT_EQ(Entries(server), 0);

    // The art a replay reads, changed.
    const std::string art = FreshFolder("kubrask-other-art");
    std::filesystem::copy(KUBRASK_SOURCE_DIR "/Data", art + "/Data");
    {
        std::fstream texture(art + "/Data/DiceTexture.bmp", std::ios::in | std::ios::out | std::ios::binary);
        texture.seekp(1000);
        texture.put('\x55');
    }
    const auto otherArt = Start({"--art", art});
    const HttpAnswer refused = Post(otherArt->port(), "/api/games", journal);
    EXPECT_EQ(refused.status, 422);
    EXPECT_EQ(JsonField(refused.body, "error"), "other art");
    EXPECT_EQ(JsonField(refused.body, "reason"),
              "The journal was played with other art than this game's: Data/DiceTexture.bmp differs.");
    std::filesystem::remove_all(art);
}

TEST(ScoreServerAnywhere, RefusesAGameWithTestSwitches) {
    TestServer server;
    const HttpAnswer refused = Post(server.port(), "/api/games?name=Ann", KeptJournal("cheated-game-chromium.journal"));
    EXPECT_EQ(refused.status, 422) << refused.body;
    EXPECT_EQ(JsonField(refused.body, "error"), "test switches used");
    EXPECT_EQ(Entries(server), 0);
}

TEST(ScoreServerAnywhere, HoldsRequestsToTheirLimits) {
    TestServer server;
    // Larger than any journal: refused on its header, asked first or not.
    EXPECT_EQ(PostHeaderOnly(server.port(), "/api/games", 2 << 20, true).status, 413);
    const HttpAnswer unasked = PostHeaderOnly(server.port(), "/api/games", JournalLimit + 1, false);
    EXPECT_EQ(unasked.status, 413);
    EXPECT_EQ(JsonField(unasked.body, "error"), "too large");
    // Nothing outside the site; nothing removed over HTTP.
    EXPECT_EQ(Get(server.port(), "/../../etc/passwd").status, 404);
    EXPECT_EQ(Get(server.port(), "/%2e%2e/etc/passwd").status, 404);
    EXPECT_EQ(Get(server.port(), "/api/games/0123456789abcdef").status, 404);
    EXPECT_EQ(Get(server.port(), "/api/games/nonsense/journal").status, 404);
    EXPECT_EQ(Get(server.port(), "/games/0123456789abcdef").status, 404);
    EXPECT_EQ(Post(server.port(), "/scores", "x").status, 405);
    // Strict headers on every kind of answer.
    for (const std::string target : {"/", "/scores", "/api/", "/api/games", "/nowhere"}) {
        HttpAnswer answer = Get(server.port(), target);
        EXPECT_NE(answer.headers["content-security-policy"].find("default-src"), std::string::npos) << target;
        EXPECT_EQ(answer.headers["x-content-type-options"], "nosniff") << target;
    }
    EXPECT_EQ(JsonField(Get(server.port(), "/api/").body, "server"), "kubrask-server");
    EXPECT_EQ(Get(server.port(), "/").body.find("the game") != std::string::npos, true);
}

TEST(ScoreServerAnywhere, HoldsEachAddressToItsRate) {
    const std::string journal = KeptJournal("short-game.journal");  // refused, but counted
    {
        TestServer server({"--submissions-per-minute", "2"});
        EXPECT_EQ(Post(server.port(), "/api/games", journal).status, 422);
        EXPECT_EQ(Post(server.port(), "/api/games", journal).status, 422);
        HttpAnswer third = Post(server.port(), "/api/games", journal);
        EXPECT_EQ(third.status, 429);
        EXPECT_GE(std::stoi(third.headers["retry-after"].empty() ? "0" : third.headers["retry-after"]), 1);
        EXPECT_EQ(Get(server.port(), "/api/games").status, 200);  // reads go on
    }
}

TEST(ScoreServerAnywhere, TurnsAwayWhatItCannotVerifyNow) {
    TestServer server({"--verifiers", "1", "--submissions-per-minute", "1000"});
    const std::string journal = KeptJournal("planned-game-name.journal");
    std::vector<std::thread> senders;
    std::atomic<int> entered{0}, busy{0}, other{0};
    std::atomic<bool> retryAfter{true};
    for (int i = 0; i < 24; ++i) {
        senders.emplace_back([&, i] {
            HttpAnswer answer = Post(server.port(), "/api/games", JoinedChunks(journal, 1 + i));
            if (answer.status == 201) {
                ++entered;
            } else if (answer.status == 503) {
                ++busy;
                if (answer.headers["retry-after"].empty()) retryAfter = false;
            } else {
                ++other;
            }
        });
    }
    for (std::thread& sender : senders) sender.join();
    EXPECT_GT(busy.load(), 0);
    EXPECT_GE(entered.load(), 2);
    EXPECT_EQ(other.load(), 0);
    EXPECT_TRUE(retryAfter.load());
    EXPECT_EQ(Entries(server), entered.load());
}

TEST_P(ScoreServer, ShowsItsTableAndLinksAndTakesAGameDownOnlyByCommand) {
    const auto started = Start();
    const TestServer& server = *started;
    const HttpAnswer sent = Post(server.port(), "/api/games?name=%3Cscript%3Ex%3C%2Fscript%3E",
                                 KeptJournal("planned-game-cancel.journal"));
    ASSERT_EQ(sent.status, 201) << sent.body;
    const std::string id = JsonField(sent.body, "games.0.id");
    const HttpAnswer scores = Get(server.port(), "/scores");
    EXPECT_EQ(scores.status, 200);
    EXPECT_NE(scores.body.find("&lt;script&gt;x&lt;/script&gt;"), std::string::npos);
    EXPECT_EQ(scores.body.find("<script>x"), std::string::npos);
    EXPECT_NE(scores.body.find("href=\"/games/" + id + "\""), std::string::npos);
    EXPECT_EQ(Get(server.port(), "/scores.js").status, 200);
    const HttpAnswer page = Get(server.port(), "/games/" + id);
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("<base href=\"/\">"), std::string::npos);

    const std::string command = KUBRASK_BUILD_DIR "/kubrask-server --data " + server.data() +
                                (database_.empty() ? "" : " --database " + database_) + " remove " + id + " >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(std::system((command + " 2>&1").c_str()), 0);  // gone already
    EXPECT_EQ(Get(server.port(), "/api/games/" + id).status, 404);
    EXPECT_EQ(Get(server.port(), "/games/" + id).status, 404);
}

// Killed in the middle of a burst of submissions and started again: every
// game it acknowledged is there, the database passes its check, and every
// game has its whole journal.
TEST_P(ScoreServer, KeepsEveryAcknowledgedGameWhenKilled) {
    const std::string journal = KeptJournal("planned-game-name.journal");
    const size_t variants = std::min<size_t>(ChunkCount(journal) - 1, 60);
    const auto started = Start({"--submissions-per-minute", "100000"});
    TestServer& server = *started;
    std::mutex mutex;
    std::set<std::string> acknowledged;
    std::atomic<size_t> next{1};
    std::vector<std::thread> senders;
    for (int t = 0; t < 4; ++t) {
        senders.emplace_back([&] {
            for (size_t i; (i = next++) <= variants;) {
                const HttpAnswer answer = Post(server.port(), "/api/games", JoinedChunks(journal, i));
                if (answer.status == 201) {
                    std::lock_guard<std::mutex> lock(mutex);
                    acknowledged.insert(JsonField(answer.body, "games.0.id"));
                }
            }
        });
    }
    // Killed once a few are in, with more on their way.
    for (int waited = 0; waited < 6000; ++waited) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (acknowledged.size() >= 5) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const size_t taken = next.load();
    server.Kill();
    for (std::thread& sender : senders) sender.join();
    ASSERT_GE(acknowledged.size(), 5u) << "the server acknowledged too few games before it was killed";
    ASSERT_LE(taken, variants) << "the burst was over before the kill";

    const auto again = Start({}, server.data());
    for (const std::string& id : acknowledged) EXPECT_EQ(Get(again->port(), "/api/games/" + id).status, 200) << id;
    const auto kept = OpenKept(*again);
    std::string problem;
    EXPECT_TRUE(kept->Check(&problem)) << problem;
    EXPECT_GE(static_cast<size_t>(Entries(*again)), acknowledged.size());
    // Each kept journal is the one sent: its digest holds.
    for (const std::string& id : acknowledged) {
        JournalFile file;
        std::string error;
        EXPECT_TRUE(ReadJournal(Get(again->port(), "/api/games/" + id + "/journal").body, &file, &error)) << id << ": " << error;
    }
}

// Today's board: the server chose its seed (here set beforehand to the
// planned board's); a game from it goes on today's table, each name's best
// counting once, with its rank among the players; not on the all-time table.
TEST_P(ScoreServer, EntersTodaysGamesOnTodaysTable) {
    const std::string data = FreshFolder("kubrask-daily-data");
    const std::string setSeed = KUBRASK_BUILD_DIR "/kubrask-server --data " + data +
                                (database_.empty() ? "" : " --database " + database_) + " daily-seed 2026-12-10 56 >/dev/null";
    ASSERT_EQ(std::system(setSeed.c_str()), 0);
    const auto server = Start({"--clock-offset", ClockAt(On10December(10, 0)), "--submissions-per-minute", "1000"}, data);

    const HttpAnswer daily = Get(server->port(), "/api/daily");
    EXPECT_EQ(JsonField(daily.body, "day"), "2026-12-10");
    EXPECT_EQ(JsonField(daily.body, "seed"), "56");
    const int left = std::stoi(JsonField(daily.body, "secondsLeft"));
    EXPECT_GE(left, 14 * 3600 - 60);
    EXPECT_LE(left, 14 * 3600);

    const HttpAnswer first = Post(server->port(), "/api/games?daily=1", KeptJournal("planned-game-name.journal"));
    ASSERT_EQ(first.status, 201) << first.body;
    EXPECT_EQ(JsonField(first.body, "games.0.day"), "2026-12-10");
    EXPECT_EQ(JsonField(first.body, "games.0.rank"), "1");
    // A second try of the same player's, as good: still one place.
    const HttpAnswer again = Post(server->port(), "/api/games?daily=1", KeptJournal("planned-game-chromium.journal"));
    ASSERT_EQ(again.status, 201) << again.body;
    EXPECT_EQ(JsonField(again.body, "games.0.of"), "1");
    const HttpAnswer ann = Post(server->port(), "/api/games?daily=1&name=Ann", KeptJournal("planned-game-cancel.journal"));
    ASSERT_EQ(ann.status, 201) << ann.body;
    EXPECT_EQ(JsonField(ann.body, "games.0.rank"), "2");
    EXPECT_EQ(JsonField(ann.body, "games.0.of"), "2");

    EXPECT_EQ(Entries(*server, "/api/daily/games"), 2);
    EXPECT_EQ(Entries(*server), 0);  // the all-time table has none of them
    const HttpAnswer around = Get(server->port(), "/api/daily/around?name=Ann");
    EXPECT_EQ(JsonField(around.body, "best.rank"), "2");
    EXPECT_EQ(JsonField(around.body, "around.0.name"), Zoe);
    EXPECT_EQ(JsonField(around.body, "around.1.name"), "Ann");
    const HttpAnswer scores = Get(server->port(), "/scores");
    EXPECT_NE(scores.body.find("Today's board, 2026-12-10"), std::string::npos);
    EXPECT_NE(scores.body.find("id=\"countdown\" data-seconds=\""), std::string::npos);
    EXPECT_NE(scores.body.find("Yesterday's board, 2026-12-09"), std::string::npos);
    // Watched through its link, as any game.
    EXPECT_EQ(Get(server->port(), JsonField(ann.body, "games.0.url")).status, 200);
    std::filesystem::remove_all(data);
}

// A game of another day's board is refused; one of yesterday's is taken in
// the first hour of today, and not after it.
TEST_P(ScoreServer, HoldsDailyGamesToTheirDayAndItsHourOfGrace) {
    const std::string data = FreshFolder("kubrask-daily-data");
    const std::string command = KUBRASK_BUILD_DIR "/kubrask-server --data " + data +
                                (database_.empty() ? "" : " --database " + database_) + " daily-seed ";
    ASSERT_EQ(std::system((command + "2026-12-09 56 >/dev/null").c_str()), 0);
    ASSERT_EQ(std::system((command + "2026-12-10 57 >/dev/null").c_str()), 0);
    const std::string journal = KeptJournal("planned-game-name.journal");  // from 56, yesterday's board
    {
        const auto inTheHour = Start({"--clock-offset", ClockAt(On10December(0, 40))}, data);
        const HttpAnswer late = Post(inTheHour->port(), "/api/games?daily=1", journal);
        ASSERT_EQ(late.status, 201) << late.body;
        EXPECT_EQ(JsonField(late.body, "games.0.day"), "2026-12-09");
        const HttpAnswer other = Post(inTheHour->port(), "/api/games?daily=1", WithCounter(journal, "58"));
        EXPECT_EQ(JsonField(other.body, "error"), "not today's board") << other.body;
    }
    const auto after = Start({"--clock-offset", ClockAt(On10December(1, 5))}, data);
    const HttpAnswer tooLate = Post(after->port(), "/api/games?daily=1", KeptJournal("planned-game-chromium.journal"));
    EXPECT_EQ(tooLate.status, 422);
    EXPECT_EQ(JsonField(tooLate.body, "error"), "too late") << tooLate.body;
    EXPECT_EQ(Entries(*after, "/api/daily/games?day=2026-12-09"), 1);
    std::filesystem::remove_all(data);
}

// A database of the first schema, as the first server left it, brought up
// to date by this one, its game still on the table.
TEST_P(ScoreServer, BringsAnOlderDatabaseUpToDate) {
    const std::string data = FreshFolder("kubrask-old-data");
    // As each engine's first server made its tables.
    const std::string integer = database_.empty() ? "INTEGER PRIMARY KEY" : "BIGSERIAL PRIMARY KEY";
    const std::string first =
        "CREATE TABLE schema_version (version INTEGER NOT NULL); INSERT INTO schema_version VALUES (1);"
        "CREATE TABLE journals (id " + integer + ", digest TEXT NOT NULL UNIQUE, bytes BYTEA NOT NULL, received BIGINT NOT NULL);"
        "CREATE TABLE games (id TEXT PRIMARY KEY, key TEXT NOT NULL UNIQUE, journal BIGINT NOT NULL REFERENCES journals(id),"
        " score INTEGER NOT NULL, name BYTEA NOT NULL, received BIGINT NOT NULL, rules INTEGER NOT NULL,"
        " first_frame BIGINT NOT NULL, last_frame BIGINT NOT NULL);"
        "CREATE INDEX games_by_place ON games (score DESC);"
        "INSERT INTO journals (digest, bytes, received) VALUES ('digest', 'KBRJ', 1796860800);"
        "INSERT INTO games VALUES ('0123456789abcdef', 'key', 1, 12, 'Old', 1796860800, 1, 0, 100);";
    if (database_.empty()) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((data + "/kubrask.sqlite").c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, first.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    } else {
        PGconn* db = PQconnectdb(database_.c_str());
        PGresult* made = PQexec(db, first.c_str());
        ASSERT_EQ(PQresultStatus(made), PGRES_COMMAND_OK) << PQerrorMessage(db);
        PQclear(made);
        PQfinish(db);
    }
    const auto server = Start({"--submissions-per-minute", "1000"}, data);
    EXPECT_EQ(JsonField(Get(server->port(), "/api/games").body, "games.0.name"), "Old");
    const HttpAnswer sent = Post(server->port(), "/api/games", KeptJournal("planned-game-name.journal"));
    EXPECT_EQ(sent.status, 201) << sent.body;
    EXPECT_EQ(JsonField(sent.body, "games.0.rank"), "2");
    std::filesystem::remove_all(data);
}

// Two servers on one PostgreSQL, sent the same games at the same time: one
// entry each, and the same ranks from either.
TEST(ScoreServerOnPostgres, TwoServersKeepOneEntryForEachGame) {
    const std::string folder = PostgresFolder();
    if (folder.empty()) GTEST_SKIP() << "no PostgreSQL of the tests' own (KUBRASK_POSTGRES): run it through ctest";
    const std::string database = FreshDatabase(folder);
    TestServer one({"--database", database, "--submissions-per-minute", "100000", "--verifiers", "4"});
    TestServer two({"--database", database, "--submissions-per-minute", "100000", "--verifiers", "4"});
    const std::string journal = KeptJournal("planned-game-name.journal");
    std::atomic<int> entered{0}, duplicates{0};
    std::mutex mutex;
    std::vector<std::string> failures;
    std::vector<std::thread> senders;
    for (int i = 0; i < 24; ++i) {
        senders.emplace_back([&, i] {
            const HttpAnswer answer = Post((i % 2 == 0 ? one : two).port(), "/api/games", JoinedChunks(journal, 1 + i / 2));
            if (answer.status == 201) {
                ++entered;
            } else if (answer.status == 200) {
                ++duplicates;
            } else {
                std::lock_guard<std::mutex> lock(mutex);
                failures.push_back(std::to_string(answer.status) + " " + answer.body);
            }
        });
    }
    for (std::thread& sender : senders) sender.join();
    EXPECT_EQ(entered.load(), 12);
    EXPECT_EQ(duplicates.load(), 12);
    EXPECT_TRUE(failures.empty()) << failures.size() << " failed, the first: " << failures.front();
    const std::string fromOne = Get(one.port(), "/api/games").body, fromTwo = Get(two.port(), "/api/games").body;
    EXPECT_EQ(fromOne, fromTwo);
    EXPECT_EQ(Entries(one), 12);
}

// PostgreSQL stopped under load and started again: meanwhile the server
// answers 503 with Retry-After; it comes back by itself; every game it
// acknowledged is kept.
TEST(ScoreServerOnPostgres, RidesOutARestartOfItsDatabase) {
    OwnPostgres own;
    ASSERT_FALSE(own.folder().empty()) << "no PostgreSQL of the test's own could be started";
    const std::string database = FreshDatabase(own.folder());
    {
        TestServer server({"--database", database, "--submissions-per-minute", "100000"});
        const std::string journal = KeptJournal("planned-game-name.journal");
        std::mutex mutex;
        std::set<std::string> acknowledged;
        std::atomic<int> unavailable{0};
        std::atomic<bool> retryAfter{true}, sending{true};
        std::thread sender([&] {
            for (size_t i = 1; sending && i + 1 < ChunkCount(journal); ++i) {
                HttpAnswer answer = Post(server.port(), "/api/games", JoinedChunks(journal, i));
                if (answer.status == 201) {
                    std::lock_guard<std::mutex> lock(mutex);
                    acknowledged.insert(JsonField(answer.body, "games.0.id"));
                } else if (answer.status == 503) {
                    ++unavailable;
                    if (answer.headers["retry-after"].empty()) retryAfter = false;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        auto count = [&] {
            std::lock_guard<std::mutex> lock(mutex);
            return acknowledged.size();
        };
        for (int waited = 0; count() < 3 && waited < 3000; ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(own.Pause());
        for (int waited = 0; unavailable < 3 && waited < 3000; ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        HttpAnswer read = Get(server.port(), "/api/games/0123456789abcdef");
        EXPECT_EQ(read.status / 100, 5) << read.body;
        const size_t before = count();
        ASSERT_TRUE(own.Resume());
        for (int waited = 0; count() < before + 3 && waited < 3000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        sending = false;
        sender.join();
        EXPECT_GE(unavailable.load(), 3) << "the server did not say it was unavailable while its database was stopped";
        EXPECT_TRUE(retryAfter.load());
        EXPECT_GE(count(), before + 3) << "the server did not come back after its database did";
        for (const std::string& id : acknowledged) EXPECT_EQ(Get(server.port(), "/api/games/" + id).status, 200) << id;
    }
}

// SQLite with no room to grow (its files held to 1.5 MB): games are
// refused, saying so; reads go on; once there is room, the file is whole,
// every game acknowledged is there, and games are taken again.
TEST(ScoreServerOnSqlite, RidesOutAFullDisk) {
    const std::string journal = KeptJournal("planned-game-name.journal");
    std::set<std::string> acknowledged;
    const std::string data = FreshFolder("kubrask-full-data");
    HttpAnswer refusal;
    {
        TestServer full({"--submissions-per-minute", "100000"}, data, {"prlimit", "--fsize=1500000"});
        for (size_t i = 1; i + 1 < ChunkCount(journal) && refusal.status == 0; ++i) {
            const HttpAnswer answer = Post(full.port(), "/api/games", JoinedChunks(journal, i));
            if (answer.status == 201) acknowledged.insert(JsonField(answer.body, "games.0.id"));
            else refusal = answer;
        }
        EXPECT_EQ(refusal.status, 507) << refusal.body;
        EXPECT_EQ(JsonField(refusal.body, "error"), "full");
        EXPECT_FALSE(refusal.headers["retry-after"].empty());
        EXPECT_EQ(Get(full.port(), "/api/games").status, 200);
        EXPECT_EQ(Get(full.port(), "/scores").status, 200);
        ASSERT_GE(acknowledged.size(), 5u);
    }
    TestServer roomy({"--submissions-per-minute", "100000"}, data);
    std::string error, problem;
    const auto kept = OpenStore(data + "/kubrask.sqlite", 1, &error);
    ASSERT_NE(kept, nullptr) << error;
    EXPECT_TRUE(kept->Check(&problem)) << problem;
    for (const std::string& id : acknowledged) EXPECT_EQ(Get(roomy.port(), "/api/games/" + id).status, 200) << id;
    EXPECT_EQ(Post(roomy.port(), "/api/games", JoinedChunks(journal, ChunkCount(journal) - 2)).status, 201);
    std::filesystem::remove_all(data);
}
