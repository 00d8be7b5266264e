#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "random.h"
#include "session.h"
#include "shell_fakes.h"

// The shell's start-up calls the three steps with its own work between them.
TEST(SessionStart, SeedsFromTheClockDrawsTheNextShapeBeforeTheFillAndEntersReady)
{
    ResetShellFakes();
    std::vector<int> draws;
    SeedRandom(4321);
    for (int i = 0; i < 201; i++)
        draws.push_back(NextRandom() % 7);

    memset(GetSession(), 0x7f, sizeof(GameSession));
    SetFakeClock(4321);
    InitSession();
    GameSession *session = GetSession();
    EXPECT_EQ(session->nextShape, draws[0]);
    EXPECT_EQ(FakeCallCount(CallReadClock), 1);

    InitSessionBoard();
    for (int r = 0; r < 20; r++) {
        for (int c = 0; c < 10; c++) {
            EXPECT_TRUE(session->playfield.cells[r][c].occupied);
            EXPECT_EQ(session->playfield.cells[r][c].colour, draws[1 + r * 10 + c]);
        }
    }

    ReadySession();
    EXPECT_EQ(session->state, Ready);
    EXPECT_EQ(session->pauseCount, 0);
    EXPECT_EQ(session->piece.colour, HiddenColour);
    EXPECT_EQ(session->piece.playfield, &session->playfield);
    EXPECT_EQ(session->piece.shape, 0);
    EXPECT_EQ(session->piece.row, 0);
    EXPECT_EQ(session->piece.column, 0);
    EXPECT_EQ(session->scoreBoard.score, 0u);
    EXPECT_EQ(session->scoreBoard.level, 1);
    EXPECT_EQ(session->scoreBoard.stepCount, 0u);
    EXPECT_EQ(session->musicOn, 0);

    // Nothing drawn or timed yet, and no masks worked out.
    EXPECT_EQ(FakeTrace(), "");
    for (int r = 0; r < 20; r++)
        for (int c = 0; c < 10; c++)
            EXPECT_EQ(session->playfield.cells[r][c].edgeMask, 0);
    ResetShellFakes();
}

// The stored choice at start-up: music that was never on is not stopped.
TEST(SessionStart, StoredMusicChoiceSetsTheFlagAndTheCheckMark)
{
    static const struct {
        int enabled;
        const char *trace;
    } cases[] = {
        {1, "PlayMusic, Check Music 1"},
        {0, "Check Music 0"},
    };
    for (const auto &c : cases) {
        ResetShellFakes();
        InitSession();
        ClearFakeCalls();
        SetMusicOn(c.enabled);
        EXPECT_EQ(FakeTrace(), c.trace) << c.enabled;
        EXPECT_EQ(GetSession()->musicOn, c.enabled);
    }
    ResetShellFakes();
}
