// The exchange with the game server: upload of the stored high-score block
// and the two pages opened in the browser. OpenHelpPage is in game/shell.h.
#ifndef PELLORIN_SCORE_SERVICE_H
#define PELLORIN_SCORE_SERVICE_H

#include <windows.h>
#include <stddef.h>

void OpenScoreService(HWND window);
void CloseScoreService(void);

// The 254 bytes exactly as stored: scrambled, checksum included.
void UploadHighScores(const unsigned char *stored);
void OpenHighScorePage(void);

// 1 from the start of an upload until its reply has been shown; another
// upload is not started meanwhile.
int IsUploadPending(void);

// Two upper-case hex digits per byte, high nibble first, no terminator.
void EncodeHex(const unsigned char *bytes, size_t count, char *out);

#endif
