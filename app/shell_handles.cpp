#include "shell_handles.h"

static HWND mainWindow;
static HINSTANCE appInstance;

void SetShellHandles(HWND window, HINSTANCE instance)
{
    mainWindow = window;
    appInstance = instance;
}

HWND GetMainWindow(void)
{
    return mainWindow;
}

HINSTANCE GetAppInstance(void)
{
    return appInstance;
}
