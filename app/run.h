#pragma once
// A run after its start-up: the simulator link's thread, the wait for a running flight and
// the user aircraft, the RealTraffic link, the two feed readers, then the main loop. Worker
// thread. The run keeps its threads and ends them when it closes down.
#include "app/run_services.h"
#include "core/shell/auto_range.h"

#include <cstdint>

// What the run keeps between its steps; worker thread only.
struct RunFlow {
  // The run's copy of the user aircraft, kept for when live traffic keeps none.
  UserAcData userAc;
  // From the first turn without a running flight until the per-second step after it resumed.
  bool flightNotRunningLogged = false;
  std::int32_t notRunningTurns = 100;
  // Between the two phases of a static-parking renewal.
  bool replanInProgress = false;
  // Where the user aircraft stood at the last check against the static aircraft; kept for
  // the whole process.
  double userStaticCheckLat = 0.0;
  double userStaticCheckLon = 0.0;
};

extern RunFlow runFlow;

void gf_run();
// True when the flight runs and the user position is known; false on a stop.
bool gf_waitForFlight();
// Up to 15 s for the first traffic line; a stop ends the wait.
void gf_waitForFirstTraffic();

// The user aircraft as live traffic last saw it (else as the run did), and the copy the
// run hands to live traffic.
UserAcData gf_userAc();
void gf_setUserAc(const UserAcData& user);
// What the automatic range looks at, from the simulator link and live traffic.
AutoRangeSituation gf_autoRangeSituation();
// The simulator's UTC time in whole seconds, 0 while unknown.
std::int64_t gf_simUtcSeconds();

// The simulator link's thread: asked to stop and joined (also before the next one starts).
void gf_stopSimClient();
bool gf_simClientRunning();
// Both readers' stop flags, the QNH Reader's first; then both threads joined (each sees its
// flag within its one-second receive wait).
void gf_stopReaders();
