// Time of one paint of a board full of blocks, beside a plain copy of the
// whole client area measured in the same run.
#include <windows.h>

#include "app/render.h"
#include "bench/windows/bench_stats.h"
#include "game/session.h"

enum { Frames = 1000 };

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return 1000.0 * (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

int main(void)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, ClientWidth, ClientHeight,
                                  NULL, NULL, NULL, NULL);
    if (!window) {
        printf("no window\n");
        return 1;
    }
    InitSession();
    InitSessionBoard();  // every cell a block
    LoadTileSheet(window);
    ReadySession();

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    HDC dc = GetDC(window);
    std::vector<double> paint, copy;

    for (int i = 0; i < Frames; i++) {
        QueryPerformanceCounter(&start);
        PaintWindow(window, dc);
        GdiFlush();
        QueryPerformanceCounter(&end);
        paint.push_back(Milliseconds(start, end, frequency));
    }

    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, ClientWidth, ClientHeight);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int i = 0; i < Frames; i++) {
        QueryPerformanceCounter(&start);
        BitBlt(dc, 0, 0, ClientWidth, ClientHeight, memory, 0, 0, SRCCOPY);
        GdiFlush();
        QueryPerformanceCounter(&end);
        copy.push_back(Milliseconds(start, end, frequency));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);

    PrintStats("full-board paint", paint, "ms");
    PrintStats("plain 200 x 432 BitBlt", copy, "ms");
    DestroyWindow(window);
    return 0;
}
