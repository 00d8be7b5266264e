#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "score_board.h"

TEST(ScoreBoard, InitAndResetStartAtNoPointsInLevelOne)
{
    ScoreBoard board;
    memset(&board, 0x5a, sizeof board);
    InitScoreBoard(&board);
    EXPECT_EQ(board.score, 0u);
    EXPECT_EQ(board.stepCount, 0u);
    EXPECT_EQ(board.level, 1);

    board.score = 900;
    board.stepCount = 4;
    board.level = 7;
    ResetScoreBoard(&board);
    EXPECT_EQ(board.score, 0u);
    EXPECT_EQ(board.stepCount, 0u);
    EXPECT_EQ(board.level, 1);
}

TEST(ScoreBoard, LockAddsTheDropBonusAndRowPoints)
{
    struct Case {
        unsigned steps;
        int rows;
        unsigned added;
    };
    const std::vector<Case> cases = {
        // steps rows added
        {0, 0, 10},
        {1, 0, 9},
        {9, 0, 1},
        {10, 0, 0},
        {57, 0, 0},
        {0, 1, 20},
        {3, 2, 57},
        {0, 3, 260},
        {0, 4, 1260},
        {12, 4, 1250},
    };
    for (const Case &c : cases) {
        ScoreBoard board;
        InitScoreBoard(&board);
        board.score = 1000;
        for (unsigned i = 0; i < c.steps; i++)
            CountStep(&board);
        ScoreLock(&board, c.rows);
        EXPECT_EQ(board.score, 1000 + c.added) << c.steps << " steps, " << c.rows << " rows";
        EXPECT_EQ(board.stepCount, 0u);
    }
}

TEST(ScoreBoard, LevelUpAddsOne)
{
    ScoreBoard board;
    InitScoreBoard(&board);
    LevelUp(&board);
    LevelUp(&board);
    EXPECT_EQ(board.level, 3);
    EXPECT_EQ(board.score, 0u);
}

TEST(ScoreBoard, FormatsTheScoreLine)
{
    ScoreBoard board;
    InitScoreBoard(&board);
    char text[64];
    FormatScoreLine(&board, text, sizeof text);
    EXPECT_STREQ(text, "Score: 0  Level: 1");

    board.score = 1260;
    board.level = 71;
    FormatScoreLine(&board, text, sizeof text);
    EXPECT_STREQ(text, "Score: 1260  Level: 71");

    char small[8];
    FormatScoreLine(&board, small, sizeof small);
    EXPECT_STREQ(small, "Score: ");
}
