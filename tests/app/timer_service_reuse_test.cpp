// The timer service over a stand-in multimedia timer that hands an event id
// out again once its event was killed, as Windows does (Wine never reuses
// one soon). The test fires the platform callback itself, so an expiry of an
// earlier arming can be made to arrive after the slot was armed again.
#include <windows.h>
#include <mmsystem.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/timer_service.h"
#include "game/timer_slots.h"
#include "tests/support/wait_until.h"

struct FakeEvent {
    UINT id;
    LPTIMECALLBACK callback;
    DWORD_PTR user;
    int live;
};

static std::vector<FakeEvent> events;

// The lowest id whose event is not live, starting at 1.
extern "C" MMRESULT WINAPI timeSetEvent(UINT, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT)
{
    UINT id = 1;
    for (bool taken = true; taken; ) {
        taken = false;
        for (const FakeEvent &e : events)
            if (e.live && e.id == id) {
                taken = true;
                id++;
            }
    }
    events.push_back({ id, callback, user, 1 });
    return id;
}

extern "C" MMRESULT WINAPI timeKillEvent(UINT id)
{
    for (FakeEvent &e : events)
        if (e.id == id)
            e.live = 0;
    return TIMERR_NOERROR;
}

// The platform callback of the index-th event ever created, as the timer
// thread would run it for an expiry already under way.
static void Expire(size_t index)
{
    const FakeEvent &e = events.at(index);
    e.callback(e.id, 0, e.user, 0, 0);
}

static std::vector<int32_t> expiries;

static void RecordExpiry(int32_t slot)
{
    expiries.push_back(slot);
}

class TimerIdReuse : public ::testing::Test {
protected:
    void SetUp() override
    {
        events.clear();
        expiries.clear();
        BeginTimerPeriod();
    }
    void TearDown() override { EndTimerPeriod(); }
};

TEST_F(TimerIdReuse, AStaleExpiryWithAReusedIdIsDroppedAndTheRealOneDelivered)
{
    for (TimerMode mode : { OneShot, Periodic }) {
        SCOPED_TRACE(mode);
        events.clear();
        expiries.clear();
        ArmTimerSlot(GravitySlot, 100, mode, RecordExpiry);
        Expire(0);
        ArmTimerSlot(GravitySlot, 100, mode, RecordExpiry);
        ASSERT_EQ(events.size(), 2u);
        ASSERT_EQ(events[1].id, events[0].id) << "the stand-in reuses the killed id";
        DispatchWaitingMessages();
        EXPECT_TRUE(expiries.empty()) << "the expiry of the first arming is stale";
        Expire(1);
        DispatchWaitingMessages();
        EXPECT_EQ(expiries, std::vector<int32_t>{ GravitySlot });
        StopTimerSlot(GravitySlot);
    }
}

TEST_F(TimerIdReuse, AnExpiryFromBeforeAStopDoesNotReachTheNextArming)
{
    ArmTimerSlot(RepeatDelaySlot, 120, OneShot, RecordExpiry);
    Expire(0);
    StopTimerSlot(RepeatDelaySlot);
    ArmTimerSlot(RepeatDelaySlot, 120, OneShot, RecordExpiry);
    ASSERT_EQ(events[1].id, events[0].id);
    DispatchWaitingMessages();
    EXPECT_TRUE(expiries.empty());
    Expire(1);
    Expire(1);
    DispatchWaitingMessages();
    EXPECT_EQ(expiries, std::vector<int32_t>{ RepeatDelaySlot }) << "a one-shot expires once";
}
