// Key transitions to commands and the auto-repeat state machine, fed with
// buffered items as the device delivers them; the timer slots are recorded
// and fired by hand so the timing is exact.
#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

#include "game/session.h"
#include "game/timer_slots.h"
#include "input/keyboard.h"
#include "input/keyboard_seams.h"
#include "input/settings_store.h"
#include "tests/input/settings_key.h"

static std::vector<GameCommand> dispatched;

struct ArmedSlot {
    int armed;
    uint32_t delayMs;
    TimerMode mode;
    TimerHandler handler;
};
static ArmedSlot slots[TimerSlotCount];

void DispatchCommand(GameCommand command)
{
    dispatched.push_back(command);
}

void ArmTimerSlot(int32_t slot, uint32_t delayMs, TimerMode mode, TimerHandler handler)
{
    slots[slot] = { 1, delayMs, mode, handler };
}

void StopTimerSlot(int32_t slot)
{
    slots[slot].armed = 0;
}

// Fires a slot as the timer service would: one-shots disarm themselves.
static void Fire(int32_t slot)
{
    ASSERT_TRUE(slots[slot].armed) << "slot " << slot << " is not armed";
    if (slots[slot].mode == OneShot)
        slots[slot].armed = 0;
    slots[slot].handler(slot);
}

enum { DikSpace = 0x39, DikUp = 0xC8, DikDown = 0xD0, DikLeft = 0xCB, DikRight = 0xCD, DikA = 0x1E };

static DIDEVICEOBJECTDATA Press(DWORD dik) { DIDEVICEOBJECTDATA item = {}; item.dwOfs = dik; item.dwData = 0x80; return item; }
static DIDEVICEOBJECTDATA Release(DWORD dik) { DIDEVICEOBJECTDATA item = {}; item.dwOfs = dik; item.dwData = 0; return item; }

static void Feed(std::vector<DIDEVICEOBJECTDATA> items)
{
    ProcessKeyItems(items.data(), (DWORD)items.size());
}

class Keyboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        LoadSettings();
        // Let go of any repeat left by the previous case.
        Feed({ Press(DikA), Release(DikA) });
        for (const DWORD dik : { DikSpace, DikUp, DikDown, DikLeft, DikRight })
            Feed({ Release(dik) });
        dispatched.clear();
        for (ArmedSlot &s : slots)
            s = {};
    }
};

TEST(KeyCodes, DirectInputCodesBecomeScanCodesWithTheExtendedBit)
{
    static const struct { DWORD dik; uint16_t code; } cases[] = {
        /* dik    key code */
        { 0xC8,  0x148 },  // Up arrow
        { 0xCB,  0x14B },  // Left arrow
        { 0x9D,  0x11D },  // Right Ctrl
        { 0x1D,  0x01D },  // Left Ctrl
        { 0x39,  0x039 },  // Space
        { 0x9C,  0x11C },  // keypad Enter
        { 0x1C,  0x01C },  // main Enter
    };
    for (const auto &c : cases)
        EXPECT_EQ(KeyCodeFromDik(c.dik), c.code) << std::hex << c.dik;
}

TEST_F(Keyboard, DefaultKeysGiveTheFiveGameCommands)
{
    Feed({ Press(DikLeft), Press(DikRight), Press(DikUp), Press(DikDown), Press(DikSpace), Press(DikA) });
    EXPECT_EQ(dispatched, (std::vector<GameCommand>{ MoveLeft, MoveRight, RotateCcw, MoveDown, Drop }));
}

TEST_F(Keyboard, TheLowerIndexWinsWhenTwoEntriesHoldTheSameKey)
{
    GetSettings()->keyMap[3] = 0x14B;
    int index = -1;
    ASSERT_EQ(FindKeyIndex(0x14B, &index), 1);
    EXPECT_EQ(index, 0);
    index = 7;
    EXPECT_EQ(FindKeyIndex(0x1D, &index), 0);
    EXPECT_EQ(index, 7) << "a miss leaves the index untouched";
}

TEST_F(Keyboard, PressAndReleaseBeforeTheDelayDispatchesOnce)
{
    Feed({ Press(DikLeft) });
    EXPECT_TRUE(slots[RepeatDelaySlot].armed);
    EXPECT_EQ(slots[RepeatDelaySlot].delayMs, 120u);
    EXPECT_EQ(slots[RepeatDelaySlot].mode, OneShot);
    Feed({ Release(DikLeft) });
    EXPECT_FALSE(slots[RepeatDelaySlot].armed);
    EXPECT_FALSE(slots[RepeatRateSlot].armed);
    EXPECT_EQ(dispatched, std::vector<GameCommand>{ MoveLeft });
}

TEST_F(Keyboard, HeldForTheDelayAndNPeriodsDispatchesOnePlusN)
{
    Feed({ Press(DikDown) });
    Fire(RepeatDelaySlot);
    EXPECT_EQ(dispatched.size(), 1u) << "nothing is dispatched when the delay runs out";
    ASSERT_TRUE(slots[RepeatRateSlot].armed);
    EXPECT_EQ(slots[RepeatRateSlot].delayMs, 50u);
    EXPECT_EQ(slots[RepeatRateSlot].mode, Periodic);
    for (int n = 0; n < 4; n++)
        Fire(RepeatRateSlot);
    Feed({ Release(DikDown) });
    EXPECT_EQ(dispatched, std::vector<GameCommand>(5, MoveDown));
    EXPECT_FALSE(slots[RepeatRateSlot].armed);
}

TEST_F(Keyboard, ASecondKeyTakesOverTheRepeat)
{
    Feed({ Press(DikLeft) });
    Fire(RepeatDelaySlot);
    Fire(RepeatRateSlot);
    Feed({ Press(DikUp) });
    EXPECT_FALSE(slots[RepeatRateSlot].armed) << "A's repeat stops";
    EXPECT_TRUE(slots[RepeatDelaySlot].armed) << "B's delay starts";
    Feed({ Release(DikLeft) });
    EXPECT_TRUE(slots[RepeatDelaySlot].armed) << "releasing A changes nothing";
    Fire(RepeatDelaySlot);
    Fire(RepeatRateSlot);
    Feed({ Release(DikUp) });
    EXPECT_FALSE(slots[RepeatRateSlot].armed);
    EXPECT_EQ(dispatched, (std::vector<GameCommand>{ MoveLeft, MoveLeft, RotateCcw, RotateCcw }));
}

TEST_F(Keyboard, UnmappedKeysNeitherDispatchNorStopTheRepeat)
{
    Feed({ Press(DikSpace) });
    Fire(RepeatDelaySlot);
    Feed({ Press(DikA), Release(DikA), Release(DikRight) });
    EXPECT_TRUE(slots[RepeatRateSlot].armed);
    Fire(RepeatRateSlot);
    EXPECT_EQ(dispatched, (std::vector<GameCommand>{ Drop, Drop }));
}

TEST_F(Keyboard, RepeatTimingIsReadFromTheSettingsAtEachArming)
{
    GetSettings()->keyRepeatDelay = 300;
    GetSettings()->keyRepeatRate = 10;
    Feed({ Press(DikRight) });
    EXPECT_EQ(slots[RepeatDelaySlot].delayMs, 300u);
    Fire(RepeatDelaySlot);
    EXPECT_EQ(slots[RepeatRateSlot].delayMs, 10u);
}

TEST_F(Keyboard, AllTenItemsOfAFullBufferAreProcessed)
{
    std::vector<DIDEVICEOBJECTDATA> items;
    for (int i = 0; i < 5; i++) {
        items.push_back(Press(DikLeft));
        items.push_back(Release(DikLeft));
    }
    Feed(items);
    EXPECT_EQ(dispatched, std::vector<GameCommand>(5, MoveLeft));
}
