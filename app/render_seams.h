// The renderer's drawing steps, for tests and benchmarks that check them one
// by one; the program itself only calls render.h.
#ifndef PELLORIN_RENDER_SEAMS_H
#define PELLORIN_RENDER_SEAMS_H

#include <windows.h>
#include <stdint.h>

#include "app/render.h"
#include "game/session.h"

struct BlockShades {
    COLORREF border;
    COLORREF face;
    COLORREF shadow;
    COLORREF highlight;
};

COLORREF ScaleColour(int colourIndex, double factor);
BlockShades ShadesOf(int colourIndex);

// Draws a frame of the given session into any device context.
void DrawFrame(HDC dc, const GameSession *session);

void DrawBevelBlock(HDC dc, int colourIndex, int originX, int originY, int column, int row, int small);
void DrawTile(HDC dc, uint16_t edgeMask, int originX, int originY, int column, int row);

#endif
