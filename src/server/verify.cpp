// Proving a journal in a process of its own: see verify.h.
#include "server/verify.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

extern char** environ;

namespace {

int64_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

Verdict Failed(const std::string& why) {
    Verdict verdict;
    verdict.ending = "unverified";
    verdict.message = why;
    return verdict;
}

bool WriteAll(int fd, const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const ssize_t written = write(fd, bytes.data() + at, bytes.size() - at);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += static_cast<size_t>(written);
    }
    return true;
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1]));
    return bytes;
}

}  // namespace

bool ReadVerdict(const std::string& line, Verdict* verdict) {
    const nlohmann::json report = nlohmann::json::parse(line, nullptr, false);
    if (report.is_discarded() || !report.is_object()) return false;
    try {
        verdict->ending = report.at("ending").get<std::string>();
        verdict->message = report.at("message").get<std::string>();
        verdict->frames = report.at("frames").get<uint32_t>();
        for (const nlohmann::json& g : report.at("games")) {
            Verdict::Game game;
            game.from = g.at("from").get<uint32_t>();
            game.to = g.at("to").get<uint32_t>();
            game.score = g.at("score").get<int32_t>();
            game.cheated = g.at("cheated").get<bool>();
            game.named = !g.at("name").is_null();
            if (game.named) game.name = FromHex(g.at("name").get<std::string>());
            game.through = g.at("through").get<size_t>();
            verdict->games.push_back(game);
        }
    } catch (const nlohmann::json::exception&) {
        return false;
    }
    verdict->ran = true;
    return true;
}

Verdict Verify(const VerifierSetup& setup, const std::string& journal) {
    std::string path = setup.scratch + "/journal-XXXXXX";
    const int file = mkstemp(path.data());
    if (file < 0) return Failed("cannot keep the journal for its replay: " + std::string(std::strerror(errno)));
    const bool kept = WriteAll(file, journal);
    close(file);
    if (!kept) {
        unlink(path.c_str());
        return Failed("cannot keep the journal for its replay");
    }

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        unlink(path.c_str());
        return Failed("no pipe for the replay: " + std::string(std::strerror(errno)));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, setup.art.c_str());
    // The replay makes its folder under TMPDIR: under the server's scratch.
    std::vector<std::string> environment = {"TMPDIR=" + setup.scratch};
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "TMPDIR=", 7) != 0) environment.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = setup.program;
    char* argv[] = {program.data(), path.data(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        unlink(path.c_str());
        return Failed("cannot start " + setup.program + ": " + std::strerror(spawned));
    }

    std::string said;
    const int64_t deadline = NowMs() + setup.timeoutMs;
    bool timedOut = false;
    for (;;) {
        const int64_t left = deadline - NowMs();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd ready{out[0], POLLIN, 0};
        const int polled = poll(&ready, 1, static_cast<int>(left));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) continue;
        char block[4096];
        const ssize_t got = read(out[0], block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (said.size() < (1u << 20)) said.append(block, static_cast<size_t>(got));
    }
    close(out[0]);
    if (timedOut) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    unlink(path.c_str());
    if (timedOut) return Failed("its replay took longer than " + std::to_string(setup.timeoutMs / 1000) + " s");
    const size_t start = said.rfind("\n{", said.size() > 1 ? said.size() - 2 : 0);
    const std::string line = said.substr(start == std::string::npos ? 0 : start + 1);
    Verdict verdict;
    const bool read = !line.empty() && line[0] == '{' && ReadVerdict(line, &verdict);
    // The replay names the journal by its file, which is the server's own
    // business: "the journal".
    for (size_t at; (at = verdict.message.find(path)) != std::string::npos;) verdict.message.replace(at, path.size(), "the journal");
    if (!read)
        return Failed("the replay ended without a report (" +
                      (WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                           : "exit " + std::to_string(WEXITSTATUS(status))) + ")");
    return verdict;
}

VerifyQueue::VerifyQueue(VerifierSetup setup, int workers, int capacity)
    : setup_(std::move(setup)), capacity_(static_cast<size_t>(capacity)) {
    for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
}

VerifyQueue::~VerifyQueue() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

bool VerifyQueue::Add(std::string journal, std::function<void(Verdict)> done) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (waiting_.size() >= capacity_) return false;
        waiting_.emplace_back(std::move(journal), std::move(done));
    }
    wake_.notify_one();
    return true;
}

void VerifyQueue::Work() {
    for (;;) {
        std::pair<std::string, std::function<void(Verdict)>> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (waiting_.empty()) return;
            job = std::move(waiting_.front());
            waiting_.pop_front();
        }
        job.second(Verify(setup_, job.first));
    }
}
