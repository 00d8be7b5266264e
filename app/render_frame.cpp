// The frame composed in one 32-bit DIB. Only the pixels the board leaves
// uncovered are filled white; of the blocks of each layer (board, falling
// piece, preview) GDI draws the first of each colour in place and the rest
// are copied from it in memory; empty cells are copied from the tile sheet's
// copy; the status and score lines are GDI's text. The window gets one
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

static int MakeFrame(Frame *frame, HDC like, int width, int height)
{
    memset(frame, 0, sizeof *frame);
    BITMAPINFO info;
    DescribeTopDown32(&info, width, height);
    frame->dc = CreateCompatibleDC(like);
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

static int SquareInside(const Frame *frame, int x, int y, int size)
{
    return x >= 0 && y >= 0 && x + size <= frame->width && y + size <= frame->height;
}

// Copies a size x size square from source (rows of sourceWidth pixels), or
// white where source is NULL, to (x, y) of the frame, clipped to the frame.
static void CopySquare(Frame *frame, int x, int y, int size, const uint32_t *source, int sourceWidth)
{
    int left = x < 0 ? -x : 0;
    int top = y < 0 ? -y : 0;
    int right = frame->width - x < size ? frame->width - x : size;
    int bottom = frame->height - y < size ? frame->height - y : size;
    if (left >= right || top >= bottom)
        return;
    if (!source) {
        FillWhite(frame, x + left, y + top, x + right, y + bottom);
        return;
    }
    int width = right - left;
    for (int row = top; row < bottom; row++) {
        uint32_t *to = PixelAt(frame, x + left, y + row);
        const uint32_t *from = source + (size_t)row * (size_t)sourceWidth + left;
        // A whole cell's row has a size known here, which the compiler copies
        // in a few moves; a call to the C library's memcpy for each row costs
        // three times as much.
        if (width == CellPixels)
            memcpy(to, from, CellPixels * sizeof(uint32_t));
        else
            memcpy(to, from, (size_t)width * sizeof(uint32_t));
    }
}

struct Block {
    int32_t colour;
    int32_t column;
    int32_t row;
};

enum { MostBlocks = BoardRows * BoardColumns };

// One layer of blocks of one size, in the order given: GDI draws the first
// block of each colour that the frame holds whole, and every block that the
// frame's edge cuts (GDI clips it); once that is flushed, every other block
// is copied from the drawn one of its colour. Blocks of one layer never
// overlap, so the order among them does not change a pixel. Each layer
// draws its own: what a later layer covers is never copied.
static void PlaceBlocks(Frame *frame, const Block *blocks, int count, int originX, int originY, int small)
{
    int size = small ? (int)PreviewCellPixels : (int)CellPixels;
    const uint32_t *drawn[ShapeCount] = {};
    for (int i = 0; i < count; i++) {
        const Block *block = &blocks[i];
        int x = originX + size * block->column, y = originY + size * block->row;
        int inside = SquareInside(frame, x, y, size);
        if (inside && drawn[block->colour])
            continue;
        DrawBevelBlock(frame->dc, block->colour, originX, originY, block->column, block->row, small);
        if (inside)
            drawn[block->colour] = PixelAt(frame, x, y);
    }
    GdiFlush();
    for (int i = 0; i < count; i++) {
        const Block *block = &blocks[i];
        int x = originX + size * block->column, y = originY + size * block->row;
        const uint32_t *from = drawn[block->colour];
        if (SquareInside(frame, x, y, size) && from != PixelAt(frame, x, y))
            CopySquare(frame, x, y, size, from, frame->width);
    }
}

static int DrawableColour(int32_t colour)
{
    return colour >= 0 && colour < ShapeCount;
}

// The blocks first, so that GDI is flushed before any cell is written in
// memory; then every other cell gets its tile, or white where there is none.
static void ComposeBoard(Frame *frame, const Playfield *field)
{
    Block blocks[MostBlocks];
    int count = 0;
    for (int row = 0; row < BoardRows; row++) {
        for (int column = 0; column < BoardColumns; column++) {
            const Cell *cell = &field->cells[row][column];
            if (cell->occupied && DrawableColour(cell->colour))
                blocks[count++] = { cell->colour, column, row };
        }
    }
    PlaceBlocks(frame, blocks, count, BoardOriginX, BoardOriginY, 0);

    const uint32_t *sheet = TileSheetCopy();
    for (int row = 0; row < BoardRows; row++) {
        for (int column = 0; column < BoardColumns; column++) {
            const Cell *cell = &field->cells[row][column];
            int x = BoardOriginX + CellPixels * column;
            int y = BoardOriginY + CellPixels * row;
            if (cell->occupied && DrawableColour(cell->colour))
                continue;
            const uint32_t *tile = NULL;
            if (!cell->occupied && sheet && cell->edgeMask < TileCount)
                tile = sheet + (size_t)(CellPixels * (cell->edgeMask >> TileColumnBits)) * TileSheetPixels +
                       CellPixels * (cell->edgeMask & TileColumnMask);
            CopySquare(frame, x, y, CellPixels, tile, TileSheetPixels);
        }
    }
}

// The filled cells of a shape in one rotation, in one colour, as blocks at
// (column, row) plus their place in the shape's grid.
static void ComposeShape(Frame *frame, int32_t shape, int32_t rotation, int32_t colour, int32_t column, int32_t row,
                         int originX, int originY, int small)
{
    if (!DrawableColour(colour))
        return;
    Block blocks[ShapeGridSize * ShapeGridSize];
    int count = 0;
    for (int y = 0; y < ShapeGridSize; y++)
        for (int x = 0; x < ShapeGridSize; x++)
            if (ShapeCellAt(shape, rotation, x, y))
                blocks[count++] = { colour, column + x, row + y };
    PlaceBlocks(frame, blocks, count, originX, originY, small);
}

static void ComposeFallingPiece(Frame *frame, const FallingPiece *piece)
{
    ComposeShape(frame, piece->shape, piece->rotation, piece->colour, piece->column, piece->row, BoardOriginX,
                 BoardOriginY, 0);
}

// The next shape in rotation 0, in its own colour.
static void ComposeNextPreview(Frame *frame, int32_t shape)
{
    ComposeShape(frame, shape, 0, shape, 0, 0, PreviewX, PreviewY, 1);
}

int PaintFrameComposed(HDC target, const GameSession *session, int width, int height)
{
    Frame frame;
    if (width <= 0 || height <= 0 || !MakeFrame(&frame, target, width, height))
        return 0;
    WhiteOutsideBoard(&frame);
    HGDIOBJ oldFont = StartFrame(frame.dc, session);
    ComposeBoard(&frame, &session->playfield);
    DrawScore(frame.dc, &session->scoreBoard);
    ComposeFallingPiece(&frame, &session->piece);
    ComposeNextPreview(&frame, session->nextShape);
    SelectObject(frame.dc, oldFont);
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
