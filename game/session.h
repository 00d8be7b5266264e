// The one game session: turns commands and timer ticks into game steps.
#ifndef PELLORIN_SESSION_H
#define PELLORIN_SESSION_H

#include <stdint.h>

#include "game_types.h"
#include "piece.h"
#include "playfield.h"
#include "score_board.h"

enum {
    LevelPeriodMs = 30000,
    FirstGravityMs = 500
};

struct GameSession {
    GameState state;
    Playfield playfield;
    FallingPiece piece;
    int32_t nextShape;
    ScoreBoard scoreBoard;
    int32_t gravityInterval;
    uint32_t levelMark;   // Playing: clock at the level period's start; Paused: ms played
    int32_t pauseCount;
    int musicOn;
};

// Start-up, in the order the shell interleaves with its own steps:
// InitSession seeds the generator and draws the first next shape;
// InitSessionBoard fills the board at random for the Ready screen;
// ReadySession sets up the score line, hides the piece and enters Ready.
void InitSession(void);
void InitSessionBoard(void);
void ReadySession(void);

void DispatchCommand(GameCommand command);
void OnTimerTick(int32_t slot);

// Plays or stops the music, with the menu mark and musicOn following; the
// shell calls it at start-up with the stored choice.
void SetMusicOn(int on);

// The shell reads this to draw; tests arrange boards through it.
GameSession *GetSession(void);

#endif
