// The board: 10 columns by 20 rows, row 0 at the top.
#ifndef PELLORIN_PLAYFIELD_H
#define PELLORIN_PLAYFIELD_H

#include <stdint.h>

struct FallingPiece;

enum {
    BoardColumns = 10,
    BoardRows = 20
};

struct Cell {
    int32_t colour;     // 0..6, meaningful only while occupied
    uint16_t edgeMask;  // filled neighbours, see edge_masks.h
    int32_t occupied;
};

struct Playfield {
    Cell cells[BoardRows][BoardColumns];
};

void InitPlayfield(Playfield *field);
void ClearBoard(Playfield *field);

// The piece operations work on the board the piece is linked to.
int Fits(const FallingPiece *piece);
int IsLanded(const FallingPiece *piece);
void LockPiece(const FallingPiece *piece);
void HardDrop(FallingPiece *piece);
int RemoveFullRows(Playfield *field);

#endif
