// The five game keys through DirectInput 8 in buffered mode, with the
// program's own auto-repeat on timer slots 2 (rate) and 3 (delay).
#ifndef PELLORIN_KEYBOARD_H
#define PELLORIN_KEYBOARD_H

#include <windows.h>

int InitKeyboard(HINSTANCE instance, HWND window);
HANDLE GetKeyboardEvent(void);
void ReadKeyboard(void);
void ReleaseKeyboard(void);

// Acquires the device again when the window is activated, or only if the
// last acquisition failed when the window sees a key message: a device that
// is not acquired never signals its event, so reading alone cannot recover.
void ReacquireKeyboard(void);
void RetryKeyboardAcquire(void);

#endif
