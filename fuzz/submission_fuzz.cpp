// Any bytes sent to the score server as a journal, down the path a
// submission takes: the format checked at once, then, for what reads as a
// journal of this game, the replay by kubrask-verify and the verdict kept
// in a store of SQLite in memory (on a day's table when the run starts
// from the planned board's counter). Every answer is one of the statuses the
// server gives, with a line of JSON that says why; what is entered holds
// together: a score the replay found, its journal whole.
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "server/submit.h"

namespace {

Store& MemoryStore() {
    static std::unique_ptr<Store> store = [] {
        std::string error;
        auto opened = OpenSqliteStore(":memory:", &error);
        if (!opened) std::abort();
        return opened;
    }();
    return *store;
}

void Check(const Outcome& outcome) {
    const nlohmann::json said = nlohmann::json::parse(outcome.body, nullptr, false);
    if (said.is_discarded() || !said.is_object()) std::abort();
    if (outcome.status >= 400 && (!said.contains("error") || !said.contains("reason"))) std::abort();
    if (outcome.status != 200 && outcome.status != 201 && outcome.status != 400 && outcome.status != 422 &&
        outcome.status != 503 && outcome.status != 507)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string journal(reinterpret_cast<const char*>(data), size);
    std::string counter;
    if (const auto refused = CheckFormat(journal, &counter)) {
        Check(*refused);
        return 0;
    }
    VerifierSetup setup;
    setup.program = KUBRASK_BUILD_DIR "/kubrask-verify";
    setup.art = KUBRASK_SOURCE_DIR;
    setup.scratch = "/tmp";
    setup.timeoutMs = 20000;
    const Verdict verdict = Verify(setup, journal);
    const Outcome outcome = Decide(MemoryStore(), journal, "Fuzz", verdict, 1765000000, counter == "56" ? "2026-12-10" : "");
    Check(outcome);
    if (outcome.status == 201) {
        for (const Verdict::Game& game : verdict.games)
            if (game.through > journal.size()) std::abort();
        std::string error;
        if (!MemoryStore().Check(&error)) std::abort();
    }
    return 0;
}
