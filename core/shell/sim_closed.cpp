#include "core/shell/sim_closed.h"

#include "core/log.h"
#include "core/shell/run_state.h"
#include "core/time.h"
#include "core/version.h"

#include <fmt/format.h>

void gf_stopForSimClosed() {
  if (runState.stopRequested.load()) return;
  gf_log(fmt::format("{} Flight Simulator no longer connected, {} will stop ...", gf_utcTimeOfDay(), programName));
  gf_requestStop(ExitReason::SimWasClosed, 0);
}
