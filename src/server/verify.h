// Proving a journal: `kubrask-verify` (verify_main.cpp) plays it again in a
// process of its own, bounded in time, and says how the run went and which
// of its games reached game over; the queue keeps as many replays running
// as the server was given verifiers, and turns away what does not fit.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct Verdict {
    bool ran = false;      // the verifier ran and reported; else `ending` says why not
    std::string ending;    // "" as recorded; "cut"; else why the replay refused it (journal.h)
    std::string message;   // the replay's own words
    uint32_t frames = 0;
    struct Game {
        uint32_t from = 0, to = 0;
        int32_t score = 0;
        bool cheated = false;
        bool named = false;
        std::string name;  // in the game's code page
        size_t through = 0;
    };
    std::vector<Game> games;
};

struct VerifierSetup {
    std::string program;  // kubrask-verify
    std::string art;      // a folder holding the game's Data/
    std::string scratch;  // where journals wait for their replay
    int timeoutMs = 10000;
};

// Plays `journal` again; blocks until it has.
Verdict Verify(const VerifierSetup& setup, const std::string& journal);
// Reads the verifier's report line.
bool ReadVerdict(const std::string& line, Verdict* verdict);

// Replays run by `workers` threads; at most `capacity` wait. Add returns
// false, running nothing, when the queue is full.
class VerifyQueue {
public:
    VerifyQueue(VerifierSetup setup, int workers, int capacity);
    ~VerifyQueue();
    bool Add(std::string journal, std::function<void(Verdict)> done);

private:
    void Work();

    VerifierSetup setup_;
    size_t capacity_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::pair<std::string, std::function<void(Verdict)>>> waiting_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};
