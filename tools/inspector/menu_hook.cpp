/* menu_hook.dll: loaded by Wine into the inspected program when the
   inspector's WH_CALLWNDPROC hook first runs on its window thread. Menus can
   be read only from inside their own process, so on the inspector's
   registered message the hook writes the window's menu bar, depth first,
   into the inspector's shared memory block. */
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "menu_snapshot.h"

struct SnapshotText {
    char *text;
    size_t size;
    size_t used;
};

static UINT dumpMessage;

static void AppendFormat(SnapshotText *out, const char *format, ...)
{
    va_list args;
    int written;
    if (out->used + 1 >= out->size) return;
    va_start(args, format);
    written = _vsnprintf(out->text + out->used, out->size - out->used - 1, format, args);
    va_end(args);
    if (written < 0) written = (int)(out->size - out->used - 1);
    out->used += (size_t)written;
    out->text[out->used] = '\0';
}

static void AppendEscaped(SnapshotText *out, const char *text)
{
    for (; *text != '\0'; ++text) {
        if (*text == '\t') AppendFormat(out, "\\t");
        else if (*text == '\n') AppendFormat(out, "\\n");
        else if (*text == '\r') AppendFormat(out, "\\r");
        else if (*text == '\\') AppendFormat(out, "\\\\");
        else AppendFormat(out, "%c", *text);
    }
}

static const char *ItemType(const MENUITEMINFOA *info)
{
    if (info->fType & MFT_SEPARATOR) return "separator";
    if (info->hSubMenu != NULL) return "popup";
    return "string";
}

static void DumpMenu(SnapshotText *out, HMENU menu, int level)
{
    int count = GetMenuItemCount(menu);
    int position;
    for (position = 0; position < count; ++position) {
        char text[512];
        MENUITEMINFOA info;
        memset(&info, 0, sizeof(info));
        text[0] = '\0';
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        if (!GetMenuItemInfoA(menu, (UINT)position, TRUE, &info)) {
            AppendFormat(out, "level=%d\tpos=%d\terror=%lu\n", level, position,
                         (unsigned long)GetLastError());
            continue;
        }
        text[sizeof(text) - 1] = '\0';
        AppendFormat(out, "level=%d\tpos=%d\tid=%u\ttype=%s\tchecked=%d\tgrayed=%d\tdisabled=%d\ttext=",
                     level, position, (unsigned)(info.wID & 0xFFFF), ItemType(&info),
                     (info.fState & MFS_CHECKED) ? 1 : 0, (info.fState & MF_GRAYED) ? 1 : 0,
                     (info.fState & MF_DISABLED) ? 1 : 0);
        AppendEscaped(out, text);
        AppendFormat(out, "\n");
        if (info.hSubMenu != NULL) DumpMenu(out, info.hSubMenu, level + 1);
    }
}

static void WriteSnapshot(HWND window)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, MENU_SNAPSHOT_MAPPING);
    char *view;
    SnapshotText out;
    HMENU menu;
    if (mapping == NULL) return;
    view = (char *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, MENU_SNAPSHOT_SIZE);
    if (view == NULL) {
        CloseHandle(mapping);
        return;
    }
    out.text = view + MENU_SNAPSHOT_TEXT_OFFSET;
    out.size = MENU_SNAPSHOT_SIZE - MENU_SNAPSHOT_TEXT_OFFSET;
    out.used = 0;
    out.text[0] = '\0';
    menu = GetMenu(window);
    if (menu == NULL) AppendFormat(&out, "menu=none\n");
    else DumpMenu(&out, menu, 0);
    InterlockedExchange((volatile LONG *)view, 1);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
}

extern "C" LRESULT CALLBACK MenuHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && lParam != 0) {
        const CWPSTRUCT *message = (const CWPSTRUCT *)lParam;
        if (dumpMessage == 0) dumpMessage = RegisterWindowMessageA(MENU_SNAPSHOT_MESSAGE);
        if (dumpMessage != 0 && message->message == dumpMessage) WriteSnapshot(message->hwnd);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
