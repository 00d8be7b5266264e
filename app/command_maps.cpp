#include "command_maps.h"

#include "resources/resource_ids.h"

struct CommandMapping {
    WPARAM code;
    GameCommand command;
};

// The five game keys come from the keyboard device, not from here.
static const CommandMapping KeyCommands[] = {
    /* virtual key   command */
    { VK_ESCAPE,     Quit },
    { 'M',           ToggleMusic },
    { 'P',           Pause },
    { VK_F1,         ShowHelp },
    { VK_F2,         NewGame },
};

static const CommandMapping MenuCommands[] = {
    /* menu item        command */
    { IDM_PAUSE,        Pause },
    { IDM_MUSIC,        ToggleMusic },
    { IDM_NEW_GAME,     NewGame },
    { IDM_HIGH_SCORE,   ShowHighScores },
    { IDM_QUIT,         Quit },
    { IDM_SETTINGS,     ShowSettings },
    { IDM_HELP,         ShowHelp },
    { IDM_ABOUT,        ShowAbout },
};

static GameCommand LookUp(const CommandMapping *table, size_t count, WPARAM code)
{
    for (size_t i = 0; i < count; i++) {
        if (table[i].code == code)
            return table[i].command;
    }
    return None;
}

GameCommand KeyToCommand(WPARAM virtualKey)
{
    return LookUp(KeyCommands, sizeof KeyCommands / sizeof KeyCommands[0], virtualKey);
}

GameCommand MenuIdToCommand(WPARAM wParam)
{
    return LookUp(MenuCommands, sizeof MenuCommands / sizeof MenuCommands[0], LOWORD(wParam));
}
