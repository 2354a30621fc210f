#include "app/fine_timer.h"

#include <timeapi.h>
#include <windows.h>

void gf_beginFineTimer() { timeBeginPeriod(1); }
void gf_endFineTimer() { timeEndPeriod(1); }
