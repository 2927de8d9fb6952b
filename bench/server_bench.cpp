// How fast the score server proves games and answers reads, on loopback:
// - a three-minute game verified, the HTTP round trip included, one at a
//   time (milliseconds: median, 95th percentile), and the replay alone
//   (kubrask-verify run directly: time and peak memory);
// - games verified a second, flat out, from as many senders as verifiers,
//   and per core;
// - reads of the best scores (/api/games) and the score page (/scores) by
//   wrk: flat out, then at a fixed 5,000 a second (requests a second,
//   median and 99th percentile latency, errors);
// - the server's memory over a mixed soak of reads and submissions, once a
//   second: 60 s, or the minutes asked (`server_bench soak 10`);
// - a mixed load at a fixed rate for a minute, a game sent for every nine
//   reads, on SQLite and on PostgreSQL (a server of the bench's own, as the
//   tests start it): requests a second, median and 99th percentile, errors
//   (`server_bench mixed` runs this alone).
// Every load targets 127.0.0.1 and stops by itself.
//
//   server_bench [soak MINUTES | mixed]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "server_support.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

// Distinct journals of three-minute games: the kept ones with two of their
// chunks joined, each playing as the kept one does.
std::vector<std::string> Journals(size_t count) {
    std::vector<std::string> journals;
    for (const char* name : {"planned-game-name.journal", "planned-game-chromium.journal", "planned-game-cancel.journal"}) {
        const std::string kept = KeptJournal(name);
        for (size_t at = 1; at + 1 < ChunkCount(kept) && journals.size() < count; ++at) journals.push_back(JoinedChunks(kept, at));
    }
    return journals;
}

long RssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

std::string Run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char block[4096];
    for (size_t got; (got = std::fread(block, 1, sizeof block, pipe)) > 0;) out.append(block, got);
    pclose(pipe);
    return out;
}

// What wrk said: requests a second, latency median and 99th percentile, errors.
void Wrk(const char* what, const std::string& args) {
    const std::string said = Run("wrk " + args + " 2>&1");
    auto after = [&said](const std::string& key) {
        const size_t at = said.find(key);
        if (at == std::string::npos) return std::string("?");
        size_t from = said.find_first_not_of(" \t", at + key.size());
        return said.substr(from, said.find_first_of(" \n", from) - from);
    };
    const bool errors = said.find("Socket errors") != std::string::npos || said.find("Non-2xx") != std::string::npos;
    std::printf("  %-44s %10s req/s   p50 %8s   p99 %8s   %s\n", what, after("Requests/sec:").c_str(), after("50%").c_str(),
                after("99%").c_str(), errors ? "errors (see wrk)" : "no errors");
    if (errors) std::printf("%s\n", said.c_str());
}

// A minute of reads and games sent, 500 requests a second, a tenth of
// them games, against a server on `extra`'s store.
void MixedLoad(const char* engine, std::vector<std::string> extra) {
    extra.insert(extra.end(), {"--submissions-per-minute", "100000"});
    TestServer server(extra);
    const std::string folder = FreshFolder("kubrask-bench-mixed");
    const std::string journal = folder + "/game.journal", script = folder + "/mixed.lua";
    std::ofstream(journal, std::ios::binary) << KeptJournal("planned-game-name.journal");
    // 32 connections, each waiting 64 ms between its requests: 500 a second.
    std::ofstream(script) << "local file = io.open('" << journal << "', 'rb')\n"
                          << "local journal = file:read('*a')\nfile:close()\n"
                          << "local reads = {'/api/games', '/scores', '/api/daily/games'}\n"
                          << "local n = 0\n"
                          << "function request()\n  n = n + 1\n"
                          << "  if n % 10 == 0 then return wrk.format('POST', '/api/games?name=Load', {}, journal) end\n"
                          << "  return wrk.format('GET', reads[n % 3 + 1])\nend\n"
                          << "function delay() return 64 end\n";
    Wrk((std::string(engine) + ", a game for every nine reads, 500 a second").c_str(),
        "-t1 -c32 -d60s --latency -s " + script + " http://127.0.0.1:" + std::to_string(server.port()) + "/");
    std::filesystem::remove_all(folder);
}

void MixedLoads() {
    std::printf("a minute of mixed load by wrk (32 connections):\n");
    MixedLoad("SQLite", {});
    const OwnPostgres postgres;
    if (postgres.folder().empty()) {
        std::printf("  PostgreSQL: not measured, none could be started (postgresql-15 is not installed?)\n");
        return;
    }
    MixedLoad("PostgreSQL", {"--database", FreshDatabase(postgres.folder())});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "mixed") {
        MixedLoads();
        return 0;
    }
    const int soakMinutes = argc == 3 && std::string(argv[1]) == "soak" ? std::atoi(argv[2]) : 0;
    const int cores = std::max(1u, std::thread::hardware_concurrency());
    const std::string kept = KeptJournal("planned-game-name.journal");

    // The replay alone.
    {
        const std::string folder = FreshFolder("kubrask-bench-verify");
        const std::string journal = folder + "/game.journal";
        std::ofstream(journal, std::ios::binary) << kept;
        std::vector<double> times;
        long peakKb = 0;
        for (int i = 0; i < 20; ++i) {
            const auto start = Clock::now();
            const pid_t child = fork();
            if (child == 0) {
                if (chdir(KUBRASK_BUILD_DIR) != 0) _exit(9);
                freopen("/dev/null", "w", stdout);
                freopen("/dev/null", "w", stderr);
                execl(KUBRASK_BUILD_DIR "/kubrask-verify", "kubrask-verify", journal.c_str(), nullptr);
                _exit(9);
            }
            int status = 0;
            rusage usage{};
            wait4(child, &status, 0, &usage);
            times.push_back(Ms(Clock::now() - start));
            peakKb = std::max(peakKb, usage.ru_maxrss);
        }
        std::printf("a three-minute game (%zu bytes of journal) replayed by kubrask-verify alone, 20 runs:\n", kept.size());
        std::printf("  median %.1f ms, 95th percentile %.1f ms, peak memory %.1f MB\n", Percentile(times, 0.5),
                    Percentile(times, 0.95), static_cast<double>(peakKb) / 1024);
        std::filesystem::remove_all(folder);
    }

    TestServer server({"--submissions-per-minute", "100000", "--verifiers", std::to_string(cores)});
    const std::vector<std::string> journals = Journals(600);
    size_t next = 0;

    // One at a time, the round trip.
    {
        std::vector<double> times;
        for (int i = 0; i < 50; ++i) {
            const auto start = Clock::now();
            const HttpAnswer answer = Post(server.port(), "/api/games?name=Bench", journals[next++ % journals.size()]);
            times.push_back(Ms(Clock::now() - start));
            if (answer.status != 201 && answer.status != 200) std::printf("  unexpected answer %d: %s\n", answer.status, answer.body.c_str());
        }
        std::printf("a three-minute game sent and verified, the HTTP round trip included, 50 one after another:\n");
        std::printf("  median %.1f ms, 95th percentile %.1f ms\n", Percentile(times, 0.5), Percentile(times, 0.95));
    }

    // Flat out.
    {
        std::atomic<size_t> taken{next};
        std::atomic<int> verified{0}, refused{0};
        const size_t last = next + 400;
        const auto start = Clock::now();
        std::vector<std::thread> senders;
        for (int t = 0; t < cores * 2; ++t) {
            senders.emplace_back([&] {
                for (size_t i; (i = taken++) < last;) {
                    const HttpAnswer answer = Post(server.port(), "/api/games?name=Bench", journals[i % journals.size()]);
                    if (answer.status == 201 || answer.status == 200) {
                        ++verified;
                    } else if (refused++ == 0) {
                        std::printf("  the first turned away: %d %s", answer.status, answer.body.c_str());
                    }
                }
            });
        }
        for (std::thread& sender : senders) sender.join();
        const double seconds = Ms(Clock::now() - start) / 1000;
        std::printf("400 three-minute games sent by %d senders at once to %d verifiers:\n", cores * 2, cores);
        std::printf("  %.0f verified a second (%.0f a core), %d turned away busy\n", verified / seconds,
                    verified / seconds / cores, refused.load());
        next = last;
    }

    // Reads.
    const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
    std::printf("reads by wrk (%d threads, 32 connections, 10 s each), with %d games on the table:\n", 1,
                std::stoi(JsonField(Get(server.port(), "/api/games/" + JsonField(Get(server.port(), "/api/games").body,
                                                                                "games.0.id")).body, "of")));
    Wrk("/api/games, flat out", "-t1 -c32 -d10s --latency " + base + "/api/games");
    Wrk("/scores, flat out", "-t1 -c32 -d10s --latency " + base + "/scores");
    const std::string paced = FreshFolder("kubrask-bench-wrk") + "/paced.lua";
    // 32 connections, each waiting 6.4 ms between its requests: 5,000 a second.
    std::ofstream(paced) << "function delay() return 6.4 end\n";
    Wrk("/api/games, at 5,000 a second", "-t1 -c32 -d10s --latency -s " + paced + " " + base + "/api/games");

    // The soak: reads and submissions together; the server's memory.
    {
        const int seconds = soakMinutes > 0 ? soakMinutes * 60 : 60;
        std::atomic<bool> soaking{true};
        std::atomic<int> sent{0};
        std::thread sender([&] {
            for (size_t i = next; soaking; ++i) {
                Post(server.port(), "/api/games?name=Bench", journals[i % journals.size()]);
                ++sent;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        std::thread reader([&] {
            while (soaking) Run("wrk -t1 -c8 -d5s " + base + "/scores >/dev/null 2>&1");
        });
        std::vector<long> rss;
        for (int s = 0; s < seconds; ++s) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            rss.push_back(RssKb(server.pid()));
        }
        soaking = false;
        sender.join();
        reader.join();
        const size_t tenth = std::max<size_t>(1, rss.size() / 10);
        const long early = *std::max_element(rss.begin(), rss.begin() + tenth);
        const long late = *std::max_element(rss.end() - tenth, rss.end());
        std::printf("a %d s soak of reads (wrk, 8 connections) and submissions (one each 20 ms, %d sent):\n", seconds, sent.load());
        std::printf("  the server's memory: %.1f MB in the first tenth, %.1f MB in the last, %.1f MB at most\n",
                    static_cast<double>(early) / 1024, static_cast<double>(late) / 1024,
                    static_cast<double>(*std::max_element(rss.begin(), rss.end())) / 1024);
    }
    MixedLoads();
    return 0;
}
