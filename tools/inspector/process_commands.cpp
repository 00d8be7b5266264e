/* run: starts a program inside the Wine session and watches, every 10 ms
   until it ends, which top-level windows its process owns; for checking that
   a program ends at once without showing anything. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "inspector_commands.h"
#include "inspector_text.h"

#define MAX_SEEN_WINDOWS 64

struct WindowWatch {
    DWORD pid;
    HWND seen[MAX_SEEN_WINDOWS];
    int seenCount;
    int visibleCount;
};

static int AlreadySeen(const WindowWatch *watch, HWND window)
{
    int i;
    for (i = 0; i < watch->seenCount; ++i) {
        if (watch->seen[i] == window) return 1;
    }
    return 0;
}

static BOOL CALLBACK NoteWindowOfProcess(HWND window, LPARAM param)
{
    WindowWatch *watch = (WindowWatch *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != watch->pid || AlreadySeen(watch, window)) return TRUE;
    if (watch->seenCount < MAX_SEEN_WINDOWS) watch->seen[watch->seenCount++] = window;
    if (IsWindowVisible(window)) ++watch->visibleCount;
    PrintWindowRecord(window);
    return TRUE;
}

static int BuildCommandLine(int argc, char **argv, char *out, size_t size)
{
    size_t used = 0;
    int i;
    out[0] = '\0';
    for (i = 0; i < argc; ++i) {
        size_t length = strlen(argv[i]);
        if (used + length + 4 >= size) return 0;
        if (i > 0) out[used++] = ' ';
        out[used++] = '"';
        memcpy(out + used, argv[i], length);
        used += length;
        out[used++] = '"';
        out[used] = '\0';
    }
    return 1;
}

int CmdRun(int argc, char **argv)
{
    unsigned long long timeout = 0;
    char commandLine[4096];
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    WindowWatch watch;
    unsigned long long start;
    DWORD code = 0;
    int ended = 0;
    if (argc < 2 || !ParseNumber(argv[0], &timeout)) return 2;
    if (!BuildCommandLine(argc - 1, argv + 1, commandLine, sizeof(commandLine))) return 2;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    memset(&watch, 0, sizeof(watch));
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        fprintf(stderr, "run: cannot start (%lu)\n", (unsigned long)GetLastError());
        return 1;
    }
    watch.pid = process.dwProcessId;
    start = NowMs();
    for (;;) {
        EnumWindows(NoteWindowOfProcess, (LPARAM)&watch);
        if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0) {
            ended = 1;
            break;
        }
        if (NowMs() - start >= timeout) break;
    }
    if (ended) GetExitCodeProcess(process.hProcess, &code);
    else TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    printf("ended=%d\texit_code=%lu\tmilliseconds=%llu\twindows=%d\tvisible_windows=%d\n", ended,
           (unsigned long)code, NowMs() - start, watch.seenCount, watch.visibleCount);
    return ended ? 0 : 1;
}
