#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "piece.h"

typedef std::set<std::pair<int, int>> CellSet;  // (x, y)

static CellSet GridCells(int shape, int rotation)
{
    CellSet cells;
    for (int y = 0; y < ShapeGridSize; y++)
        for (int x = 0; x < ShapeGridSize; x++)
            if (ShapeCellAt(shape, rotation, x, y))
                cells.insert({x, y});
    return cells;
}

// Moves the cells so that the smallest x and y are 0.
static CellSet Normalised(const CellSet &cells)
{
    int minX = 99, minY = 99;
    for (const auto &cell : cells) {
        minX = std::min(minX, cell.first);
        minY = std::min(minY, cell.second);
    }
    CellSet moved;
    for (const auto &cell : cells)
        moved.insert({cell.first - minX, cell.second - minY});
    return moved;
}

// A quarter turn counter-clockwise as seen on the screen, y growing downwards:
// right becomes up, down becomes right.
static CellSet TurnedCcw(const CellSet &cells)
{
    CellSet turned;
    for (const auto &cell : cells)
        turned.insert({cell.second, -cell.first});
    return Normalised(turned);
}

TEST(ShapeTable, EveryGridHoldsFourCellsOfValueOne)
{
    for (int i = 0; i < ShapeCount * RotationCount * 16; i++)
        EXPECT_TRUE(ShapeTable[i] == 0 || ShapeTable[i] == 1) << "entry " << i;
    for (int shape = 0; shape < ShapeCount; shape++)
        for (int rotation = 0; rotation < RotationCount; rotation++)
            EXPECT_EQ(GridCells(shape, rotation).size(), 4u) << "shape " << shape << " rotation " << rotation;
}

TEST(ShapeTable, EachRotationIsTheLastTurnedCounterClockwise)
{
    for (int shape = 0; shape < ShapeCount; shape++) {
        for (int rotation = 0; rotation < RotationCount; rotation++) {
            int next = (rotation + 1) % RotationCount;
            EXPECT_EQ(TurnedCcw(GridCells(shape, rotation)), Normalised(GridCells(shape, next)))
                << "shape " << shape << " rotation " << rotation << " to " << next;
        }
    }
}

TEST(ShapeTable, SymmetricShapesRepeatTheirGridsExactly)
{
    for (int rotation = 1; rotation < RotationCount; rotation++)
        EXPECT_EQ(GridCells(0, rotation), GridCells(0, 0)) << "square rotation " << rotation;
    for (int shape = 1; shape <= 3; shape++) {
        EXPECT_EQ(GridCells(shape, 2), GridCells(shape, 0)) << "shape " << shape;
        EXPECT_EQ(GridCells(shape, 3), GridCells(shape, 1)) << "shape " << shape;
        EXPECT_NE(GridCells(shape, 1), GridCells(shape, 0)) << "shape " << shape;
    }
}

// Exact cells of some grids, with the entry layout ((s * 4 + r) * 4 + y) * 4 + x.
TEST(ShapeTable, SpotChecksOfSingleGrids)
{
    struct Case {
        int shape, rotation;
        CellSet cells;
    };
    const std::vector<Case> cases = {
        {1, 0, {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},  // bar lying in grid row 1
        {1, 1, {{2, 0}, {2, 1}, {2, 2}, {2, 3}}},  // bar standing in grid column 2
        {2, 0, {{2, 1}, {3, 1}, {1, 2}, {2, 2}}},
        {3, 1, {{3, 0}, {2, 1}, {3, 1}, {2, 2}}},
        {4, 0, {{1, 1}, {2, 1}, {3, 1}, {2, 2}}},  // T, stem down
        {4, 1, {{2, 0}, {2, 1}, {3, 1}, {2, 2}}},  // stem right
        {4, 2, {{2, 0}, {1, 1}, {2, 1}, {3, 1}}},  // stem up
        {4, 3, {{2, 0}, {1, 1}, {2, 1}, {2, 2}}},  // stem left
        {5, 0, {{1, 1}, {2, 1}, {3, 1}, {1, 2}}},
        {5, 3, {{1, 0}, {2, 0}, {2, 1}, {2, 2}}},
        {6, 1, {{2, 0}, {3, 0}, {2, 1}, {2, 2}}},
        {6, 3, {{2, 0}, {2, 1}, {1, 2}, {2, 2}}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(GridCells(c.shape, c.rotation), c.cells) << "shape " << c.shape << " rotation " << c.rotation;
        for (const auto &cell : c.cells)
            EXPECT_EQ(ShapeTable[((c.shape * 4 + c.rotation) * 4 + cell.second) * 4 + cell.first], 1);
    }
}

TEST(ShapeTable, RotationZeroLeavesTheTopGridRowEmpty)
{
    for (int shape = 0; shape < ShapeCount; shape++)
        for (int x = 0; x < ShapeGridSize; x++)
            EXPECT_FALSE(ShapeCellAt(shape, 0, x, 0)) << "shape " << shape;
}
