// The score server's verifier: `kubrask-verify FILE` plays the journal FILE
// again without a window, as the replay tool does, watching over the run,
// and prints one line of JSON when it ends:
//
//   {"ending": "", "message": "...", "frames": 10843, "games": [
//     {"from": 0, "to": 10790, "score": 16, "cheated": false, "name": "5a6feb", "through": 40211}]}
//
// "ending" is how the replay ended (journal.h: "" as recorded, "cut", or why
// it was refused). Each game is one that reached its game-over box: the
// frames it ran from and to, the score its box showed, whether a test
// switch was on at any frame of it, the name typed into the best score's
// dialog after it (the bytes in the game's code page, as hex; null for
// none), and where in the journal the chunk holding its end ends: the
// journal up to there is this game's, however much of the run follows.
//
// A run plays in a process of its own, as the game is made to: its state
// is built before its entry and lives until the process ends.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/state_digest.h"
#include "game/board.h"
#include "game/cheat_flags.h"
#include "platform/headless/layer.h"

namespace {

struct Game {
    uint32_t from = 0, to = 0;
    int32_t score = 0;
    bool cheated = false;
    bool named = false;
    std::string name;
    size_t through = 0;
};

// What the run showed so far. Built before the report is asked for at
// exit, so that it is still there then.
struct Watched {
    std::vector<Game> games;   // those that reached their game-over box
    Game playing;              // the game being played
    bool lastWasOver = false;  // the latest of `games` just ended: its dialog may follow
    float lastClock = 0;
    uint8_t lastOver = 0;
    uint32_t lastFrame = 0;
};

Watched& W() {
    static Watched watched;
    return watched;
}

// A new game starts when the clock goes back up or game over is lifted.
void Frame(uint32_t frame) {
    Watched& w = W();
    const Board& board = GameBoard;
    if (frame > 1 && (board.GameClock > w.lastClock || (w.lastOver && !board.GameOver))) {
        w.playing = Game{};
        w.playing.from = frame;
        w.lastWasOver = false;
    }
    if (IsCheated() || CheatFlags.FreeStep) w.playing.cheated = true;
    w.lastClock = board.GameClock;
    w.lastOver = board.GameOver;
    w.lastFrame = frame;
}

const char GameOverText[] = "Gamve Over!\nScore: ";

void Box(const char*, const char* text, size_t through) {
    if (std::strncmp(text, GameOverText, sizeof GameOverText - 1) != 0) return;
    Watched& w = W();
    Game over = w.playing;
    over.to = w.lastFrame;
    over.score = GameBoard.ScoreTotal;
    over.cheated = over.cheated || std::strstr(text, "BUT YOU CHEATED!") != nullptr;
    over.through = through;
    w.games.push_back(over);
    w.lastWasOver = true;
}

void DialogEnded(INT_PTR result, const std::string& typed) {
    Watched& w = W();
    if (!w.lastWasOver || result != 1 || typed.empty()) return;
    w.games.back().named = true;
    w.games.back().name = typed;
}

// JSON text: the journal's own words may hold anything; bytes past ASCII are
// taken as Latin-1.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

void Report() {
    const ReplayEnd& end = ReplayEnding();
    const Watched& w = W();
    std::string line = "{\"ending\": " + Quoted(end.kind) + ", \"message\": " + Quoted(end.message) +
                       ", \"frames\": " + std::to_string(w.lastFrame) + ", \"games\": [";
    for (size_t i = 0; i < w.games.size(); ++i) {
        const Game& g = w.games[i];
        line += std::string(i > 0 ? ", " : "") + "{\"from\": " + std::to_string(g.from) + ", \"to\": " +
                std::to_string(g.to) + ", \"score\": " + std::to_string(g.score) +
                ", \"cheated\": " + (g.cheated ? "true" : "false") +
                ", \"name\": " + (g.named ? "\"" + Hex(g.name) + "\"" : std::string("null")) +
                ", \"through\": " + std::to_string(g.through) + "}";
    }
    std::fflush(stdout);
    std::printf("%s]}\n", line.c_str());
    std::fflush(stdout);
}

// Before the game's first call, which a constructor of the game's makes.
__attribute__((constructor(101))) void StartVerifying(int argc, char** argv, char**) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: kubrask-verify FILE\n");
        std::exit(2);
    }
    // What the report reads is built first, to be destroyed after it.
    ReplayEnding();
    W();
    std::atexit(Report);
    char replay[] = "--replay", check[] = "--check";
    char* journalArgs[] = {argv[0], replay, argv[1], check};
    StartJournal(4, journalArgs);
}

}  // namespace

// The game makes and frees small blocks by the hundred thousand as it draws
// (each corner of a die has a Vec4 of its own), and the C library's
// allocator took half of a replay's time on them. This short-lived process
// keeps the blocks it frees, of up to 64 bytes, on a list for their size,
// and hands them out again. Under a sanitizer every block is its own, for
// the sanitizer to watch.
#if defined(__SANITIZE_ADDRESS__)
#define KUBRASK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KUBRASK_SANITIZED 1
#endif
#endif

#ifndef KUBRASK_SANITIZED
namespace {

const size_t Header = 16;  // before each block: its size class, keeping the block aligned
const size_t Classes = 4;  // 16, 32, 48 and 64 bytes; class 0 is any other size
void* FreeBlocks[Classes + 1];

void* Take(size_t size) {
    const size_t sizeClass = size <= 16 * Classes ? (size + 15) / 16 : 0;
    if (sizeClass != 0 && FreeBlocks[sizeClass] != nullptr) {
        void* block = FreeBlocks[sizeClass];
        FreeBlocks[sizeClass] = *static_cast<void**>(block);
        return block;
    }
    char* raw = static_cast<char*>(std::malloc(Header + (sizeClass != 0 ? sizeClass * 16 : size)));
    if (raw == nullptr) throw std::bad_alloc();
    *reinterpret_cast<size_t*>(raw) = sizeClass;
    return raw + Header;
}

void Give(void* block) {
    if (block == nullptr) return;
    char* raw = static_cast<char*>(block) - Header;
    const size_t sizeClass = *reinterpret_cast<size_t*>(raw);
    if (sizeClass == 0) {
        std::free(raw);
        return;
    }
    *static_cast<void**>(block) = FreeBlocks[sizeClass];
    FreeBlocks[sizeClass] = block;
}

}  // namespace

void* operator new(size_t size) { return Take(size); }
void* operator new[](size_t size) { return Take(size); }
void operator delete(void* block) noexcept { Give(block); }
void operator delete[](void* block) noexcept { Give(block); }
void operator delete(void* block, size_t) noexcept { Give(block); }
void operator delete[](void* block, size_t) noexcept { Give(block); }
#endif

int main() {
    SetStateDigest(GameStateDigest, GameScore);
    ReplayObserver observer;
    observer.frame = Frame;
    observer.box = Box;
    observer.dialogEnded = DialogEnded;
    ObserveReplay(observer);
    char noArguments[] = "";
    return FinishJournal(WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWDEFAULT));
}
