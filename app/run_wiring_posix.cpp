#include "app/run_wiring.h"

// Natively there is no registry: no simulator is installed.
void gf_wirePlatformCalls(RunServices&) {}
