/* Commands about dialogs and message boxes (window class "#32770") and
   their controls, in any process of the Wine session. */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "inspector_commands.h"
#include "inspector_text.h"

#define DIALOG_CLASS "#32770"
#define MESSAGE_BOX_TEXT_ID 0xFFFF

struct DialogSearch {
    int printAll;
    HWND found;
};

static int IsDialogClass(HWND window)
{
    char className[64];
    if (GetClassNameA(window, className, sizeof(className)) == 0) return 0;
    return strcmp(className, DIALOG_CLASS) == 0;
}

static BOOL CALLBACK VisitDialog(HWND window, LPARAM param)
{
    DialogSearch *search = (DialogSearch *)param;
    if (!IsWindowVisible(window) || !IsDialogClass(window)) return TRUE;
    if (search->printAll) {
        PrintWindowRecord(window);
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

static HWND FirstVisibleDialog(void)
{
    DialogSearch search = {0, NULL};
    EnumWindows(VisitDialog, (LPARAM)&search);
    return search.found;
}

int CmdListDialogs(int argc, char **argv)
{
    DialogSearch search = {1, NULL};
    (void)argv;
    if (argc != 0) return 2;
    EnumWindows(VisitDialog, (LPARAM)&search);
    return 0;
}

static HWND FocusOfThread(HWND window)
{
    GUITHREADINFO info;
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info)) return NULL;
    return info.hwndFocus;
}

static long QueryControl(HWND control, UINT message)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(control, message, 0, 0, SMTO_ABORTIFHUNG, 2000, &result)) return -1;
    return (long)result;
}

struct ChildWalk {
    HWND focus;
};

static BOOL CALLBACK PrintChild(HWND child, LPARAM param)
{
    const ChildWalk *walk = (const ChildWalk *)param;
    char className[128];
    char text[1024];
    char escaped[2100];
    long checked = -1;
    long position = -1;
    if (GetClassNameA(child, className, sizeof(className)) == 0) className[0] = '\0';
    ReadWindowText(child, text, sizeof(text));
    if (_stricmp(className, "Button") == 0) checked = QueryControl(child, BM_GETCHECK);
    if (_stricmp(className, TRACKBAR_CLASSA) == 0) position = QueryControl(child, TBM_GETPOS);
    printf("id=%u\t", (unsigned)(GetDlgCtrlID(child) & 0xFFFF));
    PrintWindowHandle("hwnd", child);
    EscapeText(className, escaped, sizeof(escaped));
    printf("\tclass=%s\tstyle=0x%08lx\tvisible=%d\tenabled=%d\tfocus=%d\tchecked=%ld\tpos=%ld",
           escaped, (unsigned long)GetWindowLongA(child, GWL_STYLE), IsWindowVisible(child) ? 1 : 0,
           IsWindowEnabled(child) ? 1 : 0, child == walk->focus ? 1 : 0, checked, position);
    EscapeText(text, escaped, sizeof(escaped));
    printf("\ttext=%s\n", escaped);
    return TRUE;
}

int CmdDialogTexts(int argc, char **argv)
{
    HWND dialog;
    ChildWalk walk;
    if (argc != 1 || !ParseWindow(argv[0], &dialog)) return 2;
    PrintWindowRecord(dialog);
    walk.focus = FocusOfThread(dialog);
    EnumChildWindows(dialog, PrintChild, (LPARAM)&walk);
    return 0;
}

static HWND ControlOf(const char *windowText, const char *idText)
{
    HWND dialog;
    unsigned long long id = 0;
    if (!ParseWindow(windowText, &dialog) || !ParseNumber(idText, &id) || id > 0xFFFF) return NULL;
    return GetDlgItem(dialog, (int)id);
}

/* The click is queued, not awaited: a button that opens another modal
   window would otherwise keep the inspector waiting until that closes. */
static int ClickControl(HWND control)
{
    return SendNotifyMessageA(control, BM_CLICK, 0, 0) ? 1 : 0;
}

int CmdClick(int argc, char **argv)
{
    HWND control;
    if (argc != 2) return 2;
    control = ControlOf(argv[0], argv[1]);
    if (control == NULL) {
        fprintf(stderr, "click: no such control\n");
        return 1;
    }
    return ClickControl(control) ? 0 : 1;
}

int CmdSetText(int argc, char **argv)
{
    HWND control;
    DWORD_PTR result = 0;
    if (argc != 3) return 2;
    control = ControlOf(argv[0], argv[1]);
    if (control == NULL) {
        fprintf(stderr, "set-text: no such control\n");
        return 1;
    }
    if (!SendMessageTimeoutA(control, WM_SETTEXT, 0, (LPARAM)argv[2], SMTO_ABORTIFHUNG, 2000, &result))
        return 1;
    return result ? 0 : 1;
}

struct StaticSearch {
    char text[1024];
};

static BOOL CALLBACK FindMessageText(HWND child, LPARAM param)
{
    StaticSearch *search = (StaticSearch *)param;
    char className[64];
    if ((GetDlgCtrlID(child) & 0xFFFF) != MESSAGE_BOX_TEXT_ID) return TRUE;
    if (GetClassNameA(child, className, sizeof(className)) == 0) return TRUE;
    if (_stricmp(className, "Static") != 0) return TRUE;
    if (!ReadWindowText(child, search->text, sizeof(search->text)) || search->text[0] == '\0')
        return TRUE;
    return FALSE;
}

/* Waits for a message box, prints its caption and text, and optionally
   presses one of its buttons and waits until the box has gone. */
int CmdMessageBox(int argc, char **argv)
{
    unsigned long long timeout = 10000;
    unsigned long long button = 0;
    unsigned long long start = NowMs();
    HWND box = NULL;
    HWND control;
    StaticSearch search;
    char caption[512];
    char escaped[2100];
    if (argc > 2) return 2;
    if (argc >= 1 && !ParseNumber(argv[0], &timeout)) return 2;
    if (argc == 2 && (!ParseNumber(argv[1], &button) || button == 0 || button > 0xFFFF)) return 2;
    for (;;) {
        box = FirstVisibleDialog();
        if (box != NULL) break;
        if (NowMs() - start >= timeout) {
            fprintf(stderr, "message-box: none appeared\n");
            return 1;
        }
        Sleep(50);
    }
    search.text[0] = '\0';
    EnumChildWindows(box, FindMessageText, (LPARAM)&search);
    ReadCaption(box, caption, sizeof(caption));
    PrintWindowHandle("hwnd", box);
    EscapeText(caption, escaped, sizeof(escaped));
    printf("\tcaption=%s", escaped);
    EscapeText(search.text, escaped, sizeof(escaped));
    printf("\ttext=%s\n", escaped);
    if (button == 0) return 0;
    control = GetDlgItem(box, (int)button);
    if (control == NULL || !ClickControl(control)) {
        fprintf(stderr, "message-box: no button %llu\n", button);
        return 1;
    }
    start = NowMs();
    while (IsWindow(box) && IsWindowVisible(box)) {
        if (NowMs() - start >= timeout) {
            fprintf(stderr, "message-box: still open after the click\n");
            return 1;
        }
        Sleep(50);
    }
    printf("closed=1\n");
    return 0;
}
