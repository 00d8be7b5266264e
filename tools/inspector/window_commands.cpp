/* Commands about top-level windows: finding them, their geometry and
   state, bringing one forward, sending it menu commands, waiting for a
   process to end. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "inspector_commands.h"
#include "inspector_text.h"

struct WindowQuery {
    const char *className;   /* NULL matches any */
    const char *title;       /* NULL matches any */
    int visibleOnly;
    int printAll;
    HWND found;
};

static const char *AnyWhenDash(const char *text)
{
    return (text != NULL && strcmp(text, "-") == 0) ? NULL : text;
}

static int WindowMatches(HWND window, const WindowQuery *query)
{
    char text[512];
    if (query->visibleOnly && !IsWindowVisible(window)) return 0;
    if (query->className != NULL) {
        if (GetClassNameA(window, text, sizeof(text)) == 0) return 0;
        if (strcmp(text, query->className) != 0) return 0;
    }
    if (query->title != NULL) {
        ReadCaption(window, text, sizeof(text));
        if (strcmp(text, query->title) != 0) return 0;
    }
    return 1;
}

static BOOL CALLBACK VisitTopLevel(HWND window, LPARAM param)
{
    WindowQuery *query = (WindowQuery *)param;
    if (!WindowMatches(window, query)) return TRUE;
    if (query->printAll) {
        PrintWindowRecord(window);
        return TRUE;
    }
    query->found = window;
    return FALSE;
}

int CmdListWindows(int argc, char **argv)
{
    WindowQuery query = {NULL, NULL, 0, 1, NULL};
    if (argc > 1) return 2;
    if (argc == 1) query.className = AnyWhenDash(argv[0]);
    EnumWindows(VisitTopLevel, (LPARAM)&query);
    return 0;
}

/* Waits until a visible window of the class and title exists and has its
   X window, so that the caller can both inspect it and send X events. */
int CmdFindWindow(int argc, char **argv)
{
    WindowQuery query = {NULL, NULL, 1, 0, NULL};
    unsigned long long timeout = 10000;
    unsigned long long start = NowMs();
    if (argc < 2 || argc > 3) return 2;
    query.className = AnyWhenDash(argv[0]);
    query.title = AnyWhenDash(argv[1]);
    if (argc == 3 && !ParseNumber(argv[2], &timeout)) return 2;
    for (;;) {
        query.found = NULL;
        EnumWindows(VisitTopLevel, (LPARAM)&query);
        if (query.found != NULL && X11WindowId(query.found) != 0) {
            PrintWindowRecord(query.found);
            return 0;
        }
        if (NowMs() - start >= timeout) break;
        Sleep(50);
    }
    fprintf(stderr, "find-window: no visible window of that class and title\n");
    return 1;
}

int CmdWindowInfo(int argc, char **argv)
{
    HWND window;
    RECT rect;
    if (argc != 1 || !ParseWindow(argv[0], &window)) return 2;
    PrintWindowRecord(window);
    printf("style=0x%08lx\texstyle=0x%08lx\t", (unsigned long)GetWindowLongA(window, GWL_STYLE),
           (unsigned long)GetWindowLongA(window, GWL_EXSTYLE));
    printf("menu=0x%llx", (unsigned long long)(ULONG_PTR)GetMenu(window));
    if (!GetWindowRect(window, &rect)) return 1;
    printf("\twindow_rect=%ld,%ld,%ld,%ld", rect.left, rect.top, rect.right, rect.bottom);
    printf("\ticonic=%d\tzoomed=%d\n", IsIconic(window) ? 1 : 0, IsZoomed(window) ? 1 : 0);
    return 0;
}

int CmdClientRect(int argc, char **argv)
{
    HWND window;
    RECT client;
    POINT origin = {0, 0};
    if (argc != 1 || !ParseWindow(argv[0], &window)) return 2;
    if (!GetClientRect(window, &client) || !ClientToScreen(window, &origin)) return 1;
    printf("x=%ld\ty=%ld\twidth=%ld\theight=%ld\n", origin.x, origin.y,
           client.right - client.left, client.bottom - client.top);
    return 0;
}

static void PrintInputState(void)
{
    GUITHREADINFO info;
    HWND foreground = GetForegroundWindow();
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    if (foreground == NULL || !GetGUIThreadInfo(GetWindowThreadProcessId(foreground, NULL), &info))
        memset(&info, 0, sizeof(info));
    PrintWindowHandle("foreground", foreground);
    printf("\t");
    PrintWindowHandle("active", info.hwndActive);
    printf("\t");
    PrintWindowHandle("focus", info.hwndFocus);
    printf("\n");
}

/* Without a window manager Wine does not follow X focus changes, so the
   window is brought forward inside Wine; the caller also focuses its X
   window. Waits briefly until Wine reports it in the foreground. */
int CmdForeground(int argc, char **argv)
{
    HWND window;
    unsigned long long start;
    if (argc == 0) {
        PrintInputState();
        return 0;
    }
    if (argc != 1 || !ParseWindow(argv[0], &window)) return 2;
    start = NowMs();
    for (;;) {
        BringWindowToTop(window);
        SetForegroundWindow(window);
        if (GetForegroundWindow() == window) break;
        if (NowMs() - start >= 3000) break;
        Sleep(50);
    }
    PrintInputState();
    return GetForegroundWindow() == window ? 0 : 1;
}

/* A menu choice as the window sees it: WM_COMMAND with the item id. */
int CmdPostCommand(int argc, char **argv)
{
    HWND window;
    unsigned long long id = 0;
    if (argc != 2 || !ParseWindow(argv[0], &window) || !ParseNumber(argv[1], &id) || id > 0xFFFF)
        return 2;
    return PostMessageA(window, WM_COMMAND, MAKEWPARAM((WORD)id, 0), 0) ? 0 : 1;
}

int CmdWaitExit(int argc, char **argv)
{
    unsigned long long pid = 0;
    unsigned long long timeout = 10000;
    HANDLE process;
    DWORD code = 0;
    DWORD waited;
    if (argc < 1 || argc > 2 || !ParseNumber(argv[0], &pid)) return 2;
    if (argc == 2 && !ParseNumber(argv[1], &timeout)) return 2;
    process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, (DWORD)pid);
    if (process == NULL) {
        printf("exited=1\texit_code=unknown\n");
        return 0;
    }
    /* Tells a caller that runs this in the background when it may let the
       process end. */
    printf("waiting=1\n");
    fflush(stdout);
    waited = WaitForSingleObject(process, (DWORD)timeout);
    if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code)) {
        CloseHandle(process);
        printf("exited=0\n");
        return 1;
    }
    CloseHandle(process);
    printf("exited=1\texit_code=%lu\n", (unsigned long)code);
    return 0;
}
