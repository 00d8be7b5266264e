// The shadow tiles that the board shows in empty cells: 256 tiles of 20 x 20
// grey pixels, one per neighbour mask, laid out 16 x 16 in a 320 x 320 sheet.
#ifndef PELLORIN_ART_TILE_SHADOWS_H
#define PELLORIN_ART_TILE_SHADOWS_H

enum { TileSide = 20, TilesPerRow = 16, SheetSide = TileSide * TilesPerRow };

// Grey level (0..255) of pixel (x, y) of the tile for neighbour mask 0..255.
int TileGrey(int mask, int x, int y);

// Fills pixels, SheetSide * SheetSide bytes, top row first, with the grey
// levels of the whole sheet; the tile of mask m has its top-left corner at
// (TileSide * (m % 16), TileSide * (m / 16)).
void DrawTileSheet(unsigned char *pixels);

#endif
