// Points and level of the game in progress, and the line that shows them.
#ifndef PELLORIN_SCORE_BOARD_H
#define PELLORIN_SCORE_BOARD_H

#include <stddef.h>
#include <stdint.h>

struct ScoreBoard {
    uint32_t score;
    uint32_t stepCount;  // gravity steps of the current piece
    int32_t level;
};

void InitScoreBoard(ScoreBoard *board);
void ResetScoreBoard(ScoreBoard *board);
void ScoreLock(ScoreBoard *board, int rowsRemoved);
void CountStep(ScoreBoard *board);
void LevelUp(ScoreBoard *board);

// "Score: %d  Level: %d" into text, for the shell to draw.
void FormatScoreLine(const ScoreBoard *board, char *text, size_t size);

#endif
