#include "bmp_rle8_reader.h"

#include <cstdio>

std::vector<unsigned char> ReadWholeFile(const std::string &path)
{
    std::vector<unsigned char> bytes;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    int c;
    while ((c = std::fgetc(file)) != EOF)
        bytes.push_back((unsigned char)c);
    std::fclose(file);
    return bytes;
}

static unsigned long U16(const std::vector<unsigned char> &b, size_t at)
{
    return b[at] | ((unsigned long)b[at + 1] << 8);
}

static unsigned long U32(const std::vector<unsigned char> &b, size_t at)
{
    return U16(b, at) | (U16(b, at + 2) << 16);
}

static int Fail(std::string *error, const char *reason)
{
    *error = reason;
    return 0;
}

int DecodeRle8Bitmap(const std::vector<unsigned char> &file, Rle8Image *image, std::string *error)
{
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M')
        return Fail(error, "not a bitmap file");
    if (U32(file, 2) != file.size())
        return Fail(error, "file size field does not match");
    unsigned long dataOffset = U32(file, 10);
    if (U32(file, 14) != 40)
        return Fail(error, "info header is not BITMAPINFOHEADER");
    long height = (long)(int)U32(file, 22);
    image->width = (int)U32(file, 18);
    image->height = (int)height;
    image->compression = (int)U32(file, 30);
    if (height <= 0)
        return Fail(error, "rows are not bottom-up");
    if (U16(file, 26) != 1 || U16(file, 28) != 8)
        return Fail(error, "not one plane of 8 bits");
    if (image->compression != 1)
        return Fail(error, "compression is not BI_RLE8");
    unsigned long colours = U32(file, 46);
    if (colours == 0)
        colours = 256;
    if (colours > 256 || 54 + 4 * colours > dataOffset || dataOffset > file.size())
        return Fail(error, "palette does not fit");
    image->palette.clear();
    for (unsigned long i = 0; i < colours; ++i) {
        size_t at = 54 + 4 * i;
        image->palette.push_back(((unsigned long)file[at + 2] << 16) | ((unsigned long)file[at + 1] << 8) | file[at]);
    }
    image->rleBytes = file.size() - dataOffset;
    if (U32(file, 34) != image->rleBytes)
        return Fail(error, "image size field does not match the data");

    const int width = image->width;
    image->indices.assign((size_t)width * image->height, 0);
    size_t at = dataOffset;
    int row = image->height - 1;   // the first row in the file is the bottom one
    int x = 0;
    for (;;) {
        if (at + 2 > file.size())
            return Fail(error, "data ends without end-of-bitmap");
        int count = file[at], value = file[at + 1];
        at += 2;
        if (count > 0) {
            if (x + count > width)
                return Fail(error, "a run passes the end of its row");
            for (int i = 0; i < count; ++i)
                image->indices[(size_t)row * width + x++] = (unsigned char)value;
        } else if (value == 0 || value == 1) {
            if (x != width)
                return Fail(error, "a row ends before its last pixel");
            x = 0;
            if (value == 1) {
                if (row != 0)
                    return Fail(error, "end-of-bitmap before the top row");
                break;
            }
            if (--row < 0)
                return Fail(error, "more rows than the height");
        } else if (value == 2) {
            return Fail(error, "delta code in a sheet that has no gaps");
        } else {
            size_t padded = (size_t)(value + 1) & ~(size_t)1;
            if (at + padded > file.size() || x + value > width)
                return Fail(error, "absolute run passes the end");
            for (int i = 0; i < value; ++i)
                image->indices[(size_t)row * width + x++] = file[at + i];
            at += padded;
        }
    }
    if (at != file.size())
        return Fail(error, "bytes after end-of-bitmap");
    return 1;
}
