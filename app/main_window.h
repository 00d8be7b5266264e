// The one main window: its class, its procedure, and the start-up and
// shutdown of every subsystem that run as it is created and destroyed.
#ifndef PELLORIN_MAIN_WINDOW_H
#define PELLORIN_MAIN_WINDOW_H

#include <windows.h>

int RegisterMainWindowClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance);

#endif
