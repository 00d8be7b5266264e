// Frames drawn into a 24-bit memory bitmap and checked at chosen pixels.
#include <windows.h>
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include "app/render_seams.h"
#include "app/screen_layout.h"
#include "game/edge_masks.h"
#include "game/random.h"
#include "game/session.h"

struct Canvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    uint8_t *bits;  // top-down BGR rows of ClientWidth * 3 bytes, padded to 4
};

static Canvas MakeCanvas(void)
{
    Canvas canvas = {};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = ClientWidth;
    info.bmiHeader.biHeight = -ClientHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    canvas.dc = CreateCompatibleDC(NULL);
    canvas.bitmap = CreateDIBSection(canvas.dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    canvas.bits = (uint8_t *)bits;
    canvas.oldBitmap = SelectObject(canvas.dc, canvas.bitmap);
    return canvas;
}

static void FreeCanvas(Canvas *canvas)
{
    SelectObject(canvas->dc, canvas->oldBitmap);
    DeleteObject(canvas->bitmap);
    DeleteDC(canvas->dc);
}

static COLORREF PixelAt(const Canvas &canvas, int x, int y)
{
    GdiFlush();
    int stride = (ClientWidth * 3 + 3) & ~3;
    const uint8_t *p = canvas.bits + y * stride + x * 3;
    return RGB(p[2], p[1], p[0]);
}

// The centre pixel of board cell (column, row).
static COLORREF CellCentre(const Canvas &canvas, int column, int row)
{
    return PixelAt(canvas, BoardOriginX + CellPixels * column + CellPixels / 2,
                   BoardOriginY + CellPixels * row + CellPixels / 2);
}

static ::testing::AssertionResult SameColour(COLORREF actual, COLORREF expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << (int)GetRValue(actual) << ", " << (int)GetGValue(actual)
                                         << ", " << (int)GetBValue(actual) << ") expected ("
                                         << (int)GetRValue(expected) << ", " << (int)GetGValue(expected) << ", "
                                         << (int)GetBValue(expected) << ")";
}

// An empty board with a hidden piece and the given next shape.
static void MakeEmptySession(GameSession *session, int32_t nextShape)
{
    memset(session, 0, sizeof *session);
    InitPlayfield(&session->playfield);
    ClearBoard(&session->playfield);
    InitScoreBoard(&session->scoreBoard);
    session->piece.playfield = &session->playfield;
    HidePiece(&session->piece);
    session->nextShape = nextShape;
    session->state = Ready;
    UpdateEdgeMasks(&session->playfield, &session->piece);
}

TEST(Shades, ChannelsAreTruncatedNotRounded)
{
    static const struct { int index; COLORREF border, face, shadow, highlight; } cases[] = {
        /* index  border            face               shadow             highlight */
        { 0, RGB(102, 0, 0),    RGB(204, 0, 0),    RGB(178, 0, 0),    RGB(255, 0, 0) },
        { 1, RGB(0, 102, 0),    RGB(0, 204, 0),    RGB(0, 178, 0),    RGB(0, 255, 0) },
        { 2, RGB(25, 50, 102),  RGB(50, 101, 204), RGB(44, 88, 178),  RGB(63, 127, 255) },
        { 3, RGB(102, 102, 0),  RGB(204, 204, 0),  RGB(178, 178, 0),  RGB(255, 255, 0) },
        { 4, RGB(0, 102, 102),  RGB(0, 204, 204),  RGB(0, 178, 178),  RGB(0, 255, 255) },
        { 5, RGB(102, 0, 102),  RGB(204, 0, 204),  RGB(178, 0, 178),  RGB(255, 0, 255) },
        { 6, RGB(102, 50, 25),  RGB(204, 101, 50), RGB(178, 88, 44),  RGB(255, 127, 63) },
    };
    for (const auto &c : cases) {
        BlockShades shades = ShadesOf(c.index);
        EXPECT_EQ(shades.border, c.border) << "colour " << c.index;
        EXPECT_EQ(shades.face, c.face) << "colour " << c.index;
        EXPECT_EQ(shades.shadow, c.shadow) << "colour " << c.index;
        EXPECT_EQ(shades.highlight, c.highlight) << "colour " << c.index;
    }
}

// The places the player sees, as the design gives them; every other check
// takes them from the layout table.
TEST(Layout, PlacesTheBoardScoreLineAndPreview)
{
    static const struct { const char *item; int value, expected; } cases[] = {
        /* item                value               expected */
        { "client width",      ClientWidth,        200 },
        { "client height",     ClientHeight,       432 },
        { "status line x",     StatusX,            0 },
        { "status line y",     StatusY,            0 },
        { "score line x",      ScoreLineX,         0 },
        { "score line y",      ScoreLineY,         15 },
        { "board origin x",    BoardOriginX,       0 },
        { "board origin y",    BoardOriginY,       32 },
        { "board cell",        CellPixels,         20 },
        { "preview x",         PreviewX,           160 },
        { "preview y",         PreviewY,           0 },
        { "preview cell",      PreviewCellPixels,  7 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.value, c.expected) << c.item;
    EXPECT_EQ(BoardOriginY + CellPixels * BoardRows, ClientHeight) << "the board ends at the bottom";
}

TEST(Render, BevelBlocksShowBorderHighlightFaceAndShadow)
{
    Canvas canvas = MakeCanvas();
    for (int colour = 0; colour < ShapeCount; colour++) {
        DrawBevelBlock(canvas.dc, colour, BoardOriginX, BoardOriginY, colour, 3, 0);
        int x = BoardOriginX + CellPixels * colour, y = BoardOriginY + CellPixels * 3;
        BlockShades shades = ShadesOf(colour);
        EXPECT_TRUE(SameColour(PixelAt(canvas, x, y + 10), shades.border)) << "left border, colour " << colour;
        EXPECT_TRUE(SameColour(PixelAt(canvas, x + 19, y + 10), shades.border)) << "right border, colour " << colour;
        EXPECT_TRUE(SameColour(PixelAt(canvas, x + 10, y), shades.border)) << "top border, colour " << colour;
        EXPECT_TRUE(SameColour(PixelAt(canvas, x + 2, y + 10), shades.highlight)) << "left band, colour " << colour;
        EXPECT_TRUE(SameColour(PixelAt(canvas, x + 10, y + 2), shades.highlight)) << "top band, colour " << colour;
        EXPECT_TRUE(SameColour(PixelAt(canvas, x + 10, y + 10), shades.face)) << "face, colour " << colour;
        EXPECT_TRUE(SameColour(PixelAt(canvas, x + 17, y + 10), shades.shadow)) << "right band, colour " << colour;
        EXPECT_TRUE(SameColour(PixelAt(canvas, x + 10, y + 17), shades.shadow)) << "bottom band, colour " << colour;
    }
    FreeCanvas(&canvas);
}

TEST(Render, PreviewDrawsTheNextShapeInSevenPixelCellsAtTheTopRight)
{
    GameSession session;
    MakeEmptySession(&session, 1);  // the bar: grid row 1, columns 0..3
    Canvas canvas = MakeCanvas();
    DrawFrame(canvas.dc, &session);
    BlockShades bar = ShadesOf(1);
    for (int x = 0; x < 4; x++) {
        int left = PreviewX + PreviewCellPixels * x, top = PreviewY + PreviewCellPixels;
        EXPECT_TRUE(SameColour(PixelAt(canvas, left, top), bar.border)) << "cell " << x;
        EXPECT_TRUE(SameColour(PixelAt(canvas, left + 1, top + 1), bar.highlight)) << "cell " << x;
    }
    EXPECT_TRUE(SameColour(PixelAt(canvas, PreviewX + 3, PreviewY + 3), RGB(255, 255, 255))) << "grid row 0 is empty";
    EXPECT_TRUE(SameColour(PixelAt(canvas, PreviewX + 4 * PreviewCellPixels + 1, PreviewY + 10), RGB(255, 255, 255)))
        << "nothing right of the preview";
    FreeCanvas(&canvas);
}

static int DarkPixelsIn(const Canvas &canvas, int left, int top, int right, int bottom)
{
    int dark = 0;
    for (int y = top; y < bottom; y++)
        for (int x = left; x < right; x++)
            if (GetRValue(PixelAt(canvas, x, y)) < 100)
                dark++;
    return dark;
}

TEST(Render, StatusAndScoreLinesAreDrawnAboveTheBoard)
{
    static const GameState states[] = { Ready, Playing, Paused, GameOver, (GameState)7 };
    int darkByState[5];
    for (int i = 0; i < 5; i++) {
        GameSession session;
        MakeEmptySession(&session, 0);
        session.state = states[i];
        Canvas canvas = MakeCanvas();
        DrawFrame(canvas.dc, &session);
        darkByState[i] = DarkPixelsIn(canvas, StatusX, StatusY, PreviewX - 10, ScoreLineY - 1);
        EXPECT_GT(darkByState[i], 20) << "status text for state " << i;
        EXPECT_GT(DarkPixelsIn(canvas, ScoreLineX, ScoreLineY, PreviewX - 10, BoardOriginY - 1), 20) << "score line";
        FreeCanvas(&canvas);
    }
    EXPECT_NE(darkByState[0], darkByState[3]) << "Ready and Game Over read differently";
    EXPECT_EQ(darkByState[0], darkByState[4]) << "an unknown state reads as Ready";
}

TEST(Render, TheFallingPieceIsDrawnUnlessHidden)
{
    GameSession session;
    MakeEmptySession(&session, 0);
    int32_t next = 4;
    SpawnPiece(&session.piece, &next);  // the T: grid row 1 columns 1..3, row 2 column 2
    Canvas canvas = MakeCanvas();
    DrawFrame(canvas.dc, &session);
    BlockShades t = ShadesOf(4);
    EXPECT_TRUE(SameColour(CellCentre(canvas, 4, 0), t.face)) << "row 0, column 4";
    EXPECT_TRUE(SameColour(CellCentre(canvas, 5, 1), t.face)) << "row 1, column 5";
    EXPECT_TRUE(SameColour(CellCentre(canvas, 4, -1), RGB(255, 255, 255))) << "nothing above the board";

    HidePiece(&session.piece);
    DrawFrame(canvas.dc, &session);
    EXPECT_NE(CellCentre(canvas, 4, 0), t.face);
    FreeCanvas(&canvas);
}

// The sheet stays loaded for the rest of the run, as in the program.
static void LoadTileSheetOnce(void)
{
    static int loaded;
    if (loaded)
        return;
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(window != NULL);
    LoadTileSheet(window);
    DestroyWindow(window);
    loaded = 1;
}

#ifdef HAVE_TILE_SHEET
TEST(Render, EmptyCellsShowTheTileOfTheirEdgeMask)
{
    LoadTileSheetOnce();
    GameSession session;
    MakeEmptySession(&session, 0);
    Canvas canvas = MakeCanvas();
    DrawFrame(canvas.dc, &session);
    int left = BoardOriginX + CellPixels * 5, top = BoardOriginY + CellPixels * 10;
    // Inner cell, mask 0: plain white.
    EXPECT_TRUE(SameColour(CellCentre(canvas, 5, 10), RGB(255, 255, 255)));
    // Top-left corner cell, mask 47: up-left, up, up-right, left and down-left filled.
    COLORREF corner = PixelAt(canvas, BoardOriginX, BoardOriginY);
    EXPECT_LT(GetRValue(corner), 200);
    EXPECT_EQ(GetRValue(corner), GetGValue(corner));
    // Top row middle, mask 7: the wall's shadow along the top edge, white at the bottom.
    EXPECT_LT(GetRValue(PixelAt(canvas, left + 10, BoardOriginY)), 140);
    EXPECT_EQ(GetRValue(PixelAt(canvas, left + 10, BoardOriginY + CellPixels - 1)), 255);

    // Mask 2, a lone block above: the edge shadow's middle greys from the edge inward.
    DrawTile(canvas.dc, 2, BoardOriginX, BoardOriginY, 5, 10);
    static const int topShadow[] = { 132, 173, 205, 226, 238, 247, 253, 255 };
    for (int depth = 0; depth < 8; depth++)
        EXPECT_EQ(GetRValue(PixelAt(canvas, left + 10, top + depth)), topShadow[depth]) << "depth " << depth;

    // A cell with all eight neighbours filled uses the last tile.
    DrawTile(canvas.dc, 255, BoardOriginX, BoardOriginY, 5, 10);
    EXPECT_NEAR(GetRValue(PixelAt(canvas, left, top)), 70, 8);
    FreeCanvas(&canvas);
}

// The frame composed in memory against the one drawn by GDI calls alone,
// every pixel of the client area; a frame smaller than that leaves the rest
// of both canvases alike untouched.
static ::testing::AssertionResult SameFrameBothWays(const GameSession *session, int width = ClientWidth,
                                                    int height = ClientHeight)
{
    Canvas byGdi = MakeCanvas(), composed = MakeCanvas();
    PaintFrameByGdi(byGdi.dc, session, width, height);
    int painted = PaintFrameComposed(composed.dc, session, width, height);
    GdiFlush();
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    if (!painted)
        result = ::testing::AssertionFailure() << "the composed frame was not painted";
    int differing = 0;
    for (int y = 0; y < ClientHeight && painted; y++) {
        for (int x = 0; x < ClientWidth; x++) {
            COLORREF expected = PixelAt(byGdi, x, y), actual = PixelAt(composed, x, y);
            if (actual != expected && differing++ == 0)
                result = ::testing::AssertionFailure() << "first difference at (" << x << ", " << y << "): "
                                                       << SameColour(actual, expected).message();
        }
    }
    if (differing)
        result << "; " << differing << " pixels differ";
    FreeCanvas(&byGdi);
    FreeCanvas(&composed);
    return result;
}

static void PlacePiece(GameSession *session, int32_t shape, int32_t rotation, int32_t column, int32_t row)
{
    session->piece.shape = shape;
    session->piece.rotation = rotation;
    session->piece.colour = shape;
    session->piece.column = column;
    session->piece.row = row;
}

TEST(ComposedFrame, ReadyBoardsOfRandomColoursInEveryState)
{
    LoadTileSheetOnce();
    static const GameState states[] = { Ready, Playing, Paused, GameOver, (GameState)7 };
    for (uint32_t seed = 1; seed <= 5; seed++) {
        for (GameState state : states) {
            GameSession session;
            MakeEmptySession(&session, (int32_t)(seed % ShapeCount));
            SeedRandom(seed);
            InitPlayfield(&session.playfield);
            session.state = state;
            EXPECT_TRUE(SameFrameBothWays(&session)) << "seed " << seed << ", state " << (int)state;
        }
    }
}

TEST(ComposedFrame, EveryColourOnTheBoardAndInThePreview)
{
    LoadTileSheetOnce();
    for (int32_t next = 0; next < ShapeCount; next++) {
        GameSession session;
        MakeEmptySession(&session, next);
        for (int row = 0; row < BoardRows; row++) {
            for (int column = 0; column < BoardColumns; column++) {
                Cell *cell = &session.playfield.cells[row][column];
                cell->occupied = (row + column + next) % 3 != 0;
                cell->colour = (row * BoardColumns + column + next) % ShapeCount;
            }
        }
        UpdateEdgeMasks(&session.playfield, &session.piece);
        EXPECT_TRUE(SameFrameBothWays(&session)) << "next shape " << next;
    }
}

// Rows -2 and -1 put cells over the status and score lines, rows 0 and 1
// are where a piece appears; columns -1 and 8 reach past the board's sides.
TEST(ComposedFrame, PiecesInEveryRotationAboveTheBoardAndAcrossIt)
{
    LoadTileSheetOnce();
    static const int32_t rows[] = { -2, -1, 0, 1, 9, 17 };
    static const int32_t columns[] = { -1, 3, 8 };
    GameSession session;
    MakeEmptySession(&session, 2);
    SeedRandom(77);
    InitPlayfield(&session.playfield);
    for (int row = 0; row < BoardRows / 2; row++)
        for (int column = 0; column < BoardColumns; column++)
            session.playfield.cells[row][column].occupied = 0;
    session.state = Playing;
    for (int32_t shape = 0; shape < ShapeCount; shape++) {
        for (int32_t rotation = 0; rotation < RotationCount; rotation++) {
            for (int32_t row : rows) {
                for (int32_t column : columns) {
                    PlacePiece(&session, shape, rotation, column, row);
                    UpdateEdgeMasks(&session.playfield, &session.piece);
                    EXPECT_TRUE(SameFrameBothWays(&session)) << "shape " << shape << " rotation " << rotation
                                                             << " at column " << column << ", row " << row;
                }
            }
        }
    }
}

// A client area smaller than the frame's layout (a menu bar that wraps
// takes height from it) cuts board cells, the piece and the preview at its
// edges, where the blocks cannot be copied whole.
TEST(ComposedFrame, AClientAreaSmallerThanTheLayoutCutsTheFrameAlike)
{
    LoadTileSheetOnce();
    static const struct { int width, height; } sizes[] = {
        /* width  height */
        { 190, 425 },   // the last column and row cut
        { 170, 20 },    // the status line and the preview's top alone
        { 45, 50 },     // mid-cell, and the bar across board row 0 cut at both ends
        { 1, 1 },
    };
    GameSession session;
    MakeEmptySession(&session, 5);
    SeedRandom(31);
    InitPlayfield(&session.playfield);
    PlacePiece(&session, 1, 0, -1, -1);
    session.state = Playing;
    UpdateEdgeMasks(&session.playfield, &session.piece);
    for (const auto &size : sizes)
        EXPECT_TRUE(SameFrameBothWays(&session, size.width, size.height)) << size.width << " x " << size.height;
}

TEST(ComposedFrame, GameOverShowsNoPieceAndTheNextShape)
{
    LoadTileSheetOnce();
    GameSession session;
    MakeEmptySession(&session, 6);
    SeedRandom(9);
    InitPlayfield(&session.playfield);
    for (int row = 0; row < 4; row++)
        for (int column = 0; column < BoardColumns; column += 2)
            session.playfield.cells[row][column].occupied = 0;
    session.scoreBoard.score = 123456;
    session.scoreBoard.level = 12;
    session.state = GameOver;
    HidePiece(&session.piece);
    UpdateEdgeMasks(&session.playfield, &session.piece);
    EXPECT_TRUE(SameFrameBothWays(&session));
}

// Masks set by hand, so every tile of the sheet is copied once, 0 and 255
// among them.
TEST(ComposedFrame, EveryEdgeMaskShowsItsTile)
{
    LoadTileSheetOnce();
    const int cellsPerFrame = BoardRows * BoardColumns;
    for (int first = 0; first < TileCount; first += cellsPerFrame) {
        GameSession session;
        MakeEmptySession(&session, 0);
        for (int i = 0; i < cellsPerFrame; i++)
            session.playfield.cells[i / BoardColumns][i % BoardColumns].edgeMask =
                (uint16_t)((first + i) % TileCount);
        EXPECT_TRUE(SameFrameBothWays(&session)) << "masks from " << first;
    }
    for (uint16_t mask : { (uint16_t)0, (uint16_t)255 }) {
        GameSession session;
        MakeEmptySession(&session, 3);
        for (int row = 0; row < BoardRows; row++)
            for (int column = 0; column < BoardColumns; column++)
                session.playfield.cells[row][column].edgeMask = mask;
        EXPECT_TRUE(SameFrameBothWays(&session)) << "mask " << mask << " everywhere";
    }
}

TEST(ComposedFrame, RandomBoardsWithMasksFromTheCore)
{
    LoadTileSheetOnce();
    SeedRandom(2024);
    for (int frame = 0; frame < 40; frame++) {
        GameSession session;
        MakeEmptySession(&session, (int32_t)(NextRandom() % ShapeCount));
        for (int row = 0; row < BoardRows; row++) {
            for (int column = 0; column < BoardColumns; column++) {
                Cell *cell = &session.playfield.cells[row][column];
                cell->occupied = NextRandom() % 100 < frame * 2;
                cell->colour = (int32_t)(NextRandom() % ShapeCount);
            }
        }
        if (frame % 2)
            PlacePiece(&session, (int32_t)(NextRandom() % ShapeCount), (int32_t)(NextRandom() % RotationCount),
                       (int32_t)(NextRandom() % 7), (int32_t)(NextRandom() % 18) - 1);
        session.state = frame % 2 ? Playing : Paused;
        UpdateEdgeMasks(&session.playfield, &session.piece);
        EXPECT_TRUE(SameFrameBothWays(&session)) << "frame " << frame;
    }
}
#else
TEST(ComposedFrame, EmptyCellsAreWhiteWhenTheTileSheetCannotBeLoaded)
{
    LoadTileSheetOnce();  // this suite is built without the resource
    GameSession session;
    MakeEmptySession(&session, 1);
    SeedRandom(5);
    InitPlayfield(&session.playfield);
    for (int row = 0; row < BoardRows; row += 2)
        for (int column = 0; column < BoardColumns; column++)
            session.playfield.cells[row][column].occupied = 0;
    UpdateEdgeMasks(&session.playfield, &session.piece);
    Canvas canvas = MakeCanvas();
    ASSERT_TRUE(PaintFrameComposed(canvas.dc, &session, ClientWidth, ClientHeight));
    int others = 0;
    for (int row = 0; row < BoardRows; row += 2)
        for (int y = 0; y < CellPixels; y++)
            for (int x = 0; x < ClientWidth; x++)
                others += PixelAt(canvas, x, BoardOriginY + CellPixels * row + y) != RGB(255, 255, 255);
    EXPECT_EQ(others, 0) << "pixels of the empty rows that are not white";
    EXPECT_TRUE(SameColour(CellCentre(canvas, 0, 1), ShadesOf(session.playfield.cells[1][0].colour).face))
        << "the blocks are drawn as usual";
    EXPECT_GT(DarkPixelsIn(canvas, StatusX, StatusY, PreviewX - 10, ScoreLineY - 1), 20) << "and the status line";
    FreeCanvas(&canvas);
}
#endif

TEST(Render, PaintingLeavesNoGdiObjectBehind)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, ClientWidth, ClientHeight, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(window != NULL);
    GameSession *session = GetSession();
    InitSession();
    InitSessionBoard();
    ReadySession();
    HDC dc = GetDC(window);
    for (int i = 0; i < 10; i++)
        PaintWindow(window, dc);
    DWORD after10 = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 10000; i++)
        PaintWindow(window, dc);
    DWORD after10000 = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    EXPECT_EQ(after10000, after10);
    printf("GDI objects after 10 frames: %lu, after 10000: %lu\n", after10, after10000);
    // Where the count is not kept, a leak of six objects per block would have
    // exhausted the handle table long before now.
    HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_TRUE(probe != NULL);
    DeleteObject(probe);
    EXPECT_EQ(session->state, Ready);
    ReleaseDC(window, dc);
    DestroyWindow(window);
}
