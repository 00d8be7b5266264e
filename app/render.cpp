// GDI drawing of the frame's parts, and the tile sheet with its 32-bit copy.
#include "render.h"

#include <stdio.h>

#include "render_seams.h"
#include "resources/resource_ids.h"

struct Rgb {
    BYTE red, green, blue;
};

static const Rgb ColourTable[ShapeCount] = {
    /* red  green  blue */
    { 255,    0,    0 },
    {   0,  255,    0 },
    {  63,  127,  255 },
    { 255,  255,    0 },
    {   0,  255,  255 },
    { 255,    0,  255 },
    { 255,  127,   63 },
};

static const double BorderShade = 0.4;
static const double FaceShade = 0.8;
static const double ShadowShade = 0.7;
static const double HighlightShade = 1.0;

enum {
    HairlinePenWidth = 0,      // one pixel whatever the mapping
    StatusTextFormat = 0,      // top-left, no word wrap
    ScoreTextFormat = DT_NOCLIP | DT_SINGLELINE,
    WholeString = -1,          // DrawTextA takes the length from the zero
};

// Indexed by GameState.
static const char *const StatusTexts[] = {
    "Status: Ready",
    "Status: Playing",
    "Status: Paused",
    "Status: Game Over",
};

static HDC tileSheetDc;
// The sheet as top-down 32-bit pixels, kept as long as the sheet itself so
// that a frame composed in memory copies tiles without GDI.
static uint32_t tileSheetPixels[TileSheetPixels * TileSheetPixels];
static int tileSheetCopied;

COLORREF ScaleColour(int colourIndex, double factor)
{
    const Rgb *c = &ColourTable[colourIndex];
    // Truncated toward zero, not rounded.
    return RGB((BYTE)(c->red * factor), (BYTE)(c->green * factor), (BYTE)(c->blue * factor));
}

BlockShades ShadesOf(int colourIndex)
{
    BlockShades shades;
    shades.border = ScaleColour(colourIndex, BorderShade);
    shades.face = ScaleColour(colourIndex, FaceShade);
    shades.shadow = ScaleColour(colourIndex, ShadowShade);
    shades.highlight = ScaleColour(colourIndex, HighlightShade);
    return shades;
}

// GetDIBits wants the bitmap not selected into any context, so the copy is
// taken before the sheet goes into its memory context.
static int CopyTileSheet(HDC dc, HBITMAP sheet)
{
    BITMAP size;
    if (!GetObjectA(sheet, sizeof size, &size) || size.bmWidth != TileSheetPixels ||
        size.bmHeight != TileSheetPixels)
        return 0;
    BITMAPINFO info;
    DescribeTopDown32(&info, TileSheetPixels, TileSheetPixels);
    return GetDIBits(dc, sheet, 0, TileSheetPixels, tileSheetPixels, &info, DIB_RGB_COLORS) ==
           TileSheetPixels;
}

void LoadTileSheet(HWND window)
{
    HBITMAP sheet = (HBITMAP)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDB_TILE_SHEET), IMAGE_BITMAP, 0, 0,
                                        LR_DEFAULTCOLOR);
    HDC windowDc = GetDC(window);
    tileSheetDc = CreateCompatibleDC(windowDc);
    if (windowDc)
        ReleaseDC(window, windowDc);
    if (!sheet)
        return;
    if (!tileSheetDc) {
        DeleteObject(sheet);
        return;
    }
    tileSheetCopied = CopyTileSheet(tileSheetDc, sheet);
    SelectObject(tileSheetDc, sheet);
}

const uint32_t *TileSheetCopy(void)
{
    return tileSheetCopied ? tileSheetPixels : NULL;
}

static void FillPolygon(HDC dc, COLORREF colour, const POINT *points, int count)
{
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Polygon(dc, points, count);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
}

void DrawBevelBlock(HDC dc, int colourIndex, int originX, int originY, int column, int row, int small)
{
    int s = small ? (int)PreviewCellPixels : (int)CellPixels;
    int x = originX + s * column;
    int y = originY + s * row;
    BlockShades shades = ShadesOf(colourIndex);

    HPEN borderPen = CreatePen(PS_INSIDEFRAME, HairlinePenWidth, shades.border);
    HBRUSH faceBrush = CreateSolidBrush(shades.face);
    HGDIOBJ oldPen = SelectObject(dc, borderPen);
    HGDIOBJ oldBrush = SelectObject(dc, faceBrush);
    Rectangle(dc, x, y, x + s, y + s);

    HPEN nullPen = CreatePen(PS_NULL, HairlinePenWidth, RGB(0, 0, 0));
    SelectObject(dc, nullPen);
    SelectObject(dc, oldBrush);
    DeleteObject(borderPen);
    DeleteObject(faceBrush);

    const POINT shadow[6] = {
        { x, y + s - 1 }, { x + s - 1, y + s - 1 }, { x + s - 1, y },
        { x + s - 4, y + 4 }, { x + s - 4, y + s - 4 }, { x + 4, y + s - 4 },
    };
    FillPolygon(dc, shades.shadow, shadow, 6);
    const POINT highlight[6] = {
        { x + 1, y + s - 1 }, { x + 1, y + 1 }, { x + s - 1, y + 1 },
        { x + s - 3, y + 3 }, { x + 3, y + 3 }, { x + 3, y + s - 3 },
    };
    FillPolygon(dc, shades.highlight, highlight, 6);

    SelectObject(dc, oldPen);
    DeleteObject(nullPen);
}

void DrawTile(HDC dc, uint16_t edgeMask, int originX, int originY, int column, int row)
{
    BitBlt(dc, originX + CellPixels * column, originY + CellPixels * row, CellPixels, CellPixels,
           tileSheetDc, CellPixels * (edgeMask & TileColumnMask), CellPixels * (edgeMask >> TileColumnBits), SRCCOPY);
}

void DrawBoard(HDC dc, const Playfield *field)
{
    for (int row = 0; row < BoardRows; row++) {
        for (int column = 0; column < BoardColumns; column++) {
            const Cell *cell = &field->cells[row][column];
            if (cell->occupied)
                DrawBevelBlock(dc, cell->colour, BoardOriginX, BoardOriginY, column, row, 0);
            else
                DrawTile(dc, cell->edgeMask, BoardOriginX, BoardOriginY, column, row);
        }
    }
}

void DrawFallingPiece(HDC dc, const FallingPiece *piece)
{
    if (piece->colour == HiddenColour)
        return;
    for (int y = 0; y < ShapeGridSize; y++) {
        for (int x = 0; x < ShapeGridSize; x++) {
            if (CellAt(piece, x, y))
                DrawBevelBlock(dc, piece->colour, BoardOriginX, BoardOriginY, piece->column + x, piece->row + y, 0);
        }
    }
}

void DrawNextPreview(HDC dc, int32_t shape, int x, int y)
{
    for (int gridY = 0; gridY < ShapeGridSize; gridY++) {
        for (int gridX = 0; gridX < ShapeGridSize; gridX++) {
            if (ShapeCellAt(shape, 0, gridX, gridY))
                DrawBevelBlock(dc, shape, x, y, gridX, gridY, 1);
        }
    }
}

void DrawScore(HDC dc, const ScoreBoard *board)
{
    char text[64];
    FormatScoreLine(board, text, sizeof text);
    RECT at = { ScoreLineX, ScoreLineY, ScoreLineX, ScoreLineY };
    DrawTextA(dc, text, WholeString, &at, ScoreTextFormat);
}

HGDIOBJ StartFrame(HDC dc, const GameSession *session)
{
    RECT statusLine = { StatusX, StatusY, ClientWidth, ClientHeight };
    const char *status = StatusTexts[Ready];
    if (session->state >= Ready && session->state <= GameOver)
        status = StatusTexts[session->state];

    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, OPAQUE);
    DrawTextA(dc, status, WholeString, &statusLine, StatusTextFormat);
    return oldFont;
}

void DrawFrame(HDC dc, const GameSession *session)
{
    RECT client = { 0, 0, ClientWidth, ClientHeight };
    FillRect(dc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldFont = StartFrame(dc, session);
    DrawBoard(dc, &session->playfield);
    DrawScore(dc, &session->scoreBoard);
    DrawFallingPiece(dc, &session->piece);
    DrawNextPreview(dc, session->nextShape, PreviewX, PreviewY);
    SelectObject(dc, oldFont);
}

void PaintFrameByGdi(HDC target, const GameSession *session, int width, int height)
{
    HDC frameDc = CreateCompatibleDC(target);
    HBITMAP frame = CreateCompatibleBitmap(target, width, height);
    if (!frameDc || !frame) {
        if (frame)
            DeleteObject(frame);
        if (frameDc)
            DeleteDC(frameDc);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(frameDc, frame);
    DrawFrame(frameDc, session);
    BitBlt(target, 0, 0, width, height, frameDc, 0, 0, SRCCOPY);
    SelectObject(frameDc, oldBitmap);
    DeleteObject(frame);
    DeleteDC(frameDc);
}
