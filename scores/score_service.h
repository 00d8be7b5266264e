// The exchange with the game server: upload of the stored high-score block
// and the two pages opened in the browser. OpenHelpPage is in game/shell.h.
#ifndef PELLORIN_SCORE_SERVICE_H
#define PELLORIN_SCORE_SERVICE_H

#include <windows.h>

void OpenScoreService(void);
void CloseScoreService(void);

// The 254 bytes exactly as stored: scrambled, checksum included.
void UploadHighScores(const unsigned char *stored);
void OpenHighScorePage(void);

#endif
