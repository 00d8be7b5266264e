// Each filled neighbour lays a soft shadow on the white tile. Shadows are
// kept as whiteness (1 white, 0 black) and stacked in one pixel by products.
//
// Edges: a block beside a side casts a band 7 pixels deep. Along the side
// the band fades over the last 7 pixels to each "open" end, one where
// neither the diagonal cell nor the perpendicular side is filled, as light
// comes in around the block there. When the diagonal cell at an end is
// filled the blocks continue past the tile as a wall: the band keeps its
// full strength to that end, so the bands of neighbouring empty cells join
// without a seam, and a wall shades a little deeper than a lone block.
//
// Corners: a lone diagonal block casts a small quarter disc. When exactly
// one of the two sides beside it is filled it is part of that side's wall
// and adds nothing of its own (a disc there would notch the joined band);
// in a concave corner, both sides filled, it deepens the corner.
//
// In a concave corner the darkest shadow counts fully and the others with
// OverlapExponent, so the corner is darker than either wall but lighter
// than the two walls stacked in full.
#include "tile_shadows.h"

#include <cmath>

// Darkness (255 - grey) of a lone block's band, by depth from the side.
static const double BandMiddleDark[7] = {123, 82, 50, 29, 17, 8, 2};
static const double BandOpenEndDark[7] = {71, 45, 24, 11, 3, 0, 0};
static const int BandDepth = 7;
static const int FadeLength = 7;
// A wall is 130 / 123 as dark as a lone block: grey 125 against 132 at the side.
static const double WallDarkFactor = 130.0 / 123.0;

// Quarter disc: darkness 51 at the corner pixel, Gaussian in the squared
// distance from the tile's corner point (204, 235, 252 along the diagonal).
static const double CornerDark = 51.0;
static const double CornerSpread = 4.25;
static const double CornerPixelDistanceSq = 0.5;

static const double OverlapExponent = 0.62;

struct BandSide {
    int bit;
    int alongX;       // 1: the side runs along x (top, bottom); 0: along y
    int fromFar;      // 1: depth counted from the far edge (bottom, right)
    int cornerA, sideA;   // diagonal bit and perpendicular side at the low end
    int cornerB, sideB;   // the same at the high end
};

static const BandSide BandSides[4] = {
    /* bit  alongX fromFar cornerA sideA cornerB sideB */
    {  2,   1,     0,      1,      8,    4,      16 },   // top
    { 64,   1,     1,     32,      8,  128,      16 },   // bottom
    {  8,   0,     0,      1,      2,   32,      64 },   // left
    { 16,   0,     1,      4,      2,  128,      64 },   // right
};

struct CornerDisc {
    int bit;
    int pointX, pointY;   // the tile's corner point, in pixel edges
    int sideA, sideB;     // the two sides that meet there
};

static const CornerDisc CornerDiscs[4] = {
    /* bit  pointX  pointY  sideA sideB */
    {   1,   0,      0,      2,    8 },    // top-left
    {   4,  20,      0,      2,   16 },    // top-right
    {  32,   0,     20,     64,    8 },    // bottom-left
    { 128,  20,     20,     64,   16 },    // bottom-right
};

// 0 at an open end, rising smoothly to 1 at FadeLength pixels from it.
static double FadeIn(int distance)
{
    if (distance >= FadeLength)
        return 1.0;
    double u = (double)distance / FadeLength;
    return u * u * (3.0 - 2.0 * u);
}

static double BandWhiteness(const BandSide *side, int mask, int x, int y)
{
    if (!(mask & side->bit))
        return 1.0;
    int depth = side->alongX ? y : x;
    int along = side->alongX ? x : y;
    if (side->fromFar)
        depth = TileSide - 1 - depth;
    if (depth >= BandDepth)
        return 1.0;
    int openA = !(mask & (side->cornerA | side->sideA));
    int openB = !(mask & (side->cornerB | side->sideB));
    int wall = (mask & (side->cornerA | side->cornerB)) != 0;
    double plateau = BandMiddleDark[depth] * (wall ? WallDarkFactor : 1.0);
    double dark = plateau;
    if (openA)
        dark += (BandOpenEndDark[depth] - plateau) * (1.0 - FadeIn(along));
    if (openB)
        dark += (BandOpenEndDark[depth] - plateau) * (1.0 - FadeIn(TileSide - 1 - along));
    return (255.0 - dark) / 255.0;
}

static double DiscWhiteness(const CornerDisc *disc, int mask, int x, int y)
{
    if (!(mask & disc->bit))
        return 1.0;
    int sides = ((mask & disc->sideA) != 0) + ((mask & disc->sideB) != 0);
    if (sides == 1)
        return 1.0;
    double dx = x + 0.5 - disc->pointX;
    double dy = y + 0.5 - disc->pointY;
    double dark = CornerDark * std::exp(-(dx * dx + dy * dy - CornerPixelDistanceSq) / CornerSpread);
    return (255.0 - dark) / 255.0;
}

int TileGrey(int mask, int x, int y)
{
    double shadows[8];
    int count = 0;
    for (int i = 0; i < 4; ++i)
        shadows[count++] = BandWhiteness(&BandSides[i], mask, x, y);
    for (int i = 0; i < 4; ++i)
        shadows[count++] = DiscWhiteness(&CornerDiscs[i], mask, x, y);

    int darkest = 0;
    for (int i = 1; i < count; ++i)
        if (shadows[i] < shadows[darkest])
            darkest = i;
    double whiteness = shadows[darkest];
    for (int i = 0; i < count; ++i)
        if (i != darkest)
            whiteness *= std::pow(shadows[i], OverlapExponent);

    int grey = (int)std::lround(255.0 * whiteness);
    return grey < 0 ? 0 : (grey > 255 ? 255 : grey);
}

void DrawTileSheet(unsigned char *pixels)
{
    for (int mask = 0; mask < 256; ++mask) {
        int left = TileSide * (mask % TilesPerRow);
        int top = TileSide * (mask / TilesPerRow);
        for (int y = 0; y < TileSide; ++y)
            for (int x = 0; x < TileSide; ++x)
                pixels[(top + y) * SheetSide + left + x] = (unsigned char)TileGrey(mask, x, y);
    }
}
