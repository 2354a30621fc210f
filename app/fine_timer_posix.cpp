#include "app/fine_timer.h"

void gf_beginFineTimer() {}
void gf_endFineTimer() {}
