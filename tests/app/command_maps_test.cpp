// The window's own keys and the menu items as game commands.
#include <windows.h>
#include <gtest/gtest.h>

#include "app/command_maps.h"

TEST(CommandMaps, WindowKeys)
{
    static const struct { WPARAM key; GameCommand command; } cases[] = {
        /* wParam             command */
        { VK_ESCAPE,          Quit },
        { 'M',                ToggleMusic },
        { 'P',                Pause },
        { VK_F1,              ShowHelp },
        { VK_F2,              NewGame },
        { VK_LEFT,            None },  // game keys come from the keyboard device
        { VK_SPACE,           None },
        { 'm',                None },
        { 0x10000 | 'P',      None },  // the whole wParam is compared
    };
    for (const auto &c : cases)
        EXPECT_EQ(KeyToCommand(c.key), c.command) << "key " << std::hex << c.key;
}

TEST(CommandMaps, MenuItems)
{
    static const struct { WPARAM id; GameCommand command; } cases[] = {
        /* wParam                  command */
        { 40002,                   Pause },
        { 40003,                   ToggleMusic },
        { 40004,                   NewGame },
        { 40005,                   ShowHighScores },
        { 40006,                   Quit },
        { 40007,                   ShowSettings },
        { 40008,                   ShowHelp },
        { 40009,                   ShowAbout },
        { 65535,                   None },  // the empty first item of the bar
        { 40001,                   None },
        { MAKEWPARAM(40004, 1),    NewGame },  // the notification code is ignored
    };
    for (const auto &c : cases)
        EXPECT_EQ(MenuIdToCommand(c.id), c.command) << "id " << c.id;
}
