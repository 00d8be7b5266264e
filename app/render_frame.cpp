// The frame composed in a 32-bit DIB: the seven blocks are drawn once into a
// strip, the board's cells are copied in memory from that strip and from the
// tile sheet's copy, the text, piece and preview are drawn by GDI on top, and
// the window gets one BitBlt. Nothing is kept from one frame to the next.
#include "render.h"

#include <string.h>

#include "render_seams.h"

enum {
    StripWidth = CellPixels * ShapeCount,
    WhitePixel = 0x00FFFFFF,
};

struct Dib {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    uint32_t *pixels;  // top-down rows of width pixels
    int width;
    int height;
};

void DescribeTopDown32(BITMAPINFO *info, int width, int height)
{
    memset(info, 0, sizeof *info);
    info->bmiHeader.biSize = sizeof info->bmiHeader;
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = -height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 32;
    info->bmiHeader.biCompression = BI_RGB;
}

static int MakeDib(Dib *dib, HDC like, int width, int height)
{
    memset(dib, 0, sizeof *dib);
    BITMAPINFO info;
    DescribeTopDown32(&info, width, height);
    dib->dc = CreateCompatibleDC(like);
    if (!dib->dc)
        return 0;
    void *pixels = NULL;
    dib->bitmap = CreateDIBSection(dib->dc, &info, DIB_RGB_COLORS, &pixels, NULL, 0);
    if (!dib->bitmap || !pixels) {
        if (dib->bitmap)
            DeleteObject(dib->bitmap);
        DeleteDC(dib->dc);
        return 0;
    }
    dib->oldBitmap = SelectObject(dib->dc, dib->bitmap);
    dib->pixels = (uint32_t *)pixels;
    dib->width = width;
    dib->height = height;
    return 1;
}

static void FreeDib(Dib *dib)
{
    SelectObject(dib->dc, dib->oldBitmap);
    DeleteObject(dib->bitmap);
    DeleteDC(dib->dc);
}

// Copies a CellPixels square from source (rows of sourceWidth pixels), or
// white where source is NULL, to (x, y) of the frame, clipped to the frame.
static void CopyCell(Dib *frame, int x, int y, const uint32_t *source, int sourceWidth)
{
    int left = x < 0 ? -x : 0;
    int top = y < 0 ? -y : 0;
    int right = frame->width - x < CellPixels ? frame->width - x : CellPixels;
    int bottom = frame->height - y < CellPixels ? frame->height - y : CellPixels;
    if (left >= right || top >= bottom)
        return;
    for (int row = top; row < bottom; row++) {
        uint32_t *to = frame->pixels + (size_t)(y + row) * (size_t)frame->width + x + left;
        if (source) {
            memcpy(to, source + (size_t)row * (size_t)sourceWidth + left, (size_t)(right - left) * sizeof *to);
        } else {
            for (int column = left; column < right; column++)
                *to++ = WhitePixel;
        }
    }
}

static void CopyBoard(Dib *frame, const Dib *strip, const Playfield *field)
{
    const uint32_t *sheet = TileSheetCopy();
    for (int row = 0; row < BoardRows; row++) {
        for (int column = 0; column < BoardColumns; column++) {
            const Cell *cell = &field->cells[row][column];
            int x = BoardOriginX + CellPixels * column;
            int y = BoardOriginY + CellPixels * row;
            if (cell->occupied) {
                if (cell->colour >= 0 && cell->colour < ShapeCount)
                    CopyCell(frame, x, y, strip->pixels + CellPixels * cell->colour, StripWidth);
            } else if (sheet && cell->edgeMask < TileCount) {
                int tileX = CellPixels * (cell->edgeMask & TileColumnMask);
                int tileY = CellPixels * (cell->edgeMask >> TileColumnBits);
                CopyCell(frame, x, y, sheet + (size_t)tileY * TileSheetPixels + tileX, TileSheetPixels);
            } else {
                CopyCell(frame, x, y, NULL, 0);
            }
        }
    }
}

int PaintFrameComposed(HDC target, const GameSession *session, int width, int height)
{
    Dib frame, strip;
    if (width <= 0 || height <= 0 || !MakeDib(&frame, target, width, height))
        return 0;
    if (!MakeDib(&strip, target, StripWidth, CellPixels)) {
        FreeDib(&frame);
        return 0;
    }
    for (int colour = 0; colour < ShapeCount; colour++)
        DrawBevelBlock(strip.dc, colour, 0, 0, colour, 0, 0);

    HGDIOBJ oldFont = StartFrame(frame.dc, session);
    // GDI may batch its drawing; both DIBs must be complete before they are
    // read or written directly.
    GdiFlush();
    CopyBoard(&frame, &strip, &session->playfield);
    FinishFrame(frame.dc, session, oldFont);
    BitBlt(target, 0, 0, width, height, frame.dc, 0, 0, SRCCOPY);

    FreeDib(&strip);
    FreeDib(&frame);
    return 1;
}

void PaintWindow(HWND window, HDC paintDc)
{
    RECT client;
    if (!GetClientRect(window, &client))
        return;
    PaintFrameComposed(paintDc, GetSession(), client.right - client.left, client.bottom - client.top);
}
