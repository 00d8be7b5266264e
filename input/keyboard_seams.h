// The keyboard's steps below the device, for its tests.
#ifndef PELLORIN_KEYBOARD_SEAMS_H
#define PELLORIN_KEYBOARD_SEAMS_H

#define DIRECTINPUT_VERSION 0x0800
#include <windows.h>
#include <dinput.h>
#include <stdint.h>

uint16_t KeyCodeFromDik(DWORD dik);
int FindKeyIndex(uint16_t keyCode, int *index);

// Acts on buffered transitions as they come from the device.
void ProcessKeyItems(const DIDEVICEOBJECTDATA *items, DWORD count);

#endif
