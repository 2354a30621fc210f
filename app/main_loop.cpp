#include "app/main_loop.h"

#include "app/closing_down.h"
#include "app/per_second.h"
#include "app/run.h"
#include "app/run_services.h"
#include "app/window_requests.h"
#include "core/log.h"
#include "core/shell/run_state.h"
#include "core/shell/week_clock.h"
#include "feeds/adding_stack.h"
#include "feeds/reader_lamps.h"

#include <chrono>
#include <fmt/format.h>

using namespace std::chrono_literals;

namespace {

// The fine timer is given back however the loop ends.
class FineTimer {
public:
  FineTimer() { gf_call(runClock.beginFineTimer); }
  FineTimer(const FineTimer&) = delete;
  FineTimer& operator=(const FineTimer&) = delete;
  ~FineTimer() { gf_call(runClock.endFineTimer); }
};

void lf_flightNotRunning() {
  if (!runFlow.flightNotRunningLogged) {
    gf_setAcceptingTraffic(false);
    runFlow.flightNotRunningLogged = true;
    runFlow.notRunningTurns = 100;
    // No position of the stopped flight is sent any more.
    gf_call(runServices.link.clearPositionBuffers);
    gf_log(fmt::format("{} Flight not running", gf_utcTimeOfDay()));
  }
  gf_call(runServices.traffic.gf_processSimResults);
  runFlow.notRunningTurns -= 1;
  if (runFlow.notRunningTurns % 100 == 0) {
    gf_handleRereadRequest();
    gf_call(runServices.feeds.gf_sendUserPosition, gf_userAc());
  }
  if (runFlow.notRunningTurns < 1) {
    runFlow.notRunningTurns = 100;
    gf_updateDisplayCounts();
    currentWeekTime = gf_weekTime();
  }
}

} // namespace

void gf_runTurns(const std::function<bool()>& turn) {
  auto deadline = runClock.now() + 10ms;
  while (turn()) {
    // Less than a whole millisecond left is no wait at all.
    if (std::chrono::duration_cast<std::chrono::milliseconds>(deadline - runClock.now()).count() >= 1)
      runClock.sleepUntil(deadline);
    if (runState.secondTick.load()) deadline = runClock.now();
    deadline += 10ms;
  }
}

bool gf_mainLoopTurn() {
  gf_serveWindowRequests();
  if (!runState.flightRunning.load() || gf_callOr(runServices.link.simConnectError, false)) {
    lf_flightNotRunning();
    return !gf_stopOrClosed();
  }
  gf_call(runServices.traffic.lf_handleAddingStack);
  // Every turn: the simulator's once-a-second data may never come again (the link stopped),
  // and closing must close all the same.
  if (gf_stopOrClosed()) return false;
  if (!gf_takeSecondTick()) return true;
  gf_perSecondStep();
  if (gf_stopOrClosed()) return false;
  gf_scheduledJobs();
  return true;
}

void gf_mainLoop() {
  gf_call(runServices.traffic.gf_updateParkAirport, true);
  gf_checkReaderLamps();
  runState.seconds = 0;
  currentWeekTime = gf_weekTime();
  gf_setAcceptingTraffic(true);
  // Both readers listen by now: a port taken before was given free.
  gf_readersStarted();
  FineTimer fineTimer;
  gf_runTurns(gf_mainLoopTurn);
}
