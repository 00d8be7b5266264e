// Values shared by the rules core and the shell: game states and commands.
#ifndef PELLORIN_GAME_TYPES_H
#define PELLORIN_GAME_TYPES_H

#include <stdint.h>

enum GameState : int32_t {
    Ready = 0,
    Playing = 1,
    Paused = 2,
    GameOver = 3
};

enum GameCommand : int32_t {
    MoveLeft = 0,
    MoveRight = 1,
    MoveDown = 2,
    RotateCcw = 3,
    Drop = 4,
    Pause = 5,
    NewGame = 6,
    ToggleMusic = 7,
    ShowHighScores = 8,
    ShowSettings = 9,
    ShowHelp = 10,
    ShowAbout = 11,
    Quit = 12,
    None = 13
};

#endif
