// The window's own keys and the menu's items as game commands.
#ifndef PELLORIN_COMMAND_MAPS_H
#define PELLORIN_COMMAND_MAPS_H

#include <windows.h>

#include "game/game_types.h"

GameCommand KeyToCommand(WPARAM virtualKey);
GameCommand MenuIdToCommand(WPARAM wParam);

#endif
