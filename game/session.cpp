#include "session.h"

#include "edge_masks.h"
#include "random.h"
#include "shell.h"
#include "timer_slots.h"

enum {
    PauseLimit = 3,
    // The gravity interval shrinks by the large step down to the knee, then by
    // the small step while it stays at or above the floor mark.
    GravityKneeMs = 250,
    GravityLargeStepMs = 10,
    GravityFloorMarkMs = 30,
    GravitySmallStepMs = 5,
    // A level timer armed when the period is already used up fires at once.
    ShortestDelayMs = 1
};

static GameSession session;

GameSession *GetSession(void)
{
    return &session;
}

void InitSession(void)
{
    session = GameSession();
    SeedRandom(ReadMilliseconds());
    session.nextShape = NextRandom() % ShapeCount;
}

void InitSessionBoard(void)
{
    InitPlayfield(&session.playfield);
}

void ReadySession(void)
{
    InitScoreBoard(&session.scoreBoard);
    session.piece.playfield = &session.playfield;
    HidePiece(&session.piece);
    session.state = Ready;
    session.pauseCount = 0;
}

static void RefreshPicture(void)
{
    UpdateEdgeMasks(&session.playfield, &session.piece);
    RequestRepaint();
}

static void StopGameTimers(void)
{
    StopTimerSlot(GravitySlot);
    StopTimerSlot(LevelSlot);
}

// After a lock: score the rows, bring in the next piece, and end the game when
// it has no room.
static void FinishLanding(void)
{
    int rows = RemoveFullRows(&session.playfield);
    ScoreLock(&session.scoreBoard, rows);
    SpawnPiece(&session.piece, &session.nextShape);
    if (Fits(&session.piece))
        return;
    HidePiece(&session.piece);
    StopGameTimers();
    session.state = GameOver;
    RefreshPicture();
    RunHighScoreEntry(&session.scoreBoard);
}

static void GravityTick(void)
{
    if (IsLanded(&session.piece)) {
        LockPiece(&session.piece);
        FinishLanding();
    } else {
        StepDown(&session.piece);
        CountStep(&session.scoreBoard);
    }
    RefreshPicture();
}

static int32_t NextGravityInterval(int32_t interval)
{
    if (interval > GravityKneeMs)
        return interval - GravityLargeStepMs;
    if (interval >= GravityFloorMarkMs)
        return interval - GravitySmallStepMs;
    return interval;
}

static void LevelTick(void)
{
    LevelUp(&session.scoreBoard);
    session.gravityInterval = NextGravityInterval(session.gravityInterval);
    StopTimerSlot(GravitySlot);
    ArmTimerSlot(GravitySlot, (uint32_t)session.gravityInterval, Periodic, OnTimerTick);
    session.levelMark = ReadMilliseconds();
    ArmTimerSlot(LevelSlot, LevelPeriodMs, OneShot, OnTimerTick);
}

// An expiry already on its way when the timers were stopped may still arrive;
// outside Playing it finds no game to move.
void OnTimerTick(int32_t slot)
{
    if (session.state != Playing)
        return;
    if (slot == GravitySlot)
        GravityTick();
    else if (slot == LevelSlot)
        LevelTick();
}

typedef void (*PieceChange)(FallingPiece *piece);

// Tried on a copy, kept only where it fits: no wall kick, no second attempt.
static void TryPieceChange(PieceChange change)
{
    FallingPiece moved = session.piece;
    change(&moved);
    if (Fits(&moved))
        session.piece = moved;
}

static void SoftDrop(void)
{
    if (!IsLanded(&session.piece))
        StepDown(&session.piece);
}

static void DropPiece(void)
{
    HardDrop(&session.piece);
    FinishLanding();
}

static void PauseGame(void)
{
    if (session.pauseCount >= PauseLimit)
        return;
    session.pauseCount += 1;
    session.levelMark = ReadMilliseconds() - session.levelMark;
    StopGameTimers();
    session.state = Paused;
    SetMenuMarkChecked(PauseMark, 1);
}

// levelMark holds the part of the level period played before the pause. When
// that is the whole period or more (the level tick was due as the game was
// paused), the level timer is armed with the shortest delay rather than with a
// zero or wrapped one.
static void ResumeGame(void)
{
    uint32_t played = session.levelMark;
    uint32_t remaining = ShortestDelayMs;
    if (played < (uint32_t)LevelPeriodMs)
        remaining = (uint32_t)LevelPeriodMs - played;
    ArmTimerSlot(GravitySlot, (uint32_t)session.gravityInterval, Periodic, OnTimerTick);
    ArmTimerSlot(LevelSlot, remaining, OneShot, OnTimerTick);
    session.levelMark = ReadMilliseconds() - played;
    session.state = Playing;
    SetMenuMarkChecked(PauseMark, 0);
    if (session.pauseCount == PauseLimit)
        SetMenuMarkEnabled(PauseMark, 0);
}

static void TogglePause(void)
{
    if (session.state == Playing)
        PauseGame();
    else if (session.state == Paused)
        ResumeGame();
}

static void StartNewGame(void)
{
    if (session.state == Playing)
        StopGameTimers();
    session.gravityInterval = FirstGravityMs;
    ClearBoard(&session.playfield);
    SpawnPiece(&session.piece, &session.nextShape);
    ResetScoreBoard(&session.scoreBoard);
    SetMenuMarkChecked(PauseMark, 0);
    ArmTimerSlot(GravitySlot, FirstGravityMs, Periodic, OnTimerTick);
    ArmTimerSlot(LevelSlot, LevelPeriodMs, OneShot, OnTimerTick);
    session.levelMark = ReadMilliseconds();
    session.state = Playing;
    session.pauseCount = 0;
    SetMenuMarkEnabled(PauseMark, 1);
}

// Music that is off is not stopped again.
void SetMusicOn(int on)
{
    if (on)
        PlayMusic();
    else if (session.musicOn)
        StopMusic();
    SetMenuMarkChecked(MusicMark, on);
    session.musicOn = on;
}

// The piece commands act only while Playing.
static void PlayCommand(GameCommand command)
{
    if (session.state != Playing)
        return;
    switch (command) {
    case MoveLeft:
        TryPieceChange(ShiftLeft);
        break;
    case MoveRight:
        TryPieceChange(ShiftRight);
        break;
    case RotateCcw:
        TryPieceChange(RotateStep);
        break;
    case MoveDown:
        SoftDrop();
        break;
    case Drop:
        DropPiece();
        break;
    default:
        break;
    }
}

void DispatchCommand(GameCommand command)
{
    switch (command) {
    case MoveLeft:
    case MoveRight:
    case MoveDown:
    case RotateCcw:
    case Drop:
        PlayCommand(command);
        break;
    case Pause:
        TogglePause();
        break;
    case NewGame:
        StartNewGame();
        break;
    case ToggleMusic:
        SetMusicOn(!session.musicOn);
        break;
    case ShowHighScores:
        ShowHighScoreTable();
        break;
    case ShowSettings:
        ShowSettingsDialog();
        break;
    case ShowHelp:
        OpenHelpPage();
        break;
    case ShowAbout:
        ShowAboutDialog();
        break;
    case Quit:
        // No window is left to repaint.
        DestroyMainWindow();
        UpdateEdgeMasks(&session.playfield, &session.piece);
        return;
    default:
        // None, and any code the shell should have turned into None.
        return;
    }
    RefreshPicture();
}
