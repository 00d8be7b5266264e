// A T-piece falling toward a gap in a stack of red and yellow blocks, drawn
// as 8 x 8 bevelled blocks (outline, light band top-left, dark band
// bottom-right, face) in the game's colours on a dark field with rounded
// corners.
#include "icon_art.h"

#include <cstring>

enum { Transparent = 0, Field = 1, FieldDot = 2, FirstBlockColour = 3 };
enum { Border, Face, Shadow, Highlight, ShadesPerColour };
enum { BlockSide = 8, Cells = IconSide / BlockSide };

static const unsigned char Palette[IconColours][3] = {
    /* red  green blue */
    {   0,    0,    0 },   // behind transparent pixels
    {  22,   24,   40 },   // field
    {  44,   48,   72 },   // field grid dots
    { 102,    0,    0 },   // red: border, face, shadow, highlight
    { 204,    0,    0 },
    { 178,    0,    0 },
    { 255,    0,    0 },
    { 102,  102,    0 },   // yellow
    { 204,  204,    0 },
    { 178,  178,    0 },
    { 255,  255,    0 },
    {  25,   50,  102 },   // blue
    {  50,  101,  204 },
    {  44,   88,  178 },
    {  63,  127,  255 },
    { 255,  255,  255 },   // unused
};

// '.' empty, 'R' red, 'Y' yellow, 'B' blue; one character per 8 x 8 cell.
static const char *const Layout[Cells] = {
    ".BBB",
    "..B.",
    "R..Y",
    "RRYY",
};

static int ColourBase(char cell)
{
    switch (cell) {
    case 'R': return FirstBlockColour;
    case 'Y': return FirstBlockColour + ShadesPerColour;
    case 'B': return FirstBlockColour + 2 * ShadesPerColour;
    default: return -1;
    }
}

// Shade of pixel (i, j) of a block, i across and j down, both 0..7.
static int BlockShade(int i, int j)
{
    const int last = BlockSide - 1;
    if (i == 0 || j == 0 || i == last || j == last)
        return Border;
    if ((i <= 2 || j <= 2) && i + j < last)
        return Highlight;
    if ((i >= last - 2 || j >= last - 2) && i + j >= last)
        return Shadow;
    return Face;
}

static int IsCutCorner(int x, int y)
{
    int cx = x < IconSide / 2 ? x : IconSide - 1 - x;
    int cy = y < IconSide / 2 ? y : IconSide - 1 - y;
    return cx + cy < 2;
}

void DrawIconPicture(IconPicture *picture)
{
    std::memcpy(picture->palette, Palette, sizeof Palette);
    for (int y = 0; y < IconSide; ++y) {
        for (int x = 0; x < IconSide; ++x) {
            int base = ColourBase(Layout[y / BlockSide][x / BlockSide]);
            int colour;
            if (base >= 0)
                colour = base + BlockShade(x % BlockSide, y % BlockSide);
            else
                colour = (x % 4 == 1 && y % 4 == 1) ? FieldDot : Field;
            int cut = IsCutCorner(x, y);
            picture->index[y][x] = (unsigned char)(cut ? Transparent : colour);
            picture->transparent[y][x] = (unsigned char)cut;
        }
    }
}
