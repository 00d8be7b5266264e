#include <string>
#include <vector>

#include "board_pictures.h"
#include "edge_masks.h"
#include "session_fixture.h"

typedef std::vector<std::string> Picture;

// A piece at rest is not locked until a gravity tick finds it so; until then
// it can still move, and a move that takes away its support lets it fall on.
TEST_F(SessionTest, RestingPieceLocksAtTheNextGravityTickOnly)
{
    Start();
    int32_t next = session->nextShape;
    Place(0, 0, 3, 17);
    Command(MoveDown);
    EXPECT_EQ(session->piece.row, 17);
    EXPECT_EQ(PictureRows(&session->playfield, 18, 19), Picture({"..........", ".........."}));
    Command(MoveLeft);
    Command(RotateCcw);
    EXPECT_EQ(session->piece.column, 2);
    EXPECT_EQ(session->piece.rotation, 1);

    Gravity();
    EXPECT_EQ(PictureRows(&session->playfield, 18, 19), Picture({"...00.....", "...00....."}));
    EXPECT_EQ(session->piece.shape, next);
    EXPECT_EQ(session->piece.colour, next);
    EXPECT_EQ(session->piece.row, -1);
    EXPECT_EQ(session->piece.column, 3);
    EXPECT_EQ(session->scoreBoard.score, 10u);
    EXPECT_EQ(session->state, Playing);
}

TEST_F(SessionTest, PieceShiftedOffItsLedgeFallsInsteadOfLocking)
{
    Start();
    DrawRows(&session->playfield, 10, {"....3....."});
    Place(0, 0, 3, 7);  // square on (8..9, 4..5), resting on (10, 4)
    Command(MoveRight);
    Gravity();
    EXPECT_EQ(session->piece.row, 8);
    EXPECT_EQ(session->piece.column, 4);
    EXPECT_EQ(session->scoreBoard.stepCount, 1u);
    EXPECT_EQ(PictureRows(&session->playfield, 8, 9), Picture({"..........", ".........."}));
}

TEST_F(SessionTest, DropLocksALandedPieceWhereItIs)
{
    Start();
    DrawRows(&session->playfield, 10, {"....3....."});
    Place(0, 0, 3, 7);
    Command(Drop);
    EXPECT_EQ(PictureRows(&session->playfield, 8, 10), Picture({"....00....", "....00....", "....3....."}));
    EXPECT_EQ(session->piece.row, -1);
}

// The drop bonus counts gravity steps only; MoveDown and Drop rows are free.
TEST_F(SessionTest, DropBonusShrinksWithGravityStepsOnly)
{
    Start();
    DrawRows(&session->playfield, 18, {"1111..1111", "2222..2222"});
    Place(0, 0, 3, -1);
    Gravity(3);
    Command(MoveDown);
    Command(MoveDown);
    EXPECT_EQ(session->piece.row, 4);
    EXPECT_EQ(session->scoreBoard.stepCount, 3u);
    Command(Drop);
    EXPECT_EQ(session->scoreBoard.score, 7u + 50u);
    EXPECT_EQ(session->scoreBoard.stepCount, 0u);
    EXPECT_EQ(PictureRows(&session->playfield, 18, 19), Picture({"..........", ".........."}));

    // Ten gravity steps or more: no bonus.
    Place(0, 0, 3, -1);
    Gravity(12);
    Command(Drop);
    EXPECT_EQ(session->scoreBoard.score, 57u);
}

TEST_F(SessionTest, RowPointsByRowsRemoved)
{
    const unsigned points[5] = {0, 10, 50, 250, 1250};
    for (int rows = 0; rows <= 4; rows++) {
        SetUp();
        Start();
        for (int r = 19; r > 19 - rows; r--)
            DrawRows(&session->playfield, r, {"444444444."});
        Place(1, 1, 7, 0);  // bar standing, in column 9
        Command(Drop);
        EXPECT_EQ(session->scoreBoard.score, 10 + points[rows]) << rows << " rows";
        for (int r = 16 + rows; r < 20; r++)
            EXPECT_EQ(PictureRows(&session->playfield, r, r)[0], ".........1") << rows << " rows, row " << r;
    }
}

// Rows 16 and 19 full, 17 and 18 not: both full rows go, the partial rows
// end one lower each.
TEST_F(SessionTest, LockRemovesSeparatedFullRows)
{
    Start();
    DrawRows(&session->playfield, 15, {
        "5.........",
        "222222222.",
        "3.3.3.3.3.",
        ".4.4.4.4..",
        "666666666.",
    });
    Place(1, 1, 7, 0);
    Command(Drop);
    EXPECT_EQ(session->scoreBoard.score, 10u + 50u);
    EXPECT_EQ(PictureRows(&session->playfield, 16, 19), Picture({
        "..........",
        "5.........",
        "3.3.3.3.31",
        ".4.4.4.4.1",
    }));
}

// The next piece has no room: the game ends once, the timers stop, the
// picture is brought up to date before the high-score entry and again after it.
TEST_F(SessionTest, DropIntoAFullTopEndsTheGame)
{
    Start();
    SetFakeClock(7000);
    DrawRows(&session->playfield, 0, {".....6...."});
    Place(0, 0, -1, 10);
    Command(Drop);

    EXPECT_EQ(session->state, GameOver);
    EXPECT_EQ(FakeTrace(), "Stop 0, Stop 1, Repaint, HighScoreEntry, Repaint");
    const FakeCall *entry = nullptr;
    for (const FakeCall &call : FakeCalls())
        if (call.kind == CallHighScoreEntry)
            entry = &call;
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->score, 10u);
    EXPECT_EQ(entry->level, 1);
    EXPECT_FALSE(FakeTimer(GravitySlot)->armed);
    EXPECT_FALSE(FakeTimer(LevelSlot)->armed);

    EXPECT_EQ(session->piece.colour, HiddenColour);
    EXPECT_EQ(session->piece.row, -1);
    EXPECT_EQ(session->piece.column, 3);
    EXPECT_EQ(PictureRows(&session->playfield, 18, 19), Picture({"00........", "00........"}));
    EXPECT_EQ(PictureRows(&session->playfield, 0, 0), Picture({".....6...."}));

    // The hidden piece leaves no mark around its spawn place.
    Playfield expected = session->playfield;
    FallingPiece hidden = session->piece;
    hidden.playfield = &expected;
    UpdateEdgeMasks(&expected, &hidden);
    for (int r = 0; r < BoardRows; r++)
        for (int c = 0; c < BoardColumns; c++)
            EXPECT_EQ(session->playfield.cells[r][c].edgeMask, expected.cells[r][c].edgeMask) << r << "," << c;
    EXPECT_EQ(session->playfield.cells[2][5].edgeMask & (1 | 2 | 4), 0);

    // Nothing further happens until a new game.
    ClearFakeCalls();
    EXPECT_FALSE(FireFakeTimer(GravitySlot));
    Command(Drop);
    Command(MoveDown);
    OnTimerTick(GravitySlot);
    OnTimerTick(LevelSlot);
    EXPECT_EQ(FakeCallCount(CallHighScoreEntry), 0);
    EXPECT_EQ(session->state, GameOver);
    EXPECT_EQ(session->scoreBoard.level, 1);
}

TEST_F(SessionTest, GravityTickOnALandedPieceCanEndTheGame)
{
    GameSession *s = session;
    Start();
    DrawRows(&s->playfield, 0, {".....1...."});
    DrawRows(&s->playfield, 19, {"2222.2222."});
    Place(1, 1, 2, 16);  // bar standing into the hole of row 19
    Gravity();
    EXPECT_EQ(s->state, GameOver);
    EXPECT_EQ(FakeTrace(), "Stop 0, Stop 1, Repaint, HighScoreEntry, Repaint");
    EXPECT_EQ(FakeCallCount(CallHighScoreEntry), 1);
    for (const FakeCall &call : FakeCalls()) {
        if (call.kind == CallHighScoreEntry) {
            EXPECT_EQ(call.score, 10u);
        }
    }
    EXPECT_EQ(PictureRows(&s->playfield, 15, 19),
              Picture({"..........", "....1.....", "....1.....", "....1.....", "222212222."}));
}

TEST_F(SessionTest, NewGameAfterGameOverStartsAfresh)
{
    Enter(GameOver);
    session->scoreBoard.level = 4;
    Command(NewGame);
    EXPECT_EQ(session->state, Playing);
    EXPECT_EQ(session->scoreBoard.score, 0u);
    EXPECT_EQ(session->scoreBoard.level, 1);
    EXPECT_EQ(session->gravityInterval, 500);
    EXPECT_EQ(session->pauseCount, 0);
    EXPECT_NE(session->piece.colour, HiddenColour);
    EXPECT_EQ(session->piece.row, -1);
    for (int r = 0; r < BoardRows; r++)
        for (int c = 0; c < BoardColumns; c++)
            EXPECT_FALSE(session->playfield.cells[r][c].occupied);
    EXPECT_TRUE(FakeTimer(GravitySlot)->armed);
    EXPECT_TRUE(FakeTimer(LevelSlot)->armed);
}
