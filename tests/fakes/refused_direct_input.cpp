// Linked into a build of the real program in place of dinput8's entry
// point: DirectInput refuses, as on a machine whose keyboard cannot be
// opened, so the start-up's failure path runs as players would meet it.
#define DIRECTINPUT_VERSION 0x0800
#include <windows.h>
#include <dinput.h>

extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE, DWORD, REFIID, LPVOID *object, LPUNKNOWN)
{
    *object = NULL;
    return DIERR_NOTINITIALIZED;
}
