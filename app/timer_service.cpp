// Timer slots over timeSetEvent. The platform callback only posts the
// expiry to a message-only window of the thread that began the service; the
// handler runs there when that thread's message loop (or a modal dialog's)
// dispatches it. An expiry whose slot has been stopped or re-armed since is
// dropped, so a handler never sees a stale tick: each arming and each stop
// starts a new generation of the slot, and an event carries the generation
// it was armed in. The platform's event ids cannot tell armings apart, since
// an id may be handed out again once its event was killed.
#include "timer_service.h"
#include "timer_service_seams.h"

#include <mmsystem.h>

#include "app/message_sink.h"
#include "game/shell.h"
#include "game/timer_slots.h"

enum {
    TimerExpiryMessage = WM_APP + 1,
    SlotBits = 2,
    SlotMask = (1 << SlotBits) - 1
};

struct TimerSlot {
    UINT eventId;
    TimerHandler handler;
    int running;
    TimerMode mode;
    DWORD_PTR generation;
};

static_assert(TimerSlotCount <= SlotMask + 1, "the slot number must fit below the generation");

static const char SinkClassName[] = "PellorinTimerSink";

static TimerSlot slots[TimerSlotCount];
static UINT timerResolution;
static HWND sinkWindow;

UINT ChooseTimerResolution(UINT periodMin, UINT periodMax)
{
    UINT candidate = periodMin > 5 ? periodMin : 5;
    return candidate < periodMax ? candidate : periodMax;
}

// The event's user value: the slot number in the low bits, the slot's
// generation above them (the generation wraps; only equality counts).
static DWORD_PTR EventUserValue(int32_t slotNumber, DWORD_PTR generation)
{
    return (generation << SlotBits) | (DWORD_PTR)slotNumber;
}

static void CALLBACK OnTimerEvent(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    HWND sink = sinkWindow;
    if (sink)
        PostMessageA(sink, TimerExpiryMessage, (WPARAM)user, 0);
}

static void DeliverExpiry(WPARAM user)
{
    int32_t slotNumber = (int32_t)(user & SlotMask);
    TimerSlot *slot = &slots[slotNumber];
    if (!slot->running || EventUserValue(slotNumber, slot->generation) != user || !slot->handler)
        return;
    if (slot->mode == OneShot)
        slot->running = 0;
    slot->handler(slotNumber);
}

static LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TimerExpiryMessage) {
        DeliverExpiry(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void BeginTimerPeriod(void)
{
    TIMECAPS caps;
    if (timeGetDevCaps(&caps, sizeof caps) == TIMERR_NOERROR)
        timerResolution = ChooseTimerResolution(caps.wPeriodMin, caps.wPeriodMax);
    else
        timerResolution = 5;
    timeBeginPeriod(timerResolution);
    if (!sinkWindow)
        sinkWindow = CreateMessageSink(SinkClassName, SinkProc);
}

void ArmTimerSlot(int32_t slotNumber, uint32_t delayMs, TimerMode mode, TimerHandler handler)
{
    if (slotNumber < 0 || slotNumber >= TimerSlotCount)
        return;
    TimerSlot *slot = &slots[slotNumber];
    timeKillEvent(slot->eventId);
    slot->running = 0;
    slot->generation++;
    slot->handler = handler;
    slot->mode = mode;
    UINT flags;
    if (mode == Periodic)
        flags = TIME_PERIODIC;
    else if (mode == OneShot)
        flags = TIME_ONESHOT;
    else
        return;
    UINT eventId = timeSetEvent(delayMs, timerResolution, OnTimerEvent,
                                EventUserValue(slotNumber, slot->generation), flags);
    slot->eventId = eventId;
    slot->running = eventId != 0;
}

void StopTimerSlot(int32_t slotNumber)
{
    if (slotNumber < 0 || slotNumber >= TimerSlotCount)
        return;
    timeKillEvent(slots[slotNumber].eventId);
    slots[slotNumber].running = 0;
    slots[slotNumber].generation++;
}

void StopAllTimerSlots(void)
{
    for (int slot = 0; slot < TimerSlotCount; slot++)
        StopTimerSlot(slot);
}

void EndTimerPeriod(void)
{
    StopAllTimerSlots();
    if (sinkWindow) {
        HWND sink = sinkWindow;
        sinkWindow = NULL;
        DestroyWindow(sink);
    }
    timeEndPeriod(timerResolution);
}

UINT GetTimerResolution(void)
{
    return timerResolution;
}

uint32_t ReadMilliseconds(void)
{
    return timeGetTime();
}
