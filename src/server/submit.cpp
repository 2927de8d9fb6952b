// Sending a game: see submit.h.
#include "server/submit.h"

#include <cctype>
#include <ctime>
#include <nlohmann/json.hpp>

#include "platform/posix/cp1252.h"
#include "platform/posix/journal_format.h"
#include "server/sha256.h"

using nlohmann::json;

namespace {

// The characters of the code page a name may hold: the printable ones
// (no controls, and none of the five bytes the code page leaves undefined).
bool Printable(unsigned char c) {
    return c >= 0x20 && c != 0x7f && c != 0x81 && c != 0x8d && c != 0x8f && c != 0x90 && c != 0x9d;
}

}  // namespace

Outcome Refusal(int status, const std::string& kind, const std::string& reason, int retryAfter) {
    return Outcome{status, json{{"error", kind}, {"reason", reason}}.dump() + "\n", retryAfter};
}

std::optional<std::string> NameFromPage(const std::string& utf8) {
    const std::string name = Utf8ToCp1252(utf8);
    if (name.empty() || name.size() > 299 || Cp1252ToUtf8(name) != utf8) return std::nullopt;
    for (unsigned char c : name)
        if (!Printable(c)) return std::nullopt;
    return name;
}

std::optional<Outcome> CheckFormat(const std::string& journal, std::string* counter) {
    JournalFile file;
    std::string error;
    JournalFault fault = JournalFault::Readable;
    if (ReadJournal(journal, &file, &error, &fault)) {
        counter->clear();
        for (const JournalFile::Saved& saved : file.files)
            if (saved.name == "random.txt" && saved.present) *counter = saved.bytes;
        return std::nullopt;
    }
    return Refusal(422, JournalFaultName(fault), "The journal " + error + ".");
}

std::string IsoTime(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string NameText(const std::string& cp1252) { return Cp1252ToUtf8(cp1252); }

std::string EntryJson(Store& store, const Entry& entry, bool isNew) {
    const auto rank = store.Rank(entry);
    json said = {{"id", entry.id},
                 {"score", entry.score},
                 {"name", NameText(entry.name)},
                 {"received", IsoTime(entry.received)},
                 {"rules", entry.rules},
                 {"from", entry.from},
                 {"url", "/games/" + entry.id},
                 {"new", isNew}};
    if (!entry.day.empty()) said["day"] = entry.day;
    if (rank) {
        said["rank"] = rank->first;
        said["of"] = rank->second;
    }
    return said.dump();
}

Outcome Decide(Store& store, const std::string& journal, const std::string& name, const Verdict& verdict, int64_t now,
               const std::string& day) {
    if (!verdict.ran) {
        if (verdict.message.find("took longer") != std::string::npos) return Refusal(422, "too slow", verdict.message);
        return Refusal(503, "busy", "The server could not play the game again just now: " + verdict.message, 10);
    }
    if (!verdict.ending.empty() && verdict.ending != "cut") {
        std::string reason = verdict.message + ".";
        reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
        return Refusal(verdict.ending == "unreadable" ? 500 : 422, verdict.ending, reason);
    }
    Submission submission;
    submission.digest = Sha256Hex(journal);
    submission.journal = journal;
    submission.received = now;
    submission.rules = KubraskRules;
    submission.day = day;
    bool cheated = false, unnamed = false;
    for (const Verdict::Game& game : verdict.games) {
        // On a day's table, only the run's first game: it alone starts from the day's board.
        if (!day.empty() && game.from != 0) continue;
        if (game.cheated) {
            cheated = true;
            continue;
        }
        if (game.through > journal.size()) return Refusal(500, "unverified", "The replay's report makes no sense.");
        Submission::Game kept;
        kept.key = Sha256Hex(std::string_view(journal).substr(0, game.through));
        kept.score = game.score;
        kept.name = game.named ? game.name.substr(0, 299) : name;
        kept.from = game.from;
        kept.to = game.to;
        if (kept.name.empty()) {
            unnamed = true;
            continue;
        }
        submission.games.push_back(kept);
    }
    if (submission.games.empty()) {
        if (unnamed)
            return Refusal(400, "no name", "No name was typed into the game for its best score: send one with the game "
                                           "(?name=...), as the game's dialog takes it.");
        if (cheated)
            return Refusal(422, "test switches used",
                           "Every game of the journal that ended had a test switch on (slow motion, free step or no twos).");
        return Refusal(422, "no game over",
                       verdict.ending == "cut"
                           ? "The journal ends at frame " + std::to_string(verdict.frames) +
                                 ", before any of its games reached game over."
                           : "No game of the journal's run reached game over.");
    }
    std::string error;
    StoreFault fault = StoreFault::Unavailable;
    const auto kept = store.Submit(submission, &fault, &error);
    if (!kept && fault == StoreFault::Full)
        return Refusal(507, "full", "The server has no room left to keep the game; it can be sent again later.", 60);
    if (!kept) return Refusal(503, "busy", "The server could not keep the game just now; it can be sent again soon.", 10);
    std::string body = "{\"duplicate\": ";
    bool anyNew = false;
    for (const auto& [entry, isNew] : *kept) anyNew = anyNew || isNew;
    body += anyNew ? "false" : "true";
    body += ", \"games\": [";
    for (size_t i = 0; i < kept->size(); ++i) body += (i > 0 ? ", " : "") + EntryJson(store, (*kept)[i].first, (*kept)[i].second);
    body += "]}\n";
    return Outcome{anyNew ? 201 : 200, body, 0};
}
