// A falling piece put straight onto a board, for tests and benchmarks that
// arrange positions without playing up to them.
#ifndef PELLORIN_PLACED_PIECE_H
#define PELLORIN_PLACED_PIECE_H

#include "piece.h"

inline FallingPiece PlacedPiece(Playfield *field, int shape, int rotation, int column, int row, int colour)
{
    FallingPiece piece = FallingPiece();
    piece.shape = shape;
    piece.rotation = rotation;
    piece.colour = colour;
    piece.column = column;
    piece.row = row;
    piece.playfield = field;
    return piece;
}

#endif
