/* text-image: draws a text the way a window draws its status line (stock
   GUI font, opaque white background, black text, top-left in a rectangle)
   into a screen-compatible bitmap and prints its pixels, so that a test can
   compare a screenshot with the exact rendering of the same Wine session. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "inspector_commands.h"
#include "inspector_text.h"

static void PrintPixels(const DWORD *pixels, int width, int height)
{
    int x;
    int y;
    printf("width=%d\theight=%d\n", width, height);
    for (y = 0; y < height; ++y) {
        for (x = 0; x < width; ++x) printf("%06lx", (unsigned long)(pixels[y * width + x] & 0xFFFFFF));
        printf("\n");
    }
}

int CmdTextImage(int argc, char **argv)
{
    unsigned long long width = 200;
    unsigned long long height = 16;
    HDC screen;
    HDC memory;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    RECT rect;
    BITMAPINFO info;
    static DWORD pixels[1024 * 64];
    int ok;
    if (argc != 1 && argc != 3) return 2;
    if (argc == 3 && (!ParseNumber(argv[1], &width) || !ParseNumber(argv[2], &height))) return 2;
    if (width == 0 || height == 0 || width > 1024 || height > 64) return 2;
    screen = GetDC(NULL);
    if (screen == NULL) return 1;
    memory = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, (int)width, (int)height);
    ReleaseDC(NULL, screen);
    if (memory == NULL || bitmap == NULL) {
        if (memory != NULL) DeleteDC(memory);
        if (bitmap != NULL) DeleteObject(bitmap);
        return 1;
    }
    oldBitmap = SelectObject(memory, bitmap);
    SetRect(&rect, 0, 0, (int)width, (int)height);
    FillRect(memory, &rect, (HBRUSH)GetStockObject(WHITE_BRUSH));
    SelectObject(memory, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(memory, OPAQUE);
    DrawTextA(memory, argv[0], -1, &rect, 0);
    SelectObject(memory, oldBitmap);
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = (LONG)width;
    info.bmiHeader.biHeight = -(LONG)height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ok = GetDIBits(memory, bitmap, 0, (UINT)height, pixels, &info, DIB_RGB_COLORS) == (int)height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    if (!ok) return 1;
    PrintPixels(pixels, (int)width, (int)height);
    return 0;
}
