// Writes an 8-bit grey image as a Windows bitmap file compressed with BI_RLE8.
#ifndef PELLORIN_ART_BMP_RLE8_H
#define PELLORIN_ART_BMP_RLE8_H

#include <vector>

// pixels: width * height grey levels, top row first. The palette maps
// index i to grey i, so a pixel's index is its grey level. The result is the
// whole file: file header, info header, 256 palette entries, RLE8 rows from
// the bottom up.
std::vector<unsigned char> EncodeGreyBmpRle8(const unsigned char *pixels, int width, int height);

#endif
