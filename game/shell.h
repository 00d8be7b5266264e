// Everything the rules core asks of the world outside it. The Windows program
// links the real functions; the native tests link recording fakes.
#ifndef PELLORIN_SHELL_H
#define PELLORIN_SHELL_H

#include <stdint.h>

#include "game_types.h"
#include "timer_slots.h"

struct ScoreBoard;

// The two menu items whose marks follow the game.
enum MenuMark {
    PauseMark = 0,
    MusicMark = 1
};

// Millisecond clock (timeGetTime); differences are taken modulo 2^32.
uint32_t ReadMilliseconds(void);

// Invalidate the whole client area without erasing; safe from any thread.
void RequestRepaint(void);

void SetMenuMarkChecked(MenuMark mark, int checked);
void SetMenuMarkEnabled(MenuMark mark, int enabled);

// Modal dialogs owned by the main window, and pages; each returns when the
// user is done.
void RunHighScoreEntry(const ScoreBoard *board);
void ShowHighScoreTable(void);
void ShowSettingsDialog(void);
void ShowAboutDialog(void);
void OpenHelpPage(void);

void PlayMusic(void);
void StopMusic(void);

// Ends the program: the shell's shutdown runs while the window goes away.
void DestroyMainWindow(void);

#endif
