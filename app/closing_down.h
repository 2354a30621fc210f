#pragma once
// The end of every run: the run's threads and the RealTraffic link stopped, what the run
// left in the simulator and the settings cleaned up, and then, by the exit reason, a
// restart after a countdown and a full reset, or the end of the program. Worker thread.
#include "app/window_actions.h"
#include "core/shell/run_state.h"

// What closing down does for an exit reason.
struct ClosingPlan {
  bool restart = false;
  // A restart after an error never repeats a scan; one for new settings keeps them.
  bool switchScansOff = false;
  // The error stays on the status line until the user closes the window or asks for a
  // restart (a new install path).
  bool waitForUser = false;
  // A new flight was loaded: the program says so and ends 10 s later.
  bool newFlightNotice = false;
};

// portTaken: the run ended on a reader that could not listen on its port, for the last of
// the few times a restart is tried.
ClosingPlan gf_closingPlan(ExitReason reason, bool portTaken = false);

// Always asks for what comes next: the next run, or the end of the program (also after a
// failure of its own, which is logged and shown).
WindowAction gf_closingDown();
// "Restarting after {} second{}" once a second, restartDelay seconds long; false when the
// window was closed before the restart was due.
bool gf_restartCountdown();
// Every run-scoped value of every subsystem back to its start before a restart.
void gf_resetRunState();

// A reader bound its port: the count of restarts on a taken port starts again.
void gf_readersStarted();
// Restarts tried on a port that another program holds before the run gives up.
inline constexpr int portTakenRestarts = 3;
