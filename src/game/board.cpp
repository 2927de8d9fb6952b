#include "game/board.h"

#include <unordered_set>

#include "app/launch_counter.h"
#include "ui/status_line.h"

float SpawnTimer = 0.0f;
float StallTimer = 0.0f;
float StatusTimer = 0.0f;
int32_t LastDiceCount = -1;

Die::Die() : column(0), row(0), faces{4, 2, 3, 5, 6, 1}, chain(0), flags(DIE_IDLE), rollDirection(-1), progress(0.0f) {
    Matrix4::SetIdentity(orientation.e);
}

Die* DieList::AddNew() {
    DieNode* node = new DieNode{nullptr, {}};
    if (head == nullptr)
        head = node;
    else
        tail->next = node;
    tail = node;
    return &node->die;
}

void DieList::Clear() {
    while (head != nullptr) {
        DieNode* next = head->next;
        delete head;
        head = next;
    }
    tail = nullptr;
}

Board::~Board() {
    delete[] cells;
    cells = nullptr;
    dice.Clear();
}

BoardCell* Board::CellAt(int32_t column, int32_t row) {
    if (cells == nullptr || column < 0 || row < 0 || column >= width || row >= height) return nullptr;
    return &cells[column + row * width];
}

void AllocateGrid(int32_t width, int32_t height) {
    delete[] GameBoard.cells;
    GameBoard.width = width;
    GameBoard.height = height;
    GameBoard.cells = new BoardCell[width * height]{};
}

void SpawnDie() {
    Board& board = GameBoard;
    // With every cell taken the search below would never end: add nothing.
    bool freeCell = false;
    for (int32_t k = 0; k < board.width * board.height && !freeCell; ++k)
        freeCell = (board.cells[k].cellFlags & CELL_FLOOR) && board.cells[k].die == nullptr;
    if (!freeCell) return;

    int32_t column, row;
    BoardCell* cell;
    do {
        column = RandomNext() % board.width;
        row = RandomNext() % board.height;
        cell = board.CellAt(column, row);
    } while (!(cell->cellFlags & CELL_FLOOR) || cell->die != nullptr);

    Die* die = board.dice.AddNew();
    die->column = column;
    die->row = row;
    cell->die = die;
    for (int turn = 0; turn < SpawnTurns; ++turn) TurnDie(die->faces, die->orientation, RandomNext() % 4);
    if (board.walker.column == column && board.walker.row == row)
        board.walker.flags &= ~WALKER_STEPPING;  // a step into this cell ends at once
    die->progress = 0.0f;
    die->flags |= DIE_RISING | DIE_BUSY;
}

void RemoveDie(Die* die) {
    Board& board = GameBoard;
    BoardCell* cell = board.CellAt(die->column, die->row);
    if (cell != nullptr && cell->die == die) cell->die = nullptr;
    DieNode* previous = nullptr;
    DieNode* node = board.dice.head;
    while (node != nullptr && &node->die != die) {
        previous = node;
        node = node->next;
    }
    if (node == nullptr) return;  // not a die of the list
    if (previous == nullptr)
        board.dice.head = node->next;
    else
        previous->next = node->next;
    if (board.dice.tail == node) board.dice.tail = previous;
    delete node;
}

void NewGame() {
    Board& board = GameBoard;
    board.GameOver = 0;
    board.ScoreTotal = 0;
    board.GameClock = 180.0f;
    SpawnTimer = 0.0f;
    StatusTimer = 0.0f;
    LastDiceCount = -1;
    StallTimer = 0.0f;
    StatusSuffix.Adopt(DuplicateString(""));
    AllocateGrid(BoardSize, BoardSize);
    board.dice.Clear();
    for (int32_t k = 0; k < board.width * board.height; ++k) board.cells[k].cellFlags = CELL_FLOOR;
    for (int32_t k = 0; k < DiceCap; ++k) SpawnDie();
    // The new dice stand at full height at once, and the walker on the last.
    for (DieNode* node = board.dice.head; node != nullptr; node = node->next) node->die.flags = DIE_IDLE;
    if (board.dice.tail != nullptr) {
        board.walker.column = board.dice.tail->die.column;
        board.walker.row = board.dice.tail->die.row;
    }
}

int32_t TopValue(const Die& die) { return (die.flags & DIE_ROLLING) ? 0 : die.faces[4]; }

float HeightFraction(const Die& die) {
    float height = 1.0f;
    if (die.flags & DIE_RISING) height = die.progress;
    if (die.flags & DIE_SINKING) height = 1.0f - die.progress;
    return height;
}

float CellHeight(const BoardCell& cell) { return cell.die == nullptr ? 0.0f : HeightFraction(*cell.die); }

bool IsWalkerBlocked() {
    const Walker& walker = GameBoard.walker;
    if (walker.flags & WALKER_STEPPING) return true;
    BoardCell* cell = GameBoard.CellAt(walker.column, walker.row);
    return cell != nullptr && cell->die != nullptr && (cell->die->flags & DIE_ROLLING);
}

int32_t DiceCount() {
    int32_t count = 0;
    for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next) ++count;
    return count;
}

bool IsSinkingAt(int32_t column, int32_t row) {
    BoardCell* cell = GameBoard.CellAt(column, row);
    return cell != nullptr && cell->die != nullptr && (cell->die->flags & DIE_SINKING);
}

void EndDieMove(Die& die) { die.flags = (die.flags & ~(DIE_BUSY | DIE_ROLLING)) | DIE_IDLE; }

void EndDieRise(Die& die) { die.flags &= ~(DIE_BUSY | DIE_RISING); }

void EndDieSink(Die& die) { die.flags = (die.flags & ~(DIE_BUSY | DIE_SINKING)) | DIE_DEAD; }

bool BoardIsConsistent() {
    Board& board = GameBoard;
    std::unordered_set<const Die*> listed;
    for (DieNode* node = board.dice.head; node != nullptr; node = node->next) {
        const Die* die = &node->die;
        if (!listed.insert(die).second) return false;
        BoardCell* cell = board.CellAt(die->column, die->row);
        if (cell == nullptr || cell->die != die) return false;
        if (node->next == nullptr && board.dice.tail != node) return false;
    }
    if (board.dice.head == nullptr && board.dice.tail != nullptr) return false;
    for (int32_t k = 0; k < board.width * board.height; ++k) {
        const Die* die = board.cells[k].die;
        if (die != nullptr && (!listed.count(die) || die->column + die->row * board.width != k))
            return false;
    }
    return true;
}
