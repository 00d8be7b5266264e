// Recording stand-ins for every call the rules core makes out of itself
// (shell.h and timer_slots.h): each call is kept in order with its arguments,
// the clock is set by the test, and the timer slots keep what they were armed
// with so a test can fire them as the timer service would.
#ifndef PELLORIN_SHELL_FAKES_H
#define PELLORIN_SHELL_FAKES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "shell.h"
#include "timer_slots.h"

enum FakeCallKind {
    CallReadClock,
    CallRepaint,
    CallMenuChecked,
    CallMenuEnabled,
    CallHighScoreEntry,
    CallHighScoreTable,
    CallSettingsDialog,
    CallAboutDialog,
    CallHelpPage,
    CallPlayMusic,
    CallStopMusic,
    CallDestroyWindow,
    CallArmTimer,
    CallStopTimer
};

struct FakeCall {
    FakeCallKind kind;
    int32_t number;        // timer slot or menu mark
    uint32_t value;        // delay, or the checked / enabled flag
    TimerMode mode;
    TimerHandler handler;
    uint32_t score;        // the board's score and level at a high-score entry
    int32_t level;
    uint32_t clock;        // the fake clock when the call was made
};

struct FakeTimerSlot {
    int armed;
    uint32_t delayMs;
    TimerMode mode;
    TimerHandler handler;
    uint32_t dueAt;        // clock value of the next expiry
};

// Forgets every call, sets the clock to 0, disarms every slot, drops the hook.
void ResetShellFakes(void);

void SetFakeClock(uint32_t ms);
// Moves the clock on (modulo 2^32) without letting any timer expire.
void AdvanceFakeClock(uint32_t ms);
uint32_t FakeClock(void);

const std::vector<FakeCall> &FakeCalls(void);
void ClearFakeCalls(void);
int FakeCallCount(FakeCallKind kind);

// The calls so far as text, clock reads left out, e.g.
// "Stop 0, Stop 1, Check Pause 1, Repaint".
std::string FakeTrace(void);
std::string DescribeFakeCall(const FakeCall &call);

const FakeTimerSlot *FakeTimer(int32_t slot);

// One expiry of the slot, now: a one-shot slot is disarmed, a periodic one is
// due again a period later, then the handler runs. 0 when the slot is not armed.
int FireFakeTimer(int32_t slot);

// Lets ms pass, running every expiry that falls due in time order (equal times
// in slot order) with the clock set to the moment of each.
void RunFakeTimers(uint32_t ms);

// Runs inside each modal dialog and page, as events that arrive while it is open.
typedef void (*FakeDialogHook)(FakeCallKind kind);
void SetFakeDialogHook(FakeDialogHook hook);

#endif
