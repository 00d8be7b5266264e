// Background music: two built-in MIDI tracks through DirectMusic.
// PlayMusic and StopMusic are declared in game/shell.h.
#ifndef PELLORIN_MUSIC_PLAYER_H
#define PELLORIN_MUSIC_PLAYER_H

#include <windows.h>

int InitMusic(HWND window);
void RestartMusic(void);
void ReleaseMusic(void);

#endif
