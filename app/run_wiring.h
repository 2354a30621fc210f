#pragma once
// The program's run reaches the real subsystems: every call the run makes is wired here.
#include "app/run_services.h"

// Fills runServices with the real calls and sets the real clock (GUI thread, before the
// first run).
void gf_wireRunServices();
// The calls that only the platform has (the registry of the simulator's installation).
void gf_wirePlatformCalls(RunServices& services);
