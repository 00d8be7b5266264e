#include <vector>

#include <gtest/gtest.h>

#include "piece.h"
#include "random.h"

static FallingPiece PieceOf(int shape, int rotation)
{
    FallingPiece piece = FallingPiece();
    piece.shape = shape;
    piece.rotation = rotation;
    piece.colour = shape;
    return piece;
}

TEST(Piece, Extents)
{
    struct Case {
        int shape, rotation, left, right, top, bottom;
    };
    const std::vector<Case> cases = {
        // shape rotation left right top bottom
        {1, 0, 0, 3, 1, 1},  // bar lying
        {1, 1, 2, 2, 0, 3},  // bar standing
        {1, 2, 0, 3, 1, 1},
        {1, 3, 2, 2, 0, 3},
        {0, 0, 1, 2, 1, 2},  // square, every rotation
        {0, 1, 1, 2, 1, 2},
        {0, 2, 1, 2, 1, 2},
        {0, 3, 1, 2, 1, 2},
        {2, 0, 1, 3, 1, 2},
        {3, 1, 2, 3, 0, 2},
        {4, 3, 1, 2, 0, 2},
        {5, 2, 1, 3, 0, 1},
        {6, 3, 1, 2, 0, 2},
    };
    for (const Case &c : cases) {
        FallingPiece piece = PieceOf(c.shape, c.rotation);
        EXPECT_EQ(LeftExtent(&piece), c.left) << "shape " << c.shape << " rotation " << c.rotation;
        EXPECT_EQ(RightExtent(&piece), c.right) << "shape " << c.shape << " rotation " << c.rotation;
        EXPECT_EQ(TopExtent(&piece), c.top) << "shape " << c.shape << " rotation " << c.rotation;
        EXPECT_EQ(BottomExtent(&piece), c.bottom) << "shape " << c.shape << " rotation " << c.rotation;
    }
}

TEST(Piece, SpawnTakesTheNextShapeAndDrawsAnother)
{
    SeedRandom(99);
    std::vector<int> draws;
    for (int i = 0; i < 20; i++)
        draws.push_back(NextRandom() % 7);

    SeedRandom(99);
    FallingPiece piece = PieceOf(2, 3);
    piece.colour = HiddenColour;
    piece.column = 7;
    piece.row = 12;
    int32_t nextShape = 5;
    for (int i = 0; i < 20; i++) {
        int32_t expectedShape = i == 0 ? 5 : draws[i - 1];
        SpawnPiece(&piece, &nextShape);
        EXPECT_EQ(piece.shape, expectedShape);
        EXPECT_EQ(piece.colour, expectedShape);
        EXPECT_EQ(piece.rotation, 0);
        EXPECT_EQ(piece.column, 3);
        EXPECT_EQ(piece.row, -1);
        EXPECT_EQ(nextShape, draws[i]);
    }
}

// Spawned at column 3, the square lies on columns 4 and 5, the bar on 3 to 6,
// the others within 4 to 6.
TEST(Piece, SpawnColumns)
{
    for (int shape = 0; shape < ShapeCount; shape++) {
        FallingPiece piece = PieceOf(0, 0);
        int32_t nextShape = shape;
        SpawnPiece(&piece, &nextShape);
        int first = piece.column + LeftExtent(&piece);
        int last = piece.column + RightExtent(&piece);
        if (shape == 0) {
            EXPECT_EQ(first, 4);
            EXPECT_EQ(last, 5);
        } else if (shape == 1) {
            EXPECT_EQ(first, 3);
            EXPECT_EQ(last, 6);
        } else {
            EXPECT_EQ(first, 4) << "shape " << shape;
            EXPECT_EQ(last, 6) << "shape " << shape;
        }
        EXPECT_EQ(piece.row + TopExtent(&piece), 0) << "shape " << shape;
    }
}

TEST(Piece, MovesAndRotationActUnconditionally)
{
    FallingPiece piece = PieceOf(1, 0);
    ShiftLeft(&piece);
    ShiftLeft(&piece);
    EXPECT_EQ(piece.column, -2);
    ShiftRight(&piece);
    EXPECT_EQ(piece.column, -1);
    StepDown(&piece);
    EXPECT_EQ(piece.row, 1);
    const int expected[] = {1, 2, 3, 0, 1};
    for (int rotation : expected) {
        RotateStep(&piece);
        EXPECT_EQ(piece.rotation, rotation);
    }
}

TEST(Piece, HiddenPieceKeepsItsPlaceAndShape)
{
    FallingPiece piece = PieceOf(4, 1);
    piece.column = 5;
    piece.row = 9;
    HidePiece(&piece);
    EXPECT_EQ(piece.colour, HiddenColour);
    EXPECT_EQ(piece.shape, 4);
    EXPECT_EQ(piece.rotation, 1);
    EXPECT_EQ(piece.column, 5);
    EXPECT_EQ(piece.row, 9);
    EXPECT_TRUE(CellAt(&piece, 3, 1));
    EXPECT_FALSE(CellAt(&piece, 1, 1));
}
