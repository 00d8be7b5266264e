// The seven shapes in their four rotations and the falling piece that places
// one of them on the board.
#ifndef PELLORIN_PIECE_H
#define PELLORIN_PIECE_H

#include <stdint.h>

struct Playfield;

enum {
    ShapeCount = 7,
    RotationCount = 4,
    ShapeGridSize = 4,
    HiddenColour = 8
};

// (shape, rotation, y, x) lives at ((shape * 4 + rotation) * 4 + y) * 4 + x;
// 1 marks a filled grid cell.
extern const int32_t ShapeTable[ShapeCount * RotationCount * ShapeGridSize * ShapeGridSize];

struct FallingPiece {
    int32_t shape;
    int32_t rotation;
    int32_t colour;    // equal to shape once spawned, HiddenColour when not in play
    int32_t column;    // board column of the grid's left edge
    int32_t row;       // board row of the grid's top edge
    Playfield *playfield;
};

int ShapeCellAt(int32_t shape, int32_t rotation, int32_t x, int32_t y);

// Takes *nextShape, then draws a new one.
void SpawnPiece(FallingPiece *piece, int32_t *nextShape);
int CellAt(const FallingPiece *piece, int32_t x, int32_t y);
int32_t LeftExtent(const FallingPiece *piece);
int32_t RightExtent(const FallingPiece *piece);
int32_t TopExtent(const FallingPiece *piece);
int32_t BottomExtent(const FallingPiece *piece);
void ShiftLeft(FallingPiece *piece);
void ShiftRight(FallingPiece *piece);
void StepDown(FallingPiece *piece);
void RotateStep(FallingPiece *piece);
void HidePiece(FallingPiece *piece);

#endif
