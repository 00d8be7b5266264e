// BI_RLE8 rows: a run of 2..255 equal pixels is one (count, index) pair; a
// stretch of 3..255 pixels without runs goes in absolute mode (0, count,
// indices, padded to an even length); a single leftover pixel is a run of 1.
// Every row but the last ends with end-of-line (0, 0), the last with
// end-of-bitmap (0, 1).
#include "bmp_rle8.h"
#include "little_endian.h"

#include <cstddef>

static const int FileHeaderSize = 14;
static const int InfoHeaderSize = 40;
static const int PaletteEntries = 256;
static const int BiRle8 = 1;
static const int PixelsPerMetre = 2835;   // 72 dots per inch
static const int MaxCount = 255;

static void SetU32(std::vector<unsigned char> *out, std::size_t at, unsigned long value)
{
    for (int i = 0; i < 4; ++i)
        (*out)[at + i] = (unsigned char)((value >> (8 * i)) & 0xFF);
}

static int RunLength(const unsigned char *row, int from, int width)
{
    int n = 1;
    while (from + n < width && n < MaxCount && row[from + n] == row[from])
        ++n;
    return n;
}

static void EncodeRow(std::vector<unsigned char> *out, const unsigned char *row, int width)
{
    int x = 0;
    while (x < width) {
        int run = RunLength(row, x, width);
        if (run >= 2) {
            out->push_back((unsigned char)run);
            out->push_back(row[x]);
            x += run;
            continue;
        }
        // Gather pixels up to the next run of two or more.
        int end = x + 1;
        while (end < width && end - x < MaxCount && RunLength(row, end, width) < 2)
            ++end;
        int count = end - x;
        if (count < 3) {
            for (int i = 0; i < count; ++i) {
                out->push_back(1);
                out->push_back(row[x + i]);
            }
        } else {
            out->push_back(0);
            out->push_back((unsigned char)count);
            for (int i = 0; i < count; ++i)
                out->push_back(row[x + i]);
            if (count & 1)
                out->push_back(0);
        }
        x = end;
    }
}

std::vector<unsigned char> EncodeGreyBmpRle8(const unsigned char *pixels, int width, int height)
{
    std::vector<unsigned char> out;
    unsigned long dataOffset = FileHeaderSize + InfoHeaderSize + 4 * PaletteEntries;

    // BITMAPFILEHEADER; the file size is filled in at the end.
    PutU16(&out, 0x4D42);   // "BM"
    PutU32(&out, 0);
    PutU16(&out, 0);
    PutU16(&out, 0);
    PutU32(&out, dataOffset);

    // BITMAPINFOHEADER; the image size is filled in at the end.
    PutU32(&out, InfoHeaderSize);
    PutU32(&out, (unsigned long)width);
    PutU32(&out, (unsigned long)height);   // positive: bottom-up, as RLE requires
    PutU16(&out, 1);
    PutU16(&out, 8);
    PutU32(&out, BiRle8);
    PutU32(&out, 0);
    PutU32(&out, PixelsPerMetre);
    PutU32(&out, PixelsPerMetre);
    PutU32(&out, PaletteEntries);
    PutU32(&out, 0);

    for (int i = 0; i < PaletteEntries; ++i) {
        out.push_back((unsigned char)i);   // blue
        out.push_back((unsigned char)i);   // green
        out.push_back((unsigned char)i);   // red
        out.push_back(0);
    }

    for (int y = height - 1; y >= 0; --y) {
        EncodeRow(&out, pixels + (std::size_t)y * width, width);
        out.push_back(0);
        out.push_back(y > 0 ? 0 : 1);
    }

    SetU32(&out, 2, (unsigned long)out.size());
    SetU32(&out, FileHeaderSize + 20, (unsigned long)(out.size() - dataOffset));
    return out;
}
