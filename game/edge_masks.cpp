#include "edge_masks.h"

#include "piece.h"
#include "playfield.h"

// A cell's mask is the union of the bits of its filled neighbours, the outside
// of the board counting as filled. The board is copied into a grid with a
// one-cell frame of filled cells, the visible piece's cells are added, and
// each mask is then read off its eight neighbours in that grid.
enum {
    FrameRows = BoardRows + 2,
    FrameColumns = BoardColumns + 2
};

// Neighbour offsets in bit order.
static const struct {
    int rowOffset;
    int columnOffset;
} Neighbours[8] = {
    // row  column       bit  neighbour
    {  -1,  -1 },     // 0    up-left
    {  -1,   0 },     // 1    up
    {  -1,  +1 },     // 2    up-right
    {   0,  -1 },     // 3    left
    {   0,  +1 },     // 4    right
    {  +1,  -1 },     // 5    down-left
    {  +1,   0 },     // 6    down
    {  +1,  +1 }      // 7    down-right
};

void UpdateEdgeMasks(Playfield *field, const FallingPiece *piece)
{
    unsigned char filled[FrameRows][FrameColumns];

    for (int c = 0; c < FrameColumns; c++) {
        filled[0][c] = 1;
        filled[FrameRows - 1][c] = 1;
    }
    for (int r = 0; r < BoardRows; r++) {
        filled[r + 1][0] = 1;
        filled[r + 1][FrameColumns - 1] = 1;
        for (int c = 0; c < BoardColumns; c++)
            filled[r + 1][c + 1] = field->cells[r][c].occupied != 0;
    }

    // A piece cell outside the board only touches board cells whose side
    // there is already outside, so it can be left out.
    if (piece->colour != HiddenColour) {
        for (int y = 0; y < ShapeGridSize; y++) {
            for (int x = 0; x < ShapeGridSize; x++) {
                int r = piece->row + y;
                int c = piece->column + x;
                if (CellAt(piece, x, y) && r >= 0 && r < BoardRows && c >= 0 && c < BoardColumns)
                    filled[r + 1][c + 1] = 1;
            }
        }
    }

    for (int r = 0; r < BoardRows; r++) {
        for (int c = 0; c < BoardColumns; c++) {
            unsigned mask = 0;
            for (int n = 0; n < 8; n++)
                mask |= (unsigned)filled[r + 1 + Neighbours[n].rowOffset][c + 1 + Neighbours[n].columnOffset] << n;
            field->cells[r][c].edgeMask = (uint16_t)mask;
        }
    }
}
