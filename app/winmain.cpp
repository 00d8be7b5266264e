// Program entry and the event loop, which waits at once for window messages
// and for the keyboard device's event.
#include <windows.h>

#include "app/main_window.h"
#include "input/keyboard.h"

static const char InstanceMutexName[] = "__Pellorin_Mutex_Is_Used__";

static int RunEventLoop(HANDLE keyboardEvent)
{
    DWORD handleCount = keyboardEvent ? 1 : 0;
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(handleCount, &keyboardEvent, FALSE, INFINITE, QS_ALLINPUT);
        if (handleCount && woken == WAIT_OBJECT_0) {
            ReadKeyboard();
            continue;
        }
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return (int)msg.wParam;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Owned for the whole run; it ends with the process.
    CreateMutexA(NULL, TRUE, InstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;
    if (IsDebuggerPresent())
        return 0;
    if (!RegisterMainWindowClass(instance))
        return 0;
    HWND window = CreateMainWindow(instance);
    if (!window)
        return 0;
    ShowWindow(window, SW_SHOWNORMAL);
    return RunEventLoop(GetKeyboardEvent());
}
