// Decodes the committed tile sheet with the test's own RLE8 reader and
// checks the layout and the shadow figures the board relies on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bmp_rle8_reader.h"

namespace {

const int Side = 320, Tile = 20;

class TileSheet : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::vector<unsigned char> file = ReadWholeFile(std::string(ART_COMMITTED_DIR) + "/tiles.bmp");
        std::string error;
        decoded = DecodeRle8Bitmap(file, &image, &error);
        decodeError = error;
        fileSize = file.size();
    }

    // Grey of pixel (x, y) of the tile for mask m, through the palette.
    static int Grey(int mask, int x, int y)
    {
        int px = Tile * (mask & 15) + x, py = Tile * (mask >> 4) + y;
        return (int)(image.palette[image.indices[(size_t)py * Side + px]] & 0xFF);
    }

    static Rle8Image image;
    static int decoded;
    static std::string decodeError;
    static size_t fileSize;
};

Rle8Image TileSheet::image;
int TileSheet::decoded;
std::string TileSheet::decodeError;
size_t TileSheet::fileSize;

// An edge shadow seen from its edge: which mask, and how a (depth, along)
// position maps to the tile's (x, y).
struct EdgeView {
    int mask;
    int depthAlongX;   // 1: depth runs along x (left, right edges)
    int depthFromFar;  // 1: depth counted from x or y = 19
};

const EdgeView Edges[4] = {
    /* mask  depthAlongX  depthFromFar */
    {   2,   0,           0 },   // top
    {  64,   0,           1 },   // bottom
    {   8,   1,           0 },   // left
    {  16,   1,           1 },   // right
};

int EdgeGrey(int (*grey)(int, int, int), const EdgeView &edge, int mask, int depth, int along)
{
    int d = edge.depthFromFar ? Tile - 1 - depth : depth;
    return edge.depthAlongX ? grey(mask, d, along) : grey(mask, along, d);
}

const int MiddleProfile[8] = {132, 173, 205, 226, 238, 247, 253, 255};
const int EndProfile[7] = {184, 210, 231, 244, 252, 255, 255};

}  // namespace

TEST_F(TileSheet, IsA320SquareRle8BitmapOfGreys)
{
    ASSERT_TRUE(decoded) << decodeError;
    EXPECT_EQ(image.width, Side);
    EXPECT_EQ(image.height, Side);
    ASSERT_EQ(image.palette.size(), 256u);
    for (size_t i = 0; i < image.palette.size(); ++i) {
        unsigned long c = image.palette[i];
        EXPECT_TRUE((c >> 16) == (c & 0xFF) && ((c >> 8) & 0xFF) == (c & 0xFF)) << "palette entry " << i;
    }
    // Runs really are coded as runs: the data is well under one byte a pixel.
    EXPECT_LT(image.rleBytes, (unsigned long)(Side * Side * 3 / 4));
}

TEST_F(TileSheet, MaskZeroIsPlainWhite)
{
    ASSERT_TRUE(decoded) << decodeError;
    for (int y = 0; y < Tile; ++y)
        for (int x = 0; x < Tile; ++x)
            ASSERT_EQ(Grey(0, x, y), 255) << "pixel " << x << "," << y;
}

TEST_F(TileSheet, EdgeShadowDepthProfileAtMiddleAndEnds)
{
    ASSERT_TRUE(decoded) << decodeError;
    for (const EdgeView &edge : Edges) {
        for (int depth = 0; depth < 8; ++depth) {
            EXPECT_EQ(EdgeGrey(Grey, edge, edge.mask, depth, 9), MiddleProfile[depth]) << "mask " << edge.mask << " depth " << depth;
            EXPECT_EQ(EdgeGrey(Grey, edge, edge.mask, depth, 10), MiddleProfile[depth]) << "mask " << edge.mask << " depth " << depth;
        }
        for (int depth = 0; depth < 7; ++depth) {
            EXPECT_EQ(EdgeGrey(Grey, edge, edge.mask, depth, 0), EndProfile[depth]) << "mask " << edge.mask << " depth " << depth;
            EXPECT_EQ(EdgeGrey(Grey, edge, edge.mask, depth, 19), EndProfile[depth]) << "mask " << edge.mask << " depth " << depth;
        }
        // Nothing beyond the shadow's reach.
        for (int depth = 7; depth < Tile; ++depth)
            for (int along = 0; along < Tile; ++along)
                ASSERT_EQ(EdgeGrey(Grey, edge, edge.mask, depth, along), 255) << "mask " << edge.mask;
    }
}

TEST_F(TileSheet, CornerShadowIsASmallQuarterDisc)
{
    struct Corner { int mask, x0, y0, dx, dy; };
    static const Corner Corners[4] = {
        /* mask  x0  y0  dx  dy */
        {   1,   0,  0,  1,  1 },
        {   4,  19,  0, -1,  1 },
        {  32,   0, 19,  1, -1 },
        { 128,  19, 19, -1, -1 },
    };
    static const int Diagonal[4] = {204, 235, 252, 255};
    ASSERT_TRUE(decoded) << decodeError;
    for (const Corner &c : Corners) {
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(Grey(c.mask, c.x0 + k * c.dx, c.y0 + k * c.dy), Diagonal[k]) << "mask " << c.mask << " step " << k;
        // Small: white from the tile's middle outwards on the far sides.
        EXPECT_EQ(Grey(c.mask, c.x0 + 6 * c.dx, c.y0), 255) << "mask " << c.mask;
        EXPECT_EQ(Grey(c.mask, c.x0, c.y0 + 6 * c.dy), 255) << "mask " << c.mask;
        EXPECT_EQ(Grey(c.mask, 10, 10), 255) << "mask " << c.mask;
    }
}

TEST_F(TileSheet, FullySurroundedTileIsDarkestInTheCorners)
{
    ASSERT_TRUE(decoded) << decodeError;
    const int corners[4][2] = {{0, 0}, {19, 0}, {0, 19}, {19, 19}};
    for (const auto &c : corners)
        EXPECT_NEAR(Grey(255, c[0], c[1]), 70, 1) << "corner " << c[0] << "," << c[1];
    const int middles[8][2] = {{9, 0}, {10, 0}, {9, 19}, {10, 19}, {0, 9}, {0, 10}, {19, 9}, {19, 10}};
    for (const auto &m : middles)
        EXPECT_NEAR(Grey(255, m[0], m[1]), 125, 1) << "edge middle " << m[0] << "," << m[1];
    EXPECT_EQ(Grey(255, 10, 10), 255);
}

// Every filled neighbour darkens its tile: no pixel gets lighter, and some
// pixel gets darker.
TEST_F(TileSheet, EveryNeighbourDarkens)
{
    ASSERT_TRUE(decoded) << decodeError;
    for (int mask = 0; mask < 256; ++mask) {
        for (int bit = 1; bit < 256; bit <<= 1) {
            if (mask & bit)
                continue;
            int darker = 0;
            for (int y = 0; y < Tile; ++y)
                for (int x = 0; x < Tile; ++x) {
                    ASSERT_LE(Grey(mask | bit, x, y), Grey(mask, x, y)) << "mask " << mask << " + " << bit << " at " << x << "," << y;
                    darker |= Grey(mask | bit, x, y) < Grey(mask, x, y);
                }
            EXPECT_TRUE(darker) << "bit " << bit << " leaves mask " << mask << " unchanged";
        }
    }
}

TEST_F(TileSheet, AllTilesDiffer)
{
    ASSERT_TRUE(decoded) << decodeError;
    for (int a = 0; a < 256; ++a)
        for (int b = a + 1; b < 256; ++b) {
            int differ = 0;
            for (int y = 0; y < Tile && !differ; ++y)
                for (int x = 0; x < Tile && !differ; ++x)
                    differ = Grey(a, x, y) != Grey(b, x, y);
            EXPECT_TRUE(differ) << "masks " << a << " and " << b;
        }
}

// Under a continuous wall the shadow bands of two neighbouring empty cells
// join without a step: the last column of the left cell matches the first
// column of the right one.
TEST_F(TileSheet, WallShadowsJoinAcrossNeighbouringCells)
{
    struct Pair { int left, right; };
    static const Pair Pairs[] = {
        /* left: its top-right etc. are the right cell's top etc. */
        { 2 | 4,            1 | 2 },            // wall above
        { 1 | 2 | 4,        1 | 2 | 4 },        // wall above, continuing both ways
        { 64 | 128,         32 | 64 },          // wall below
        { 2 | 4 | 64 | 128, 1 | 2 | 32 | 64 },  // corridor
    };
    ASSERT_TRUE(decoded) << decodeError;
    for (const Pair &p : Pairs)
        for (int y = 0; y < Tile; ++y)
            EXPECT_EQ(Grey(p.left, 19, y), Grey(p.right, 0, y)) << "masks " << p.left << "|" << p.right << " row " << y;
}
