/* menu HWND: prints the window's menu, one line per item, depth first.
   Another process's menu cannot be read under Wine, so a hook DLL is set on
   the window's thread and asked, through a registered message, to copy the
   menu into shared memory. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "inspector_commands.h"
#include "inspector_text.h"
#include "menu_snapshot.h"

static int HookDllPath(char *path, DWORD size)
{
    DWORD length = GetModuleFileNameA(NULL, path, size);
    char *slash;
    if (length == 0 || length >= size) return 0;
    slash = strrchr(path, '\\');
    if (slash == NULL) return 0;
    if ((size_t)(slash + 1 - path) + strlen(MENU_HOOK_DLL_NAME) + 1 > size) return 0;
    strcpy(slash + 1, MENU_HOOK_DLL_NAME);
    return 1;
}

/* Sets the hook on the window's thread, sends the dump message and removes
   the hook again; 1 once the hook has answered. */
static int RequestSnapshot(HWND window, HMODULE dll, HOOKPROC proc, volatile LONG *ready)
{
    DWORD thread = GetWindowThreadProcessId(window, NULL);
    UINT message = RegisterWindowMessageA(MENU_SNAPSHOT_MESSAGE);
    DWORD_PTR result = 0;
    HHOOK hook;
    if (thread == 0 || message == 0) return 0;
    hook = SetWindowsHookExA(WH_CALLWNDPROC, proc, dll, thread);
    if (hook == NULL) {
        fprintf(stderr, "menu: SetWindowsHookEx failed (%lu)\n", (unsigned long)GetLastError());
        return 0;
    }
    SendMessageTimeoutA(window, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    UnhookWindowsHookEx(hook);
    return *ready == 1;
}

int CmdMenu(int argc, char **argv)
{
    HWND window;
    char path[MAX_PATH];
    HMODULE dll;
    HOOKPROC proc;
    HANDLE mapping;
    char *view;
    int ok;
    if (argc != 1 || !ParseWindow(argv[0], &window)) return 2;
    if (!HookDllPath(path, sizeof(path))) return 1;
    dll = LoadLibraryA(path);
    if (dll == NULL) {
        fprintf(stderr, "menu: cannot load %s\n", path);
        return 1;
    }
    proc = (HOOKPROC)(void *)GetProcAddress(dll, MENU_HOOK_PROC_NAME);
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, MENU_SNAPSHOT_SIZE,
                                 MENU_SNAPSHOT_MAPPING);
    if (proc == NULL || mapping == NULL) {
        fprintf(stderr, "menu: no hook procedure or shared memory\n");
        if (mapping != NULL) CloseHandle(mapping);
        FreeLibrary(dll);
        return 1;
    }
    view = (char *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, MENU_SNAPSHOT_SIZE);
    if (view == NULL) {
        CloseHandle(mapping);
        FreeLibrary(dll);
        return 1;
    }
    memset(view, 0, MENU_SNAPSHOT_SIZE);
    ok = RequestSnapshot(window, dll, proc, (volatile LONG *)view);
    if (ok) {
        view[MENU_SNAPSHOT_SIZE - 1] = '\0';
        fputs(view + MENU_SNAPSHOT_TEXT_OFFSET, stdout);
    } else {
        fprintf(stderr, "menu: the hook did not answer\n");
    }
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    FreeLibrary(dll);
    return ok ? 0 : 1;
}
