// The frame composed in one 32-bit DIB: the first block of each colour on
// the board is drawn in place by GDI and every other block of that colour is
// copied from it in memory, empty cells are copied from the tile sheet's
// copy, and only the pixels the board leaves uncovered are filled white. The
// text, piece and preview are drawn by GDI on top, and the window gets one
// BitBlt. Nothing is kept from one frame to the next.
#include "render.h"

#include <string.h>

#include "render_seams.h"

enum {
    WhitePixel = 0x00FFFFFF,
    BoardPixelsWide = CellPixels * BoardColumns,
    BoardPixelsHigh = CellPixels * BoardRows,
};

struct Frame {
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

// A DIB section brings its own pixel format, so its context need not be made
// like the target's; one made like the screen costs a third as much under
// Wine as one made like a window's context.
static int MakeFrame(Frame *frame, int width, int height)
{
    memset(frame, 0, sizeof *frame);
    BITMAPINFO info;
    DescribeTopDown32(&info, width, height);
    frame->dc = CreateCompatibleDC(NULL);
    if (!frame->dc)
        return 0;
    void *pixels = NULL;
    frame->bitmap = CreateDIBSection(frame->dc, &info, DIB_RGB_COLORS, &pixels, NULL, 0);
    if (!frame->bitmap || !pixels) {
        if (frame->bitmap)
            DeleteObject(frame->bitmap);
        DeleteDC(frame->dc);
        return 0;
    }
    frame->oldBitmap = SelectObject(frame->dc, frame->bitmap);
    frame->pixels = (uint32_t *)pixels;
    frame->width = width;
    frame->height = height;
    return 1;
}

static void FreeFrame(Frame *frame)
{
    SelectObject(frame->dc, frame->oldBitmap);
    DeleteObject(frame->bitmap);
    DeleteDC(frame->dc);
}

static uint32_t *PixelAt(const Frame *frame, int x, int y)
{
    return frame->pixels + (size_t)y * (size_t)frame->width + x;
}

// Whites the pixels of [left, right) x [top, bottom), clipped to the frame.
static void FillWhite(Frame *frame, int left, int top, int right, int bottom)
{
    left = left < 0 ? 0 : left;
    top = top < 0 ? 0 : top;
    right = right > frame->width ? frame->width : right;
    bottom = bottom > frame->height ? frame->height : bottom;
    for (int y = top; y < bottom; y++) {
        uint32_t *to = PixelAt(frame, 0, y);
        for (int x = left; x < right; x++)
            to[x] = WhitePixel;
    }
}

// Every board cell gets all its pixels from a block or a tile, so white goes
// only around the board: the rows above and below it and the sides.
static void WhiteOutsideBoard(Frame *frame)
{
    int left = BoardOriginX, top = BoardOriginY;
    int right = left + BoardPixelsWide, bottom = top + BoardPixelsHigh;
    FillWhite(frame, 0, 0, frame->width, top);
    FillWhite(frame, 0, top, left, bottom);
    FillWhite(frame, right, top, frame->width, bottom);
    FillWhite(frame, 0, bottom, frame->width, frame->height);
}

static int CellInside(const Frame *frame, int x, int y)
{
    return x >= 0 && y >= 0 && x + CellPixels <= frame->width && y + CellPixels <= frame->height;
}

// Copies a CellPixels square from source (rows of sourceWidth pixels), or
// white where source is NULL, to (x, y) of the frame, clipped to the frame.
static void CopyCell(Frame *frame, int x, int y, const uint32_t *source, int sourceWidth)
{
    int left = x < 0 ? -x : 0;
    int top = y < 0 ? -y : 0;
    int right = frame->width - x < CellPixels ? frame->width - x : CellPixels;
    int bottom = frame->height - y < CellPixels ? frame->height - y : CellPixels;
    if (left >= right || top >= bottom)
        return;
    if (!source) {
        FillWhite(frame, x + left, y + top, x + right, y + bottom);
        return;
    }
    for (int row = top; row < bottom; row++)
        memcpy(PixelAt(frame, x + left, y + row), source + (size_t)row * (size_t)sourceWidth + left,
               (size_t)(right - left) * sizeof(uint32_t));
}

static int DrawableColour(const Cell *cell)
{
    return cell->colour >= 0 && cell->colour < ShapeCount;
}

// First GDI draws one block of each colour in place (and any block the
// frame's edge cuts, which it clips); once that is flushed to the pixels,
// every other cell is copied in memory.
static void ComposeBoard(Frame *frame, const Playfield *field)
{
    const uint32_t *drawn[ShapeCount] = {};
    for (int row = 0; row < BoardRows; row++) {
        for (int column = 0; column < BoardColumns; column++) {
            const Cell *cell = &field->cells[row][column];
            int x = BoardOriginX + CellPixels * column;
            int y = BoardOriginY + CellPixels * row;
            if (!cell->occupied || !DrawableColour(cell))
                continue;
            int inside = CellInside(frame, x, y);
            if (inside && drawn[cell->colour])
                continue;
            DrawBevelBlock(frame->dc, cell->colour, BoardOriginX, BoardOriginY, column, row, 0);
            if (inside)
                drawn[cell->colour] = PixelAt(frame, x, y);
        }
    }
    GdiFlush();

    const uint32_t *sheet = TileSheetCopy();
    for (int row = 0; row < BoardRows; row++) {
        for (int column = 0; column < BoardColumns; column++) {
            const Cell *cell = &field->cells[row][column];
            int x = BoardOriginX + CellPixels * column;
            int y = BoardOriginY + CellPixels * row;
            if (cell->occupied && DrawableColour(cell)) {
                const uint32_t *block = drawn[cell->colour];
                if (CellInside(frame, x, y) && block != PixelAt(frame, x, y))
                    CopyCell(frame, x, y, block, frame->width);
            } else if (!cell->occupied && sheet && cell->edgeMask < TileCount) {
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
    Frame frame;
    if (width <= 0 || height <= 0 || !MakeFrame(&frame, width, height))
        return 0;
    WhiteOutsideBoard(&frame);
    HGDIOBJ oldFont = StartFrame(frame.dc, session);
    ComposeBoard(&frame, &session->playfield);
    FinishFrame(frame.dc, session, oldFont);
    BitBlt(target, 0, 0, width, height, frame.dc, 0, 0, SRCCOPY);
    FreeFrame(&frame);
    return 1;
}

void PaintWindow(HWND window, HDC paintDc)
{
    RECT client;
    if (!GetClientRect(window, &client))
        return;
    PaintFrameComposed(paintDc, GetSession(), client.right - client.left, client.bottom - client.top);
}
