// Writes an icon file holding one 32 x 32 image in 16 colours.
#ifndef PELLORIN_ART_ICO_4BPP_H
#define PELLORIN_ART_ICO_4BPP_H

#include <vector>

#include "icon_art.h"

// The whole .ico file: directory with one entry, then the image as an
// info header (height doubled for the two masks), 16 palette entries, the
// 4-bit colour rows and the 1-bit AND mask rows, both bottom-up.
std::vector<unsigned char> EncodeIcon4bpp(const IconPicture *picture);

#endif
