// The Settings dialog: game server, sound track, game keys and auto-repeat
// timing, stored on OK. ShowSettingsDialog is declared in game/shell.h.
#ifndef PELLORIN_SETTINGS_DIALOG_H
#define PELLORIN_SETTINGS_DIALOG_H

#include "game/shell.h"

#endif
