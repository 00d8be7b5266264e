// The key fields of the Settings dialog: read-only edit controls, subclassed,
// that show one game key, turn bold under the pointer and, once clicked, take
// the next key pressed. A key already held by another field is swapped.
#ifndef PELLORIN_KEY_CAPTURE_H
#define PELLORIN_KEY_CAPTURE_H

#include <windows.h>
#include <stdint.h>

#include "settings_store.h"

enum {
    KeyNameSize = 30
};

// Turns the control into a key field showing text; 1 when it could.
int MakeActiveStatic(HWND control, const char *text);
// 1 for a control that MakeActiveStatic turned into a key field.
int IsKeyField(HWND control);

// The layout's full key name, as GetKeyNameText gives it (empty when unknown);
// name holds KeyNameSize characters.
void FullKeyName(uint16_t code, char *name);

// The working copy of the KeyMap that the key fields edit (KeyMapSize codes).
uint16_t *GetPendingKeyMap(void);

#endif
