// Time of one paint of a board full of blocks, by the frame composed in
// memory (what the window uses) and by GDI calls alone, beside a plain copy
// of the whole client area, the making of a fresh 32-bit frame bitmap, and
// the floor under any frame made afresh each paint: new memory of the
// frame's size, every byte written, given back (its pages are new to the
// process each time, and faulting them in is most of the composed frame's
// time). They alternate frame by frame, so a change of load on the machine
// weighs on all of them alike.
#include <windows.h>

#include <string.h>

#include "app/render.h"
#include "app/render_seams.h"
#include "bench/bench_stats.h"
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
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, ClientWidth, ClientHeight);
    if (!dc || !memory || !bitmap) {
        printf("no device context or bitmap\n");
        return 1;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    std::vector<double> composed, byGdi, copy, freshFrame, freshMemory;
    const size_t frameBytes = (size_t)ClientWidth * ClientHeight * sizeof(uint32_t);
    BITMAPINFO info;
    DescribeTopDown32(&info, ClientWidth, ClientHeight);
    RECT client = { 0, 0, ClientWidth, ClientHeight };

    for (int i = 0; i < Frames; i++) {
        QueryPerformanceCounter(&start);
        PaintWindow(window, dc);
        GdiFlush();
        QueryPerformanceCounter(&end);
        composed.push_back(Milliseconds(start, end, frequency));

        QueryPerformanceCounter(&start);
        PaintFrameByGdi(dc, GetSession(), ClientWidth, ClientHeight);
        GdiFlush();
        QueryPerformanceCounter(&end);
        byGdi.push_back(Milliseconds(start, end, frequency));

        QueryPerformanceCounter(&start);
        BitBlt(dc, 0, 0, ClientWidth, ClientHeight, memory, 0, 0, SRCCOPY);
        GdiFlush();
        QueryPerformanceCounter(&end);
        copy.push_back(Milliseconds(start, end, frequency));

        QueryPerformanceCounter(&start);
        void *pixels = NULL;
        HDC frameDc = CreateCompatibleDC(dc);
        HBITMAP frame = CreateDIBSection(frameDc, &info, DIB_RGB_COLORS, &pixels, NULL, 0);
        if (!frameDc || !frame) {
            printf("no frame bitmap\n");
            return 1;
        }
        HGDIOBJ oldFrame = SelectObject(frameDc, frame);
        FillRect(frameDc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
        GdiFlush();
        SelectObject(frameDc, oldFrame);
        DeleteObject(frame);
        DeleteDC(frameDc);
        QueryPerformanceCounter(&end);
        freshFrame.push_back(Milliseconds(start, end, frequency));

        QueryPerformanceCounter(&start);
        void *fresh = VirtualAlloc(NULL, frameBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!fresh) {
            printf("no fresh memory\n");
            return 1;
        }
        memset(fresh, 0xFF, frameBytes);
        VirtualFree(fresh, 0, MEM_RELEASE);
        QueryPerformanceCounter(&end);
        freshMemory.push_back(Milliseconds(start, end, frequency));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);

    PrintStats("full-board paint, composed in memory", composed, "ms");
    PrintStats("full-board paint, GDI calls alone", byGdi, "ms");
    PrintStats("plain 200 x 432 BitBlt", copy, "ms");
    PrintStats("fresh 32-bit frame DIB, filled white", freshFrame, "ms");
    PrintStats("floor: VirtualAlloc+memset+VirtualFree", freshMemory, "ms");
    printf("%-40s %.1f times faster (medians)\n", "composed against GDI calls alone",
           Percentile(byGdi, 0.5) / Percentile(composed, 0.5));
    DestroyWindow(window);
    return 0;
}
