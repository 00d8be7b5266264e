// The four timer slots over the multimedia timer. Expiries arrive on the
// timer's own thread and are handed to the thread that began the service,
// where the slot's handler runs; so every game step, paint and dialog runs
// on the window thread, one at a time. ArmTimerSlot and StopTimerSlot are
// declared in game/timer_slots.h.
#ifndef PELLORIN_TIMER_SERVICE_H
#define PELLORIN_TIMER_SERVICE_H

#include <windows.h>

// Begins the resolution and the hand-over to the calling thread.
void BeginTimerPeriod(void);
void StopAllTimerSlots(void);
void EndTimerPeriod(void);

#endif
