// Drawing the whole client area: status line, board, score line, falling
// piece and next-shape preview, composed off-screen and copied in one piece.
#ifndef PELLORIN_RENDER_H
#define PELLORIN_RENDER_H

#include <windows.h>

#include "app/screen_layout.h"

void LoadTileSheet(HWND window);
void PaintWindow(HWND window, HDC paintDc);

#endif
