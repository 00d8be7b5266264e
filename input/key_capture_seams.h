// The key fields' naming and waiting state, for their tests.
#ifndef PELLORIN_KEY_CAPTURE_SEAMS_H
#define PELLORIN_KEY_CAPTURE_SEAMS_H

#include <stdint.h>

// The name shown for a key code after it was taken: the layout's key name up
// to its first "(", or the code as "0x%X" when that leaves nothing.
void KeyNameText(uint16_t code, char *text, int size);
void ShortKeyName(const char *fullName, uint16_t code, char *text, int size);

// 1 while a key field waits for a key.
int CaptureInProgress(void);

#endif
