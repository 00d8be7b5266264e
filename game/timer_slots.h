// The four timer slots and how they are armed. The service itself lives in
// the shell; the core and the keyboard reader only name slots and modes.
#ifndef PELLORIN_TIMER_SLOTS_H
#define PELLORIN_TIMER_SLOTS_H

#include <stdint.h>

enum TimerSlotNumber {
    GravitySlot = 0,
    LevelSlot = 1,
    RepeatRateSlot = 2,
    RepeatDelaySlot = 3,
    TimerSlotCount = 4
};

enum TimerMode : int32_t {
    Periodic = 0,
    OneShot = 1
};

typedef void (*TimerHandler)(int32_t slot);

void ArmTimerSlot(int32_t slot, uint32_t delayMs, TimerMode mode, TimerHandler handler);
void StopTimerSlot(int32_t slot);

#endif
