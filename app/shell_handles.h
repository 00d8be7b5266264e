// The main window and the module instance. The main window records them as
// it is created and clears them as it goes; every part of the program that
// opens a window or a message box of its own asks here.
#ifndef PELLORIN_SHELL_HANDLES_H
#define PELLORIN_SHELL_HANDLES_H

#include <windows.h>

void SetShellHandles(HWND window, HINSTANCE instance);
// NULL before the main window exists and after it is gone.
HWND GetMainWindow(void);
HINSTANCE GetAppInstance(void);

#endif
