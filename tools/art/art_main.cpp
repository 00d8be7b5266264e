// pellorin_art TILES.bmp ICON.ico: writes the tile sheet and the icon.
// The outputs are committed under resources/; the art test checks that this
// program still writes exactly those files.
#include <cstdio>
#include <vector>

#include "bmp_rle8.h"
#include "ico_4bpp.h"
#include "icon_art.h"
#include "tile_shadows.h"

static int WriteFile(const char *path, const std::vector<unsigned char> &bytes)
{
    FILE *file = std::fopen(path, "wb");
    if (!file) {
        std::fprintf(stderr, "pellorin_art: cannot create %s\n", path);
        return 0;
    }
    size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    int closed = std::fclose(file) == 0;
    if (written != bytes.size() || !closed) {
        std::fprintf(stderr, "pellorin_art: cannot write %s\n", path);
        return 0;
    }
    return 1;
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pellorin_art TILES.bmp ICON.ico\n");
        return 2;
    }
    static unsigned char sheet[SheetSide * SheetSide];
    DrawTileSheet(sheet);
    static IconPicture icon;
    DrawIconPicture(&icon);
    int ok = WriteFile(argv[1], EncodeGreyBmpRle8(sheet, SheetSide, SheetSide));
    ok = WriteFile(argv[2], EncodeIcon4bpp(&icon)) && ok;
    return ok ? 0 : 1;
}
