// A strict reader for 8-bit BI_RLE8 bitmap files, written apart from the
// generator so the two do not share mistakes.
#ifndef PELLORIN_TESTS_ART_BMP_RLE8_READER_H
#define PELLORIN_TESTS_ART_BMP_RLE8_READER_H

#include <string>
#include <vector>

struct Rle8Image {
    int width;
    int height;
    int compression;
    std::vector<unsigned long> palette;      // 0x00RRGGBB
    std::vector<unsigned char> indices;      // width * height, top row first
    unsigned long rleBytes;                  // size of the compressed pixel data
};

std::vector<unsigned char> ReadWholeFile(const std::string &path);

// Returns 1 and fills image when the file is a well-formed bottom-up RLE8
// bitmap in which every row is coded exactly to its width and ends with
// end-of-line, the last row with end-of-bitmap, with nothing after it;
// otherwise 0 and a reason in error.
int DecodeRle8Bitmap(const std::vector<unsigned char> &file, Rle8Image *image, std::string *error);

#endif
