#include "shell_fakes.h"

#include <stdio.h>
#include <stdlib.h>

#include "score_board.h"

enum { RunawayExpiries = 10000000 };

static std::vector<FakeCall> calls;
static uint32_t clockMs;
static FakeTimerSlot slots[TimerSlotCount];
static FakeDialogHook dialogHook;

static FakeCall NewCall(FakeCallKind kind)
{
    FakeCall call = FakeCall();
    call.kind = kind;
    call.clock = clockMs;
    return call;
}

static void Record(const FakeCall &call)
{
    calls.push_back(call);
}

static void RecordSimple(FakeCallKind kind)
{
    Record(NewCall(kind));
}

static void RunDialogHook(FakeCallKind kind)
{
    if (dialogHook)
        dialogHook(kind);
}

static int ValidSlot(int32_t slot)
{
    return slot >= 0 && slot < TimerSlotCount;
}

void ResetShellFakes(void)
{
    calls.clear();
    clockMs = 0;
    for (int i = 0; i < TimerSlotCount; i++)
        slots[i] = FakeTimerSlot();
    dialogHook = nullptr;
}

void SetFakeClock(uint32_t ms)
{
    clockMs = ms;
}

void AdvanceFakeClock(uint32_t ms)
{
    clockMs += ms;
}

uint32_t FakeClock(void)
{
    return clockMs;
}

const std::vector<FakeCall> &FakeCalls(void)
{
    return calls;
}

void ClearFakeCalls(void)
{
    calls.clear();
}

int FakeCallCount(FakeCallKind kind)
{
    int count = 0;
    for (const FakeCall &call : calls)
        if (call.kind == kind)
            count++;
    return count;
}

static const char *MarkName(int32_t mark)
{
    return mark == PauseMark ? "Pause" : mark == MusicMark ? "Music" : "?";
}

std::string DescribeFakeCall(const FakeCall &call)
{
    char text[96];
    switch (call.kind) {
    case CallReadClock:
        return "Clock";
    case CallRepaint:
        return "Repaint";
    case CallMenuChecked:
        snprintf(text, sizeof text, "Check %s %u", MarkName(call.number), (unsigned)call.value);
        return text;
    case CallMenuEnabled:
        snprintf(text, sizeof text, "Enable %s %u", MarkName(call.number), (unsigned)call.value);
        return text;
    case CallHighScoreEntry:
        return "HighScoreEntry";
    case CallHighScoreTable:
        return "HighScoreTable";
    case CallSettingsDialog:
        return "Settings";
    case CallAboutDialog:
        return "About";
    case CallHelpPage:
        return "Help";
    case CallPlayMusic:
        return "PlayMusic";
    case CallStopMusic:
        return "StopMusic";
    case CallDestroyWindow:
        return "Destroy";
    case CallArmTimer:
        snprintf(text, sizeof text, "Arm %d %u %s", (int)call.number, (unsigned)call.value,
                 call.mode == Periodic ? "Periodic" : "OneShot");
        return text;
    case CallStopTimer:
        snprintf(text, sizeof text, "Stop %d", (int)call.number);
        return text;
    }
    return "?";
}

std::string FakeTrace(void)
{
    std::string trace;
    for (const FakeCall &call : calls) {
        if (call.kind == CallReadClock)
            continue;
        if (!trace.empty())
            trace += ", ";
        trace += DescribeFakeCall(call);
    }
    return trace;
}

const FakeTimerSlot *FakeTimer(int32_t slot)
{
    return ValidSlot(slot) ? &slots[slot] : nullptr;
}

int FireFakeTimer(int32_t slot)
{
    if (!ValidSlot(slot) || !slots[slot].armed)
        return 0;
    FakeTimerSlot *timer = &slots[slot];
    if (timer->mode == OneShot)
        timer->armed = 0;
    else
        timer->dueAt = clockMs + timer->delayMs;
    TimerHandler handler = timer->handler;
    if (handler)
        handler(slot);
    return 1;
}

// The armed slot due soonest within `window` ms from now, or -1.
static int NextDueSlot(uint32_t window)
{
    int best = -1;
    uint32_t bestWait = 0;
    for (int i = 0; i < TimerSlotCount; i++) {
        if (!slots[i].armed)
            continue;
        uint32_t wait = slots[i].dueAt - clockMs;
        if (wait <= window && (best < 0 || wait < bestWait)) {
            best = i;
            bestWait = wait;
        }
    }
    return best;
}

void RunFakeTimers(uint32_t ms)
{
    uint32_t end = clockMs + ms;
    long expiries = 0;
    for (;;) {
        int slot = NextDueSlot(end - clockMs);
        if (slot < 0)
            break;
        if (++expiries > RunawayExpiries) {
            fprintf(stderr, "shell fakes: timer slot %d keeps expiring without time passing\n", slot);
            abort();
        }
        clockMs = slots[slot].dueAt;
        FireFakeTimer(slot);
    }
    clockMs = end;
}

void SetFakeDialogHook(FakeDialogHook hook)
{
    dialogHook = hook;
}

// The calls of shell.h and timer_slots.h.

uint32_t ReadMilliseconds(void)
{
    RecordSimple(CallReadClock);
    return clockMs;
}

void RequestRepaint(void)
{
    RecordSimple(CallRepaint);
}

void SetMenuMarkChecked(MenuMark mark, int checked)
{
    FakeCall call = NewCall(CallMenuChecked);
    call.number = mark;
    call.value = (uint32_t)checked;
    Record(call);
}

void SetMenuMarkEnabled(MenuMark mark, int enabled)
{
    FakeCall call = NewCall(CallMenuEnabled);
    call.number = mark;
    call.value = (uint32_t)enabled;
    Record(call);
}

void RunHighScoreEntry(const ScoreBoard *board)
{
    FakeCall call = NewCall(CallHighScoreEntry);
    call.score = board->score;
    call.level = board->level;
    Record(call);
    RunDialogHook(CallHighScoreEntry);
}

void ShowHighScoreTable(void)
{
    FakeCall call = NewCall(CallHighScoreTable);
    Record(call);
    RunDialogHook(CallHighScoreTable);
}

void ShowSettingsDialog(void)
{
    FakeCall call = NewCall(CallSettingsDialog);
    Record(call);
    RunDialogHook(CallSettingsDialog);
}

void ShowAboutDialog(void)
{
    FakeCall call = NewCall(CallAboutDialog);
    Record(call);
    RunDialogHook(CallAboutDialog);
}

void OpenHelpPage(void)
{
    RecordSimple(CallHelpPage);
    RunDialogHook(CallHelpPage);
}

void PlayMusic(void)
{
    RecordSimple(CallPlayMusic);
}

void StopMusic(void)
{
    RecordSimple(CallStopMusic);
}

void DestroyMainWindow(void)
{
    FakeCall call = NewCall(CallDestroyWindow);
    Record(call);
}

void ArmTimerSlot(int32_t slot, uint32_t delayMs, TimerMode mode, TimerHandler handler)
{
    FakeCall call = NewCall(CallArmTimer);
    call.number = slot;
    call.value = delayMs;
    call.mode = mode;
    call.handler = handler;
    Record(call);
    if (!ValidSlot(slot))
        return;
    slots[slot].armed = 1;
    slots[slot].delayMs = delayMs;
    slots[slot].mode = mode;
    slots[slot].handler = handler;
    slots[slot].dueAt = clockMs + delayMs;
}

void StopTimerSlot(int32_t slot)
{
    FakeCall call = NewCall(CallStopTimer);
    call.number = slot;
    Record(call);
    if (ValidSlot(slot))
        slots[slot].armed = 0;
}
