#include "inspector_text.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int ParseNumber(const char *text, unsigned long long *out)
{
    char *end = NULL;
    if (text == NULL || text[0] == '\0') return 0;
    *out = strtoull(text, &end, 0);
    return end != NULL && *end == '\0';
}

int ParseWindow(const char *text, HWND *out)
{
    unsigned long long value = 0;
    if (!ParseNumber(text, &value) || value == 0) return 0;
    *out = (HWND)(ULONG_PTR)value;
    if (IsWindow(*out)) return 1;
    fprintf(stderr, "no window %s\n", text);
    return 0;
}

void EscapeText(const char *text, char *out, size_t outSize)
{
    size_t used = 0;
    if (outSize == 0) return;
    for (; *text != '\0' && used + 3 < outSize; ++text) {
        char c = *text;
        char escaped = 0;
        if (c == '\\') escaped = '\\';
        else if (c == '\t') escaped = 't';
        else if (c == '\n') escaped = 'n';
        else if (c == '\r') escaped = 'r';
        if (escaped != 0) {
            out[used++] = '\\';
            out[used++] = escaped;
        } else {
            out[used++] = c;
        }
    }
    out[used] = '\0';
}

void PrintWindowHandle(const char *key, HWND window)
{
    printf("%s=0x%llx", key, (unsigned long long)(ULONG_PTR)window);
}

int ReadWindowText(HWND window, char *out, int outSize)
{
    DWORD_PTR length = 0;
    out[0] = '\0';
    if (!SendMessageTimeoutA(window, WM_GETTEXT, (WPARAM)outSize, (LPARAM)out,
                             SMTO_ABORTIFHUNG, 2000, &length))
        return 0;
    out[outSize - 1] = '\0';
    return 1;
}

void ReadCaption(HWND window, char *out, int outSize)
{
    out[0] = '\0';
    if (GetWindowTextA(window, out, outSize) <= 0) out[0] = '\0';
}

unsigned long long X11WindowId(HWND window)
{
    return (unsigned long long)(ULONG_PTR)GetPropA(window, "__wine_x11_whole_window");
}

void PrintWindowRecord(HWND window)
{
    char className[256];
    char title[512];
    char escaped[1100];
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(window, &pid);
    if (GetClassNameA(window, className, sizeof(className)) == 0) className[0] = '\0';
    ReadCaption(window, title, sizeof(title));
    PrintWindowHandle("hwnd", window);
    EscapeText(className, escaped, sizeof(escaped));
    printf("\tclass=%s", escaped);
    printf("\tpid=%lu\ttid=%lu\tvisible=%d\tenabled=%d", (unsigned long)pid, (unsigned long)tid,
           IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0);
    printf("\t");
    PrintWindowHandle("owner", GetWindow(window, GW_OWNER));
    printf("\txid=0x%llx", X11WindowId(window));
    EscapeText(title, escaped, sizeof(escaped));
    printf("\ttitle=%s\n", escaped);
}

unsigned long long NowMs(void)
{
    return GetTickCount64();
}
