// Drawing the whole client area: status line, board, score line, falling
// piece and next-shape preview, composed off-screen and copied in one piece.
#ifndef PELLORIN_RENDER_H
#define PELLORIN_RENDER_H

#include <windows.h>
#include <stdint.h>

#include "game/session.h"

enum {
    ClientWidth = 200,
    ClientHeight = 432,
    PreviewX = 160,
    PreviewY = 0,
    PreviewCellPixels = 7
};

struct BlockShades {
    COLORREF border;
    COLORREF face;
    COLORREF shadow;
    COLORREF highlight;
};

COLORREF ScaleColour(int colourIndex, double factor);
BlockShades ShadesOf(int colourIndex);

void LoadTileSheet(HWND window);
void PaintWindow(HWND window, HDC paintDc);

// Draws a frame of the given session into any device context.
void DrawFrame(HDC dc, const GameSession *session);

void DrawBevelBlock(HDC dc, int colourIndex, int originX, int originY, int column, int row, int small);
void DrawTile(HDC dc, uint16_t edgeMask, int originX, int originY, int column, int row);
void DrawBoard(HDC dc, const Playfield *field);
void DrawFallingPiece(HDC dc, const FallingPiece *piece);
void DrawNextPreview(HDC dc, int32_t shape, int x, int y);
void DrawScore(HDC dc, const ScoreBoard *board);

#endif
