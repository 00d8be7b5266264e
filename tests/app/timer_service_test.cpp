// The timer service on the real multimedia timer: expiries reach the
// handler on the thread that began the service, and stale ones are dropped.
#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/timer_service.h"
#include "app/timer_service_seams.h"
#include "game/timer_slots.h"

struct Expiry {
    int32_t slot;
    DWORD at;
    DWORD thread;
};

static std::vector<Expiry> expiries;

static void RecordExpiry(int32_t slot)
{
    expiries.push_back({ slot, GetTickCount(), GetCurrentThreadId() });
}

// Runs the thread's messages until pred holds or timeoutMs pass.
template <typename Pred>
static bool PumpUntil(Pred pred, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!pred()) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

static void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

class TimerService : public ::testing::Test {
protected:
    void SetUp() override
    {
        expiries.clear();
        BeginTimerPeriod();
    }
    void TearDown() override { EndTimerPeriod(); }
};

TEST(TimerResolution, NeverFinerThanFiveNorCoarserThanTheDeviceMaximum)
{
    static const struct { UINT min, max, chosen; } cases[] = {
        /* min  max       chosen */
        { 1,   1000000,  5 },
        { 10,  1000000,  10 },
        { 1,   3,        3 },
        { 1,   5,        5 },
        { 5,   6,        5 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(ChooseTimerResolution(c.min, c.max), c.chosen) << c.min << ".." << c.max;
}

TEST_F(TimerService, ExpiriesRunOnTheThreadThatBeganTheService)
{
    ArmTimerSlot(2, 20, OneShot, RecordExpiry);
    ASSERT_TRUE(PumpUntil([] { return !expiries.empty(); }, 2000));
    EXPECT_EQ(expiries[0].slot, 2);
    EXPECT_EQ(expiries[0].thread, GetCurrentThreadId());
}

TEST_F(TimerService, OneShotArmedTwiceExpiresOnceForTheSecondArming)
{
    ArmTimerSlot(3, 60, OneShot, RecordExpiry);
    PumpFor(20);
    DWORD rearmed = GetTickCount();
    ArmTimerSlot(3, 150, OneShot, RecordExpiry);
    ASSERT_TRUE(PumpUntil([] { return !expiries.empty(); }, 2000));
    EXPECT_GE(expiries[0].at - rearmed, 130u) << "the first arming must not fire";
    PumpFor(300);
    EXPECT_EQ(expiries.size(), 1u);
}

TEST_F(TimerService, RearmingAPeriodicSlotRestartsItsPhase)
{
    ArmTimerSlot(0, 200, Periodic, RecordExpiry);
    PumpFor(120);
    DWORD rearmed = GetTickCount();
    ArmTimerSlot(0, 200, Periodic, RecordExpiry);
    ASSERT_TRUE(PumpUntil([] { return !expiries.empty(); }, 2000));
    EXPECT_GE(expiries[0].at - rearmed, 180u) << "old phase would have fired about 80 ms after re-arming";
    StopTimerSlot(0);
}

TEST_F(TimerService, StoppingTwiceOrStoppingAnUnarmedSlotIsHarmless)
{
    StopTimerSlot(1);
    ArmTimerSlot(1, 30, Periodic, RecordExpiry);
    ArmTimerSlot(2, 30, Periodic, RecordExpiry);
    StopTimerSlot(1);
    StopTimerSlot(1);
    ASSERT_TRUE(PumpUntil([] { return expiries.size() >= 3; }, 2000));
    StopTimerSlot(2);
    for (const Expiry &e : expiries)
        EXPECT_EQ(e.slot, 2);
}

TEST_F(TimerService, ExpiriesQueuedBeforeAStopAreDropped)
{
    ArmTimerSlot(0, 10, Periodic, RecordExpiry);
    // Keep the thread busy so that expiries pile up in its queue.
    Sleep(100);
    StopTimerSlot(0);
    PumpFor(100);
    EXPECT_TRUE(expiries.empty());

    ArmTimerSlot(1, 10, Periodic, RecordExpiry);
    Sleep(100);
    ArmTimerSlot(1, 1000, OneShot, RecordExpiry);
    PumpFor(100);
    EXPECT_TRUE(expiries.empty()) << "ticks of the earlier arming are stale";
    StopTimerSlot(1);
}

static int rearms;

static void RearmOwnSlot(int32_t slot)
{
    RecordExpiry(slot);
    if (++rearms < 3)
        ArmTimerSlot(slot, 20, OneShot, RearmOwnSlot);
}

TEST_F(TimerService, AHandlerMayRearmItsOwnSlot)
{
    rearms = 0;
    ArmTimerSlot(1, 20, OneShot, RearmOwnSlot);
    ASSERT_TRUE(PumpUntil([] { return expiries.size() >= 3; }, 2000));
    PumpFor(100);
    EXPECT_EQ(expiries.size(), 3u);
}

TEST_F(TimerService, ShareOneHandlerAndTellSlotsApart)
{
    ArmTimerSlot(2, 40, OneShot, RecordExpiry);
    ArmTimerSlot(3, 20, OneShot, RecordExpiry);
    ASSERT_TRUE(PumpUntil([] { return expiries.size() >= 2; }, 2000));
    EXPECT_EQ(expiries[0].slot, 3);
    EXPECT_EQ(expiries[1].slot, 2);
}

TEST_F(TimerService, NothingIsDeliveredAfterTheServiceEnds)
{
    ArmTimerSlot(0, 10, Periodic, RecordExpiry);
    Sleep(50);
    EndTimerPeriod();
    PumpFor(100);
    EXPECT_TRUE(expiries.empty());
    BeginTimerPeriod();
}
