#include "message_sink.h"

HWND CreateMessageSink(const char *className, WNDPROC procedure)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, instance, NULL);
}
