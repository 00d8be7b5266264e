#include "score_board.h"

#include <stdio.h>

// Row points by the number of rows one lock removed.
static const uint32_t RowPoints[5] = {
    // points     rows removed
       0,      // 0
       10,     // 1
       50,     // 2
       250,    // 3
       1250    // 4
};

enum { BonusSteps = 10 };

void InitScoreBoard(ScoreBoard *board)
{
    ResetScoreBoard(board);
}

void ResetScoreBoard(ScoreBoard *board)
{
    board->score = 0;
    board->stepCount = 0;
    board->level = 1;
}

void ScoreLock(ScoreBoard *board, int rowsRemoved)
{
    if (board->stepCount < BonusSteps)
        board->score += BonusSteps - board->stepCount;
    board->stepCount = 0;
    if (rowsRemoved >= 0 && rowsRemoved <= 4)
        board->score += RowPoints[rowsRemoved];
}

void CountStep(ScoreBoard *board)
{
    board->stepCount += 1;
}

void LevelUp(ScoreBoard *board)
{
    board->level += 1;
}

void FormatScoreLine(const ScoreBoard *board, char *text, size_t size)
{
    snprintf(text, size, "Score: %u  Level: %d", (unsigned)board->score, (int)board->level);
}
