// The Settings dialog: game server, sound track, game keys and auto-repeat
// timing, stored on OK. ShowSettingsDialog is declared in game/shell.h.
#ifndef PELLORIN_SETTINGS_DIALOG_H
#define PELLORIN_SETTINGS_DIALOG_H

#include <windows.h>

#include "game/shell.h"

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
