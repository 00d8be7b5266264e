#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "placed_piece.h"
#include "board_pictures.h"
#include "piece.h"
#include "playfield.h"
#include "random.h"

typedef std::vector<std::string> Picture;

static Playfield field;

static FallingPiece PieceAt(int shape, int rotation, int column, int row)
{
    return PlacedPiece(&field, shape, rotation, column, row, shape);
}

TEST(Playfield, InitialiseFillsEveryCellFromTheGeneratorRowByRow)
{
    SeedRandom(31337);
    std::vector<int> draws;
    for (int i = 0; i < 200; i++)
        draws.push_back(NextRandom() % 7);

    WipeField(&field);
    SeedRandom(31337);
    InitPlayfield(&field);
    int seen[7] = {0};
    for (int r = 0; r < BoardRows; r++) {
        for (int c = 0; c < BoardColumns; c++) {
            EXPECT_TRUE(field.cells[r][c].occupied);
            ASSERT_GE(field.cells[r][c].colour, 0);
            ASSERT_LE(field.cells[r][c].colour, 6);
            EXPECT_EQ(field.cells[r][c].colour, draws[r * 10 + c]) << "cell " << r << "," << c;
            seen[field.cells[r][c].colour]++;
        }
    }
    for (int colour = 0; colour < 7; colour++)
        EXPECT_GT(seen[colour], 0) << "colour " << colour;
}

TEST(Playfield, ClearBoardEmptiesEveryCellAndKeepsColours)
{
    SeedRandom(5);
    InitPlayfield(&field);
    Playfield before = field;
    ClearBoard(&field);
    for (int r = 0; r < BoardRows; r++) {
        for (int c = 0; c < BoardColumns; c++) {
            EXPECT_FALSE(field.cells[r][c].occupied);
            EXPECT_EQ(field.cells[r][c].colour, before.cells[r][c].colour);
        }
    }
    EXPECT_EQ(RemoveFullRows(&field), 0);
}

TEST(Playfield, Fits)
{
    struct Case {
        int shape, rotation, column, row, fits;
        const char *why;
    };
    const std::vector<Case> cases = {
        {1, 0, 0, 5, 1, "bar lying against the left wall"},
        {1, 0, -1, 5, 0, "bar lying, a cell in column -1"},
        {1, 0, 6, 5, 1, "bar lying against the right wall"},
        {1, 0, 7, 5, 0, "bar lying, a cell in column 10"},
        {1, 1, -2, 5, 1, "bar standing in column 0"},
        {1, 1, -3, 5, 0, "bar standing in column -1"},
        {1, 1, 7, 5, 1, "bar standing in column 9"},
        {1, 1, 8, 5, 0, "bar standing in column 10"},
        {1, 0, 3, -1, 1, "bar lying in row 0"},
        {1, 0, 3, -2, 0, "bar lying in row -1"},
        {1, 1, 3, -1, 0, "bar standing from row -1"},
        {1, 1, 3, 16, 1, "bar standing down to row 19"},
        {1, 1, 3, 17, 0, "bar standing down to row 20"},
        {0, 0, 3, 17, 1, "square on the floor"},
        {0, 0, 3, 18, 0, "square through the floor"},
        {0, 0, 4, 5, 0, "square over the block at (7, 6)"},
        {0, 0, 6, 5, 1, "square right of the block"},
        {0, 0, 4, 7, 1, "square below the block"},
        {4, 0, 4, 5, 0, "T with its stem on the block"},
        {4, 2, 4, 5, 1, "T with its stem up, beside the block"},
    };
    WipeField(&field);
    DrawRows(&field, 7, {"......3..."});
    for (const Case &c : cases) {
        FallingPiece piece = PieceAt(c.shape, c.rotation, c.column, c.row);
        EXPECT_EQ(Fits(&piece), c.fits) << c.why;
    }
}

TEST(Playfield, IsLanded)
{
    struct Case {
        int shape, rotation, column, row, landed;
        const char *why;
    };
    const std::vector<Case> cases = {
        {0, 0, 3, 17, 1, "square on the floor"},
        {0, 0, 3, 16, 0, "square one row above the floor"},
        {1, 0, 0, 18, 1, "bar lying in row 19"},
        {1, 1, 7, 16, 1, "bar standing down to row 19"},
        {0, 0, 5, 8, 1, "square whose left cell rests on the block at (11, 6)"},
        {0, 0, 4, 8, 1, "square whose right cell rests on the block"},
        {0, 0, 7, 8, 0, "square beside the block's column"},
        {0, 0, 5, 7, 0, "square one row above the block"},
        {5, 0, 5, 8, 1, "L whose foot at (10, 6) rests on the block at (11, 6)"},
        {5, 0, 6, 8, 0, "L whose foot hangs beside the block"},
        {1, 1, 4, 7, 1, "bar standing on the block"},
    };
    WipeField(&field);
    DrawRows(&field, 11, {"......2...", "......2..."});
    for (const Case &c : cases) {
        FallingPiece piece = PieceAt(c.shape, c.rotation, c.column, c.row);
        ASSERT_TRUE(Fits(&piece)) << c.why;
        EXPECT_EQ(IsLanded(&piece), c.landed) << c.why;
    }
}

TEST(Playfield, LockPieceWritesItsCellsInItsColour)
{
    WipeField(&field);
    FallingPiece piece = PieceAt(5, 0, 2, 17);
    LockPiece(&piece);
    EXPECT_EQ(PictureRows(&field, 17, 19), Picture({"..........", "...555....", "...5......"}));
    EXPECT_EQ(piece.row, 17);
    EXPECT_EQ(piece.colour, 5);
}

TEST(Playfield, HardDropFallsUntilLandedThenLocks)
{
    WipeField(&field);
    DrawRows(&field, 15, {"....1....."});
    FallingPiece piece = PieceAt(6, 0, 2, -1);
    HardDrop(&piece);
    EXPECT_EQ(piece.row, 13);
    EXPECT_EQ(PictureRows(&field, 13, 16), Picture({"..........", "...666....", "....16....", ".........."}));

    // Already landed: locked where it is.
    FallingPiece landed = PieceAt(0, 0, 6, 17);
    HardDrop(&landed);
    EXPECT_EQ(landed.row, 17);
    EXPECT_EQ(PictureRows(&field, 18, 19), Picture({".......00.", ".......00."}));
}

TEST(Playfield, RemovesTwoBottomRowsAndDropsThePartialRowAboveThem)
{
    WipeField(&field);
    DrawRows(&field, 16, {
        "....4.....",
        "3.3.3.....",
        "1111111111",
        "2222222222",
    });
    EXPECT_EQ(RemoveFullRows(&field), 2);
    EXPECT_EQ(PictureRows(&field, 0, 19)[0], "..........");
    EXPECT_EQ(PictureRows(&field, 16, 19), Picture({
        "..........",
        "..........",
        "....4.....",
        "3.3.3.....",
    }));
}

TEST(Playfield, RemovesSeparatedRowsTopFirst)
{
    WipeField(&field);
    DrawRows(&field, 14, {
        "..5.......",
        "6........6",
        "1111111111",
        "3.3.3.3.3.",
        ".4.4.4.4.4",
        "2222222222",
    });
    EXPECT_EQ(RemoveFullRows(&field), 2);
    EXPECT_EQ(PictureRows(&field, 14, 19), Picture({
        "..........",
        "..........",
        "..5.......",
        "6........6",
        "3.3.3.3.3.",
        ".4.4.4.4.4",
    }));
}

TEST(Playfield, RemovesFourRowsAtOnce)
{
    WipeField(&field);
    DrawRows(&field, 14, {
        "0.........",
        ".5........",
        "1111111111",
        "2222222222",
        "3333333333",
        "4444444444",
    });
    EXPECT_EQ(RemoveFullRows(&field), 4);
    EXPECT_EQ(PictureRows(&field, 0, 19), Picture({
        "..........", "..........", "..........", "..........", "..........",
        "..........", "..........", "..........", "..........", "..........",
        "..........", "..........", "..........", "..........", "..........",
        "..........", "..........", "..........",
        "0.........",
        ".5........",
    }));
}

// The whole board full: each removal pulls an emptied top row down.
TEST(Playfield, RemovesEveryRowOfAFullBoard)
{
    SeedRandom(8);
    InitPlayfield(&field);
    EXPECT_EQ(RemoveFullRows(&field), 20);
    for (int r = 0; r < BoardRows; r++)
        for (int c = 0; c < BoardColumns; c++)
            EXPECT_FALSE(field.cells[r][c].occupied);
}
