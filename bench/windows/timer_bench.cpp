// Interval error of a 25 ms periodic slot over 400 ticks, measured where the
// game sees it: in the handler on the window thread.
#include <windows.h>

#include <math.h>

#include "app/timer_service.h"
#include "app/timer_service_seams.h"
#include "bench/bench_stats.h"
#include "game/timer_slots.h"

enum { Ticks = 400, PeriodMs = 25 };

static std::vector<LARGE_INTEGER> stamps;

static void OnTick(int32_t)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    stamps.push_back(now);
}

int main(void)
{
    BeginTimerPeriod();
    ArmTimerSlot(GravitySlot, PeriodMs, Periodic, OnTick);
    MSG msg;
    while (stamps.size() < Ticks + 1 && GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    StopTimerSlot(GravitySlot);
    EndTimerPeriod();

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> errors;
    for (size_t i = 1; i < stamps.size(); i++) {
        double interval = 1000.0 * (double)(stamps[i].QuadPart - stamps[i - 1].QuadPart) / (double)frequency.QuadPart;
        errors.push_back(fabs(interval - PeriodMs));
    }
    printf("timer resolution %u ms\n", GetTimerResolution());
    PrintStats("25 ms gravity interval error", errors, "ms");
    return 0;
}
