#include "app/closing_down.h"

#include "app/run.h"
#include "app/run_services.h"
#include "app/worker.h"
#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/settings/settings_version.h"
#include "core/shell/main_window.h"
#include "core/shell/reader_stop.h"
#include "core/shell/requests.h"
#include "core/shell/simulator_install.h"
#include "core/shell/status_line.h"
#include "core/text.h"
#include "core/version.h"
#include "feeds/adding_stack.h"
#include "feeds/qnh_reader.h"
#include "feeds/reader_lamps.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fmt/format.h>

using namespace std::chrono_literals;

namespace {

// How long closing down waits for the simulator to take the run's aircraft out: longer than
// a created aircraft waits before it becomes active.
constexpr auto removalWait = 3s;

// Consecutive runs that ended on a reader port that another program holds.
int portTakenFailures = 0;

bool lf_isBindFailure(const std::string& text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find("bind") != std::string::npos;
}

std::int32_t lf_readerPort(const std::string& readerName) {
  return readerName == qnhReader.name() ? qnhPort : trafficPort;
}

// A reader that cannot listen restarts the run; after a few tries on a port that stays
// taken the program stops trying and says which port it is.
bool lf_portTakenForGood(ExitReason reason) {
  const auto readerError = gf_takeReaderError();
  if (reason != ExitReason::ReaderError) return false;
  if (!readerError || !lf_isBindFailure(readerError->errorText)) {
    portTakenFailures = 0;
    return false;
  }
  if (++portTakenFailures < portTakenRestarts) return false;
  portTakenFailures = 0;
  gf_showError(fmt::format("UDP port {} of the {} is taken by another program: close that program, then start {} "
                           "again",
                           lf_readerPort(readerError->readerName), readerError->readerName, programName));
  return true;
}

// An aircraft on its way into the simulator (its creation sent) or out of it (its removal
// not yet confirmed).
bool lf_aircraftInTransit() {
  const auto& traffic = runServices.traffic;
  const auto inTransit = [](const AircraftData& a) {
    return (a.state == LiveState::Adding2Sim && !a.creationCancelled) || a.state == LiveState::RemovingFromSim;
  };
  if (traffic.liveList != nullptr)
    for (const auto& l : *traffic.liveList)
      if (inTransit(l.aircraft)) return true;
  if (traffic.staticList != nullptr)
    for (const auto& s : *traffic.staticList)
      if (inTransit(s)) return true;
  return false;
}

// Everything the run put into the simulator leaves it while the link still runs: the
// simulator keeps a client's aircraft after the client has gone, so a restart or the end
// would leave them standing and flying there. The ground traffic of the park airport goes
// first, then every other live and static aircraft. An aircraft whose creation is still
// under way is removed once the simulator has made it and named it, so the results are
// taken in until nothing is on its way any more; a link that has gone, or answers nothing
// for a few seconds, is not waited for.
void lf_removeRunTraffic(ExitReason reason) {
  const auto& services = runServices;
  if (gf_callOr(services.traffic.parkAirportSet, false)) gf_call(services.traffic.gf_clearGroundTraffic);
  gf_call(services.traffic.gf_removeLiveAircraft);
  gf_call(services.traffic.gf_flushStatics);
  gf_call(services.traffic.sendQueuedRemovals);
  if (reason == ExitReason::SimWasClosed || !services.link.removalsPending || !gf_simClientRunning()) return;
  const auto giveUp = runClock.now() + removalWait;
  for (int turn = 0; services.link.removalsPending() || lf_aircraftInTransit(); ++turn) {
    if (runClock.now() >= giveUp) break;
    // The object of a creation is known once the simulator's data of the aircraft in range
    // has named it, which live traffic asks for every second; nobody else asks now.
    if (turn % 20 == 0) gf_call(services.link.gf_requestAircraftInRange);
    gf_sleepFor(10ms);
    // Each call is one tick of a created aircraft's wait before it becomes active (and can
    // be removed): ten a turn, so that the wait of two seconds passes in a fifth of it.
    for (int step = 0; step < 10; ++step) gf_call(services.traffic.gf_processSimResults);
    gf_call(services.traffic.sendQueuedRemovals);
  }
}

// The run's threads end whatever else fails: nothing of the run may go on running.
void lf_stopRunThreads() noexcept {
  try {
    gf_stopSimClient();
    gf_stopReaders();
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("The run's threads did not end: {}", e.what()));
  }
}

// An error stands until the user closes the window or asks for a restart with a new
// install path (the run has ended, so a new stop request may set its reason).
ExitReason lf_waitForTheUser() {
  gf_rearmStopRequests();
  while (!runState.windowClosedByUser.load() && gf_exitReason() == ExitReason::SystemError) gf_sleepFor(500ms);
  if (runState.windowClosedByUser.load()) gf_showMessage(fmt::format("User closed {}", programName), true);
  return gf_exitReason();
}

void lf_switchScansOff() {
  SCAN_LIVERIES.set(false);
  gf_saveBoolParameter(SCAN_LIVERIES);
  SCAN_AIRPORTS.set(false);
  gf_saveBoolParameter(SCAN_AIRPORTS);
}

void lf_resetFeeds() {
  gf_resetFeedState();
  trafficQnh.exchange(standardQnh);
  feedDisplay.trafficLamp = lampStopped;
  feedDisplay.weatherLamp = lampStopped;
  feedDisplay.qnhShown = 0;
  realTrafficLink.linkUp = false;
  realTrafficLink.professional = false;
  // Until RealTraffic connects in the new run, a scan switched on restarts at once.
  realTrafficLink.scanNow.exchange(true);
  gf_setRealTrafficEditionText({});
}

WindowAction lf_closeDown() {
  const auto& services = runServices;
  auto reason = gf_exitReason();
  gf_log(fmt::format("Exiting: {}", gf_exitReasonName(static_cast<std::uint64_t>(reason))));
  gf_setAcceptingTraffic(false);
  lf_removeRunTraffic(reason);
  lf_stopRunThreads();
  gf_call(services.feeds.gf_closeRealTrafficLink);
  if (gf_closingPlan(reason, lf_portTakenForGood(reason)).waitForUser) {
    // A taken port waits as an error does; an error keeps a restart the user may have
    // asked for (a new install path) while the run's aircraft were leaving.
    if (reason != ExitReason::SystemError) gf_setSystemErrorReason();
    reason = lf_waitForTheUser();
  }
  gf_call(services.traffic.emptyHexidTitleMap);
  gf_call(services.traffic.gf_removeFlightPlanFolder);
  BLOCK_CALLSIGN.set("");
  gf_saveStringParameter(BLOCK_CALLSIGN);
  gf_call(services.traffic.emptyGhostList);
  gf_call(services.liveries.gf_logLiveryMatchingSummary);
  gf_call(services.liveries.gf_logNoLiveryMatches);

  const auto plan = gf_closingPlan(reason);
  if (plan.restart) {
    restarting = true;
    // A new install path is the user's answer: a port taken before counts anew.
    if (reason == ExitReason::NewSettings) portTakenFailures = 0;
    gf_clearError();
    gf_clearMessage();
    gf_showMessage("Prepare for a restart ...", true);
    if (plan.switchScansOff) lf_switchScansOff();
    if (gf_restartCountdown()) {
      gf_resetRunState();
      return WindowAction::startRun;
    }
    // Closed while counting down: the user wants the program to end, not a new run.
  }
  restarting = false;
  // The destination belongs to this session of the program; restarts keep it.
  DESTINATION.set("");
  gf_saveStringParameter(DESTINATION);
  if (plan.newFlightNotice) {
    gf_showMessage(fmt::format("New flight detected, {} will close, please restart manually ...", programName), true);
    gf_sleepFor(10s);
  }
  return WindowAction::saveAndQuit;
}

} // namespace

ClosingPlan gf_closingPlan(ExitReason reason, bool portTaken) {
  ClosingPlan plan;
  switch (reason) {
  case ExitReason::NewSettings:
    plan.restart = true;
    break;
  case ExitReason::SimConnectError:
    plan.restart = true;
    plan.switchScansOff = true;
    break;
  case ExitReason::ReaderError:
    plan.restart = !portTaken;
    plan.switchScansOff = !portTaken;
    plan.waitForUser = portTaken;
    break;
  case ExitReason::NewFlight:
    plan.newFlightNotice = true;
    break;
  case ExitReason::SystemError:
    plan.waitForUser = true;
    break;
  case ExitReason::NotYetSet:
  case ExitReason::SimWasClosed:
  case ExitReason::UserClosedSim:
    break;
  }
  return plan;
}

WindowAction gf_closingDown() {
  try {
    return lf_closeDown();
  } catch (const std::exception& e) {
    lf_stopRunThreads();
    const auto text = fmt::format("{} exception {}", "lf_closingDown", e.what());
    gf_logWarning(text);
    gf_showMessage(text, false);
  } catch (...) {
    lf_stopRunThreads();
    gf_logWarning(fmt::format("{} exception {}", "lf_closingDown", "of unknown type"));
  }
  // Nothing can be trusted to restart: the program ends.
  restarting = false;
  return WindowAction::saveAndQuit;
}

bool gf_restartCountdown() {
  const auto n = gf_restartDelay();
  if (n >= 1) gf_log(fmt::format("Restarting after {} seconds\n\n\n\n\n", n));
  for (auto k = n; k >= 1 && !gf_closeButtonClicked(); --k) {
    gf_showMessage(fmt::format("Restarting after {} second{}", k, gf_plural(k)), false);
    gf_sleepFor(1s);
  }
  return !gf_closeButtonClicked();
}

void gf_resetRunState() {
  const auto& services = runServices;
  lf_resetFeeds();
  gf_call(services.link.gf_resetSimLink, P3D_VERSION.get());
  gf_call(services.traffic.gf_resetTraffic);
  gf_resetStatusLine();
  mainWindow.resetForRestart();
  gf_resetRunFlags();
  runFlow.userAc = {};
  runFlow.flightNotRunningLogged = false;
  runFlow.notRunningTurns = 100;
  runFlow.replanInProgress = false;
  gf_resetRequests();
  stockSceneryFolder.clear();
  gf_takeReaderError();
  gf_setRange(RANGE.get());
}

void gf_readersStarted() { portTakenFailures = 0; }
