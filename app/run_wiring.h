#pragma once
// The program's run reaches the real subsystems: every call that is built is wired here.
// Not wired yet, and so skipped by the run: live traffic's motion (the static twins and the
// statics in a taxiing aircraft's way).
#include "app/run_services.h"

// Fills runServices with the real calls and sets the real clock (GUI thread, before the
// first run).
void gf_wireRunServices();
// The calls that only the platform has (the registry of the simulator's installation).
void gf_wirePlatformCalls(RunServices& services);
