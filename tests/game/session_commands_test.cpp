#include <string.h>

#include <vector>

#include "board_pictures.h"
#include "session_fixture.h"

// A snapshot of everything a command could change in the game itself.
struct GameSnapshot {
    GameState state;
    FallingPiece piece;
    int32_t nextShape;
    ScoreBoard scoreBoard;
    int occupied[BoardRows][BoardColumns];
    int32_t pauseCount;
    uint32_t levelMark;
};

static GameSnapshot Snapshot(const GameSession *session)
{
    GameSnapshot shot;
    memset(&shot, 0, sizeof shot);
    shot.state = session->state;
    shot.piece = session->piece;
    shot.nextShape = session->nextShape;
    shot.scoreBoard = session->scoreBoard;
    for (int r = 0; r < BoardRows; r++)
        for (int c = 0; c < BoardColumns; c++)
            shot.occupied[r][c] = session->playfield.cells[r][c].occupied;
    shot.pauseCount = session->pauseCount;
    shot.levelMark = session->levelMark;
    return shot;
}

static bool SameGame(const GameSnapshot &a, const GameSnapshot &b)
{
    return a.state == b.state && memcmp(&a.piece, &b.piece, sizeof a.piece) == 0 && a.nextShape == b.nextShape &&
           memcmp(&a.scoreBoard, &b.scoreBoard, sizeof a.scoreBoard) == 0 &&
           memcmp(a.occupied, b.occupied, sizeof a.occupied) == 0 && a.pauseCount == b.pauseCount &&
           a.levelMark == b.levelMark;
}

static const char *const StartTrace =
    "Check Pause 0, Arm 0 500 Periodic, Arm 1 30000 OneShot, Enable Pause 1, Repaint";
static const char *const RestartTrace =
    "Stop 0, Stop 1, Check Pause 0, Arm 0 500 Periodic, Arm 1 30000 OneShot, Enable Pause 1, Repaint";

// Every command in every state: the state it leads to, the calls it makes out
// of the core (clock reads left out), and whether the game itself changes.
TEST_F(SessionTest, EveryCommandInEveryState)
{
    struct Case {
        GameState from;
        GameCommand command;
        GameState to;
        const char *trace;
        bool changesGame;
    };
    const std::vector<Case> cases = {
        // from      command         to        calls                                     game changes
        {Ready, MoveLeft, Ready, "Repaint", false},
        {Ready, MoveRight, Ready, "Repaint", false},
        {Ready, MoveDown, Ready, "Repaint", false},
        {Ready, RotateCcw, Ready, "Repaint", false},
        {Ready, Drop, Ready, "Repaint", false},
        {Ready, Pause, Ready, "Repaint", false},
        {Ready, NewGame, Playing, StartTrace, true},
        {Ready, ToggleMusic, Ready, "PlayMusic, Check Music 1, Repaint", false},
        {Ready, ShowHighScores, Ready, "HighScoreTable, Repaint", false},
        {Ready, ShowSettings, Ready, "Settings, Repaint", false},
        {Ready, ShowHelp, Ready, "Help, Repaint", false},
        {Ready, ShowAbout, Ready, "About, Repaint", false},
        {Ready, Quit, Ready, "Destroy", false},
        {Ready, None, Ready, "", false},

        {Playing, MoveLeft, Playing, "Repaint", true},
        {Playing, MoveRight, Playing, "Repaint", true},
        {Playing, MoveDown, Playing, "Repaint", true},
        {Playing, RotateCcw, Playing, "Repaint", true},
        {Playing, Drop, Playing, "Repaint", true},
        {Playing, Pause, Paused, "Stop 0, Stop 1, Check Pause 1, Repaint", true},
        {Playing, NewGame, Playing, RestartTrace, true},
        {Playing, ToggleMusic, Playing, "PlayMusic, Check Music 1, Repaint", false},
        {Playing, ShowHighScores, Playing, "HighScoreTable, Repaint", false},
        {Playing, ShowSettings, Playing, "Settings, Repaint", false},
        {Playing, ShowHelp, Playing, "Help, Repaint", false},
        {Playing, ShowAbout, Playing, "About, Repaint", false},
        {Playing, Quit, Playing, "Destroy", false},
        {Playing, None, Playing, "", false},

        {Paused, MoveLeft, Paused, "Repaint", false},
        {Paused, MoveRight, Paused, "Repaint", false},
        {Paused, MoveDown, Paused, "Repaint", false},
        {Paused, RotateCcw, Paused, "Repaint", false},
        {Paused, Drop, Paused, "Repaint", false},
        {Paused, Pause, Playing, "Arm 0 500 Periodic, Arm 1 30000 OneShot, Check Pause 0, Repaint", true},
        {Paused, NewGame, Playing, StartTrace, true},
        {Paused, ToggleMusic, Paused, "PlayMusic, Check Music 1, Repaint", false},
        {Paused, ShowHighScores, Paused, "HighScoreTable, Repaint", false},
        {Paused, ShowSettings, Paused, "Settings, Repaint", false},
        {Paused, ShowHelp, Paused, "Help, Repaint", false},
        {Paused, ShowAbout, Paused, "About, Repaint", false},
        {Paused, Quit, Paused, "Destroy", false},
        {Paused, None, Paused, "", false},

        {GameOver, MoveLeft, GameOver, "Repaint", false},
        {GameOver, MoveRight, GameOver, "Repaint", false},
        {GameOver, MoveDown, GameOver, "Repaint", false},
        {GameOver, RotateCcw, GameOver, "Repaint", false},
        {GameOver, Drop, GameOver, "Repaint", false},
        {GameOver, Pause, GameOver, "Repaint", false},
        {GameOver, NewGame, Playing, StartTrace, true},
        {GameOver, ToggleMusic, GameOver, "PlayMusic, Check Music 1, Repaint", false},
        {GameOver, ShowHighScores, GameOver, "HighScoreTable, Repaint", false},
        {GameOver, ShowSettings, GameOver, "Settings, Repaint", false},
        {GameOver, ShowHelp, GameOver, "Help, Repaint", false},
        {GameOver, ShowAbout, GameOver, "About, Repaint", false},
        {GameOver, Quit, GameOver, "Destroy", false},
        {GameOver, None, GameOver, "", false},
    };
    for (const Case &c : cases) {
        SetUp();
        Enter(c.from);
        ASSERT_EQ(session->state, c.from);
        GameSnapshot before = Snapshot(session);
        Command(c.command);
        EXPECT_EQ(session->state, c.to) << "state " << c.from << " command " << c.command;
        EXPECT_EQ(FakeTrace(), c.trace) << "state " << c.from << " command " << c.command;
        EXPECT_EQ(!SameGame(before, Snapshot(session)), c.changesGame)
            << "state " << c.from << " command " << c.command;
    }
}

TEST_F(SessionTest, NoneChangesNothingAtAllInAnyState)
{
    const GameState states[] = {Ready, Playing, Paused, GameOver};
    static unsigned char before[sizeof(GameSession)];
    for (GameState state : states) {
        SetUp();
        Enter(state);
        memcpy(before, session, sizeof before);
        Command(None);
        Command((GameCommand)14);
        Command((GameCommand)-1);
        EXPECT_TRUE(FakeCalls().empty()) << "state " << state;
        EXPECT_EQ(memcmp(before, session, sizeof before), 0) << "state " << state;
    }
}

TEST_F(SessionTest, EachDialogCommandOpensItsDialog)
{
    Command(ShowAbout);
    Command(ShowHighScores);
    Command(ShowSettings);
    Command(Quit);
    std::vector<FakeCall> dialogs;
    for (const FakeCall &call : FakeCalls())
        if (call.kind != CallRepaint && call.kind != CallReadClock)
            dialogs.push_back(call);
    ASSERT_EQ(dialogs.size(), 4u);
    EXPECT_EQ(dialogs[0].kind, CallAboutDialog);
    EXPECT_EQ(dialogs[1].kind, CallHighScoreTable);
    EXPECT_EQ(dialogs[2].kind, CallSettingsDialog);
    EXPECT_EQ(dialogs[3].kind, CallDestroyWindow);
}

TEST_F(SessionTest, ToggleMusicFlipsTheFlagAndTheCheckMark)
{
    session->musicOn = 1;
    Command(ToggleMusic);
    EXPECT_EQ(session->musicOn, 0);
    Command(ToggleMusic);
    EXPECT_EQ(session->musicOn, 1);
    EXPECT_EQ(FakeTrace(), "StopMusic, Check Music 0, Repaint, PlayMusic, Check Music 1, Repaint");
}

// While a modal dialog is open the timers keep running: a gravity tick that
// arrives meanwhile moves the piece.
static void GravityWhileOpen(FakeCallKind)
{
    FireFakeTimer(GravitySlot);
}

TEST_F(SessionTest, GravityTickDuringADialogStillMovesThePiece)
{
    Enter(Playing);
    SetFakeDialogHook(GravityWhileOpen);
    Command(ShowSettings);
    EXPECT_EQ(session->piece.row, 6);
    EXPECT_EQ(session->scoreBoard.stepCount, 1u);
    EXPECT_EQ(FakeTrace(), "Settings, Repaint, Repaint");
}

TEST_F(SessionTest, MovesAndRotationAreRefusedWhereTheResultDoesNotFit)
{
    struct Case {
        int shape, rotation, column, row;
        GameCommand command;
        int column2, row2, rotation2;
        const char *why;
    };
    const std::vector<Case> cases = {
        {1, 0, 0, 5, MoveLeft, 0, 5, 0, "bar lying at the left wall"},
        {1, 0, 1, 5, MoveLeft, 0, 5, 0, "bar lying one column from the left wall"},
        {1, 0, 6, 5, MoveRight, 6, 5, 0, "bar lying at the right wall"},
        {1, 1, -2, 5, MoveLeft, -2, 5, 1, "bar standing in column 0"},
        {1, 1, 7, 5, MoveRight, 7, 5, 1, "bar standing in column 9"},
        {0, 0, 0, 5, MoveLeft, -1, 5, 0, "square moving into column 0"},
        {0, 0, 7, 5, MoveRight, 7, 5, 0, "square at the right wall"},
        {1, 0, 3, -1, RotateCcw, 3, -1, 0, "bar just spawned: standing would reach above the board"},
        {1, 0, 3, 0, RotateCcw, 3, 0, 1, "bar one row lower stands up"},
        {1, 1, 7, 5, RotateCcw, 7, 5, 1, "bar standing at the right wall: lying would leave the board, no kick"},
        {1, 1, -2, 5, RotateCcw, -2, 5, 1, "bar standing at the left wall: no kick"},
        {4, 0, 3, -1, RotateCcw, 3, -1, 0, "T just spawned"},
        {4, 0, 3, 9, MoveLeft, 3, 9, 0, "T beside the block at (10, 3)"},
        {4, 0, 3, 9, RotateCcw, 3, 9, 0, "T turning into the block at (9, 5)"},
        {4, 0, 3, 9, MoveRight, 4, 9, 0, "T moving away from the blocks"},
        {4, 3, 3, 10, MoveDown, 3, 10, 3, "T resting on the block at (13, 5)"},
        {1, 0, 3, 18, MoveDown, 3, 18, 0, "bar lying on the floor"},
        {1, 0, 3, 17, MoveDown, 3, 18, 0, "bar lying one row above the floor"},
    };
    for (const Case &c : cases) {
        SetUp();
        Start();
        DrawRows(&session->playfield, 9, {".....2....", "...2......", "..........", "..........", ".....2...."});
        Place(c.shape, c.rotation, c.column, c.row);
        ScoreBoard scoreBefore = session->scoreBoard;
        Command(c.command);
        EXPECT_EQ(session->piece.column, c.column2) << c.why;
        EXPECT_EQ(session->piece.row, c.row2) << c.why;
        EXPECT_EQ(session->piece.rotation, c.rotation2) << c.why;
        EXPECT_EQ(session->piece.shape, c.shape) << c.why;
        EXPECT_EQ(session->scoreBoard.stepCount, scoreBefore.stepCount) << c.why;
        EXPECT_EQ(FakeTrace(), "Repaint") << c.why;
    }
}

// Every command but None leaves the masks matching the board and the piece.
TEST_F(SessionTest, MasksFollowThePieceAfterEachCommand)
{
    Start();
    Place(0, 0, 3, 5);  // square on (6..7, 4..5)
    Command(MoveRight);
    EXPECT_EQ(session->playfield.cells[6][4].edgeMask, 16 + 128);
    EXPECT_EQ(session->playfield.cells[5][5].edgeMask, 64 + 128);
    EXPECT_EQ(session->playfield.cells[8][7].edgeMask, 1);
    Command(ShowAbout);
    Place(0, 0, 0, 5);
    Command(ShowHelp);
    EXPECT_EQ(session->playfield.cells[6][4].edgeMask, 0);
    EXPECT_EQ(session->playfield.cells[6][3].edgeMask, 8 + 32);
}
