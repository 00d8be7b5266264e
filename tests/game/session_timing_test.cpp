#include <vector>

#include "session_fixture.h"

static uint32_t LevelTimerDelay(void)
{
    uint32_t delay = 0;
    for (const FakeCall &call : FakeCalls())
        if (call.kind == CallArmTimer && call.number == LevelSlot)
            delay = call.value;
    return delay;
}

TEST_F(SessionTest, LevelTickRaisesTheLevelAndRestartsBothTimersWithoutRepaint)
{
    Start();
    SetFakeClock(31000);
    ASSERT_TRUE(FireFakeTimer(LevelSlot));
    EXPECT_EQ(FakeTrace(), "Stop 0, Arm 0 490 Periodic, Arm 1 30000 OneShot");
    EXPECT_EQ(session->scoreBoard.level, 2);
    EXPECT_EQ(session->gravityInterval, 490);
    EXPECT_EQ(session->levelMark, 31000u);
}

// 500 down by 10 to 250 (25 level-ups), then by 5 to 25 (70), then no lower.
TEST_F(SessionTest, GravityIntervalOverAHundredLevelUps)
{
    Start();
    for (int ups = 1; ups <= 100; ups++) {
        ClearFakeCalls();
        AdvanceFakeClock(30000);
        ASSERT_TRUE(FireFakeTimer(LevelSlot));
        int expected = ups <= 25 ? 500 - 10 * ups : ups <= 70 ? 250 - 5 * (ups - 25) : 25;
        EXPECT_EQ(session->gravityInterval, expected) << ups << " level-ups";
        EXPECT_EQ(FakeTimer(GravitySlot)->delayMs, (uint32_t)expected) << ups << " level-ups";
        EXPECT_EQ(FakeTimer(GravitySlot)->mode, Periodic);
        EXPECT_EQ(FakeTimer(LevelSlot)->delayMs, 30000u);
        EXPECT_EQ(FakeTimer(LevelSlot)->mode, OneShot);
        EXPECT_EQ(session->scoreBoard.level, 1 + ups);
    }
    ClearFakeCalls();
    Start();
    EXPECT_EQ(session->gravityInterval, 500);
}

TEST_F(SessionTest, IntervalMilestones)
{
    Start();
    std::vector<int> intervals;
    for (int ups = 1; ups <= 72; ups++) {
        FireFakeTimer(LevelSlot);
        intervals.push_back(session->gravityInterval);
    }
    EXPECT_EQ(intervals[0], 490);
    EXPECT_EQ(intervals[24], 250);
    EXPECT_EQ(intervals[25], 245);
    EXPECT_EQ(intervals[68], 30);
    EXPECT_EQ(intervals[69], 25);
    EXPECT_EQ(intervals[71], 25);
    EXPECT_EQ(session->scoreBoard.level, 73);
}

// In real time: the level rises every 30 s of play, and the first gravity
// tick after a level-up comes one full new interval later.
TEST_F(SessionTest, LevelRisesEveryThirtySecondsOfPlay)
{
    Start();  // at 1000
    RunFakeTimers(29999);
    EXPECT_EQ(session->scoreBoard.level, 1);
    RunFakeTimers(1);
    EXPECT_EQ(session->scoreBoard.level, 2);
    ClearFakeCalls();
    RunFakeTimers(490);
    ASSERT_EQ(FakeCallCount(CallRepaint), 1);
    for (const FakeCall &call : FakeCalls()) {
        if (call.kind == CallRepaint) {
            EXPECT_EQ(call.clock, 31490u);
        }
    }
    EXPECT_EQ(FakeTimer(LevelSlot)->dueAt, 61000u);
    EXPECT_EQ(session->state, Playing);
}

TEST_F(SessionTest, PauseTwelveSecondsIntoALevelResumesWithTheRemainder)
{
    Start();  // at 1000
    AdvanceFakeClock(12000);
    Command(Pause);
    EXPECT_EQ(session->levelMark, 12000u);
    AdvanceFakeClock(50000);
    ClearFakeCalls();
    Command(Pause);
    EXPECT_EQ(FakeTrace(), "Arm 0 500 Periodic, Arm 1 18000 OneShot, Check Pause 0, Repaint");
    EXPECT_EQ(session->levelMark, 63000u - 12000u);
    RunFakeTimers(17999);
    EXPECT_EQ(session->scoreBoard.level, 1);
    RunFakeTimers(1);
    EXPECT_EQ(session->scoreBoard.level, 2);
}

TEST_F(SessionTest, PlayedTimeAddsUpOverSeveralPauses)
{
    Start();
    AdvanceFakeClock(5000);
    Command(Pause);
    AdvanceFakeClock(20000);
    Command(Pause);
    AdvanceFakeClock(7000);
    Command(Pause);
    EXPECT_EQ(session->levelMark, 12000u);
    AdvanceFakeClock(3000);
    ClearFakeCalls();
    Command(Pause);
    EXPECT_EQ(LevelTimerDelay(), 18000u);
}

TEST_F(SessionTest, PauseAccountingAcrossTheClockWrap)
{
    SetFakeClock(0xFFFFF000u);
    Start();
    AdvanceFakeClock(12000);
    Command(Pause);
    EXPECT_EQ(session->levelMark, 12000u);
    AdvanceFakeClock(1000);
    ClearFakeCalls();
    Command(Pause);
    EXPECT_EQ(LevelTimerDelay(), 18000u);
    RunFakeTimers(17999);
    EXPECT_EQ(session->scoreBoard.level, 1);
    RunFakeTimers(1);
    EXPECT_EQ(session->scoreBoard.level, 2);
}

// A pause at or after the moment the level tick was due leaves nothing of the
// period; the level timer is then armed with 1 ms, never with 0 or a wrapped
// delay of some 49 days.
TEST_F(SessionTest, ResumeArmsTheShortestDelayWhenThePeriodIsUsedUp)
{
    struct Case {
        uint32_t played;
        uint32_t delay;
    };
    const std::vector<Case> cases = {
        // played      level timer
        {0, 30000},
        {12000, 18000},
        {29999, 1},
        {30000, 1},
        {30001, 1},
        {45000, 1},
        {0x7fffffffu, 1},
        {0xffffffffu, 1},
    };
    for (const Case &c : cases) {
        SetUp();
        SetFakeClock(5000);
        Start();
        AdvanceFakeClock(c.played);
        Command(Pause);
        AdvanceFakeClock(777);
        ClearFakeCalls();
        Command(Pause);
        EXPECT_EQ(LevelTimerDelay(), c.delay) << "played " << c.played;
        EXPECT_EQ(session->state, Playing);
        if (c.delay > 1) {
            RunFakeTimers(c.delay - 1);
            EXPECT_EQ(session->scoreBoard.level, 1) << "played " << c.played;
        }
        RunFakeTimers(1);
        EXPECT_EQ(session->scoreBoard.level, 2) << "played " << c.played;
    }
}

TEST_F(SessionTest, ResumeRestartsGravityAFullIntervalLater)
{
    Start();  // at 1000
    Place(0, 0, 3, -1);
    RunFakeTimers(700);
    EXPECT_EQ(session->piece.row, 0);
    Command(Pause);
    AdvanceFakeClock(5000);
    Command(Pause);
    RunFakeTimers(499);
    EXPECT_EQ(session->piece.row, 0);
    RunFakeTimers(1);
    EXPECT_EQ(session->piece.row, 1);
}

// Three pauses a game; the item is grayed as the third ends, a fourth is
// ignored, and a new game gives the allowance back.
TEST_F(SessionTest, ThreePausesAGame)
{
    Start();
    const char *resumes[3] = {
        "Arm 0 500 Periodic, Arm 1 30000 OneShot, Check Pause 0, Repaint",
        "Arm 0 500 Periodic, Arm 1 30000 OneShot, Check Pause 0, Repaint",
        "Arm 0 500 Periodic, Arm 1 30000 OneShot, Check Pause 0, Enable Pause 0, Repaint",
    };
    for (int i = 0; i < 3; i++) {
        ClearFakeCalls();
        Command(Pause);
        EXPECT_EQ(FakeTrace(), "Stop 0, Stop 1, Check Pause 1, Repaint") << "pause " << i + 1;
        EXPECT_EQ(session->state, Paused);
        EXPECT_EQ(session->pauseCount, i + 1);
        AdvanceFakeClock(4000);
        ClearFakeCalls();
        Command(Pause);
        EXPECT_EQ(FakeTrace(), resumes[i]) << "resume " << i + 1;
        EXPECT_EQ(session->state, Playing);
    }
    ClearFakeCalls();
    Command(Pause);
    EXPECT_EQ(FakeTrace(), "Repaint");
    EXPECT_EQ(session->state, Playing);
    EXPECT_EQ(session->pauseCount, 3);
    EXPECT_TRUE(FakeTimer(GravitySlot)->armed);
    EXPECT_TRUE(FakeTimer(LevelSlot)->armed);

    ClearFakeCalls();
    Command(NewGame);
    EXPECT_EQ(FakeTrace(),
              "Stop 0, Stop 1, Check Pause 0, Arm 0 500 Periodic, Arm 1 30000 OneShot, Enable Pause 1, Repaint");
    EXPECT_EQ(session->pauseCount, 0);
    Command(Pause);
    EXPECT_EQ(session->state, Paused);
}

TEST_F(SessionTest, StaleTicksOutsidePlayingAreIgnored)
{
    Enter(Paused);
    FallingPiece before = session->piece;
    OnTimerTick(GravitySlot);
    OnTimerTick(LevelSlot);
    EXPECT_EQ(session->piece.row, before.row);
    EXPECT_EQ(session->scoreBoard.level, 1);
    EXPECT_EQ(FakeTrace(), "");

    SetUp();
    OnTimerTick(GravitySlot);
    EXPECT_EQ(session->state, Ready);
    EXPECT_EQ(FakeTrace(), "");
}

TEST_F(SessionTest, OtherSlotsAreIgnored)
{
    Start();
    FallingPiece before = session->piece;
    OnTimerTick(RepeatRateSlot);
    OnTimerTick(RepeatDelaySlot);
    OnTimerTick(7);
    EXPECT_EQ(session->piece.row, before.row);
    EXPECT_EQ(FakeTrace(), "");
}
