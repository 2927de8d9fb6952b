#include "app/state_digest.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/launch_counter.h"
#include "game/board.h"
#include "game/cheat_flags.h"
#include "ui/high_score.h"

namespace {

// FNV-1a over values as they lie in memory: floats by their bits, so the
// digest tells apart what a comparison of values would not.
struct Digest {
    uint64_t hash = 0xcbf29ce484222325ull;

    void Bytes(const void* data, size_t size) {
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    }
    void Int(int64_t value) { Bytes(&value, sizeof value); }
    void Float(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        Int(bits);
    }
};

}  // namespace

uint64_t GameStateDigest() {
    Digest d;
    const Board& board = GameBoard;
    d.Int(board.width);
    d.Int(board.height);
    // Each cell by its floor and the place in the list of the die it holds.
    std::vector<const Die*> dice;
    for (DieNode* node = board.dice.head; node != nullptr; node = node->next) dice.push_back(&node->die);
    for (int32_t i = 0; i < board.width * board.height; ++i) {
        const auto held = std::find(dice.begin(), dice.end(), board.cells[i].die);
        d.Int(board.cells[i].cellFlags);
        d.Int(held == dice.end() ? -1 : held - dice.begin());
    }
    for (DieNode* node = board.dice.head; node != nullptr; node = node->next) {
        const Die& die = node->die;
        d.Int(die.column);
        d.Int(die.row);
        for (int32_t face : die.faces) d.Int(face);
        d.Int(die.chain);
        for (int i = 0; i < 16; ++i) d.Float(die.orientation.e[i]);
        d.Int(die.flags);
        d.Int(die.rollDirection);
        d.Float(die.progress);
    }
    const Walker& walker = board.walker;
    d.Int(walker.flags);
    d.Int(walker.column);
    d.Int(walker.row);
    d.Float(walker.stepX);
    d.Float(walker.stepY);
    d.Float(walker.progress);
    d.Int(board.ScoreTotal);
    d.Float(board.GameClock);
    d.Int(board.GameOver);
    d.Float(SpawnTimer);
    d.Float(StallTimer);
    d.Float(StatusTimer);
    d.Int(LastDiceCount);
    d.Int(CheatFlags.Paused);
    d.Int(CheatFlags.FreeStep);
    d.Int(CheatFlags.NoTwos);
    d.Int(CheatFlags.SlowMotionUsed);
    d.Int(HighScore);
    if (HighScoreName.text != nullptr) d.Bytes(HighScoreName.text, std::strlen(HighScoreName.text));
    d.Int(RandomState());
    return d.hash;
}

int32_t GameScore() { return GameBoard.ScoreTotal; }
