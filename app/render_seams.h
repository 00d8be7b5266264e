// The renderer's drawing steps, shared by its files and open to the tests
// and benchmarks that check them one by one; the program itself only calls
// render.h.
#ifndef PELLORIN_RENDER_SEAMS_H
#define PELLORIN_RENDER_SEAMS_H

#include <windows.h>
#include <stdint.h>

#include "app/render.h"
#include "game/session.h"

enum {
    TileSheetPixels = 320,    // 16 x 16 tiles of CellPixels
    TileSheetColumns = 16,    // tile of mask m: column m % 16, row m / 16
    TileColumnBits = 4,
    TileColumnMask = TileSheetColumns - 1,
    TileCount = 256,
};

struct BlockShades {
    COLORREF border;
    COLORREF face;
    COLORREF shadow;
    COLORREF highlight;
};

COLORREF ScaleColour(int colourIndex, double factor);
BlockShades ShadesOf(int colourIndex);

// Fills info for a bitmap of 32-bit pixels in rows from the top down.
void DescribeTopDown32(BITMAPINFO *info, int width, int height);

// Top-down 32-bit pixels of the loaded tile sheet, TileSheetPixels square;
// NULL when no sheet could be loaded.
const uint32_t *TileSheetCopy(void);

void DrawBevelBlock(HDC dc, int colourIndex, int originX, int originY, int column, int row, int small);
void DrawTile(HDC dc, uint16_t edgeMask, int originX, int originY, int column, int row);
void DrawBoard(HDC dc, const Playfield *field);
void DrawScore(HDC dc, const ScoreBoard *board);
void DrawFallingPiece(HDC dc, const FallingPiece *piece);
void DrawNextPreview(HDC dc, int32_t shape, int x, int y);

// A frame, in this order: the client area in white, the status line
// (StartFrame, which selects the text's font and background mode and returns
// the font to put back), the board, the score line, the falling piece and
// the preview. Each way of painting whites the frame and lays the board,
// piece and preview as it can.
HGDIOBJ StartFrame(HDC dc, const GameSession *session);

// The whole frame, white included, drawn call by call into any device
// context.
void DrawFrame(HDC dc, const GameSession *session);

// A width x height frame copied to target at (0, 0) in one BitBlt: composed
// by GDI calls alone in a bitmap compatible with target, or composed in a
// 32-bit DIB with the board's cells copied in memory. Both give the same
// pixels; the program paints with the second.
void PaintFrameByGdi(HDC target, const GameSession *session, int width, int height);
int PaintFrameComposed(HDC target, const GameSession *session, int width, int height);

#endif
