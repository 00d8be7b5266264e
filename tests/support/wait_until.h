// Waiting for a condition with a time limit, as every Windows suite does:
// never a fixed sleep, always a bound.
#ifndef PELLORIN_TEST_WAIT_UNTIL_H
#define PELLORIN_TEST_WAIT_UNTIL_H

#include <windows.h>

static const DWORD WaitStepMs = 5;

// Dispatches every message waiting for the calling thread.
inline void DispatchWaitingMessages(void)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

template <typename Condition>
inline int WaitLoop(Condition condition, DWORD limitMs, int pump)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (pump)
            DispatchWaitingMessages();
        if (condition())
            return 1;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= limitMs)
            return 0;
        DWORD step = limitMs - elapsed < WaitStepMs ? limitMs - elapsed : WaitStepMs;
        if (pump)
            MsgWaitForMultipleObjects(0, NULL, FALSE, step, QS_ALLINPUT);
        else
            Sleep(step);
    }
}

// 1 as soon as condition() holds, 0 once limitMs have passed without it.
// For a thread that owns no window, such as a dialog driver.
template <typename Condition>
inline int WaitUntil(Condition condition, DWORD limitMs)
{
    return WaitLoop(condition, limitMs, 0);
}

// The same on a thread that owns windows or timers: its messages are
// dispatched while it waits, or what it waits for would never come.
template <typename Condition>
inline int PumpUntil(Condition condition, DWORD limitMs)
{
    return WaitLoop(condition, limitMs, 1);
}

// The calling thread's messages for ms milliseconds.
inline void PumpFor(DWORD ms)
{
    PumpUntil([] { return 0; }, ms);
}

#endif
