/* pellorin_inspector: looks at and drives another program's windows from
   inside the same Wine session, printing plain tab-separated key=value
   lines for the end-to-end tests. */
#include <stdio.h>
#include <string.h>

#include "inspector_commands.h"

struct CommandEntry {
    const char *name;
    int (*run)(int argc, char **argv);
    const char *usage;
};

static const CommandEntry CommandTable[] = {
    /* name            run              usage */
    {"list-windows",  CmdListWindows,  "list-windows [CLASS|-]"},
    {"find-window",   CmdFindWindow,   "find-window CLASS|- TITLE|- [TIMEOUT_MS]"},
    {"window-info",   CmdWindowInfo,   "window-info HWND"},
    {"client-rect",   CmdClientRect,   "client-rect HWND"},
    {"foreground",    CmdForeground,   "foreground [HWND]"},
    {"command",       CmdPostCommand,  "command HWND ID"},
    {"wait-exit",     CmdWaitExit,     "wait-exit PID [TIMEOUT_MS]"},
    {"run",           CmdRun,          "run TIMEOUT_MS EXE [ARGS...]"},
    {"list-dialogs",  CmdListDialogs,  "list-dialogs"},
    {"dialog-texts",  CmdDialogTexts,  "dialog-texts HWND"},
    {"click",         CmdClick,        "click HWND ID"},
    {"set-text",      CmdSetText,      "set-text HWND ID TEXT"},
    {"message-box",   CmdMessageBox,   "message-box [TIMEOUT_MS [BUTTON_ID]]"},
    {"send-keys",     CmdSendKeys,     "send-keys KEY... (name or key code, down:KEY, up:KEY)"},
    {"menu",          CmdMenu,         "menu HWND"},
    {"text-image",    CmdTextImage,    "text-image TEXT [WIDTH HEIGHT]"},
};

static void PrintUsage(void)
{
    size_t i;
    fprintf(stderr, "usage: pellorin_inspector COMMAND ARGS...\n");
    for (i = 0; i < sizeof(CommandTable) / sizeof(CommandTable[0]); ++i)
        fprintf(stderr, "  %s\n", CommandTable[i].usage);
}

int main(int argc, char **argv)
{
    size_t i;
    int result;
    if (argc < 2) {
        PrintUsage();
        return 2;
    }
    for (i = 0; i < sizeof(CommandTable) / sizeof(CommandTable[0]); ++i) {
        if (strcmp(argv[1], CommandTable[i].name) != 0) continue;
        result = CommandTable[i].run(argc - 2, argv + 2);
        if (result == 2) fprintf(stderr, "usage: pellorin_inspector %s\n", CommandTable[i].usage);
        fflush(stdout);
        return result;
    }
    PrintUsage();
    return 2;
}
