// The program's icon picture: 32 x 32 pixels in a 16-colour palette.
#ifndef PELLORIN_ART_ICON_ART_H
#define PELLORIN_ART_ICON_ART_H

enum { IconSide = 32, IconColours = 16 };

struct IconPicture {
    unsigned char palette[IconColours][3];          // red, green, blue
    unsigned char index[IconSide][IconSide];        // [row][column], top row first
    unsigned char transparent[IconSide][IconSide];  // 1 where the desktop shows through
};

void DrawIconPicture(IconPicture *picture);

#endif
