// The score server, run as a process on loopback with a real SQLite file:
// the games of the journals kept in tests/journals entered with the scores
// their replays reach and the names typed into them; the refusals, each
// with its reason; a game sent twice, or in a longer journal of its run,
// entered once; requests held to their limits; each address held to its
// rate; a full queue turned away; the pages and links; a game taken down;
// and every acknowledged game still there after the server is killed in a
// burst, the database whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "platform/posix/journal_format.h"
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

int Entries(const TestServer& server) {
    const HttpAnswer best = Get(server.port(), "/api/games");
    int count = 0;
    while (!JsonField(best.body, "games." + std::to_string(count) + ".id").empty()) ++count;
    return count;
}

}  // namespace

TEST(ScoreServer, EntersTheGamesItProvesWithTheirScoresAndNames) {
    TestServer server({"--submissions-per-minute", "1000"});
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
TEST(ScoreServer, EntersAGameOnceHoweverMuchOfItsRunFollows) {
    TestServer server({"--submissions-per-minute", "1000"});
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

TEST(ScoreServer, RefusesWhatItCannotProveAndSaysWhy) {
    TestServer server({"--submissions-per-minute", "1000"});
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
    TestServer otherArt({"--art", art});
    const HttpAnswer refused = Post(otherArt.port(), "/api/games", journal);
    EXPECT_EQ(refused.status, 422);
    EXPECT_EQ(JsonField(refused.body, "error"), "other art");
    EXPECT_EQ(JsonField(refused.body, "reason"),
              "The journal was played with other art than this game's: Data/DiceTexture.bmp differs.");
    std::filesystem::remove_all(art);
}

TEST(ScoreServer, RefusesAGameWithTestSwitches) {
    TestServer server;
    const HttpAnswer refused = Post(server.port(), "/api/games?name=Ann", KeptJournal("cheated-game-chromium.journal"));
    EXPECT_EQ(refused.status, 422) << refused.body;
    EXPECT_EQ(JsonField(refused.body, "error"), "test switches used");
    EXPECT_EQ(Entries(server), 0);
}

TEST(ScoreServer, HoldsRequestsToTheirLimits) {
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

TEST(ScoreServer, HoldsEachAddressToItsRate) {
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

TEST(ScoreServer, TurnsAwayWhatItCannotVerifyNow) {
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

TEST(ScoreServer, ShowsItsTableAndLinksAndTakesAGameDownOnlyByCommand) {
    TestServer server;
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

    const std::string command = KUBRASK_BUILD_DIR "/kubrask-server --data " + server.data() + " remove " + id + " >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(std::system((command + " 2>&1").c_str()), 0);  // gone already
    EXPECT_EQ(Get(server.port(), "/api/games/" + id).status, 404);
    EXPECT_EQ(Get(server.port(), "/games/" + id).status, 404);
}

// Killed in the middle of a burst of submissions and started again: every
// game it acknowledged is there, the database passes its check, and every
// game has its whole journal.
TEST(ScoreServer, KeepsEveryAcknowledgedGameWhenKilled) {
    const std::string journal = KeptJournal("planned-game-name.journal");
    const size_t variants = std::min<size_t>(ChunkCount(journal) - 1, 60);
    TestServer server({"--submissions-per-minute", "100000"});
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

    TestServer again({}, server.data());
    for (const std::string& id : acknowledged) EXPECT_EQ(Get(again.port(), "/api/games/" + id).status, 200) << id;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((server.data() + "/kubrask.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    auto one = [db](const char* sql) {
        sqlite3_stmt* statement = nullptr;
        std::string value;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
            value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        return value;
    };
    EXPECT_EQ(one("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(one("SELECT count(*) FROM games g LEFT JOIN journals j ON j.id = g.journal"
                  " WHERE j.id IS NULL OR length(j.bytes) = 0"), "0");
    EXPECT_GE(std::stoul(one("SELECT count(*) FROM games")), acknowledged.size());
    sqlite3_close(db);
    // Each kept journal is the one sent: its digest holds.
    for (const std::string& id : acknowledged) {
        JournalFile file;
        std::string error;
        EXPECT_TRUE(ReadJournal(Get(again.port(), "/api/games/" + id + "/journal").body, &file, &error)) << id << ": " << error;
    }
}
