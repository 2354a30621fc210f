#include "app/fine_timer.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <timeapi.h>

void gf_beginFineTimer() { timeBeginPeriod(1); }
void gf_endFineTimer() { timeEndPeriod(1); }
