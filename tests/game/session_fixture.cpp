#include "session_fixture.h"

#include "board_pictures.h"
#include "random.h"

void SessionTest::SetUp()
{
    ResetShellFakes();
    SetFakeClock(1000);
    InitSession();
    InitSessionBoard();
    ReadySession();
    SeedRandom(20240601);
    ClearFakeCalls();
    session = GetSession();
}

void SessionTest::TearDown()
{
    ResetShellFakes();
}

void SessionTest::Command(GameCommand command)
{
    DispatchCommand(command);
}

void SessionTest::Start()
{
    Command(NewGame);
    ClearFakeCalls();
}

void SessionTest::Place(int shape, int rotation, int column, int row)
{
    session->piece.shape = shape;
    session->piece.rotation = rotation;
    session->piece.colour = shape;
    session->piece.column = column;
    session->piece.row = row;
}

// Playing and Paused hold a T shape in mid-board. Game over comes from a drop whose next piece has no room: every shape in
// its spawn position covers board cell (0, 5).
void SessionTest::Enter(GameState state)
{
    if (state == Ready)
        return;
    Start();
    Place(4, 0, 3, 5);
    if (state == Paused)
        Command(Pause);
    if (state == GameOver) {
        DrawRows(&session->playfield, 0, {".....6...."});
        Place(0, 0, -1, 10);
        Command(Drop);
    }
    ClearFakeCalls();
}

void SessionTest::Gravity(int count)
{
    for (int i = 0; i < count; i++)
        ASSERT_TRUE(FireFakeTimer(GravitySlot)) << "gravity slot not armed";
}
