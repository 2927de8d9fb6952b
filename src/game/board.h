// The game's world: the board of cells, the dice on it, the walker, and the
// running totals of a game. Also every change a die's flags can make.
#pragma once

#include <cstdint>

#include "render/orientation.h"

constexpr int32_t BoardSize = 7;
constexpr int SpawnTurns = 20;  // random turns given to every new die
extern const int32_t DiceCap;   // dice a new game starts with; spawns fill up to it

// A Direction is a step of one cell as (column change, row change):
// 0 = (0, -1), 1 = (0, +1), 2 = (+1, 0), 3 = (-1, 0); -1 is none.

// DieFlags
constexpr uint32_t DIE_IDLE = 0x01;     // at rest; no rule tests it
constexpr uint32_t DIE_BUSY = 0x02;     // rising, moving or sinking: cannot be moved
constexpr uint32_t DIE_ROLLING = 0x04;  // moving one cell (sliding too if DIE_SLIDING)
constexpr uint32_t DIE_RISING = 0x08;   // coming out of the floor; height is progress
constexpr uint32_t DIE_SINKING = 0x10;  // going into the floor; height is 1 - progress
constexpr uint32_t DIE_DEAD = 0x20;     // to be removed after it is next drawn
constexpr uint32_t DIE_MARKED = 0x40;   // in the group the latest match search found
constexpr uint32_t DIE_SLIDING = 0x80;  // the current or last move was a slide

struct Die {
    int32_t column;
    int32_t row;
    int32_t faces[6];  // values by slot: 0 row - 1, 1 row + 1, 2 column + 1, 3 column - 1, 4 top, 5 bottom
    int32_t chain;
    Matrix4 orientation;
    uint32_t flags;
    int32_t rollDirection;  // of the move under way
    float progress;         // 0 to 1 through the running rise, move or sink

    Die();  // at rest, identity orientation, faces 4 2 3 5 6 1; no cell yet
};

struct DieNode {
    DieNode* next;
    Die die;
};

// Every live die, in the order of spawning. Owns its nodes and their dice.
struct DieList {
    DieNode* head = nullptr;
    DieNode* tail = nullptr;

    Die* AddNew();
    void Clear();
};

constexpr uint8_t CELL_FLOOR = 0x01;  // a die may stand here and the walker may enter

struct BoardCell {
    Die* die;  // not owned
    uint8_t cellFlags;
};

constexpr uint32_t WALKER_STEPPING = 0x01;

struct Walker {
    uint32_t flags;
    int32_t column;  // the cell it stands on, or during a step the cell it steps into
    int32_t row;
    float stepX;  // change of the current step
    float stepY;
    float progress;  // 0 to 1 through the step
};

struct Board {
    BoardCell* cells = nullptr;  // width x height; (c, r) is element c + r x width
    DieList dice;
    int32_t width = 0;
    int32_t height = 0;
    Walker walker{};
    int32_t ScoreTotal = 0;
    float GameClock = 180.0f;  // seconds left
    uint8_t GameOver = 0;

    Board() = default;
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    BoardCell* CellAt(int32_t column, int32_t row);  // null off the board
};

extern Board GameBoard;

// Pacing state beside the board, advanced by the game clock.
extern float SpawnTimer;
extern float StallTimer;
extern float StatusTimer;
extern int32_t LastDiceCount;

void NewGame();
void AllocateGrid(int32_t width, int32_t height);
void SpawnDie();
void RemoveDie(Die* die);

int32_t TopValue(const Die& die);
float HeightFraction(const Die& die);
float CellHeight(const BoardCell& cell);
bool IsWalkerBlocked();
int32_t DiceCount();  // dice in the list, dead ones included
bool IsSinkingAt(int32_t column, int32_t row);

// The ends of a die's animations, as the drawing makes them.
void EndDieMove(Die& die);
void EndDieRise(Die& die);
void EndDieSink(Die& die);

// True while every listed die stands in the cell its column and row name,
// that cell points back at it, no die is listed twice, and every cell that
// points at a die points at a listed die standing there.
bool BoardIsConsistent();
