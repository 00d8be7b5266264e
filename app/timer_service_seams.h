// The timer service's choice of resolution, for its tests and benchmark.
#ifndef PELLORIN_TIMER_SERVICE_SEAMS_H
#define PELLORIN_TIMER_SERVICE_SEAMS_H

#include <windows.h>

UINT ChooseTimerResolution(UINT periodMin, UINT periodMax);
// The resolution BeginTimerPeriod asked for.
UINT GetTimerResolution(void);

#endif
