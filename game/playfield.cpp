#include "playfield.h"

#include "piece.h"
#include "random.h"

static void RandomFill(Playfield *field);

static int OnBoard(int32_t row, int32_t column)
{
    return row >= 0 && row < BoardRows && column >= 0 && column < BoardColumns;
}

void InitPlayfield(Playfield *field)
{
    RandomFill(field);
}

// 200 draws, row by row from the top, each row from the left.
static void RandomFill(Playfield *field)
{
    for (int32_t r = 0; r < BoardRows; r++) {
        for (int32_t c = 0; c < BoardColumns; c++) {
            field->cells[r][c].occupied = 1;
            field->cells[r][c].colour = NextRandom() % ShapeCount;
        }
    }
}

void ClearBoard(Playfield *field)
{
    for (int32_t r = 0; r < BoardRows; r++)
        for (int32_t c = 0; c < BoardColumns; c++)
            field->cells[r][c].occupied = 0;
}

int Fits(const FallingPiece *piece)
{
    if (piece->column + LeftExtent(piece) < 0)
        return 0;
    if (piece->column + RightExtent(piece) >= BoardColumns)
        return 0;
    if (piece->row + TopExtent(piece) < 0)
        return 0;
    if (piece->row + BottomExtent(piece) >= BoardRows)
        return 0;
    const Playfield *field = piece->playfield;
    for (int32_t y = 0; y < ShapeGridSize; y++)
        for (int32_t x = 0; x < ShapeGridSize; x++)
            if (CellAt(piece, x, y) && field->cells[piece->row + y][piece->column + x].occupied)
                return 0;
    return 1;
}

// Asked of a piece that fits; the bounds test only keeps a stray piece from
// reading outside the board.
int IsLanded(const FallingPiece *piece)
{
    if (piece->row + BottomExtent(piece) >= BoardRows - 1)
        return 1;
    const Playfield *field = piece->playfield;
    for (int32_t y = 0; y < ShapeGridSize; y++) {
        for (int32_t x = 0; x < ShapeGridSize; x++) {
            int32_t below = piece->row + y + 1;
            int32_t column = piece->column + x;
            if (CellAt(piece, x, y) && OnBoard(below, column) && field->cells[below][column].occupied)
                return 1;
        }
    }
    return 0;
}

void LockPiece(const FallingPiece *piece)
{
    Playfield *field = piece->playfield;
    for (int32_t y = 0; y < ShapeGridSize; y++) {
        for (int32_t x = 0; x < ShapeGridSize; x++) {
            int32_t row = piece->row + y;
            int32_t column = piece->column + x;
            if (CellAt(piece, x, y) && OnBoard(row, column)) {
                field->cells[row][column].occupied = 1;
                field->cells[row][column].colour = piece->colour;
            }
        }
    }
}

void HardDrop(FallingPiece *piece)
{
    while (!IsLanded(piece))
        StepDown(piece);
    LockPiece(piece);
}

static int RowIsFull(const Playfield *field, int32_t row)
{
    for (int32_t c = 0; c < BoardColumns; c++)
        if (!field->cells[row][c].occupied)
            return 0;
    return 1;
}

// Scanning from the top, each full row is dropped by moving every row above
// it down one; the row below is then examined unchanged.
int RemoveFullRows(Playfield *field)
{
    int count = 0;
    for (int32_t r = 0; r < BoardRows; r++) {
        if (!RowIsFull(field, r))
            continue;
        for (int32_t c = 0; c < BoardColumns; c++) {
            for (int32_t k = r; k >= 1; k--)
                field->cells[k][c] = field->cells[k - 1][c];
            field->cells[0][c].occupied = 0;
        }
        count += 1;
    }
    return count;
}
