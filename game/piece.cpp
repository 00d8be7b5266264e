#include "piece.h"

#include "random.h"

int ShapeCellAt(int32_t shape, int32_t rotation, int32_t x, int32_t y)
{
    return ShapeTable[((shape * RotationCount + rotation) * ShapeGridSize + y) * ShapeGridSize + x] != 0;
}

void SpawnPiece(FallingPiece *piece, int32_t *nextShape)
{
    piece->row = -1;
    piece->column = 3;
    piece->rotation = 0;
    piece->shape = *nextShape;
    piece->colour = piece->shape;
    *nextShape = NextRandom() % ShapeCount;
}

int CellAt(const FallingPiece *piece, int32_t x, int32_t y)
{
    return ShapeCellAt(piece->shape, piece->rotation, x, y);
}

static int ColumnHasCell(const FallingPiece *piece, int32_t x)
{
    for (int32_t y = 0; y < ShapeGridSize; y++)
        if (CellAt(piece, x, y))
            return 1;
    return 0;
}

static int RowHasCell(const FallingPiece *piece, int32_t y)
{
    for (int32_t x = 0; x < ShapeGridSize; x++)
        if (CellAt(piece, x, y))
            return 1;
    return 0;
}

typedef int (*LineHasCell)(const FallingPiece *piece, int32_t line);

// From the edge at start, moving by step (+1 or -1), the first column or row
// with a cell. Every grid holds four cells, so the scan stops inside the grid.
static int32_t FirstLineWithCell(const FallingPiece *piece, int32_t start, int32_t step, LineHasCell hasCell)
{
    int32_t line = start;
    while (line + step >= 0 && line + step < ShapeGridSize && !hasCell(piece, line))
        line += step;
    return line;
}

int32_t LeftExtent(const FallingPiece *piece)
{
    return FirstLineWithCell(piece, 0, 1, ColumnHasCell);
}

int32_t RightExtent(const FallingPiece *piece)
{
    return FirstLineWithCell(piece, ShapeGridSize - 1, -1, ColumnHasCell);
}

int32_t TopExtent(const FallingPiece *piece)
{
    return FirstLineWithCell(piece, 0, 1, RowHasCell);
}

int32_t BottomExtent(const FallingPiece *piece)
{
    return FirstLineWithCell(piece, ShapeGridSize - 1, -1, RowHasCell);
}

void ShiftLeft(FallingPiece *piece)
{
    piece->column -= 1;
}

void ShiftRight(FallingPiece *piece)
{
    piece->column += 1;
}

void StepDown(FallingPiece *piece)
{
    piece->row += 1;
}

void RotateStep(FallingPiece *piece)
{
    piece->rotation = (piece->rotation + 1) % RotationCount;
}

void HidePiece(FallingPiece *piece)
{
    piece->colour = HiddenColour;
}
