// Entry points of modules that are not linked into this build yet. Each
// reports failure or does nothing, as its module would when unavailable.
#include <windows.h>

#include "game/shell.h"

#ifndef PELLORIN_HAVE_MUSIC
int InitMusic(HWND) { return 0; }
void PlayMusic(void) {}
void StopMusic(void) {}
void RestartMusic(void) {}
void ReleaseMusic(void) {}
#endif

#ifndef PELLORIN_HAVE_SCORE_SERVICE
void OpenScoreService(HWND) {}
void CloseScoreService(void) {}
void UploadHighScores(const unsigned char *) {}
void OpenHighScorePage(void) {}
void OpenHelpPage(void) {}
#endif

#ifndef PELLORIN_HAVE_HIGHSCORE_DIALOGS
void RunHighScoreEntry(const ScoreBoard *, WindowRef, InstanceRef) {}
void ShowHighScoreTable(WindowRef, InstanceRef) {}
#endif

#ifndef PELLORIN_HAVE_SETTINGS_DIALOG
int ShowSettingsDialog(InstanceRef) { return -1; }
#endif
