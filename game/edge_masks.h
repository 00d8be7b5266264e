// Which of a cell's eight neighbours are filled: bit 0 up-left, 1 up,
// 2 up-right, 3 left, 4 right, 5 down-left, 6 down, 7 down-right.
#ifndef PELLORIN_EDGE_MASKS_H
#define PELLORIN_EDGE_MASKS_H

struct Playfield;
struct FallingPiece;

void UpdateEdgeMasks(Playfield *field, const FallingPiece *piece);

#endif
