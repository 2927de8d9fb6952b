#include "board_support.h"

#include "render/orientation.h"

void ClearBoard() {
    FillFaceCycleTable();
    GameBoard.dice.Clear();
    AllocateGrid(BoardSize, BoardSize);
    for (int k = 0; k < BoardSize * BoardSize; ++k) GameBoard.cells[k].cellFlags = CELL_FLOOR;
    GameBoard.walker = Walker{0, 3, 3, 0.0f, 0.0f, 0.0f};
    GameBoard.GameOver = 0;
}

Die* PlaceDie(int column, int row, uint32_t flags, float progress) {
    Die* die = GameBoard.dice.AddNew();
    die->column = column;
    die->row = row;
    die->flags = flags;
    die->progress = progress;
    GameBoard.CellAt(column, row)->die = die;
    return die;
}

std::vector<int32_t> FacesOf(const Die& die) { return {die.faces, die.faces + 6}; }

