#include <string.h>

#include <random>

#include <gtest/gtest.h>

#include "placed_piece.h"
#include "board_pictures.h"
#include "edge_masks.h"
#include "piece.h"
#include "playfield.h"

static Playfield field;

static FallingPiece PieceAt(int shape, int rotation, int column, int row, int colour)
{
    return PlacedPiece(&field, shape, rotation, column, row, colour);
}

static FallingPiece HiddenPiece(void)
{
    return PieceAt(1, 0, 3, 9, HiddenColour);
}

static int Mask(int row, int column)
{
    return field.cells[row][column].edgeMask;
}

// The masks written the long way: every filled cell marks its neighbours,
// every border cell marks its outside sides.
static void ReferenceMasks(const Playfield *board, const FallingPiece *piece, uint16_t masks[BoardRows][BoardColumns])
{
    static const int Marks[3][3] = {
        {128, 64, 32},
        {16, 0, 8},
        {4, 2, 1},
    };
    int filled[BoardRows][BoardColumns];
    memset(masks, 0, sizeof(uint16_t) * BoardRows * BoardColumns);
    for (int r = 0; r < BoardRows; r++)
        for (int c = 0; c < BoardColumns; c++)
            filled[r][c] = board->cells[r][c].occupied != 0;
    auto mark = [&](int r, int c) {
        for (int dr = -1; dr <= 1; dr++)
            for (int dc = -1; dc <= 1; dc++)
                if ((dr || dc) && r + dr >= 0 && r + dr < BoardRows && c + dc >= 0 && c + dc < BoardColumns)
                    masks[r + dr][c + dc] |= (uint16_t)Marks[dr + 1][dc + 1];
    };
    for (int r = 0; r < BoardRows; r++) {
        for (int c = 0; c < BoardColumns; c++) {
            if (filled[r][c])
                mark(r, c);
            if (r == 0)
                masks[r][c] |= 7;
            if (c == 0)
                masks[r][c] |= 41;
            if (r == BoardRows - 1)
                masks[r][c] |= 224;
            if (c == BoardColumns - 1)
                masks[r][c] |= 148;
        }
    }
    if (piece->colour != HiddenColour)
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 4; x++)
                if (CellAt(piece, x, y))
                    mark(piece->row + y, piece->column + x);
}

TEST(EdgeMasks, EmptyBoardShowsOnlyTheBorder)
{
    WipeField(&field);
    for (int r = 0; r < BoardRows; r++)
        for (int c = 0; c < BoardColumns; c++)
            field.cells[r][c].edgeMask = 0xffff;
    FallingPiece piece = HiddenPiece();
    UpdateEdgeMasks(&field, &piece);

    EXPECT_EQ(Mask(0, 0), 47);
    EXPECT_EQ(Mask(0, 9), 151);
    EXPECT_EQ(Mask(19, 0), 233);
    EXPECT_EQ(Mask(19, 9), 244);
    for (int c = 1; c < 9; c++) {
        EXPECT_EQ(Mask(0, c), 7) << "top, column " << c;
        EXPECT_EQ(Mask(19, c), 224) << "bottom, column " << c;
    }
    for (int r = 1; r < 19; r++) {
        EXPECT_EQ(Mask(r, 0), 41) << "left, row " << r;
        EXPECT_EQ(Mask(r, 9), 148) << "right, row " << r;
        for (int c = 1; c < 9; c++)
            EXPECT_EQ(Mask(r, c), 0) << "inner " << r << "," << c;
    }
}

TEST(EdgeMasks, OneBlockMarksItsEightNeighbours)
{
    WipeField(&field);
    DrawRows(&field, 10, {".....3...."});
    FallingPiece piece = HiddenPiece();
    UpdateEdgeMasks(&field, &piece);

    EXPECT_EQ(Mask(9, 4), 128);
    EXPECT_EQ(Mask(9, 5), 64);
    EXPECT_EQ(Mask(9, 6), 32);
    EXPECT_EQ(Mask(10, 4), 16);
    EXPECT_EQ(Mask(10, 5), 0);
    EXPECT_EQ(Mask(10, 6), 8);
    EXPECT_EQ(Mask(11, 4), 4);
    EXPECT_EQ(Mask(11, 5), 2);
    EXPECT_EQ(Mask(11, 6), 1);
    EXPECT_EQ(Mask(8, 5), 0);
    EXPECT_EQ(Mask(12, 5), 0);
}

TEST(EdgeMasks, CellSurroundedOnAllSidesGets255)
{
    WipeField(&field);
    DrawRows(&field, 4, {
        "...111....",
        "...1.1....",
        "...111....",
    });
    FallingPiece piece = HiddenPiece();
    UpdateEdgeMasks(&field, &piece);
    EXPECT_EQ(Mask(5, 4), 255);
    EXPECT_EQ(Mask(5, 4) % 16, 15);
    EXPECT_EQ(Mask(5, 4) / 16, 15);
}

// A visible piece outlines the cells around it exactly as the same cells
// locked into the board would; hidden, it leaves no trace.
TEST(EdgeMasks, PieceOutlinesLikeLockedBlocksAndNotWhenHidden)
{
    WipeField(&field);
    DrawRows(&field, 17, {
        "2.........",
        "22......5.",
        "222....55.",
    });
    FallingPiece piece = PieceAt(4, 1, 2, 10, 4);
    UpdateEdgeMasks(&field, &piece);
    uint16_t withPiece[BoardRows][BoardColumns];
    for (int r = 0; r < BoardRows; r++)
        for (int c = 0; c < BoardColumns; c++)
            withPiece[r][c] = field.cells[r][c].edgeMask;
    // T standing at (10..12, 4) with its stem at (11, 5).
    EXPECT_EQ(withPiece[11][3], 16 + 4 + 128);
    EXPECT_EQ(withPiece[11][6], 8);
    EXPECT_EQ(withPiece[9][4], 64);
    EXPECT_EQ(withPiece[9][5], 32);
    EXPECT_EQ(withPiece[13][4], 2);
    EXPECT_EQ(withPiece[13][5], 1);

    Playfield locked = field;
    piece.playfield = &locked;
    LockPiece(&piece);
    FallingPiece hidden = HiddenPiece();
    UpdateEdgeMasks(&locked, &hidden);
    for (int r = 0; r < BoardRows; r++)
        for (int c = 0; c < BoardColumns; c++)
            EXPECT_EQ(locked.cells[r][c].edgeMask, withPiece[r][c]) << r << "," << c;

    HidePiece(&piece);
    UpdateEdgeMasks(&field, &piece);
    EXPECT_EQ(Mask(11, 3), 0);
    EXPECT_EQ(Mask(11, 6), 0);
    EXPECT_EQ(Mask(9, 4), 0);
    EXPECT_EQ(Mask(13, 4), 0);
}

// Random boards and pieces, including pieces partly outside the board,
// against the masks written the long way.
TEST(EdgeMasks, AgreeWithMarkingFromEveryFilledCell)
{
    std::mt19937 random(4242);
    for (int round = 0; round < 400; round++) {
        int density = (int)(random() % 100);
        for (int r = 0; r < BoardRows; r++) {
            for (int c = 0; c < BoardColumns; c++) {
                field.cells[r][c].occupied = (int)(random() % 100) < density;
                field.cells[r][c].edgeMask = (uint16_t)random();
            }
        }
        int shape = (int)(random() % 7);
        FallingPiece piece = PieceAt(shape, (int)(random() % 4), (int)(random() % 14) - 3,
                                     (int)(random() % 24) - 3, random() % 5 == 0 ? HiddenColour : shape);
        uint16_t expected[BoardRows][BoardColumns];
        ReferenceMasks(&field, &piece, expected);
        UpdateEdgeMasks(&field, &piece);
        for (int r = 0; r < BoardRows; r++)
            for (int c = 0; c < BoardColumns; c++)
                ASSERT_EQ(field.cells[r][c].edgeMask, expected[r][c])
                    << "round " << round << ", cell " << r << "," << c;
    }
}
