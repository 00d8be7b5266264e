#include "ico_4bpp.h"
#include "little_endian.h"

static const int DirectorySize = 6;
static const int EntrySize = 16;
static const int InfoHeaderSize = 40;
static const int ColourRowBytes = IconSide / 2;    // 4 bits a pixel, already a multiple of 4
static const int MaskRowBytes = IconSide / 8;      // 1 bit a pixel, already a multiple of 4

std::vector<unsigned char> EncodeIcon4bpp(const IconPicture *picture)
{
    const unsigned long pixelBytes = (unsigned long)(ColourRowBytes + MaskRowBytes) * IconSide;
    const unsigned long imageBytes = InfoHeaderSize + 4 * IconColours + pixelBytes;
    std::vector<unsigned char> out;

    // ICONDIR and its one ICONDIRENTRY.
    PutU16(&out, 0);
    PutU16(&out, 1);   // icon, not cursor
    PutU16(&out, 1);
    out.push_back(IconSide);
    out.push_back(IconSide);
    out.push_back(IconColours);
    out.push_back(0);
    PutU16(&out, 1);   // planes
    PutU16(&out, 4);   // bits a pixel
    PutU32(&out, imageBytes);
    PutU32(&out, DirectorySize + EntrySize);

    // BITMAPINFOHEADER: the height counts the colour rows and the mask rows.
    PutU32(&out, InfoHeaderSize);
    PutU32(&out, IconSide);
    PutU32(&out, 2 * IconSide);
    PutU16(&out, 1);
    PutU16(&out, 4);
    PutU32(&out, 0);   // BI_RGB
    PutU32(&out, pixelBytes);
    PutU32(&out, 0);
    PutU32(&out, 0);
    PutU32(&out, IconColours);
    PutU32(&out, 0);

    for (int i = 0; i < IconColours; ++i) {
        out.push_back(picture->palette[i][2]);
        out.push_back(picture->palette[i][1]);
        out.push_back(picture->palette[i][0]);
        out.push_back(0);
    }
    for (int y = IconSide - 1; y >= 0; --y)
        for (int x = 0; x < IconSide; x += 2)
            out.push_back((unsigned char)((picture->index[y][x] << 4) | (picture->index[y][x + 1] & 0x0F)));
    for (int y = IconSide - 1; y >= 0; --y) {
        for (int x = 0; x < IconSide; x += 8) {
            unsigned char bits = 0;
            for (int b = 0; b < 8; ++b)
                if (picture->transparent[y][x + b])
                    bits |= (unsigned char)(0x80 >> b);
            out.push_back(bits);
        }
    }
    return out;
}
